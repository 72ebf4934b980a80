#pragma once

// The system's default language, from the locale the user's session runs in (on Windows:
// the user's user-interface language).

#include <cstdint>
#include <string>

namespace corvane {

// "English" for English locales (en, en_US, en_GB.UTF-8, ...), "Chinese" for Simplified
// Chinese (zh_CN, zh_SG, zh_Hans...), an empty text for every other language, Traditional
// Chinese included.
std::string LanguageNameOfLocale(const std::string& locale);

// The session's locale for messages (as the C library resolves it from the environment).
std::string SystemLocaleName();

// LanguageNameOfLocale(SystemLocaleName()); on Windows LanguageNameOfLangId of the user's
// user-interface language.
std::string GetSystemLanguageName();

#ifdef _WIN32
// "English" for the primary language 9 (any sublanguage), "Chinese" for the primary language
// 4 with the sublanguage 2 (simplified), an empty text otherwise.
std::string LanguageNameOfLangId(std::uint16_t langId);
#endif

} // namespace corvane
