#pragma once

// The 1039-byte blocks besides the command frames: firmware data packets and preset files from
// the application, read-back blocks from the boot loader. Each starts with kBlockMagic and ends
// with the low byte of the sum of the bytes before it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::sim {

inline constexpr std::array<std::uint8_t, 8> kBlockMagic = {0xD2, 0xE3, 0xF4, 0x05, 0x16, 0x27, 0x38, 0x49};

// The checksum a block carries in its last byte.
std::uint8_t BlockChecksum(const std::uint8_t* block);

// True when the block is a firmware data packet (bytes 8..11 zero) rather than a preset file.
bool IsDataPacket(const std::uint8_t* block);

// The block that carries `n` bytes of firmware (n <= 1024), as the application builds it.
std::vector<std::uint8_t> MakeDataPacket(const std::uint8_t* data, std::size_t n);

// Read-back block number `number` carrying 1024 bytes from `data` (zero-padded).
std::vector<std::uint8_t> MakeReadBackBlock(std::uint16_t number, const std::uint8_t* data, std::size_t n);

} // namespace corvane::sim
