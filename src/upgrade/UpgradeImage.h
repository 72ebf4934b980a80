#pragma once

// The firmware upgrade without widgets: the three targets of the boot loader, the 1039-byte
// data packets that carry an image, the announce 0x8001, the checks of an image before it is
// announced, the checks of the read-back blocks the processor sends back, the pacing of a
// transfer and the comparison of an image with its read-back.

#include "link/CommandFrame.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

inline constexpr std::size_t kPacketSize = 1039;
inline constexpr std::size_t kPacketData = 1024;
inline constexpr std::size_t kPacketDataOffset = 14;
inline constexpr std::size_t kPacketChecksumOffset = 1038;
// The block count of 0x8001 has 16 bits.
inline constexpr std::uint32_t kMaxImageBlocks = 65535;
// The read-back progress runs over this many blocks.
inline constexpr std::uint32_t kReadBackProgressBlocks = 16383;
inline constexpr std::array<std::uint8_t, 8> kPacketMagic = {0xD2, 0xE3, 0xF4, 0x05, 0x16, 0x27, 0x38, 0x49};

using Packet = std::array<std::uint8_t, kPacketSize>;

struct UpgradeTarget {
    const char* nameText;            // "FPGA " - the head of the target's messages
    const char* fileName;            // the file name required, exactly
    std::uint32_t state;             // `state` while this target is upgraded
    std::uint8_t targetByte;         // byte 6 of 0x8001
    std::chrono::milliseconds pause; // after each data packet
    const char* sendingEn;
    const char* sendingZh;
};

inline constexpr int kTargetCount = 3;
const UpgradeTarget& TargetAt(int index);
// The target upgraded in `state` 2, 3 or 4; -1 otherwise.
int TargetOfState(std::uint32_t state);

// Number of 1024-byte blocks of an image of `size` bytes, rounded up.
std::uint64_t BlockCount(std::uint64_t size);

// A data packet carrying `n` (at most 1024) bytes from `data`.
Packet BuildDataPacket(const std::uint8_t* data, std::size_t n);
// Low 8 bits of the sum of bytes 0..1037.
std::uint8_t PacketChecksum(const std::uint8_t* packet);

// 0x8001: target byte, then the block count low byte first.
Frame BuildAnnounceFrame(std::uint8_t targetByte, std::uint64_t imageSize);

// Whether an image can be announced at all.
enum class ImageCheck { Good, Empty, TooLarge };
ImageCheck CheckImageSize(std::uint64_t size);

// The part of `path` after its last '/'.
std::string FileNameOf(const std::string& path);

// ---- the read-back

enum class BlockVerdict { Accepted, BadChecksum, OutOfOrder };

// The block number (bytes 8..9, low byte first).
std::uint16_t ReadBackNumber(const std::uint8_t* block);

// Checks each read-back block against the last one accepted: a block with a bad checksum or
// one that does not follow the last is refused; block 0 is always taken.
class ReadBackChecker {
public:
    void Reset() {
        m_lastBlock = 0;
        m_accepted = 0;
    }
    BlockVerdict Take(const std::uint8_t* block); // kPacketSize bytes
    std::uint32_t LastBlock() const { return m_lastBlock; }
    std::uint64_t Accepted() const { return m_accepted; }

private:
    std::uint32_t m_lastBlock = 0;
    std::uint64_t m_accepted = 0;
};

// Why a read-back block was refused, for the operator: "Read-back block 63 was refused: its
// checksum is wrong." / "...: it came after block 61." (or the Chinese counterpart).
std::string RefusedBlockText(BlockVerdict verdict, std::uint32_t number, std::uint32_t lastAccepted,
                             bool chinese);

// The name under which a file `name` ("FPGA.bin") found in the way is kept: the name with the
// local time added before its extension, "FPGA-20261209-101010.bin"; attempt 2 and later add
// "-2", "-3"... for a name that is taken already.
std::string KeptAsideName(const std::string& name, const std::tm& localTime, int attempt);

// Progress 0..1000 of the read-back after block `number`.
std::uint32_t ReadBackProgress(std::uint32_t number);

// The first 1024-byte block in which the two images differ (a shorter read-back differs in
// the block after its end; bytes read back beyond the image are ignored), none when equal.
std::optional<std::uint64_t> FirstDifferingBlock(const std::vector<std::uint8_t>& image,
                                                 const std::vector<std::uint8_t>& readBack);

// ---- the transfer

// "42 % - 430080 of 1048576 bytes - 21 s left" (English) or its Chinese counterpart.
std::string ProgressLine(std::uint64_t done, std::uint64_t total, std::chrono::milliseconds left,
                         bool chinese);

// Time left of a read-back, from the blocks done so far, the time they took, and the total.
std::chrono::milliseconds EstimateLeft(std::uint64_t done, std::uint64_t total,
                                       std::chrono::milliseconds elapsed);

} // namespace corvane
