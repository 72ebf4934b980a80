// Random bytes from the processor: cut into records (split at fuzzer-chosen points, with
// read-back mode switched on and off) and applied to a DeviceState. Nothing may crash,
// hang, or leave the state with an index that points outside its arrays.

#include "device/NullDispatcherHost.h"
#include "device/ReplyCodes.h"
#include "device/ReplyDispatcher.h"
#include "link/RecordCutter.h"

#include <cstdlib>

using namespace corvane;

namespace {

// Does nothing, but checks what the dispatcher hands on: only whole frames are sent, and the
// output page is only told of outputs 0..3 (or asked for its preview), and of the answer to a
// resolution as one status byte (or of a wait that ended unanswered).
class CheckingHost : public NullDispatcherHost {
public:
    std::intptr_t SendMessageTo(Window window, std::uint32_t, std::uintptr_t code,
                                std::intptr_t index) override {
        if (window == Window::FusePage) {
            // The edge blend page is told of the blend and curve records of an output 0..3.
            if ((code != kReplyBlend && code != kReplyCurve) || index < 0 || index >= kOutputCount)
                std::abort();
            return 0;
        }
        if (window != Window::OutputPage)
            return 0;
        if (code == kReplyOutput && (index < kOutputPageIndexBase || index > kOutputPagePreview))
            std::abort();
        if (code == kReplyAck && (index < 0 || index > 0xFF))
            std::abort();
        if (code == kReplyWaitEnded && index != kWaitTimedOut && index != kWaitLinkClosed)
            std::abort();
        if (code != kReplyOutput && code != kReplyAck && code != kReplyWaitEnded)
            std::abort();
        return 0;
    }
    bool WindowExists(Window) override { return true; }
    bool ConnectDialogShownAutomatically() override { return true; }
    void SendToDevice(const std::uint8_t*, std::size_t length) override {
        if (length != kFrameSize)
            std::abort();
    }
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
    CheckingHost host;
    LinkSession session(state, host);
    // Picks of rows 0, 3, 6 and 9 (custom), with window values no field can hold.
    OutputPicks picks;
    for (int o = 0; o < kOutputCount; ++o) {
        OutputPick p;
        p.row = o * 3;
        p.winX = 1e12;
        p.winW = -5;
        picks[static_cast<std::size_t>(o)] = p;
    }
    ReplyDispatcher dispatcher(state, session, host, &picks);
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
