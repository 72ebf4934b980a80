#include "shell/Language.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace corvane {

std::string configFile;
std::string languageFile;
std::uint32_t languageCtrlId = kLanguageCtrlEnglish;
std::string exeFolder;

namespace {

// Room given to the lookups, in characters.
constexpr std::size_t kSettingRoom = 100;
constexpr std::size_t kTextRoom = 1000;

constexpr const char* kSettingSection = "Setting";
constexpr const char* kLanguageKey = "Language";
constexpr const char* kStringSection = "String";
constexpr const char* kEnglish = "English";
constexpr const char* kChinese = "Chinese";
constexpr const char* kLanguageFolder = "Language";
constexpr const char* kFallbackFile = "English.ini";

// The texts the table holds before any language file is read, in slot order.
constexpr std::array<const char*, kMessageCount> kBuiltInMessages = {
    "Quick Setting",
    "Output Setting",
    "Layer Settings",
    "Picture Setting",
    "EDID Settings",
    "Image Crop",
    "Misc Settings",
    "Presets Setting",
    "Connection Setting",
    "Zoom Settings",
    "Edge Blend Settings",
    "Tips",
    "Restart The Machine",
    "Load Preset",
    "Load Templates",
    "Upgrade Machine",
    "Is reading FPGA file, really exit?",
    "Select input source",
    "Change Input source?",
    "Please select the serial number!",
    "Please open the serial!",
    "Failure to open serial port!",
    "Getting Data From Desitination...",
    "Restart The Machine",
    "Standard",
    "Low Light1",
    "Low Light2",
    "Low Light3",
    "User",
    "Read Preset file failure!",
    "Save The Preset",
    "Save The Preset file failure!",
    "Restore the factory settings?",
    "Set up success!",
    "Set up failure!",
    "Failure of output window settings!",
    "Input intercept setting failed!",
    "Image setting failure!",
    "Delete Presets file",
    "Delete success!",
    "Delete failure!",
    "Waiting set the machine...",
    "Please wait",
    "Please select apply to output mode!",
    "Zoom is open!",
    "Crop is open!",
    "File no exist!",
    "Is upgrade FPGA,exit?",
    "Is upgrade MCU,exit?",
    "Is upgrade HDMIRX,exit?",
    "File format error!",
    "Frame Sync Settings",
    "Output synchronization issue may occur because of input FPS difference!",
    "Set Frame Sync mode?",
    "Set Frame Transform mode?",
    "Wifi configure",
    "IP Address format error!",
    "Please input SSID!",
    "Password need 8 to 11 position!",
    "Other clients have been connected!",
};

std::array<std::string, kMessageCount> BuiltInTable() {
    std::array<std::string, kMessageCount> table;
    for (int i = 0; i < kMessageCount; ++i)
        table[i] = kBuiltInMessages[i];
    return table;
}

std::array<std::string, kMessageCount>& Table() {
    static std::array<std::string, kMessageCount> table = BuiltInTable();
    return table;
}

std::string AsciiLower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return s;
}

bool EndsWithIni(const std::string& name) {
    return name.size() >= 4 && AsciiLower(name.substr(name.size() - 4)) == ".ini";
}

// Names of the files "*.ini" in `folder` (directories left out), sorted, so that the choice
// never depends on the order the file system lists them in. Sorted without regard to case,
// as NTFS lists a folder, so a set of files chooses the same way on both systems.
std::vector<std::string> LanguageFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (EndsWithIni(name) && it->is_regular_file(typeError))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = AsciiLower(a), lb = AsciiLower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

// Every backslash-n pair becomes a line break.
std::string Unescape(const std::string& raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
            text += '\n';
            ++i;
        } else {
            text += raw[i];
        }
    }
    return text;
}

} // namespace

std::string GetLanguageSetting() {
    return GetPrivateProfileString(kSettingSection, kLanguageKey, kEnglish, kSettingRoom, configFile);
}

void SelectLanguage(const std::string& name) {
    std::string chosen = name;
    if (chosen.empty())
        chosen = GetPrivateProfileString(kSettingSection, kLanguageKey, kEnglish, kTextRoom, configFile);

    const std::string folder = JoinPath(exeFolder.empty() ? ExecutableFolder() : exeFolder, kLanguageFolder);
    bool found = false;
    for (const std::string& file : LanguageFiles(folder)) {
        const std::string path = JoinPath(folder, file);
        const std::string declared =
            GetPrivateProfileString(kSettingSection, kLanguageKey, "", kTextRoom, path);
        if (!declared.empty() && declared == chosen) {
            languageFile = path;
            found = true;
            break;
        }
    }
    if (!found) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        languageFile = JoinPath(folder, kFallbackFile);
        chosen = kEnglish;
    }
    WritePrivateProfileString(kSettingSection, kLanguageKey, chosen, configFile);
}

std::string GetLangString(const std::string& key) {
    return Unescape(GetPrivateProfileString(kStringSection, key, "", kTextRoom, languageFile));
}

std::uint32_t LanguageCtrlIdFor(const std::string& name) {
    return name == kChinese ? kLanguageCtrlChinese : kLanguageCtrlEnglish;
}

std::string Tr(std::string_view english, std::string_view chinese) {
    return std::string(GetLanguageSetting() == kChinese ? chinese : english);
}

const std::string& MessageText(int index) {
    static const std::string empty;
    if (index < 0 || index >= kMessageCount)
        return empty;
    return Table()[index];
}

const char* BuiltInMessageText(int index) {
    if (index < 0 || index >= kMessageCount)
        return "";
    return kBuiltInMessages[index];
}

void ReloadMessageTable() {
    // Without a language file at all (none shipped, or the folder emptied) every message box
    // would be blank: the built-in English texts stay instead. A file that exists replaces
    // every slot, and a slot whose key it lacks is empty.
    if (!IsRegularFile(languageFile)) {
        ResetMessageTable();
        return;
    }
    // One reading of the file for the 60 lookups; each slot gets what GetLangString gives.
    std::vector<std::string> keys;
    for (int i = 0; i < kMessageCount; ++i)
        keys.push_back("SIDS_" + std::to_string(i));
    const std::vector<std::optional<std::string>> texts =
        GetPrivateProfileStrings(kStringSection, keys, languageFile);
    for (int i = 0; i < kMessageCount; ++i)
        Table()[i] = texts[i] ? Unescape(TruncateToChars(*texts[i], kTextRoom - 1)) : std::string();
}

void ResetMessageTable() {
    Table() = BuiltInTable();
}

} // namespace corvane
