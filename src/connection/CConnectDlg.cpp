#include "connection/CConnectDlg.h"

#include "connection/LinkLog.h"
#include "connection/PortListRules.h"
#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/PortDiscovery.h"
#include "pages/MainWindowCalls.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "shell/Config.h"
#include "shell/Language.h"
#include "ui_dialog163.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/DialogTexts.h"
#include "widgets/LampPainter.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QPainter>
#include <algorithm>

Q_LOGGING_CATEGORY(lcLink, "corvane.link")

namespace corvane {

namespace {

// The port list: 10 pixels right of the "Com" label, at its top.
constexpr int kPortListGap = 10;
constexpr int kPortListWidth = 80;
constexpr int kPortListHeight = 22;
constexpr int kLampSize = 14;
constexpr int kLampTextGap = 10;

QString PortName(std::uint32_t port) {
    return QStringLiteral("COM%1").arg(port);
}

} // namespace

CConnectDlg::CConnectDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::FloatingChild), m_context(context), m_session(context.Session()) {
    Ui::Dialog163 ui;
    ui.setupUi(this);
    m_group = ui.group;
    m_comLabel = ui.comLabel;
    m_baud = ui.baud;
    m_connect = ui.connect;
    m_disconnect = ui.disconnect;
    m_refresh = ui.refresh;
    // Closing only hides the dialog; the main window is not told.
    SetNotifyParentOnClose(false);
    // Created hidden: shown on demand, by the port search or when the link is lost.
    hide();
}

CConnectDlg::~CConnectDlg() = default;

bool CConnectDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    const QRect label = m_comLabel->geometry();
    m_portList = new CDropButton(this);
    SetControlId(m_portList, kPortListId);
    m_portList->setGeometry(label.x() + label.width() + kPortListGap, label.y(), kPortListWidth,
                            kPortListHeight);
    m_portList->setText(QStringLiteral("N/A"));
    m_portList->show();

    // The field shows the configured rate as it is, even outside the rates the search uses:
    // that is the rate Connect opens the port at and saves again.
    const BaudField baud = BaudFieldFor(m_context.Settings().comBaudRate, kBaudMin, kBaudMax);
    m_baud->Setup(QStringLiteral("%d"), false, baud.low, baud.high, baud.value);

    FillPortList();
    m_autoText = QString::fromStdString(Tr("Auto connect...", "自动连接..."));
    UpdateControls();
    return true;
}

std::intptr_t CConnectDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CConnectDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kConnectId, &CConnectDlg::OnConnect),
        Map::Command(kDisconnectId, &CConnectDlg::OnDisconnect),
        Map::Command(kRefreshId, &CConnectDlg::OnRefresh),
        Map::Message(WM_TRY_PORT, &CConnectDlg::OnTryPort),
        Map::Message(WM_PORT_CLOSED, &CConnectDlg::OnPortClosed),
        Map::Message(WM_DEVICE_REPLY, &CConnectDlg::OnDeviceReply),
        Map::Timer(kTimerLamp, &CConnectDlg::OnLampTimer),
    };
    return map.Dispatch(*this, message);
}

void CConnectDlg::ApplyLanguage() {
    ApplyDialogTexts(this, kDialogId);
    const std::string group = GetLangString("IDD163_1370");
    if (!group.empty())
        m_group->setTitle(QString::fromStdString(group));
    m_autoText = QString::fromStdString(Tr("Auto connect...", "自动连接..."));
    update();
}

void CConnectDlg::ClosePage() {
    m_session.DialogClosedByOperator();
    ShowPage(false);
}

void CConnectDlg::ShowFromStatusArea() {
    m_session.DialogOpenedByOperator();
    ShowCentred();
}

bool CConnectDlg::ShownAutomatically() const {
    return !isHidden() && !m_session.Link().openedByUser;
}

