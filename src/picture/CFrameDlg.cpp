#include "picture/CFrameDlg.h"

#include "device/DeviceState.h"
#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "picture/FrameSync.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/SystemMessages.h"
#include "shell/Language.h"
#include "ui_dialog189.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/Theme.h"

#include <QLabel>

namespace corvane {

CFrameDlg::CFrameDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context) {
    Ui::Dialog189 ui;
    ui.setupUi(this);
    m_syncMode = ui.syncMode;
    m_convertMode = ui.convertMode;
    m_settingGroup = ui.settingGroup;
    m_infoGroup = ui.infoGroup;
    m_inputLabel = ui.inputLabel;
    m_outputLabel = ui.outputLabel;
    m_inputText = ui.inputInfo;
    m_outputText = ui.outputRate;
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool CFrameDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    // Empty until the processor reports the input; read with their captions from the start.
    NameInfoTexts();
    return true;
}

std::intptr_t CFrameDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CFrameDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kSyncModeId, &CFrameDlg::OnSyncMode),
        Map::Command(kConvertModeId, &CFrameDlg::OnConvertMode),
        Map::Message(WM_DEVICE_REPLY, &CFrameDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CFrameDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void CFrameDlg::ApplyLanguage() {
    CBaseDialog::ApplyLanguage();
    // The setting group is captioned by the key of its first mode button, as the language
    // files have always been written for it.
    const std::string caption = GetLangString("IDD189_1049");
    if (!caption.empty())
        m_settingGroup->setTitle(QString::fromStdString(caption));
    NameInfoTexts();
}

// ---- showing

void CFrameDlg::ShowMode(FrameMode mode) {
    m_shownMode = mode;
    const bool sync = mode == FrameMode::Sync;
    const QColor orange = QColor::fromRgba(theme::kOrange);
    const QColor inactive = QColor::fromRgba(theme::kInactive);
    m_syncMode->setChecked(sync);
    m_convertMode->setChecked(!sync);
    m_syncMode->SetTextColour(sync ? orange : inactive);
    m_convertMode->SetTextColour(sync ? inactive : orange);
    // The output's frame rate is shown in frame sync mode only.
    m_outputLabel->setVisible(sync);
    m_outputText->setVisible(sync);
}

void CFrameDlg::RefreshTexts() {
    const FrameInfoTexts texts = FrameInfo(m_context.State());
    m_inputText->setText(QString::fromStdString(texts.input));
    m_outputText->setText(QString::fromStdString(texts.output));
    NameInfoTexts();
    m_infoGroup->update();
}

void CFrameDlg::NameInfoTexts() {
    auto name = [](QLabel* text, const QLabel* caption) {
        const QString captionText = WithoutMnemonic(caption->text()).trimmed();
        text->setAccessibleName((captionText + u' ' + text->text()).trimmed());
    };
    name(m_inputText, m_inputLabel);
    name(m_outputText, m_outputLabel);
}

// ---- changing the mode

void CFrameDlg::OnSyncMode() {
    ChangeMode(FrameMode::Sync);
}

void CFrameDlg::OnConvertMode() {
    ChangeMode(FrameMode::Convert);
}

void CFrameDlg::ChangeMode(FrameMode mode) {
    const std::string title = MessageText(kMsgFrameSyncSettings);
    if (m_context.State().linkState != kLinkSynchronised) {
        m_context.ShowMessage(title, MessageText(kMsgOpenSerial), CMessageboxDlg::kModeInformation);
        return;
    }
    const int question = mode == FrameMode::Sync ? kMsgSetFrameSyncMode : kMsgSetFrameTransformMode;
    if (m_context.ShowMessage(title, MessageText(question), CMessageboxDlg::kModeQuestion) != IDOK)
        return;
    // The state holds the mode sent, as after every change the operator makes (the edit history
    // takes its earlier value from there). The link may have gone while the operator answered:
    // then nothing was sent, and nothing changes (no wait for an answer that cannot come).
    std::uint32_t& stateMode = m_context.State().crop.frameMode;
    const std::uint32_t earlier = stateMode;
    stateMode = static_cast<std::uint32_t>(mode);
    if (SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdFrameMode, static_cast<std::intptr_t>(mode)) != 0) {
        stateMode = earlier;
        m_context.ShowMessage(title, MessageText(kMsgOpenSerial), CMessageboxDlg::kModeInformation);
        return;
    }
    ShowMode(mode);
    // The frame-rate warning goes; the processor's acknowledgement raises it again.
    if (MessageWindow* main = m_context.WindowOf(Window::MainWindow))
        PostWindowMessage(main, WM_LINK_EVENT, kEventStatus, 0);
    m_waitText = Tr("Set Frame Mode...", "设置帧模式...");
    m_context.ShowWait(m_waitText);
    m_context.StopKeepAlive();
}

// ---- the processor

std::intptr_t CFrameDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    // The index of a mode record is the mode the processor reports.
    if (code == kReplyCrop)
        if (const std::optional<FrameMode> mode = FrameModeOf(index))
            ShowMode(*mode);
    if (code == kReplyInputStatus)
        RefreshTexts();
    else if (IsFrameModeAnswer(code, index))
        EndOwnWait();
    return 0;
}

void CFrameDlg::EndOwnWait() {
    // The processor answers a frame mode with acknowledgement 8, which does not end a wait by
    // itself (it only raises the frame-rate warning): the page ends its own wait on the first
    // answer, and only while that wait is the one showing.
    if (m_waitText.empty() || !m_context.EndWait(m_waitText))
        return;
    m_waitText.clear();
    m_context.RestartKeepAlive();
}

std::intptr_t CFrameDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    const std::optional<corvane::Frame> f = FrameModeCommand(m_context.State().linkState, code, argument);
    if (!f)
        return -1;
    m_context.SendToDevice(f->data(), f->size());
    return 0;
}

} // namespace corvane
