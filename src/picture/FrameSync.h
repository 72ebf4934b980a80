#pragma once

// The frame sync page's part without widgets: the frame mode command (0x000C), the modes the
// processor knows, and the two information texts the page shows from DeviceState.
//
// The processor either locks its output frame rate to the current input (mode 0, "Frame Sync
// mode") or converts between the input's rate and its own (mode 1, "Frame Conver mode").

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

enum class FrameMode : std::uint8_t {
    Sync = 0,    // the output runs at the input's frame rate
    Convert = 1, // the output runs at its own rate, converted from the input's
};

// The mode `value` names (a WM_DEVICE_COMMAND argument, byte 7 of the processor's record
// 0xA7): none for anything but 0 and 1.
std::optional<FrameMode> FrameModeOf(std::intptr_t value);

// Command 0x000C: byte 6 the mode, bytes 7..37 0x55.
Frame BuildFrameModeFrame(FrameMode mode);

// The command WM_DEVICE_COMMAND (code, argument) asks of the page: the frame mode command for a
// mode, none unless the link is synchronised, for another code or for no mode.
std::optional<Frame> FrameModeCommand(std::uint32_t linkState, std::uintptr_t code, std::intptr_t argument);

// The processor's answer to a frame mode, which ends the page's wait: its mode record 0xA7 (any
// mode) or acknowledgement 8; other acknowledgements are of other operations.
bool IsFrameModeAnswer(std::uintptr_t replyCode, std::intptr_t index);

// What the information texts show without a signal on the current input.
inline constexpr char kNoSignalText[] = "NoSignal";

// A frame rate in hundredths of a hertz as the page writes it: two decimals, always a point
// ("59.94" for 5994), whatever the locale.
std::string FrameRateText(std::uint16_t rateX100);

// The two information texts: the current input's "%d x %d@%1.2fHZ" (width, height, input
// frame rate) and the output's "FPS: %1.2fHZ", or "NoSignal" for both while the current input
// has no signal (or the state names no input 0..3).
struct FrameInfoTexts {
    std::string input;
    std::string output;
};
FrameInfoTexts FrameInfo(const DeviceState& state);

} // namespace corvane
