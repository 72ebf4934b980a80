#pragma once

// The services of the main window, in one place: what every page gets (PageContext) and what
// the link's core needs of the user interface (SupervisionHost). It owns the link session, the
// reply dispatcher and the link supervision, routes a message for a Window to the page of the
// page table that is that window, and runs the wait overlay and the main window's timers.

#include "device/EditRecorder.h"
#include "device/LinkSession.h"
#include "device/LinkSupervision.h"
#include "device/OutputPicks.h"
#include "device/ReplyDispatcher.h"
#include "link/FXSerialPort.h"
#include "mainwindow/EditReplay.h"
#include "pages/PageContext.h"
#include "platform/PortWatcher.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DeviceMessages.h"
#include "platform/ui/MessageWindow.h"

namespace corvane {

class CCorvaneApp;
class CMainDlg;

// Private messages of the main window (not in the processor's protocol): a record or a
// read-back block handed over from the link's worker thread.
inline constexpr std::uint32_t WM_RECORD_RECEIVED = WM_USER + 700;   // wParam: pointer to 39 bytes
inline constexpr std::uint32_t WM_READBACK_RECEIVED = WM_USER + 701; // wParam: pointer to 1039 bytes
// Posted once the main window is up: the help when this user may not open the serial ports.
inline constexpr std::uint32_t WM_SERIAL_ACCESS_HELP = WM_USER + 702;
// The link reports a closed port; wParam: the opening it belongs to.
inline constexpr std::uint32_t WM_LINK_PORT_CLOSED = WM_USER + 703;
// A write of the firmware transfer has ended; wParam: its ticket, lParam: kWriteLeftWhole when
// all of it left the port, else the status it ended with.
inline constexpr std::uint32_t WM_LINK_WRITE_LEFT = WM_USER + 704;
inline constexpr std::intptr_t kWriteLeftWhole = -1;

class MainServices : public PageContext, public SupervisionHost, public LinkOwner {
public:
    MainServices(CCorvaneApp& app, CMainDlg& main);

    // The link hands its records to the main window from now on.
    void StartTakingRecords();
    // Stops taking records and closes the link. A worker handing a record over must not be
    // waiting for it: the application calls ShutDownWindowMessages() first.
    void ShutDownLink();
    // Watches the serial ports: when they may have changed (a device plugged in or pulled, a
    // Ports link made or removed), the main window gets WM_DEVICECHANGE.
    void StartWatchingPorts();
    // WM_LINK_PORT_CLOSED: the connection dialog closes the port, unless the report is of an
    // earlier opening than the one in use (the port was opened again meanwhile).
    void OnLinkPortClosed(std::uint32_t opening);
    // WM_DEVICECHANGE: the connection dialog's list follows and the search tries new ports.
    void OnDeviceChange();
    // WM_SERIAL_ACCESS_HELP: when serial devices exist but this user may open none of them,
    // the operator is told once (never again after an answer) how to be let in.
    void OfferSerialAccessHelp();
    // WM_RECORD_RECEIVED or WM_READBACK_RECEIVED, on the user-interface thread.
    std::intptr_t OnReceived(const WindowMessage& message);

    // LinkOwner: called on the serial link's worker thread; each record is handed to the
    // user-interface thread, which the worker waits for, so records are handled one at a time
    // in arrival order.
    void OnDeviceRecord(const std::uint8_t* record) override;
    void OnReadBackBlock(const std::uint8_t* block) override;
    void OnPortClosed() override;
    void OnWriteLeft(std::uint64_t ticket, bool complete, std::uint32_t status) override;
    // WM_LINK_WRITE_LEFT: to the upgrade dialog, when it is open.
    void OnLinkWriteLeft(std::uintptr_t ticket, std::intptr_t result);
    // A firmware transfer or read-back owns the serial line.
    bool TransferRunning() const;

    ReplyDispatcher& Dispatcher() { return m_dispatcher; }
    LinkSupervision& Supervision() { return m_supervision; }

    // PageContext (and the overlapping DispatcherHost operations).
    DeviceState& State() override;
    LinkSession& Session() override { return m_session; }
    OutputPicks& Picks() override { return m_picks; }
    Config& Settings() override;
    bool SaveSettings() override;
    std::string DataFolder() const override;
    void SendToDevice(const std::uint8_t* data, std::size_t length) override;
    LineSend SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) override;
    void ReleaseLine() override;
    void ShowWait(const std::string& text) override;
    void HideWait() override;
    bool WaitShown() const override;
    bool EndWait(const std::string& text) override;
    void RequestAll() override;
    void StopKeepAlive() override;
    void RestartKeepAlive() override;
    int ShowMessage(const std::string& title, const std::string& text, std::uint32_t mode = 0) override;
    std::string LanguageName() const override;
    MessageWindow* WindowOf(Window window) override;
    void SetOpenWindow(Window window, MessageWindow* open) override;
    std::string UpgradeFolder() const override;
    void SetReadBackExpected(bool expected) override;
    EditRecorder* Edits() override { return &m_edits; }

    // DispatcherHost
    std::intptr_t SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    void PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    bool WindowExists(Window window) override;
    void StartTimer(int id, std::chrono::milliseconds period) override;
    void StopTimer(int id) override;
    void Pause(std::chrono::milliseconds duration) override;
    void RefreshConnectDialog() override;
    void RedrawConnectDialog() override;
    bool ConnectDialogShownAutomatically() override;
    void HideConnectDialog() override;
    void RedrawStatusArea() override;
    // SupervisionHost
    std::vector<int> SerialPortNumbers() override;
    void WaitTimedOut() override;
    void Trace(const std::string& line) override;

private:
    CCorvaneApp& m_app;
    CMainDlg& m_main;
    OutputPicks m_picks;
    SerialSessionPort m_port;
    LinkSession m_session;
    ReplyDispatcher m_dispatcher;
    LinkSupervision m_supervision;
    EditRecorder m_edits;
    EditReplay m_replay{*this};
    bool m_acceptRecords = true;
    MessageWindow* m_upgradeDialog = nullptr; // while it is open
    std::uint64_t m_heldBackLogged = 0;       // frames held back so far, as the log told
    PortWatcher m_portWatcher;
    DeviceMessages m_deviceMessages; // Windows: WM_DEVICECHANGE in place of the watcher
};

} // namespace corvane
