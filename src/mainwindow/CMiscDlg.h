#pragma once

// The misc page (dialog 165): what concerns the processor as a whole - the interface language,
// the device name and firmware versions, the firmware upgrade, the factory reset, loading the
// whole state again, the WiFi configuration and the input-signal backup switch.
//
// Messages:
//   commands 1117 / 1118               English / Chinese: WM_SET_LANGUAGE (0 / 1) to the main
//                                      window, unless it is the language in use
//   command 1410, WM_OPEN_UPGRADE      the upgrade dialog, modal; nothing while it is open
//   command 1412                       factory reset (asked first), then the port is closed and
//                                      the search looks for the restarting processor
//   command 1409                       the whole state again, with the wait
//   command 1414                       the WiFi configuration, centred, when hidden
//   command 1509                       the input-signal backup switch (synchronised link only)
//   WM_DEVICE_REPLY (0xA4, *)          the version line; (0xA7, *) the backup switch
//   WM_DEVICE_COMMAND (0x000A, 0)      send the factory reset; (0x000F, 0 or 1) the backup
//                                      switch; -1 and nothing sent unless synchronised
//
// The five small buttons 1400..1404 of the template stay hidden.

#include "widgets/CBaseDialog.h"

#include <cstdint>

class QLabel;

namespace corvane {

class CGdipButton;
class PageContext;

class CMiscDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 165;
    static constexpr int kHiddenFirstId = 1400; // "1>".."4>", ">OK"
    static constexpr int kHiddenLastId = 1404;
    static constexpr int kEnglishId = 1117;
    static constexpr int kChineseId = 1118;
    static constexpr int kDeviceNameId = 1207;
    static constexpr int kVersionId = 1208;
    static constexpr int kUpgradeId = 1410;
    static constexpr int kResetId = 1412;
    static constexpr int kGetDataId = 1409;
    static constexpr int kWifiId = 1414;
    static constexpr int kBackupId = 1509;

    CMiscDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;
    // Asks the processor for its whole state as "Get data" does, with its wait; false, and
    // nothing sent, unless synchronised.
    bool GetData();

    // The switch as drawn (`backupShown`: the processor's inputBackup last seen).
    bool BackupShown() const { return m_backupShown; }
    // True while the upgrade dialog is open.
    bool UpgradeOpen() const { return m_upgradeOpen; }

protected:
    bool OnInitDialog() override;

private:
    void OnLanguage(int id);
    void OnUpgrade();
    std::intptr_t OnOpenUpgrade(std::uintptr_t, std::intptr_t);
    void OnFactoryReset();
    void OnGetData();
    void OnWifi();
    void OnBackup();
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);

    // The chosen language's text orange, the other light grey.
    void ShowLanguage();
    void ShowVersions();
    void ShowBackup();
    // "Please open the serial!" under "Tips".
    void AskToOpenSerial();

    PageContext& m_context;
    CGdipButton* m_english = nullptr;
    CGdipButton* m_chinese = nullptr;
    CGdipButton* m_backup = nullptr;
    QLabel* m_deviceName = nullptr;
    QLabel* m_version = nullptr;

    bool m_backupShown = false;
    bool m_upgradeOpen = false;
};

} // namespace corvane
