#pragma once

// The EDID command (0x0003): the custom timing of one input's EDID, as the EDID page sends it
// on "Apply" (the active size and frame rate only, or the full timing with "Advanced") and on
// "Reset" (back to the processor's built-in timing; the frame still carries the record as it
// was). A pure function over DeviceState.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <cstdint>
#include <optional>

namespace corvane {

// Byte 7 of the command.
enum class EdidMode : std::uint8_t {
    BuiltIn = 0,       // return to the built-in timing
    ActiveAndRate = 1, // the active size and frame rate only
    Full = 2,          // the whole timing
};

// WM_DEVICE_COMMAND (0x0003, slot + kEdidResetArgumentOffset) asks for the reset of a slot.
inline constexpr int kEdidResetArgumentOffset = 10;

struct EdidCommand {
    int slot = 0;
    EdidMode mode = EdidMode::ActiveAndRate;
};

// What WM_DEVICE_COMMAND (0x0003, argument) asks for: 0..3 that slot, mode 2 while "Advanced" is
// checked, else 1; 10..13 the slot argument - 10 with mode 0; anything else nothing.
std::optional<EdidCommand> EdidCommandFor(std::intptr_t argument, bool advanced);

// The frame the page's WM_DEVICE_COMMAND (code, argument) sends: none unless synchronised, for
// another code or for an argument EdidCommandFor names nothing for.
std::optional<Frame> EdidCommandFrame(const DeviceState& state, std::uintptr_t code, std::intptr_t argument,
                                      bool advanced);

// Command 0x0003 for `command.slot` (kept inside the table): byte 6 the slot, 7 the mode, then
// hActive, vActive, refreshX10, hBlank, vBlank, hSync, vSync, hFront, vFront of the slot's
// record, each little-endian in bytes 8..25; 26..37 0x55.
Frame BuildEdidFrame(const DeviceState& state, const EdidCommand& command);

} // namespace corvane
