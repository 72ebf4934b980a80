#include "mainwindow/MainServices.h"

#include "connection/CConnectDlg.h"
#include "connection/LinkLog.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/PortDiscovery.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/CStatusArea.h"
#include "mainwindow/MainLog.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "shell/Config.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "shell/SerialAccessHelp.h"
#include "upgrade/CProgressDlg.h"
#include "upgrade/CUpdataDlg.h"

#include <QStringList>
#include <QThread>

namespace corvane {

namespace {

QString Hex(const std::uint8_t* p, std::size_t n) {
    return QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n)).toHex(' ');
}

void CentreOn(QWidget* child, const QWidget* parent) {
    const QPoint centre = parent->rect().center();
    child->move(centre.x() - child->width() / 2, centre.y() - child->height() / 2);
}

} // namespace

MainServices::MainServices(CCorvaneApp& app, CMainDlg& main)
    : m_app(app), m_main(main), m_port(app.link), m_session(app.state, *this, &m_port),
      m_dispatcher(app.state, m_session, *this, &m_picks), m_supervision(m_session, *this),
      m_edits(app.state) {
    m_edits.SetReplayTarget(&m_replay);
}

void MainServices::StartTakingRecords() {
    m_acceptRecords = true;
    m_app.link.SetOwner(this);
}

void MainServices::StartWatchingPorts() {
    const SerialPortSources sources = CurrentSerialPortSources();
    // What goes wrong with a source of the watcher, and what it does about it.
    m_portWatcher.SetLog(
        [](const std::string& line) { qCWarning(lcLink).noquote() << QString::fromStdString(line); });
    m_portWatcher.AddSystemSources(sources.portsFolder, static_cast<bool>(sources.devices));
    m_supervision.OnPortListChanged(SerialPortNumbers());
    MessageWindow* main = &m_main;
    const auto changed = [main] { PostWindowMessage(main, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0); };
    if (!m_portWatcher.Start(changed)) {
        // Windows tells the windows themselves (WM_DEVICECHANGE).
        if (m_deviceMessages.Start(changed)) {
            qCDebug(lcMain) << "watching the serial ports: the system's device messages (WM_DEVICECHANGE)";
            return;
        }
        qCWarning(lcMain)
            << "the serial ports are not watched: new ports are found by the search's walk only";
        return;
    }
    for (const std::string& source : m_portWatcher.Describe())
        qCDebug(lcMain).noquote() << "watching the serial ports:" << QString::fromStdString(source);
}

void MainServices::OnDeviceChange() {
    const std::vector<int> ports = SerialPortNumbers();
    QStringList names;
    for (int port : ports)
        names << QStringLiteral("COM%1").arg(port);
    qCDebug(lcMain).noquote() << "the serial ports changed:"
                              << (names.isEmpty() ? QStringLiteral("none") : names.join(' '));
    m_main.ConnectDialog()->FillPortList();
    m_supervision.OnPortListChanged(ports);
}

void MainServices::OfferSerialAccessHelp() {
    const SerialPortSources sources = CurrentSerialPortSources();
    if (!sources.devices || m_app.configPath.empty())
        return;
    std::vector<std::string> paths;
    for (const std::string& device : sources.devices())
        paths.push_back("/dev/" + device);
    const SerialAccess access = CheckSerialAccess(paths);
    if (!SerialAccessHelpDue(access, m_app.configPath))
        return;
    qCWarning(lcMain).noquote() << "this user may not open the serial ports; they belong to the group"
                                << QString::fromStdString(access.group);
    ShowMessage(MessageText(kMsgTips), SerialAccessHelpText(access.group, CurrentUserName()));
    if (!MarkSerialAccessHelpAnswered(m_app.configPath))
        qCWarning(lcMain) << "the answer to the serial port help could not be written to Config.ini";
}

void MainServices::ShutDownLink() {
    m_portWatcher.Stop();
    m_deviceMessages.Stop();
    m_acceptRecords = false;
    m_app.link.SetOwner(nullptr);
    m_app.link.Close();
}

void MainServices::OnDeviceRecord(const std::uint8_t* record) {
    TrySendWindowMessage(&m_main, WM_RECORD_RECEIVED, reinterpret_cast<std::uintptr_t>(record), 0);
}

