#include "blend/BlendFrames.h"

#include "link/ByteOrder.h"

#include <algorithm>

namespace corvane {

namespace {

const OutputInfo& OutputOf(const DeviceState& state, int output) {
    return state.outputs[static_cast<std::size_t>(output & 3)];
}

} // namespace

Frame BuildBlendFrame(const DeviceState& state, int output) {
    Frame f = StartFrame(kCmdBlend);
    const OutputInfo& o = OutputOf(state, output);
    f[6] = static_cast<std::uint8_t>(output & 3);
    for (std::size_t s = 0; s < kSideCount; ++s) {
        const BlendSide& side = o.blend[s];
        std::uint8_t* p = &f[7 + s * kBlendSideBytes];
        p[0] = static_cast<std::uint8_t>(2 * (side.direction & 1) + (side.enable & 1));
        p[1] = side.gamma;
        p[2] = side.table;
        PutLE16(p + 3, side.start);
        PutLE16(p + 5, side.size);
    }
    SealFrame(f);
    return f;
}

Frame BuildBlendCurveFrame(const DeviceState& state, int output) {
    Frame f = StartFrame(kCmdBlendCurve);
    const OutputInfo& o = OutputOf(state, output);
    f[6] = static_cast<std::uint8_t>(output & 3);
    std::copy(o.curve.begin(), o.curve.end(), &f[7]);
    SealFrame(f);
    return f;
}

std::optional<Frame> BlendCommandFrame(const DeviceState& state, std::uintptr_t code, std::intptr_t output) {
    if (state.linkState != kLinkSynchronised || output < 0 || output >= kOutputCount)
        return std::nullopt;
    if (code == kCmdBlend)
        return BuildBlendFrame(state, static_cast<int>(output));
    if (code == kCmdBlendCurve)
        return BuildBlendCurveFrame(state, static_cast<int>(output));
    return std::nullopt;
}

} // namespace corvane
