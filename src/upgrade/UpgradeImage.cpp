#include "upgrade/UpgradeImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

using std::chrono::milliseconds;

constexpr std::array<UpgradeTarget, kTargetCount> kTargets{{
    {"FPGA ", "FPGA.bin", 2, 1, milliseconds{30}, "Upgrade FPGA file...", "升级 FPGA 文件..."},
    {"MCU ", "MCU.bin", 3, 0, milliseconds{100}, "Upgrade MCU file...", "升级 MCU 文件..."},
    {"HDMIRX ", "HDMIRX.bin", 4, 2, milliseconds{30}, "Upgrade HDMIR file...", "升级 HDMIR 文件..."},
}};

} // namespace

const UpgradeTarget& TargetAt(int index) {
    return kTargets[static_cast<std::size_t>(std::clamp(index, 0, kTargetCount - 1))];
}

int TargetOfState(std::uint32_t state) {
    for (int i = 0; i < kTargetCount; ++i)
        if (kTargets[static_cast<std::size_t>(i)].state == state)
            return i;
    return -1;
}

std::uint64_t BlockCount(std::uint64_t size) {
    return (size + kPacketData - 1) / kPacketData;
}

std::uint8_t PacketChecksum(const std::uint8_t* packet) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < kPacketChecksumOffset; ++i)
        sum += packet[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

Packet BuildDataPacket(const std::uint8_t* data, std::size_t n) {
    n = std::min(n, kPacketData);
    Packet p{};
    std::copy(kPacketMagic.begin(), kPacketMagic.end(), p.begin());
    p[12] = static_cast<std::uint8_t>(n >> 8);
    p[13] = static_cast<std::uint8_t>(n & 0xFF);
    if (n > 0)
        std::memcpy(p.data() + kPacketDataOffset, data, n);
    p[kPacketChecksumOffset] = PacketChecksum(p.data());
    return p;
}

Frame BuildAnnounceFrame(std::uint8_t targetByte, std::uint64_t imageSize) {
    Frame f = StartFrame(kCmdAnnounceImage);
    const std::uint64_t blocks = BlockCount(imageSize);
    f[kPayloadOffset] = targetByte;
    f[kPayloadOffset + 1] = static_cast<std::uint8_t>(blocks & 0xFF);
    f[kPayloadOffset + 2] = static_cast<std::uint8_t>((blocks >> 8) & 0xFF);
    SealFrame(f);
    return f;
}

ImageCheck CheckImageSize(std::uint64_t size) {
    if (size == 0)
        return ImageCheck::Empty;
    if (BlockCount(size) > kMaxImageBlocks)
        return ImageCheck::TooLarge;
    return ImageCheck::Good;
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint16_t ReadBackNumber(const std::uint8_t* block) {
    return static_cast<std::uint16_t>(block[8] | (block[9] << 8));
}

BlockVerdict ReadBackChecker::Take(const std::uint8_t* block) {
    if (block[kPacketChecksumOffset] != PacketChecksum(block))
        return BlockVerdict::BadChecksum;
    const std::uint32_t n = ReadBackNumber(block);
    if (n != 0 && n - 1 != m_lastBlock)
        return BlockVerdict::OutOfOrder;
    m_lastBlock = n;
    ++m_accepted;
    return BlockVerdict::Accepted;
}

std::string RefusedBlockText(BlockVerdict verdict, std::uint32_t number, std::uint32_t lastAccepted,
                             bool chinese) {
    const std::string n = std::to_string(number);
    if (verdict == BlockVerdict::BadChecksum)
        return chinese ? "读回的第 " + n + " 块被拒绝: 校验码错误。"
                       : "Read-back block " + n + " was refused: its checksum is wrong.";
    const std::string after = std::to_string(lastAccepted);
    if (chinese)
        return "读回的第 " + n + " 块被拒绝: 它跟在第 " + after + " 块之后。";
    return "Read-back block " + n + " was refused: it came after block " + after + ".";
}

std::string KeptAsideName(const std::string& name, const std::tm& t, int attempt) {
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    std::string kept = stem + stamp;
    if (attempt >= 2) {
        kept += '-';
        kept += std::to_string(attempt);
    }
    return kept + extension;
}

std::uint32_t ReadBackProgress(std::uint32_t number) {
    return std::min<std::uint32_t>(
        1000, static_cast<std::uint32_t>(std::uint64_t{number} * 1000 / kReadBackProgressBlocks));
}

std::optional<std::uint64_t> FirstDifferingBlock(const std::vector<std::uint8_t>& image,
                                                 const std::vector<std::uint8_t>& readBack) {
    const std::size_t common = std::min(image.size(), readBack.size());
    const auto [a, b] =
        std::mismatch(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(common), readBack.begin());
    if (a != image.begin() + static_cast<std::ptrdiff_t>(common))
        return static_cast<std::uint64_t>(a - image.begin()) / kPacketData;
    if (readBack.size() < image.size())
        return readBack.size() / kPacketData;
    return std::nullopt;
}

std::string ProgressLine(std::uint64_t done, std::uint64_t total, milliseconds left, bool chinese) {
    const unsigned percent =
        total ? static_cast<unsigned>(std::min<std::uint64_t>(100, done * 100 / total)) : 0;
    const long long seconds = (left.count() + 999) / 1000;
    char text[160];
    if (chinese)
        std::snprintf(text, sizeof text, "%u %% - %llu / %llu 字节 - 剩余约 %lld 秒", percent,
                      static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), seconds);
    else
        std::snprintf(text, sizeof text, "%u %% - %llu of %llu bytes - %lld s left", percent,
                      static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), seconds);
    return text;
}

milliseconds EstimateLeft(std::uint64_t done, std::uint64_t total, milliseconds elapsed) {
    if (done == 0 || done >= total)
        return milliseconds{0};
    return milliseconds{
        static_cast<long long>(static_cast<double>(elapsed.count()) * static_cast<double>(total - done) /
                               static_cast<double>(done))};
}

} // namespace corvane
