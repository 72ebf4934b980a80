// Random bytes from the processor: cut into records (split at fuzzer-chosen points, with
// read-back mode switched on and off) and applied to a DeviceState. Nothing may crash,
// hang, or leave the state with an index that points outside its arrays.

#include "device/ReplyDispatcher.h"
#include "link/RecordCutter.h"

#include <cstdlib>

using namespace corvane;

namespace {

class NullHost : public DispatcherHost {
public:
    std::intptr_t SendMessageTo(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    void PostMessageTo(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    void StartTimer(int, std::chrono::milliseconds) override {}
    void StopTimer(int) override {}
    void HideWait() override {}
    void SendToDevice(const std::uint8_t*, std::size_t length) override {
        if (length != kFrameSize)
            std::abort();
    }
    void Pause(std::chrono::milliseconds) override {}
    void RefreshConnectDialog() override {}
    void RedrawConnectDialog() override {}
    bool ConnectDialogShownAutomatically() override { return true; }
    void HideConnectDialog() override {}
    bool UpgradeDialogExists() override { return true; }
    OutputPagePick OutputPageSelection(int output) override {
        OutputPagePick p;
        p.row = output * 3; // rows 0, 3, 6 and 9 (custom)
        p.winX = 1e12;
        p.winW = -5;
        return p;
    }
    void OutputPageRefresh(int output) override {
        if (output < 0 || output > 3)
            std::abort();
    }
    void OutputPageRedrawPreview() override {}
};

class Sink : public RecordSink {
public:
    Sink(ReplyDispatcher& d, RecordCutter& c) : m_dispatcher(d), m_cutter(c) {}
    void OnRecord(const std::uint8_t* r) override {
        m_dispatcher.OnDeviceRecord(r);
        if (FrameCode(r) == 0x8002)
            m_cutter.SetReadBackExpected(!m_cutter.ReadBackExpected());
    }
    void OnReadBackBlock(const std::uint8_t* b) override { m_sum += b[0] + b[kBlockSize - 1]; }

private:
    ReplyDispatcher& m_dispatcher;
    RecordCutter& m_cutter;
    unsigned m_sum = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    DeviceState state;
    LinkMembers link;
    NullHost host;
    ReplyDispatcher dispatcher(state, link, host);
    RecordCutter cutter;
    Sink sink(dispatcher, cutter);
    cutter.SetReadBackExpected(data[0] & 1);
    state.linkState = data[0] & 2 ? kLinkSynchronised : kLinkOpen;
    const std::size_t step = 1 + data[1] * 5; // read sizes from 1 to 1276 bytes
    data += 2;
    size -= 2;
    while (size > 0) {
        const std::size_t n = size < step ? size : step;
        cutter.Feed(data, n, sink);
        data += n;
        size -= n;
    }
    if (state.currentInput >= kInputCount || state.linkState > kLinkSynchronised)
        std::abort();
    for (const LayerInfo& l : state.layers)
        if (l.source >= kInputCount)
            std::abort();
    if (cutter.PendingBytes() >= kBlockSize)
        std::abort();
    return 0;
}
