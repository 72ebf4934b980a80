#pragma once

// The main window as the pages see it, for the page suites: a PageContext that records what a
// page asks of it (frames sent, waits, requests, messages), a link session on the page's port,
// and a fake main window with its layer switches and status lamp. Other windows are played by
// RecordingPage objects registered under their Window id.

#include "WidgetTestSupport.h"
#include "device/DeviceState.h"
#include "device/EditRecorder.h"
#include "device/LinkSession.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyCodes.h"
#include "link/CommandFrame.h"
#include "pages/MainWindowCalls.h"
#include "pages/PageContext.h"
#include "shell/Config.h"

#include <array>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace corvane::test {

class FakeMainWindow : public RecordingPage, public MainWindowCalls {
public:
    // `state`: the layers whose `visible` the switches set (none: only recorded).
    explicit FakeMainWindow(DeviceState* state = nullptr) : m_state(state) {}

    bool LayerSwitchOn(int layer) const override { return switchOn[static_cast<std::size_t>(layer & 3)]; }
    void SetLayerSwitch(int layer, bool on) override;
    bool LampRedPhase() const override { return redPhase; }
    bool ShowBlendPage(bool show) override;

    std::array<bool, 4> switchOn{};
    std::vector<std::pair<int, bool>> switches; // every SetLayerSwitch, in order
    bool redPhase = true;
    std::vector<bool> blendRequests; // every ShowBlendPage, in order
    // What the main window does after a switch besides setting it (the layout page commits the
    // layer), when a test plays that part.
    std::function<void(int layer, bool on)> onLayerSwitch;

private:
    DeviceState* m_state;
};

class FakePageContext : public PageContext, public NullDispatcherHost {
public:
    FakePageContext(DeviceState& state, Config& config, SessionPort* port = nullptr);

    DeviceState& State() override { return m_state; }
    LinkSession& Session() override { return session; }
    OutputPicks& Picks() override { return picks; }
    Config& Settings() override { return m_config; }
    bool SaveSettings() override;
    std::string DataFolder() const override { return dataFolder; }
    void SendToDevice(const std::uint8_t* data, std::size_t length) override;
    // Recorded as SendToDevice does; `lineResult` is answered, and `onLineWrite` (when set) is
    // told of each write that was queued, so that a test can report its leaving.
    LineSend SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) override;
    void ReleaseLine() override { ++lineReleases; }
    // The edit history when a test set one (`edits`): what is sent while synchronised reaches it.
    EditRecorder* Edits() override { return edits; }
    void ShowWait(const std::string& text) override;
    void HideWait() override;
    bool WaitShown() const override { return waitShown; }
    bool EndWait(const std::string& text) override;
    void RequestAll() override;
    void StopKeepAlive() override { ++keepAliveStops; }
    void RestartKeepAlive() override { ++keepAliveRestarts; }
    int ShowMessage(const std::string& title, const std::string& text, std::uint32_t mode = 0) override;
    std::string LanguageName() const override;
    MessageWindow* WindowOf(Window window) override;
    void SetOpenWindow(Window window, MessageWindow* open) override;
    std::string UpgradeFolder() const override { return upgradeFolder; }
    void SetReadBackExpected(bool expected) override { readBackModes.push_back(expected); }

    // The session's side (DispatcherHost).
    void PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    std::intptr_t SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    bool WindowExists(Window window) override { return WindowOf(window) != nullptr; }
    void RedrawStatusArea() override { ++statusRedraws; }
    void Pause(std::chrono::milliseconds duration) override;

    LinkSession session;
    LinkMembers& link;
    OutputPicks picks;
    FakeMainWindow main;
    std::map<Window, MessageWindow*> windows; // the other windows a page may reach

    EditRecorder* edits = nullptr;
    std::vector<Frame> sent;
    std::vector<std::vector<std::uint8_t>> sentBytes; // every send whole (a preset file is 1039 bytes)
    std::vector<std::string> waitTexts;
    bool waitShown = false;
    int hideWaits = 0;
    int endedWaits = 0; // waits ended by EndWait (the overlay hidden, the time-out stopped)
    int requests = 0;   // full-state requests sent
    int statusRedraws = 0;
    int keepAliveStops = 0;
    int keepAliveRestarts = 0;
    int saves = 0;
    // Where sent bytes go besides `sent` (a real link), and how settings are saved.
    std::function<void(const std::uint8_t*, std::size_t)> onSend;
    std::function<void(std::uint64_t ticket)> onLineWrite;
    LineSend lineResult = LineSend::Queued;
    int lineWrites = 0;
    int lineReleases = 0;
    std::function<bool()> onSave;
    // Where the preset files are (none: every slot is empty and saving fails).
    std::string dataFolder;
    // Where the read-back file goes, and every switch of the link's read-back mode.
    std::string upgradeFolder;
    std::vector<bool> readBackModes;

private:
    DeviceState& m_state;
    Config& m_config;
};

} // namespace corvane::test
