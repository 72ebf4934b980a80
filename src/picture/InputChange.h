#pragma once

// The operator makes another input the current one (a click on its box): the state changes
// that go with it, and the crop command that switches off the old input's crop.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <optional>

namespace corvane {

// The old input loses its signal, `input` becomes the current one; when the processor is
// synchronised and the old input's crop is on, it is switched off and the crop command for the
// old input is returned (to be sent). Nothing changes for an input outside 0..3.
std::optional<Frame> ChangeCurrentInput(DeviceState& state, int input);

} // namespace corvane
