#pragma once

// The misc page's part without widgets: the factory reset (0x000A) and input-signal backup
// (0x000F) commands, and the texts of the system information group.

#include "link/CommandFrame.h"

#include <cstdint>
#include <string>

namespace corvane {

// The processor's name, shown above its versions.
inline constexpr char kDeviceName[] = "QLM-Z3";

// Command 0x000A: the filler 0x55 in every payload byte.
Frame BuildFactoryResetFrame();

// Command 0x000F: byte 6 the backup switch, 1 on and 0 off (any value but 0 is on).
Frame BuildInputBackupFrame(std::uint8_t on);

// "Ver : <primary> - <secondary>" of the versions reply 0xA4 as DeviceState keeps them.
std::string VersionLine(const std::string& primary, const std::string& secondary);

} // namespace corvane
