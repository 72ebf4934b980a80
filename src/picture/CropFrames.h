#pragma once

// Frames of the crop rectangles of the inputs, built from DeviceState: command 0x0001 sets
// (or clears) one input's crop, command 0x0002 carries the crop records of one input pair
// inside preset files. Pure functions; the crop page, the main window and the preset file use
// the same builders.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <cstdint>

namespace corvane {

// Argument of command 0x0001.
inline constexpr std::uint8_t kCropSet = 0;   // set the crop
inline constexpr std::uint8_t kCropReset = 1; // the crop was reset to the full picture

// Command 0x0001 for `input` (0..3) with argument `argument`.
Frame BuildCropFrame(const DeviceState& state, int input, std::uint8_t argument);

// Command 0x0002 for the input pair starting at `pair` (0 or 2).
Frame BuildCropPresetFrame(const DeviceState& state, int pair);

} // namespace corvane
