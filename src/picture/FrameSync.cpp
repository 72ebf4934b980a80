#include "picture/FrameSync.h"

#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"

#include <cstdio>

namespace corvane {

std::optional<FrameMode> FrameModeOf(std::intptr_t value) {
    if (value == static_cast<std::intptr_t>(FrameMode::Sync))
        return FrameMode::Sync;
    if (value == static_cast<std::intptr_t>(FrameMode::Convert))
        return FrameMode::Convert;
    return std::nullopt;
}

Frame BuildFrameModeFrame(FrameMode mode) {
    return MakeFrameByte6(kCmdFrameMode, static_cast<std::uint8_t>(mode));
}

std::optional<Frame> FrameModeCommand(std::uint32_t linkState, std::uintptr_t code, std::intptr_t argument) {
    if (linkState != kLinkSynchronised || code != kCmdFrameMode)
        return std::nullopt;
    const std::optional<FrameMode> mode = FrameModeOf(argument);
    if (!mode)
        return std::nullopt;
    return BuildFrameModeFrame(*mode);
}

bool IsFrameModeAnswer(std::uintptr_t replyCode, std::intptr_t index) {
    return replyCode == kReplyCrop || (replyCode == kReplyAck && index == kAckStatus);
}

std::string FrameRateText(std::uint16_t rateX100) {
    // Whole numbers only: "%1.2f" of a double would follow the C locale's decimal separator.
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02u", static_cast<unsigned>(rateX100 / 100),
                  static_cast<unsigned>(rateX100 % 100));
    return text;
}

FrameInfoTexts FrameInfo(const DeviceState& state) {
    if (state.currentInput >= static_cast<std::uint32_t>(kInputCount))
        return {kNoSignalText, kNoSignalText};
    const InputInfo& in = state.inputs[state.currentInput];
    if (in.signal == 0)
        return {kNoSignalText, kNoSignalText};
    char input[48];
    std::snprintf(input, sizeof input, "%u x %u@%sHZ", static_cast<unsigned>(in.width),
                  static_cast<unsigned>(in.height), FrameRateText(state.crop.inputFpsX100).c_str());
    return {input, "FPS: " + FrameRateText(state.crop.outputFpsX100) + "HZ"};
}

} // namespace corvane
