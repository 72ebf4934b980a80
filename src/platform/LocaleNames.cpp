#include "platform/SystemLanguage.h"

// The language of a locale name, the same on every system.

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

} // namespace corvane
