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

// Slots of the message table, with their built-in English texts.
enum MessageId : int {
    kMsgQuickSetting = 0,         // "Quick Setting"
    kMsgOutputSetting = 1,        // "Output Setting"
    kMsgLayerSettings = 2,        // "Layer Settings"
    kMsgPictureSetting = 3,       // "Picture Setting"
    kMsgEdidSettings = 4,         // "EDID Settings"
    kMsgImageCrop = 5,            // "Image Crop"
    kMsgMiscSettings = 6,         // "Misc Settings"
    kMsgPresetsSetting = 7,       // "Presets Setting"
    kMsgConnectionSetting = 8,    // "Connection Setting"
    kMsgZoomSettings = 9,         // "Zoom Settings"
    kMsgEdgeBlendSettings = 10,   // "Edge Blend Settings"
    kMsgTips = 11,                // "Tips"
    kMsgRestartMachine = 12,      // "Restart The Machine"
    kMsgLoadPreset = 13,          // "Load Preset"
    kMsgLoadTemplates = 14,       // "Load Templates"
    kMsgUpgradeMachine = 15,      // "Upgrade Machine"
    kMsgReadingFpgaExit = 16,     // "Is reading FPGA file, really exit?"
    kMsgSelectInputSource = 17,   // "Select input source"
    kMsgChangeInputSource = 18,   // "Change Input source?"
    kMsgSelectSerialNumber = 19,  // "Please select the serial number!"
    kMsgOpenSerial = 20,          // "Please open the serial!"
    kMsgOpenSerialFailed = 21,    // "Failure to open serial port!"
    kMsgGettingData = 22,         // "Getting Data From Desitination..."
    kMsgRestartMachine2 = 23,     // "Restart The Machine"
    kMsgStandard = 24,            // "Standard"
    kMsgLowLight1 = 25,           // "Low Light1"
    kMsgLowLight2 = 26,           // "Low Light2"
    kMsgLowLight3 = 27,           // "Low Light3"
    kMsgUser = 28,                // "User"
    kMsgReadPresetFailed = 29,    // "Read Preset file failure!"
    kMsgSavePreset = 30,          // "Save The Preset"
    kMsgSavePresetFailed = 31,    // "Save The Preset file failure!"
    kMsgRestoreFactory = 32,      // "Restore the factory settings?"
    kMsgSetUpSuccess = 33,        // "Set up success!"
    kMsgSetUpFailure = 34,        // "Set up failure!"
    kMsgOutputWindowFailed = 35,  // "Failure of output window settings!"
    kMsgInputCropFailed = 36,     // "Input intercept setting failed!"
    kMsgImageSettingFailed = 37,  // "Image setting failure!"
    kMsgDeletePresetFile = 38,    // "Delete Presets file"
    kMsgDeleteSuccess = 39,       // "Delete success!"
    kMsgDeleteFailure = 40,       // "Delete failure!"
    kMsgWaitingSetMachine = 41,   // "Waiting set the machine..."
    kMsgPleaseWait = 42,          // "Please wait"
    kMsgSelectApplyOutput = 43,   // "Please select apply to output mode!"
    kMsgZoomIsOpen = 44,          // "Zoom is open!"
    kMsgCropIsOpen = 45,          // "Crop is open!"
    kMsgFileNotExist = 46,        // "File no exist!"
    kMsgUpgradingFpgaExit = 47,   // "Is upgrade FPGA,exit?"
    kMsgUpgradingMcuExit = 48,    // "Is upgrade MCU,exit?"
    kMsgUpgradingHdmiRxExit = 49, // "Is upgrade HDMIRX,exit?"
    kMsgFileFormatError = 50,     // "File format error!"
    kMsgFrameSyncSettings = 51,   // "Frame Sync Settings"
    kMsgFpsDifference = 52,       // "Output synchronization issue may occur because of input FPS difference!"
    kMsgSetFrameSyncMode = 53,    // "Set Frame Sync mode?"
    kMsgSetFrameTransformMode = 54, // "Set Frame Transform mode?"
    kMsgWifiConfigure = 55,         // "Wifi configure"
    kMsgIpFormatError = 56,         // "IP Address format error!"
    kMsgInputSsid = 57,             // "Please input SSID!"
    kMsgPasswordLength = 58,        // "Password need 8 to 11 position!"
    kMsgOtherClientConnected = 59,  // "Other clients have been connected!"
};

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
// names, without regard to case. When none matches, "Language/English.ini" is used and the
// name becomes "English". The chosen name is written to Config.ini.
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
