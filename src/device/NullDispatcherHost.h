#pragma once

// A host that does nothing: for the fuzz target, the benchmarks and tests that only want
// DeviceState filled from records.

#include "device/DispatcherHost.h"

namespace corvane {

class NullDispatcherHost : public SupervisionHost {
public:
    std::intptr_t SendMessageTo(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    void PostMessageTo(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    bool WindowExists(Window) override { return false; }
    void StartTimer(int, std::chrono::milliseconds) override {}
    void StopTimer(int) override {}
    void ShowWait(const std::string&) override {}
    void HideWait() override {}
    void SendToDevice(const std::uint8_t*, std::size_t) override {}
    void Pause(std::chrono::milliseconds) override {}
    void RefreshConnectDialog() override {}
    void RedrawConnectDialog() override {}
    bool ConnectDialogShownAutomatically() override { return false; }
    void HideConnectDialog() override {}
    void RedrawStatusArea() override {}
    std::vector<int> SerialPortNumbers() override { return {}; }
    void WaitTimedOut() override {}
    void Trace(const std::string&) override {}
};

} // namespace corvane
