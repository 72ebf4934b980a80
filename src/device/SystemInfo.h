#pragma once

// The system information text: one line per component of the processor, with "√ " when reply
// 0xB2 reported it present and "X" when not.

#include "device/LinkMembers.h"

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

std::string SystemInformationText(const std::array<std::uint8_t, kSysInfoSize>& flags);

} // namespace corvane
