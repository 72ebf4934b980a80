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

std::uint16_t WholeWindowValue(double value) {
    if (!(value > 0))
        return 0;
    if (value >= 65535.0)
        return 65535;
    return static_cast<std::uint16_t>(value);
}

} // namespace corvane