void CConnectDlg::UpdateControls() {
    const PortControls controls = ControlsFor(m_context.State().linkState != kLinkClosed);
    if (m_portList)
        m_portList->setEnabled(controls.list);
    m_connect->setEnabled(controls.connect);
    m_disconnect->setEnabled(controls.disconnect);
    m_baud->setEnabled(controls.baud);
    update();
}

void CConnectDlg::FillPortList() {
    if (!m_portList)
        return;
    const std::uint32_t selected = SelectedPort();
    std::vector<SerialPortEntry> entries;
    if (!EnumerateSerialPorts(entries)) {
        ShowNoPorts();
        return;
    }
    SetPorts(entries);
    m_portList->SetCurSel(LineToSelect(m_ports, m_context.State().linkState != kLinkClosed,
                                       m_session.Link().lastPort, selected, m_context.Settings().comPortNum));
}

std::uint32_t CConnectDlg::SelectedPort() const {
    if (!m_portList)
        return 0;
    const int line = m_portList->GetCurSel();
    if (line < 0 || static_cast<std::size_t>(line) >= m_ports.size())
        return 0;
    return m_ports[static_cast<std::size_t>(line)];
}

QRect CConnectDlg::LampRect() const {
    // Below the group, at the height of the middle of the room left under it.
    const QRect group = m_group->geometry();
    const int room = height() - (group.bottom() + 1);
    const int y = group.bottom() + 1 + std::max(0, (room - kLampSize) / 2);
    return QRect(group.x() + 14, y, kLampSize, kLampSize);
}

QString CConnectDlg::AutoConnectText() const {
    const LinkMembers& link = m_session.Link();
    if (ShowsAutoConnect(link.idle, link.connected))
        return m_autoText;
    return {};
}

