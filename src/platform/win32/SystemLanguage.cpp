#include "platform/SystemLanguage.h"

#include "win32/Win32Text.h"

#include <windows.h>

namespace corvane {

std::string LanguageNameOfLangId(std::uint16_t langId) {
    if ((langId & 0x3FF) == LANG_ENGLISH)
        return "English";
    // Chinese (4) with the sublanguage simplified (2): the identifier masked with 0xFC00
    // is 0x0800.
    if ((langId & 0x3FF) == LANG_CHINESE && (langId & 0xFC00) == 0x0800)
        return "Chinese";
    return {};
}

std::string SystemLocaleName() {
    // The user's user-interface language as a locale name ("zh-CN").
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID lcid = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
    const int n = ::LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0);
    return n > 1 ? win32::Narrow(name, static_cast<std::size_t>(n - 1)) : std::string();
}

std::string GetSystemLanguageName() {
    return LanguageNameOfLangId(::GetUserDefaultUILanguage());
}

} // namespace corvane
