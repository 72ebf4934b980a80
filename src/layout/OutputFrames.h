#pragma once

// The output page's commands: the placement of one output (0x0009), the resolution of one or
// all outputs (0x000D) and the end of an arrangement (0x00B0). Pure functions over DeviceState
// and what the output page picked; the output page is their only caller, the preset file uses
// the same ones.
//
// Every value is clamped to what its bytes can carry: a canvas position above 0xFFFFFF is
// sent as 0xFFFFFF, a window value outside 0..65535 as the nearest end, an argument outside
// a byte as the nearest end; never a value that wraps.

#include "device/DeviceState.h"
#include "device/OutputPicks.h"
#include "link/CommandFrame.h"

#include <cstdint>

namespace corvane {

// The timing an output runs with as the page picked it: the custom timing for the custom row,
// else the row of the resolution list. `row` is the pick's row kept inside the list.
struct ActiveTiming {
    int row = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t tag = 0; // the rate flag of the custom timing (1 = 50 Hz), else the row's tag
};

ActiveTiming ActiveTimingOf(const DeviceState& state, const OutputPick& pick);

// Code 0x0009 for `output` (0..3, kept inside the table as the layer command does): byte 6 the
// output, 7..9 canvasX and 10..12 canvasY (24 bits), 13..14 width, 15..16 height, 17..24 the
// page's window x, y, w, h (16 bits each), 25 the picked row, 26..27 and 28..29 the active
// width and height, 30 the rate flag or the row's tag (a byte: a larger tag is sent as 0xFF).
Frame BuildOutputWindowFrame(const DeviceState& state, const OutputPicks& picks, int output);

// Code 0x000D: byte 6 `argument` (an output, or kAllOutputs), then the resolution of
// `currentOutput`: 7 the picked row, 8..9 active width, 10..11 active height, 12 the rate flag
// or the row's tag (a byte: a larger tag is sent as 0xFF).
Frame BuildOutputResolutionFrame(const DeviceState& state, const OutputPicks& picks, int currentOutput,
                                 int argument);

// Code 0x00B0 with byte 6 = 0, sent after the placement frames of an arrangement.
Frame BuildArrangeDoneFrame();

// What the output page's WM_DEVICE_COMMAND handler builds for (code, argument): the two
// payloads above for 0x0009 and 0x000D, any other code with byte 6 = the argument only.
Frame BuildOutputPageFrame(const DeviceState& state, const OutputPicks& picks, int currentOutput,
                           std::uint16_t code, int argument);

// Argument of code 0x000D for all four outputs.
inline constexpr int kAllOutputs = 4;

} // namespace corvane
