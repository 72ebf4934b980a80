#pragma once

// The operator makes another input the current one (a click on its box): the state changes
// that go with it. Switching off the old input's crop is the crop page's (CropPageCalls::CropOff),
// which the main window calls first.

#include "device/DeviceState.h"

namespace corvane {

// The old input loses its signal, `input` becomes the current one. False, and nothing changed,
// for an input outside 0..3.
bool ChangeCurrentInput(DeviceState& state, int input);

} // namespace corvane