void MainServices::OnReadBackBlock(const std::uint8_t* block) {
    TrySendWindowMessage(&m_main, WM_READBACK_RECEIVED, reinterpret_cast<std::uintptr_t>(block), 0);
}

void MainServices::OnPortClosed() {
    TrySendWindowMessage(&m_main, WM_LINK_PORT_CLOSED, m_app.link.ReportedOpening(), 0);
}

void MainServices::OnWriteLeft(std::uint64_t ticket, bool complete, std::uint32_t status) {
    // Posted, not sent: the worker goes on at once, and the dialog takes the report in the
    // order of the link's other messages.
    PostWindowMessage(&m_main, WM_LINK_WRITE_LEFT, static_cast<std::uintptr_t>(ticket),
                      complete ? kWriteLeftWhole : static_cast<std::intptr_t>(status));
}

void MainServices::OnLinkWriteLeft(std::uintptr_t ticket, std::intptr_t result) {
    if (auto* upgrade = dynamic_cast<CUpdataDlg*>(m_upgradeDialog))
        upgrade->OnWriteLeft(ticket, result == kWriteLeftWhole,
                             result == kWriteLeftWhole ? 0 : static_cast<std::uint32_t>(result));
}

bool MainServices::TransferRunning() const {
    const auto* upgrade = dynamic_cast<const CUpdataDlg*>(m_upgradeDialog);
    return upgrade && upgrade->OwnsLine();
}

void MainServices::OnLinkPortClosed(std::uint32_t opening) {
    if (opening != m_app.link.Openings()) {
        // The read of a port closed on purpose reports it after the next opening (an attempt
        // given up for a new port): the port open now is not concerned.
        qCDebug(lcMain) << "a close report of an earlier opening is dropped";
        return;
    }
    SendWindowMessage(m_main.ConnectDialog(), WM_PORT_CLOSED, 0, 0);
}

std::intptr_t MainServices::OnReceived(const WindowMessage& message) {
    if (message.message == WM_READBACK_RECEIVED) {
        m_session.Link().keepAliveCount = 0;
        if (auto* upgrade = dynamic_cast<CUpdataDlg*>(m_upgradeDialog))
            upgrade->OnReadBackBlock(reinterpret_cast<const std::uint8_t*>(message.wParam));
        return 0;
    }
    if (!m_acceptRecords)
        return 0;
    const auto* r = reinterpret_cast<const std::uint8_t*>(message.wParam);
    qCDebug(lcTraffic).noquote() << "rx" << Hex(r, kFrameSize);
    const bool wasSynchronised = m_app.state.linkState == kLinkSynchronised;
    const int handled = m_dispatcher.OnDeviceRecord(r);
    // The processor's values move the edit history's view of them; a new synchronisation
    // empties the history (the processor's state may have changed meanwhile).
    m_edits.Reported(r);
    if (!wasSynchronised && m_app.state.linkState == kLinkSynchronised)
        m_edits.Synchronised();
    return handled;
}

DeviceState& MainServices::State() {
    return m_app.state;
}

Config& MainServices::Settings() {
    return m_app.config;
}

bool MainServices::SaveSettings() {
    if (m_app.configPath.empty())
        return true; // no Config.ini (tests): nothing to write
    return SaveConfig(m_app.configPath, m_app.config, m_app.state.presets);
}

std::string MainServices::DataFolder() const {
    return m_app.dataFolder;
}

void MainServices::SendToDevice(const std::uint8_t* data, std::size_t length) {
    qCDebug(lcTraffic).noquote() << "tx" << Hex(data, length);
    m_app.SendToDevice(data, length);
    if (m_app.state.linkState == kLinkSynchronised && !TransferRunning())
        m_edits.Sent(data, length);
}

LineSend MainServices::SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) {
    qCDebug(lcTraffic).noquote() << "tx"
                                 << (length == kFrameSize ? Hex(data, length)
                                                          : QStringLiteral("%1 bytes").arg(length));
    return m_app.link.SendOnLine(data, length, ticket);
}

void MainServices::ReleaseLine() {
    if (const std::uint64_t held = m_app.link.HeldBack(); held != m_heldBackLogged) {
        qCInfo(lcMain) << held - m_heldBackLogged
                       << "frames were held back while the firmware transfer owned the line";
        m_heldBackLogged = held;
    }
    m_app.link.ReleaseLine();
}

