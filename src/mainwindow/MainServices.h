#pragma once

// The services of the main window, in one place: what every page gets (PageContext) and what
// the link's core needs of the user interface (SupervisionHost). It owns the link session, the
// reply dispatcher and the link supervision, routes a message for a Window to the page of the
// page table that is that window, and runs the wait overlay and the main window's timers.

#include "device/LinkSession.h"
#include "device/LinkSupervision.h"
#include "device/OutputPicks.h"
#include "device/ReplyDispatcher.h"
#include "pages/PageContext.h"

namespace corvane {

class CCorvaneApp;
class CMainDlg;

class MainServices : public PageContext, public SupervisionHost {
public:
    MainServices(CCorvaneApp& app, CMainDlg& main);

    ReplyDispatcher& Dispatcher() { return m_dispatcher; }
    LinkSupervision& Supervision() { return m_supervision; }

    // PageContext (and the overlapping DispatcherHost operations).
    DeviceState& State() override;
    LinkSession& Session() override { return m_session; }
    OutputPicks& Picks() override { return m_picks; }
    Config& Settings() override;
    bool SaveSettings() override;
    void SendToDevice(const std::uint8_t* data, std::size_t length) override;
    void ShowWait(const std::string& text) override;
    void HideWait() override;
    bool WaitShown() const override;
    void RequestAll() override;
    void StopKeepAlive() override;
    void RestartKeepAlive() override;
    int ShowMessage(const std::string& title, const std::string& text, std::uint32_t mode = 0) override;
    std::string LanguageName() const override;
    MessageWindow* WindowOf(Window window) override;

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
};

} // namespace corvane