void CConnectDlg::paintEvent(QPaintEvent* event) {
    CBaseDialog::paintEvent(event);
    QPainter p(this);
    const QRect lamp = LampRect();
    if (m_session.Link().connected) {
        PaintLamp(p, lamp, LampPhase::Green, LampStyle::Plain);
    } else {
        // Blinks with the main window's lamp. Drawn again when timer 6 fires.
        const auto* main = m_context.CallsOf<MainWindowCalls>(Window::MainWindow);
        PaintLamp(p, lamp, main && main->LampRedPhase() ? LampPhase::Red : LampPhase::Dark, LampStyle::Plain);
        if (!IsTimerActive(kTimerLamp))
            SetTimer(kTimerLamp, kLampPeriodMs);
    }
    const QString text = AutoConnectText();
    if (!text.isEmpty()) {
        p.setFont(theme::ControlFont());
        p.setPen(QColor(theme::kStaticText));
        const int left = lamp.right() + 1 + kLampTextGap;
        p.drawText(QRect(left, lamp.center().y() - 10, m_group->geometry().right() - left, 20),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
}

void CConnectDlg::OnLampTimer() {
    KillTimer(kTimerLamp);
    update(LampRect());
}

void CConnectDlg::OnConnect() {
    const std::uint32_t port = SelectedPort();
    if (ConnectNeedsAPort(m_context.State().linkState != kLinkClosed, port)) {
        Message(kMsgConnectionSetting, MessageText(kMsgSelectSerialNumber));
        return;
    }
    const auto baud = static_cast<std::uint32_t>(m_baud->GetValue());
    switch (m_session.Connect(port, baud, Line(), MessageText(kMsgGettingData))) {
    case LinkSession::ConnectResult::Resynchronising:
        qCDebug(lcLink) << "connect: the port is open, requesting the state again";
        return;
    case LinkSession::ConnectResult::OpenFailed: {
        const std::string cause = m_session.OpenErrorText();
        qCWarning(lcLink).noquote() << "connect:" << PortName(port) << "at" << baud
                                    << "baud could not be opened:" << QString::fromStdString(cause);
        Message(kMsgConnectionSetting, MessageText(kMsgOpenSerialFailed) + "\n" + cause);
        return;
    }
    case LinkSession::ConnectResult::Opened:
        break;
    }
    qCDebug(lcLink).noquote() << "connect:" << PortName(port) << "opened at" << baud << "baud";
    UpdateControls();
    SaveComSettings(port, baud);
}

void CConnectDlg::OnDisconnect() {
    ClosePort(true);
}

void CConnectDlg::OnRefresh() {
    FillPortList();
}

std::intptr_t CConnectDlg::OnTryPort(std::uintptr_t baud, std::intptr_t port) {
    const auto number = static_cast<std::uint32_t>(port);
    if (!m_session.TryPort(number, static_cast<std::uint32_t>(baud), Line())) {
        qCDebug(lcLink).noquote() << "automatic attempt:" << PortName(number) << "at" << baud
                                  << "baud could not be opened:"
                                  << QString::fromStdString(m_session.OpenErrorText());
        return -1;
    }
    qCDebug(lcLink).noquote() << "automatic attempt:" << PortName(number) << "opened at" << baud << "baud";

    // The ports may have come and gone since the list was made.
    std::vector<SerialPortEntry> entries;
    if (!EnumerateSerialPorts(entries)) {
        ShowNoPorts();
    } else if (RebuildAfterAttempt(m_ports.size(), entries.size())) {
        SetPorts(entries);
        m_portList->SetCurSel(LineAfterAttempt(m_ports, number));
    }
    // The port is open now, whether or not the list changed.
    UpdateControls();
    if (ComesUpByItself(isHidden(), m_session.Link().hiddenByUser))
        ShowCentred();
    return 0;
}

std::intptr_t CConnectDlg::OnPortClosed(std::uintptr_t, std::intptr_t) {
    if (ComesUpByItself(isHidden(), m_session.Link().hiddenByUser)) {
        FillPortList();
        ShowCentred();
    }
    ClosePort(false);
    return 0;
}

std::intptr_t CConnectDlg::OnDeviceReply(std::uintptr_t, std::intptr_t port) {
    if (port > 0) {
        qCDebug(lcLink).noquote() << "synchronised on" << PortName(static_cast<std::uint32_t>(port)) << "at"
                                  << m_session.Link().baudRate << "baud";
        SelectPort(static_cast<std::uint32_t>(port));
    }
    return 0;
}

void CConnectDlg::ClosePort(bool byUser) {
    if (m_session.PortOpen())
        qCDebug(lcLink) << (byUser ? "disconnect: closing the port" : "link lost: closing the port");
    m_session.ClosePort(byUser);
    UpdateControls();
}

void CConnectDlg::SetPorts(const std::vector<SerialPortEntry>& entries) {
    m_portList->ResetContent();
    m_ports.clear();
    for (const SerialPortEntry& entry : entries) {
        m_portList->AddString(QString::fromStdString(entry.name));
        m_ports.push_back(entry.number);
    }
}

void CConnectDlg::ShowNoPorts() {
    m_portList->ResetContent();
    m_ports.clear();
    m_portList->setText(QStringLiteral("N/A"));
    m_portList->update();
}

bool CConnectDlg::SelectPort(std::uint32_t port) {
    const int line = LineOfPort(m_ports, port);
    if (line >= 0)
        m_portList->SetCurSel(line);
    return line >= 0;
}

void CConnectDlg::ShowCentred() {
    if (QWidget* owner = parentWidget(); owner && !isWindow())
        move((owner->width() - width()) / 2, (owner->height() - height()) / 2);
    ShowPage(true);
    raise();
}

void CConnectDlg::SaveComSettings(std::uint32_t port, std::uint32_t baud) {
    Config& config = m_context.Settings();
    config.comPortNum = port;
    config.comBaudRate = baud;
    if (!m_context.SaveSettings())
        qCWarning(lcLink) << "the port settings could not be saved";
}

LineSettings CConnectDlg::Line() const {
    return PortLineSettings(m_context.Settings());
}

void CConnectDlg::Message(int titleId, const std::string& text) {
    m_context.ShowMessage(MessageText(titleId), text);
}

} // namespace corvane
