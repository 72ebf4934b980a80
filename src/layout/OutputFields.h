#pragma once

// Two small checks the output page's sources share: whether an index names one of the
// processor's outputs, and a value clamped to what a 16-bit field of a record carries.

#include "device/DeviceState.h"

#include <algorithm>
#include <cstdint>

namespace corvane {

inline bool IsOutput(std::intptr_t index) {
    return index >= 0 && index < kOutputCount;
}

inline std::uint16_t Field16(int value) {
    return static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF));
}

} // namespace corvane