void MainServices::ShowWait(const std::string& text) {
    CProgressDlg* wait = m_main.WaitOverlay();
    wait->SetWaitText(QString::fromStdString(text));
    CentreOn(wait, &m_main);
    wait->show();
    wait->raise();
    m_main.SetInteractive(false);
    m_main.SetTimer(kTimerWait, kWaitTimeoutMs);
}

void MainServices::HideWait() {
    CProgressDlg* wait = m_main.WaitOverlay();
    if (wait->isVisible()) {
        wait->hide();
        m_main.SetInteractive(true);
    }
    CentreOn(wait, &m_main);
}

bool MainServices::WaitShown() const {
    const CProgressDlg* wait = m_main.WaitOverlay();
    return wait && wait->isVisible();
}

bool MainServices::EndWait(const std::string& text) {
    const CProgressDlg* wait = m_main.WaitOverlay();
    if (!wait || !wait->isVisible() || wait->WaitText() != QString::fromStdString(text))
        return false;
    m_main.KillTimer(kTimerWait);
    HideWait();
    return true;
}

void MainServices::RequestAll() {
    m_session.RequestAll();
}

void MainServices::StopKeepAlive() {
    m_main.KillTimer(kTimerKeepAlive);
}

void MainServices::RestartKeepAlive() {
    m_main.SetTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
}

int MainServices::ShowMessage(const std::string& title, const std::string& text, std::uint32_t mode) {
    return ShowMessageBox(&m_main, title, text, mode);
}

std::string MainServices::LanguageName() const {
    return GetLanguageSetting();
}

void MainServices::SetOpenWindow(Window window, MessageWindow* open) {
    if (window == Window::UpgradeDialog)
        m_upgradeDialog = open;
}

std::string MainServices::UpgradeFolder() const {
    return m_app.upgradeFolder;
}

void MainServices::SetReadBackExpected(bool expected) {
    m_app.link.SetReadBackExpected(expected);
}

MessageWindow* MainServices::WindowOf(Window window) {
    if (window == Window::MainWindow)
        return &m_main;
    if (window == Window::UpgradeDialog)
        return m_upgradeDialog;
    return m_main.Pages().Find(window);
}

std::intptr_t MainServices::SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) {
    MessageWindow* target = WindowOf(window);
    return target ? SendWindowMessage(target, message, wParam, lParam) : 0;
}

void MainServices::PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    if (MessageWindow* target = WindowOf(window))
        PostWindowMessage(target, message, wParam, lParam);
}

bool MainServices::WindowExists(Window window) {
    return WindowOf(window) != nullptr;
}

void MainServices::StartTimer(int id, std::chrono::milliseconds period) {
    m_main.SetTimer(id, period);
}

void MainServices::StopTimer(int id) {
    m_main.KillTimer(id);
}

void MainServices::Pause(std::chrono::milliseconds duration) {
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

void MainServices::RefreshConnectDialog() {
    m_main.ConnectDialog()->UpdateControls();
}

void MainServices::RedrawConnectDialog() {
    m_main.ConnectDialog()->update();
}

bool MainServices::ConnectDialogShownAutomatically() {
    return m_main.ConnectDialog()->ShownAutomatically();
}

void MainServices::HideConnectDialog() {
    m_main.ConnectDialog()->hide();
}

void MainServices::RedrawStatusArea() {
    if (CStatusArea* status = m_main.StatusAreaWidget())
        status->update();
}

std::vector<int> MainServices::SerialPortNumbers() {
    std::vector<SerialPortEntry> ports;
    EnumerateSerialPorts(ports);
    std::vector<int> numbers;
    for (const SerialPortEntry& e : ports)
        numbers.push_back(static_cast<int>(e.number));
    return numbers;
}

void MainServices::WaitTimedOut() {
    qCWarning(lcMain) << "no answer from the processor within" << kWaitTimeoutMs.count()
                      << "ms: closing the port";
    PostWindowMessage(&m_main, WM_LINK_EVENT, kEventWaitTimedOut, 0);
}

void MainServices::Trace(const std::string& line) {
    qCDebug(lcMain).noquote() << QString::fromStdString(line);
}

} // namespace corvane
