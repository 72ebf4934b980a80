#include "presets/PresetSlotActions.h"

#include "shell/Language.h"

namespace corvane {

namespace {

void TellTips(PresetSlotHost& host, int message) {
    host.Tell(MessageText(kMsgTips), MessageText(message));
}

// True when synchronised; else the operator is asked to open the serial port.
bool LinkOrTell(PresetSlotHost& host) {
    if (!host.Synchronised())
        TellTips(host, kMsgOpenSerial);
    return host.Synchronised();
}

} // namespace

void SavePresetSlot(PresetSlotHost& host, const std::string& shownName) {
    if (!host.Ask(MessageText(kMsgSavePreset) + ": 【" + shownName + "】?"))
        return;
    if (host.Save() != PresetSaveResult::Saved)
        TellTips(host, kMsgSavePresetFailed);
}

void LoadPresetSlot(PresetSlotHost& host, const std::string& shownName) {
    if (!LinkOrTell(host) || !host.Ask(MessageText(kMsgLoadPreset) + ": 【" + shownName + "】?"))
        return;
    if (LinkOrTell(host) && !host.Send())
        TellTips(host, kMsgReadPresetFailed);
}

void DeletePresetSlot(PresetSlotHost& host, const std::string& shownName) {
    if (!host.HasFile() || !host.Ask(MessageText(kMsgDeletePresetFile) + ",【" + shownName + "】?"))
        return;
    const bool deleted = host.Delete();
    host.Tell(MessageText(kMsgPresetsSetting), MessageText(deleted ? kMsgDeleteSuccess : kMsgDeleteFailure));
}

} // namespace corvane
