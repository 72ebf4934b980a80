#pragma once

// The layer command (0x0006): where one layer's window lies on the processor's canvas, whether
// it is shown, and which part of its source it shows. A pure function over DeviceState; the
// layout page and the preset file use the same builder.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

namespace corvane {

// Command 0x0006 for `layer` (0..3): byte 6 the layer, 7 the current input, 8 zoomOn, 9..20
// the zoom window and the source size (16 bits each), 21..32 the window x, y, w, h (24 bits
// each), 33 the display switch (`visible`).
Frame BuildLayerFrame(const DeviceState& state, int layer);

} // namespace corvane
