#pragma once

// The edge blend commands of one output, built from DeviceState: 0x0007 carries the four blend
// sides (H1, H2, V1, V2), 0x0008 the four user curve tables. Pure functions taking the output;
// the edge blend page and the preset file use the same builders.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <cstdint>
#include <optional>

namespace corvane {

// Bytes of one side inside command 0x0007: 2 * direction + enable, gamma, table, start, size.
inline constexpr std::size_t kBlendSideBytes = 7;

// Command 0x0007 for `output` (0..3): byte 6 the output, then seven bytes per side from byte 7.
Frame BuildBlendFrame(const DeviceState& state, int output);

// Command 0x0008 for `output` (0..3): byte 6 the output, bytes 7..22 the sixteen curve bytes.
Frame BuildBlendCurveFrame(const DeviceState& state, int output);

// The frame the page's WM_DEVICE_COMMAND (code, output) sends: 0x0007 or 0x0008 for an output
// 0..3; none for another code or output, and none unless synchronised (the curve tables too:
// frames written while the processor synchronises or runs its boot loader would reach it in
// the middle of that).
std::optional<Frame> BlendCommandFrame(const DeviceState& state, std::uintptr_t code, std::intptr_t output);

} // namespace corvane
