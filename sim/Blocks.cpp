#include "Blocks.h"

#include "link/ByteOrder.h"
#include "link/CommandFrame.h"

#include <algorithm>
#include <numeric>

namespace corvane::sim {

std::uint8_t BlockChecksum(const std::uint8_t* b) {
    return static_cast<std::uint8_t>(std::accumulate(b, b + kBlockSize - 1, 0u) & 0xFF);
}

bool IsDataPacket(const std::uint8_t* block) {
    return block[8] == 0 && block[9] == 0 && block[10] == 0 && block[11] == 0;
}

std::vector<std::uint8_t> MakeDataPacket(const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> b(kBlockSize, 0);
    std::copy(kBlockMagic.begin(), kBlockMagic.end(), b.begin());
    n = std::min<std::size_t>(n, 1024);
    b[12] = static_cast<std::uint8_t>(n >> 8);
    b[13] = static_cast<std::uint8_t>(n & 0xFF);
    std::copy(data, data + n, b.begin() + 14);
    b[kBlockSize - 1] = BlockChecksum(b.data());
    return b;
}

std::vector<std::uint8_t> MakeReadBackBlock(std::uint16_t number, const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> b(kBlockSize, 0);
    std::copy(kBlockMagic.begin(), kBlockMagic.end(), b.begin());
    PutLE16(&b[8], number);
    std::copy(data, data + std::min<std::size_t>(n, 1024), b.begin() + 14);
    b[kBlockSize - 1] = BlockChecksum(b.data());
    return b;
}

} // namespace corvane::sim
