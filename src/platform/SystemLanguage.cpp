#include "platform/SystemLanguage.h"

#include <clocale>

namespace corvane {

std::string LanguageNameOfLocale(const std::string& locale) {
    // Language and region: what comes before the encoding (".UTF-8") and modifier ("@...").
    const std::string tag = locale.substr(0, locale.find_first_of(".@"));
    const std::string language = tag.substr(0, tag.find_first_of("_-"));
    if (language == "en")
        return "English";
    if (language != "zh")
        return {};
    const std::string rest = tag.size() > 2 ? tag.substr(3) : std::string();
    if (rest == "CN" || rest == "SG" || rest.rfind("Hans", 0) == 0)
        return "Chinese";
    return {};
}

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
