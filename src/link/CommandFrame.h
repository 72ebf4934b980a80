#pragma once

// The 39-byte command frame exchanged with the processor, in both directions:
//   bytes 0..3   magic ED CB 28 38
//   bytes 4..5   code, little-endian
//   bytes 6..37  payload, 0x55 where the sender sets nothing
//   byte  38     low 8 bits of the sum of bytes 3..37

#include "link/CommandCodes.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

inline constexpr std::size_t kFrameSize = 39;
inline constexpr std::size_t kBlockSize = 1039; // firmware packets, preset files, read-back blocks
inline constexpr std::size_t kPayloadOffset = 6;
inline constexpr std::size_t kChecksumOffset = 38;
inline constexpr std::uint8_t kFiller = 0x55;
inline constexpr std::uint8_t kChecksumPlaceholder = 0xCC;
inline constexpr std::array<std::uint8_t, 4> kFrameMagic = {0xED, 0xCB, 0x28, 0x38};

using Frame = std::array<std::uint8_t, kFrameSize>;

// The template: magic, 0x55 in bytes 4..37, the 0xCC placeholder in byte 38.
Frame FrameTemplate();

// Template with the code written in; the checksum is still the placeholder.
Frame StartFrame(std::uint16_t code);

// Low 8 bits of the sum of bytes 3..37 of a 39-byte frame.
std::uint8_t FrameChecksum(const std::uint8_t* frame);

// Writes the checksum into byte 38.
void SealFrame(Frame& frame);

// Template, code, checksum: a finished frame with no payload set.
Frame MakeFrame(std::uint16_t code);

// A finished frame with byte 6 set: the shape of every "index in byte 6" command.
Frame MakeFrameByte6(std::uint16_t code, std::uint8_t byte6);

// Code of a received record or a built frame: byte 4 + 256 * byte 5.
std::uint16_t FrameCode(const std::uint8_t* frame);

// True when the four bytes are the frame magic.
bool HasFrameMagic(const std::uint8_t* bytes);

} // namespace corvane
