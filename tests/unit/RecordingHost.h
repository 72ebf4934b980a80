#pragma once

// A DispatcherHost (and SupervisionHost) that records every effect, in order, as text such
// as "send LayoutPage DEVICE_REPLY(0xA8,1)" or "stop timer 2".

#include "device/DeviceState.h"
#include "device/DispatcherHost.h"
#include "device/OutputPicks.h"
#include "link/CommandFrame.h"

#include <string>
#include <vector>

namespace corvane::test {

using Effects = std::vector<std::string>;

class RecordingHost : public SupervisionHost {
public:
    std::intptr_t SendMessageTo(Window w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override;
    void PostMessageTo(Window w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override;
    bool WindowExists(Window w) override { return w != Window::UpgradeDialog || upgradeDialog; }
    void StartTimer(int id, std::chrono::milliseconds p) override;
    void StopTimer(int id) override;
    void HideWait() override { effects.push_back("HideWait"); }
    void SendToDevice(const std::uint8_t* data, std::size_t length) override;
    void Pause(std::chrono::milliseconds d) override;
    void RefreshConnectDialog() override { effects.push_back("refresh ConnectDialog"); }
    void RedrawConnectDialog() override { effects.push_back("redraw ConnectDialog"); }
    bool ConnectDialogShownAutomatically() override { return connectShownAutomatically; }
    void HideConnectDialog() override { effects.push_back("hide ConnectDialog"); }
    void RedrawStatusArea() override { effects.push_back("redraw StatusArea"); }

    void ShowWait(const std::string& text) override { effects.push_back("ShowWait " + text); }
    std::vector<int> SerialPortNumbers() override { return ports; }
    void WaitTimedOut() override { effects.push_back("WaitTimedOut"); }
    void Trace(const std::string& line) override { trace.push_back(line); }

    // Called for every synchronous send after it is recorded; its result is returned.
    std::intptr_t (*onSend)(RecordingHost&, Window, std::uint32_t, std::uintptr_t, std::intptr_t) = nullptr;

    Effects effects;
    std::vector<std::string> trace;
    std::vector<std::vector<std::uint8_t>> sent;
    bool connectShownAutomatically = false;
    bool upgradeDialog = false;
    OutputPicks picks; // handed to the dispatcher under test
    std::vector<int> ports;
    void* context = nullptr;
};

// Applies `record` to a fresh DeviceState with the application's dispatcher and returns the
// state: how a command frame reads when the processor answers in the same layout.
DeviceState StateAfterRecord(const Frame& record);

} // namespace corvane::test
