#include "layout/OutputFrames.h"

#include "link/ByteOrder.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr std::uint32_t kMax24 = 0xFFFFFF;

std::uint32_t Clamp24(std::uint32_t v) {
    return std::min(v, kMax24);
}

std::uint8_t ClampByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 0xFF));
}

// A 32-bit tag or flag travels in one byte; a value that does not fit is sent as 0xFF.
std::uint8_t TagByte(std::uint32_t v) {
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(v, 0xFF));
}

int OutputIndex(int output) {
    return output & 3;
}

} // namespace

ActiveTiming ActiveTimingOf(const DeviceState& state, const OutputPick& pick) {
    ActiveTiming t;
    t.row = std::clamp(pick.row, 0, kResolutionCount - 1);
    if (t.row == kCustomResolutionRow) {
        t.width = pick.customWidth;
        t.height = pick.customHeight;
        t.tag = pick.customTag;
    } else {
        const ResolutionEntry& r = state.resolutions[static_cast<std::size_t>(t.row)];
        t.width = r.width;
        t.height = r.height;
        t.tag = r.tag;
    }
    return t;
}

Frame BuildOutputWindowFrame(const DeviceState& state, const OutputPicks& picks, int output) {
    const int k = OutputIndex(output);
    const OutputInfo& o = state.outputs[static_cast<std::size_t>(k)];
    const OutputPick pick = PickFor(picks, state, k);
    const ActiveTiming t = ActiveTimingOf(state, pick);
    Frame f = StartFrame(kCmdOutputWindow);
    f[6] = static_cast<std::uint8_t>(k);
    PutLE24(&f[7], Clamp24(o.canvasX));
    PutLE24(&f[10], Clamp24(o.canvasY));
    PutLE16(&f[13], o.width);
    PutLE16(&f[15], o.height);
    PutLE16(&f[17], WholeWindowValue(pick.winX));
    PutLE16(&f[19], WholeWindowValue(pick.winY));
    PutLE16(&f[21], WholeWindowValue(pick.winW));
    PutLE16(&f[23], WholeWindowValue(pick.winH));
    f[25] = static_cast<std::uint8_t>(t.row);
    PutLE16(&f[26], t.width);
    PutLE16(&f[28], t.height);
    f[30] = TagByte(t.tag);
    SealFrame(f);
    return f;
}

Frame BuildOutputResolutionFrame(const DeviceState& state, const OutputPicks& picks, int currentOutput,
                                 int argument) {
    const ActiveTiming t = ActiveTimingOf(state, PickFor(picks, state, OutputIndex(currentOutput)));
    Frame f = StartFrame(kCmdOutputResolution);
    f[6] = ClampByte(argument);
    f[7] = static_cast<std::uint8_t>(t.row);
    PutLE16(&f[8], t.width);
    PutLE16(&f[10], t.height);
    f[12] = TagByte(t.tag);
    SealFrame(f);
    return f;
}

Frame BuildArrangeDoneFrame() {
    return MakeFrameByte6(kCmdArrangeDone, 0);
}

Frame BuildOutputPageFrame(const DeviceState& state, const OutputPicks& picks, int currentOutput,
                           std::uint16_t code, int argument) {
    switch (code) {
    case kCmdOutputWindow:
        return BuildOutputWindowFrame(state, picks, argument);
    case kCmdOutputResolution:
        return BuildOutputResolutionFrame(state, picks, currentOutput, argument);
    default:
        return MakeFrameByte6(code, ClampByte(argument));
    }
}

} // namespace corvane
