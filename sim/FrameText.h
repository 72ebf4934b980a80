#pragma once

// One readable line for a frame on the wire, for the simulator's traffic log:
// the code, its name and the fields it carries.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::sim {

// `toProcessor`: a command from the application; otherwise a record of the processor.
std::string FrameText(const std::uint8_t* bytes, std::size_t length, bool toProcessor);

} // namespace corvane::sim
