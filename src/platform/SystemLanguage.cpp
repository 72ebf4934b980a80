#include "platform/SystemLanguage.h"

#include <clocale>

namespace corvane {

std::string SystemLocaleName() {
    // Query without changing the program's own locale.
    const char* previous = std::setlocale(LC_MESSAGES, nullptr);
    const std::string saved = previous ? previous : "C";
    const char* name = std::setlocale(LC_MESSAGES, "");
    const std::string result = name ? name : "";
    std::setlocale(LC_MESSAGES, saved.c_str());
    return result;
}

std::string GetSystemLanguageName() {
    return LanguageNameOfLocale(SystemLocaleName());
}

} // namespace corvane
