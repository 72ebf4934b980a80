#include "mainwindow/CMiscDlg.h"

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "device/LinkSupervision.h"
#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "misc/FactoryReset.h"
#include "misc/MiscFrames.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/SystemMessages.h"
#include "shell/Language.h"
#include "ui_dialog165.h"
#include "upgrade/CUpdataDlg.h"
#include "widgets/CGdipButton.h"
#include "widgets/Theme.h"

#include <QLabel>

namespace corvane {

CMiscDlg::CMiscDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context) {
    Ui::Dialog165 ui;
    ui.setupUi(this);
    m_english = ui.english;
    m_chinese = ui.chinese;
    m_backup = ui.backup;
    m_deviceName = ui.deviceName;
    m_version = ui.versionLine;
    // The five small buttons of the factory reset group have no use: hidden for good.
    for (QWidget* hidden : {ui.hidden0, ui.hidden1, ui.hidden2, ui.hidden3, ui.hidden4})
        hidden->hide();
    hide();
}

bool CMiscDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    m_deviceName->setText(QString::fromLatin1(kDeviceName));
    ShowVersions();
    ShowLanguage();
    m_backupShown = m_context.State().crop.inputBackup != 0;
    ShowBackup();
    return true;
}

std::intptr_t CMiscDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CMiscDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kEnglishId, kChineseId, &CMiscDlg::OnLanguage),
        Map::Command(kUpgradeId, &CMiscDlg::OnUpgrade),
        Map::Message(WM_OPEN_UPGRADE, &CMiscDlg::OnOpenUpgrade),
        Map::Command(kResetId, &CMiscDlg::OnFactoryReset),
        Map::Command(kGetDataId, &CMiscDlg::OnGetData),
        Map::Command(kWifiId, &CMiscDlg::OnWifi),
        Map::Command(kBackupId, &CMiscDlg::OnBackup),
        Map::Message(WM_DEVICE_REPLY, &CMiscDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CMiscDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void CMiscDlg::ApplyLanguage() {
    CBaseDialog::ApplyLanguage();
    ShowLanguage();
    ShowVersions();
}

// ---- showing

void CMiscDlg::ShowLanguage() {
    const bool chinese = languageCtrlId == kLanguageCtrlChinese;
    const QColor orange = QColor::fromRgba(theme::kOrange);
    const QColor inactive = QColor::fromRgba(theme::kInactive);
    m_english->SetTextColour(chinese ? inactive : orange);
    m_chinese->SetTextColour(chinese ? orange : inactive);
    m_english->update();
    m_chinese->update();
}

void CMiscDlg::ShowVersions() {
    const DeviceState& s = m_context.State();
    m_version->setText(QString::fromStdString(VersionLine(s.verPrimary, s.verSecondary)));
    m_deviceName->update();
    m_version->update();
}

void CMiscDlg::ShowBackup() {
    m_backup->setChecked(m_backupShown);
    m_backup->update();
}

void CMiscDlg::AskToOpenSerial() {
    m_context.ShowMessage(MessageText(kMsgTips), MessageText(kMsgOpenSerial),
                          CMessageboxDlg::kModeInformation);
}

// ---- the operator

void CMiscDlg::OnLanguage(int id) {
    const auto chosen = static_cast<std::uint32_t>(id);
    if (chosen == languageCtrlId)
        return;
    languageCtrlId = chosen;
    if (MessageWindow* main = m_context.WindowOf(Window::MainWindow))
        SendWindowMessage(main, WM_SET_LANGUAGE, chosen == kLanguageCtrlEnglish ? 0 : 1, 0);
    ShowLanguage();
}

void CMiscDlg::OnUpgrade() {
    if (m_upgradeOpen)
        return;
    m_upgradeOpen = true;
    // Modal for the operator, without a loop of its own: the page goes on receiving the
    // processor's messages while the dialog is open, and a second opening does nothing.
    auto* upgrade = new CUpdataDlg(m_context, this);
    upgrade->Open([this, upgrade](int) {
        m_upgradeOpen = false;
        upgrade->deleteLater();
    });
    const QWidget* owner = window();
    upgrade->move(owner->mapToGlobal(owner->rect().center()) - upgrade->rect().center());
}

std::intptr_t CMiscDlg::OnOpenUpgrade(std::uintptr_t, std::intptr_t) {
    OnUpgrade();
    return 0;
}

namespace {

// The page's side of the factory reset.
class ResetHost : public FactoryResetHost {
public:
    ResetHost(PageContext& context, MessageWindow* page) : m_context(context), m_page(page) {}

    bool Synchronised() const override { return m_context.State().linkState == kLinkSynchronised; }
    bool Ask(const std::string& question) override {
        return m_context.ShowMessage(MessageText(kMsgTips), question, CMessageboxDlg::kModeQuestion) == IDOK;
    }
    void Tell(const std::string& message) override {
        m_context.ShowMessage(MessageText(kMsgTips), message, CMessageboxDlg::kModeInformation);
    }
    bool SendReset() override {
        return SendWindowMessage(m_page, WM_DEVICE_COMMAND, kCmdFactoryReset, 0) == 0;
    }
    void ExpectRestart() override { m_context.Session().ExpectRestart(kRestartSearchTicks); }
    std::uint32_t OpenCount() const override { return m_context.Session().OpenCount(); }
    void ClosePort() override {
        if (MessageWindow* connect = m_context.WindowOf(Window::ConnectDialog))
            SendWindowMessage(connect, WM_PORT_CLOSED, 0, 0);
    }

private:
    PageContext& m_context;
    MessageWindow* m_page;
};

} // namespace

void CMiscDlg::OnFactoryReset() {
    ResetHost host(m_context, this);
    RunFactoryReset(host);
}

void CMiscDlg::OnGetData() {
    if (!GetData())
        AskToOpenSerial();
}

bool CMiscDlg::GetData() {
    if (m_context.State().linkState != kLinkSynchronised)
        return false;
    m_context.ShowWait(MessageText(kMsgGettingData));
    m_context.RequestAll();
    return true;
}

void CMiscDlg::OnWifi() {
    auto* wifi = dynamic_cast<CBaseDialog*>(m_context.WindowOf(Window::WifiDialog));
    if (!wifi || wifi->isVisible())
        return;
    if (const QWidget* owner = wifi->parentWidget(); owner && !wifi->isWindow())
        wifi->move((owner->width() - wifi->width()) / 2, (owner->height() - wifi->height()) / 2);
    wifi->ShowPage(true);
    wifi->raise();
}

void CMiscDlg::OnBackup() {
    std::uint8_t& backup = m_context.State().crop.inputBackup;
    if (m_context.State().linkState == kLinkSynchronised) {
        backup = backup != 0 ? 0 : 1;
        PostWindowMessage(this, WM_DEVICE_COMMAND, kCmdInputBackup, backup);
    } else {
        AskToOpenSerial();
    }
    m_backupShown = backup != 0;
    ShowBackup();
}

// ---- the processor

std::intptr_t CMiscDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t) {
    if (code == kReplyVersions) {
        ShowVersions();
    } else if (code == kReplyCrop) {
        m_backupShown = m_context.State().crop.inputBackup != 0;
        ShowBackup();
    }
    return 0;
}

std::intptr_t CMiscDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (m_context.State().linkState != kLinkSynchronised)
        return -1;
    corvane::Frame f;
    if (code == kCmdFactoryReset)
        f = BuildFactoryResetFrame();
    else if (code == kCmdInputBackup)
        f = BuildInputBackupFrame(argument != 0 ? 1 : 0);
    else
        return -1;
    m_context.SendToDevice(f.data(), f.size());
    return 0;
}

} // namespace corvane
