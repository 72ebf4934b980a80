#pragma once

// The user-interface language: which language file is in use, the lookup of its texts, the
// table of the 60 message texts, and the English/Chinese literal pairs that pages build in
// code.
//
// A language file is an initialisation file in the "Language" folder beside the executable.
// Its "Setting"/"Language" value names the language it provides; its "String" section holds
// the texts: "IDD%d_Title" and "IDD%d_%d" for dialogs and their controls, "SIDS_%d" for the
// message table. Texts are UTF-8; a backslash followed by n in a value is a line break.
//
// Everything here is used on the user-interface thread only.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Control identifiers of the misc page's two language labels; `languageCtrlId` holds the
// one of the language in use.
inline constexpr std::uint32_t kLanguageCtrlEnglish = 1117;
inline constexpr std::uint32_t kLanguageCtrlChinese = 1118;

// Number of slots of the message table.
inline constexpr int kMessageCount = 60;

// Path of Config.ini, whose "Setting"/"Language" holds the chosen language name.
extern std::string configFile;
// Path of the language file in use (may name a file that does not exist).
extern std::string languageFile;
// kLanguageCtrlEnglish or kLanguageCtrlChinese; starts as kLanguageCtrlEnglish.
extern std::uint32_t languageCtrlId;
// Folder of the executable, without a trailing separator; the "Language" folder is searched
// inside it. Set by start-up; when empty, the running executable's folder is used.
extern std::string exeFolder;

// "Setting"/"Language" of Config.ini, "English" when missing (at most 99 characters).
std::string GetLanguageSetting();

// Chooses the language file that declares exactly `name` (case and all; an empty name means
// the one in Config.ini). The files of the "Language" folder are tried in the order of their
// names. When none matches, "Language/English.ini" is used and the name becomes "English".
// The chosen name is written to Config.ini.
void SelectLanguage(const std::string& name);

// "String"/`key` of the language file in use, empty when missing; every backslash-n pair
// becomes a line break.
std::string GetLangString(const std::string& key);

// kLanguageCtrlChinese for "Chinese", kLanguageCtrlEnglish for any other name.
std::uint32_t LanguageCtrlIdFor(const std::string& name);

// The English literal, or the Chinese one when the configured language is "Chinese".
std::string Tr(std::string_view english, std::string_view chinese);

// Text of message-table slot `index` (0..59); an empty text for any other index.
const std::string& MessageText(int index);

// The built-in English text of slot `index` (0..59); an empty text for any other index.
const char* BuiltInMessageText(int index);

// Replaces every slot with "SIDS_<index>" of the language file in use, whatever the lookup
// gives: a file without a slot's key leaves that slot empty.
void ReloadMessageTable();

// Puts the built-in English texts back into every slot (the state at program start).
void ResetMessageTable();

} // namespace corvane
