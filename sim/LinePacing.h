#pragma once

// The arithmetic of a line's pace: 10 bits a byte, sent and taken in slices of about a
// millisecond of wire time.

#include <chrono>
#include <cstddef>

namespace corvane::sim {

// The read credit a line keeps: a wake-up up to this many slices late loses no time.
inline constexpr std::size_t kReadCatchUpSlices = 4;

// About a millisecond of wire time at `baud`, at least one byte: what is sent or taken at once.
std::size_t SliceBytes(unsigned baud);

// How long `bytes` take on the wire at `baud` (10 bits a byte), rounded up.
std::chrono::steady_clock::duration WireTime(std::size_t bytes, unsigned baud);

} // namespace corvane::sim
