#include "picture/InputChange.h"

namespace corvane {

bool ChangeCurrentInput(DeviceState& s, int input) {
    if (input < 0 || input >= kInputCount)
        return false;
    const auto old = s.currentInput;
    if (old < static_cast<std::uint32_t>(kInputCount))
        s.inputs[old].signal = 0;
    s.currentInput = static_cast<std::uint32_t>(input);
    return true;
}

} // namespace corvane
