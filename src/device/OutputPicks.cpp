#include "device/OutputPicks.h"

namespace corvane {

OutputPick PickFor(const OutputPicks& picks, const DeviceState& state, int output) {
    const auto index = static_cast<std::size_t>(output & 3);
    if (picks[index])
        return *picks[index];
    const OutputInfo& o = state.outputs[index];
    OutputPick pick;
    pick.row = static_cast<int>(o.resIndex);
    pick.customWidth = state.customResolution.hActive;
    pick.customHeight = state.customResolution.vActive;
    pick.customTag = state.customResolution.tag;
    pick.winX = o.winX;
    pick.winY = o.winY;
    pick.winW = o.winW;
    pick.winH = o.winH;
    return pick;
}

OutputPick AppliedPick(const DeviceState& state, int output) {
    const OutputInfo& o = state.outputs[static_cast<std::size_t>(output & 3)];
    OutputPick pick;
    pick.row = o.resIndex < static_cast<std::uint32_t>(kResolutionCount) ? static_cast<int>(o.resIndex) : 0;
    if (pick.row == kCustomResolutionRow) {
        pick.customWidth = o.hActive;
        pick.customHeight = o.vActive;
        pick.customTag = o.resTag;
    } else {
        const ResolutionEntry& custom = state.resolutions[kCustomResolutionRow];
        pick.customWidth = custom.width;
        pick.customHeight = custom.height;
        pick.customTag = custom.tag;
    }
    pick.winX = o.winX;
    pick.winY = o.winY;
    pick.winW = o.winW;
    pick.winH = o.winH;
    return pick;
}

OutputPicks AppliedPicks(const DeviceState& state) {
    OutputPicks picks;
    for (int k = 0; k < kOutputCount; ++k)
        picks[static_cast<std::size_t>(k)] = AppliedPick(state, k);
    return picks;
}

std::uint16_t WholeWindowValue(double value) {
    if (!(value > 0))
        return 0;
    if (value >= 65535.0)
        return 65535;
    return static_cast<std::uint16_t>(value);
}

} // namespace corvane
