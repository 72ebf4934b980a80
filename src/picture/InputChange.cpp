#include "picture/InputChange.h"

#include "picture/CropFrames.h"

namespace corvane {

std::optional<Frame> ChangeCurrentInput(DeviceState& s, int input) {
    if (input < 0 || input >= kInputCount)
        return std::nullopt;
    const auto old = static_cast<int>(s.currentInput);
    const bool oldValid = old >= 0 && old < kInputCount;
    if (oldValid)
        s.inputs[static_cast<std::size_t>(old)].signal = 0;
    s.currentInput = static_cast<std::uint32_t>(input);
    if (s.linkState == kLinkSynchronised && oldValid && s.crop.rects[static_cast<std::size_t>(old)].on) {
        s.crop.rects[static_cast<std::size_t>(old)].on = 0;
        return BuildCropFrame(s, old, kCropSet);
    }
    return std::nullopt;
}

} // namespace corvane
