#include "mainwindow/CWificonfigDlg.h"

#include "device/DeviceState.h"
#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "misc/WifiSettings.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/SystemMessages.h"
#include "shell/Language.h"
#include "ui_dialog191.h"
#include "widgets/CMyEdit.h"
#include "widgets/Theme.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

namespace {

// The small eye beside the password: open while the password shows, struck through while it
// is masked.
class CEyeButton : public QAbstractButton {
public:
    explicit CEyeButton(QWidget* parent) : QAbstractButton(parent) {
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor colour =
            QColor::fromRgba(underMouse() || hasFocus() ? theme::kOrange : theme::kInactive);
        const QRectF r = QRectF(rect()).adjusted(3, 5, -3, -5);
        QPainterPath eye;
        eye.moveTo(r.left(), r.center().y());
        eye.quadTo(r.center().x(), r.top() - r.height() * 0.45, r.right(), r.center().y());
        eye.quadTo(r.center().x(), r.bottom() + r.height() * 0.45, r.left(), r.center().y());
        p.setPen(QPen(colour, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(eye);
        p.setBrush(colour);
        const double pupil = r.height() * 0.32;
        p.drawEllipse(r.center(), pupil, pupil);
        if (!isChecked())
            p.drawLine(QPointF(r.left() + 2, r.bottom() + 2), QPointF(r.right() - 2, r.top() - 2));
    }
};

} // namespace

CWificonfigDlg::CWificonfigDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::FloatingChild), m_context(context) {
    Ui::Dialog191 ui;
    ui.setupUi(this);
    m_address = ui.ip;
    m_ssid = ui.ssid;
    m_password = ui.password;
    // Masked with "●" whatever the style would choose.
    m_password->setStyleSheet(
        QStringLiteral("lineedit-password-character: %1;").arg(static_cast<int>(kMaskCharacter)));
    m_password->setEchoMode(QLineEdit::Password);
    auto* eye = new CEyeButton(this);
    SetControlId(eye, kEyeId);
    eye->setAccessibleName(QStringLiteral("Show or hide the password"));
    const QRect field = m_password->geometry();
    eye->setGeometry(field.right() + 6, field.top(), 28, field.height());
    m_eye = eye;
    for (CMyEdit* field : {m_address, m_ssid, m_password})
        field->installEventFilter(this);
    // Closing it only hides it: it is no page of a tab.
    SetNotifyParentOnClose(false);
    hide();
}

bool CWificonfigDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    ShowSettings();
    return true;
}

std::intptr_t CWificonfigDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CWificonfigDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kApplyId, &CWificonfigDlg::OnApply),
        Map::Command(kEyeId, &CWificonfigDlg::OnEye),
        Map::Message(WM_DEVICE_REPLY, &CWificonfigDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CWificonfigDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void CWificonfigDlg::ShowSettings() {
    for (CMyEdit* field : {m_address, m_ssid, m_password})
        field->RefreshText(QString::fromStdString(StateText(field)));
}

std::string CWificonfigDlg::StateText(const CMyEdit* field) const {
    const WifiConfig& wifi = m_context.State().wifi;
    if (field == m_address)
        return wifi.ip;
    return field == m_ssid ? wifi.ssid : wifi.password;
}

bool CWificonfigDlg::eventFilter(QObject* watched, QEvent* event) {
    for (CMyEdit* field : {m_address, m_ssid, m_password}) {
        if (watched != field)
            continue;
        // Esc drops what was typed; leaving the field with its text as it was shown ends an edit
        // that changed nothing. Either way the field shows what the processor reported last.
        // Leaving it changed keeps the typing for Apply.
        const bool escape =
            event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        const bool leftUnchanged = event->type() == QEvent::FocusOut && !field->Changed();
        if (escape || leftUnchanged)
            field->ShowText(QString::fromStdString(StateText(field)));
        break; // the field goes on with the event (Esc also selects its text)
    }
    return CBaseDialog::eventFilter(watched, event);
}

void CWificonfigDlg::OnEye() {
    m_passwordShown = !m_passwordShown;
    m_eye->setChecked(m_passwordShown);
    m_password->setEchoMode(m_passwordShown ? QLineEdit::Normal : QLineEdit::Password);
    m_password->update();
    m_eye->update();
}

void CWificonfigDlg::OnApply() {
    const WifiCheck check = CheckWifiSettings(m_address->text().toStdString(), m_ssid->text().toStdString(),
                                              m_password->text().toStdString());
    const std::string refusal =
        WifiApplyRefusal(m_context.State().linkState == kLinkSynchronised, check.problem);
    if (!refusal.empty()) {
        m_context.ShowMessage(MessageText(kMsgTips), refusal, CMessageboxDlg::kModeInformation);
        return;
    }
    m_context.State().wifi = check.settings;
    for (CMyEdit* field : {m_address, m_ssid, m_password})
        field->ShowText(QString::fromStdString(StateText(field)));
    if (SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdWifi, 0) != 0)
        return;
    if (MessageWindow* main = m_context.WindowOf(Window::MainWindow))
        PostWindowMessage(main, WM_LINK_EVENT, kEventStatus, 0);
    m_context.ShowWait(Tr("Set WIFI Configure...", "WIFI 配置设置..."));
    m_context.StopKeepAlive();
}

std::intptr_t CWificonfigDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t) {
    if (code == kReplyWifi)
        ShowSettings();
    return 0;
}

std::intptr_t CWificonfigDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t) {
    if (m_context.State().linkState != kLinkSynchronised || code != kCmdWifi)
        return -1;
    const std::optional<corvane::Frame> f = BuildWifiFrame(m_context.State().wifi);
    if (!f)
        return -1;
    m_context.SendToDevice(f->data(), f->size());
    return 0;
}

} // namespace corvane
