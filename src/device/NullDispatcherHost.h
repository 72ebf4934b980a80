#pragma once

// A DispatcherHost that does nothing: for benchmarks and tools that only want DeviceState
// filled from records.

#include "device/ReplyDispatcher.h"

namespace corvane {

class NullDispatcherHost : public DispatcherHost {
public:
    std::intptr_t SendMessageTo(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    void PostMessageTo(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    void StartTimer(int, std::chrono::milliseconds) override {}
    void StopTimer(int) override {}
    void HideWait() override {}
    void SendToDevice(const std::uint8_t*, std::size_t) override {}
    void Pause(std::chrono::milliseconds) override {}
    void RefreshConnectDialog() override {}
    void RedrawConnectDialog() override {}
    bool ConnectDialogShownAutomatically() override { return false; }
    void HideConnectDialog() override {}
    bool UpgradeDialogExists() override { return false; }
    OutputPagePick OutputPageSelection(int) override { return {}; }
    void OutputPageRefresh(int) override {}
    void OutputPageRedrawPreview() override {}
};

} // namespace corvane
