#pragma once

// The system's default language, from the locale the user's session runs in.

#include <string>

namespace corvane {

// "English" for English locales (en, en_US, en_GB.UTF-8, ...), "Chinese" for Simplified
// Chinese (zh_CN, zh_SG, zh_Hans...), an empty text for every other language, Traditional
// Chinese included.
std::string LanguageNameOfLocale(const std::string& locale);

// The session's locale for messages (as the C library resolves it from the environment).
std::string SystemLocaleName();

// LanguageNameOfLocale(SystemLocaleName()).
std::string GetSystemLanguageName();

} // namespace corvane
