#include "picture/EdidFrames.h"

#include "link/ByteOrder.h"
#include "link/CommandCodes.h"

namespace corvane {

std::optional<EdidCommand> EdidCommandFor(std::intptr_t argument, bool advanced) {
    if (argument >= 0 && argument < kEdidSlotCount)
        return EdidCommand{static_cast<int>(argument), advanced ? EdidMode::Full : EdidMode::ActiveAndRate};
    if (argument >= kEdidResetArgumentOffset && argument < kEdidResetArgumentOffset + kEdidSlotCount)
        return EdidCommand{static_cast<int>(argument - kEdidResetArgumentOffset), EdidMode::BuiltIn};
    return std::nullopt;
}

std::optional<Frame> EdidCommandFrame(const DeviceState& state, std::uintptr_t code, std::intptr_t argument,
                                      bool advanced) {
    if (state.linkState != kLinkSynchronised || code != kCmdEdid)
        return std::nullopt;
    const std::optional<EdidCommand> command = EdidCommandFor(argument, advanced);
    if (!command)
        return std::nullopt;
    return BuildEdidFrame(state, *command);
}

Frame BuildEdidFrame(const DeviceState& state, const EdidCommand& command) {
    const int slot = command.slot & (kEdidSlotCount - 1);
    const EdidTiming& t = state.edidTimings[static_cast<std::size_t>(slot)];
    Frame f = StartFrame(kCmdEdid);
    f[6] = static_cast<std::uint8_t>(slot);
    f[7] = static_cast<std::uint8_t>(command.mode);
    const std::uint16_t fields[] = {t.hActive, t.vActive, t.refreshX10, t.hBlank, t.vBlank,
                                    t.hSync,   t.vSync,   t.hFront,     t.vFront};
    std::size_t at = 8;
    for (std::uint16_t v : fields) {
        PutLE16(&f[at], v);
        at += 2;
    }
    SealFrame(f);
    return f;
}

} // namespace corvane
