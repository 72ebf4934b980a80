#include "upgrade/UpgradeImage.h"

#include <array>
#include <gtest/gtest.h>
#include <numeric>
#include <tuple>

namespace corvane {
namespace {

using std::chrono::milliseconds;

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 1) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 7);
    return v;
}

TEST(UpgradePackets, AFileOfTwoBlocksAndOneByteGivesThreePackets) {
    const std::vector<std::uint8_t> image = Pattern(2 * 1024 + 1);
    std::vector<Packet> packets;
    for (std::size_t at = 0; at < image.size(); at += kPacketData)
        packets.push_back(BuildDataPacket(image.data() + at, std::min(kPacketData, image.size() - at)));
    ASSERT_EQ(packets.size(), BlockCount(image.size()));
    ASSERT_EQ(packets.size(), 3u);
    // The magic, four zeros, the length high byte first, the data padded with zeros, the sum.
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t n = k < 2 ? 1024 : 1;
        Packet p{};
        std::copy(kPacketMagic.begin(), kPacketMagic.end(), p.begin());
        p[12] = static_cast<std::uint8_t>(n >> 8);
        p[13] = static_cast<std::uint8_t>(n & 0xFF);
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(k * 1024), n, p.begin() + 14);
        p[1038] = static_cast<std::uint8_t>(std::accumulate(p.begin(), p.begin() + 1038, 0u));
        EXPECT_EQ(packets[k], p) << k;
    }

    // 0x8001: the target's byte, then the block count low byte first.
    Frame announce = StartFrame(0x8001);
    std::copy_n(std::array<std::uint8_t, 3>{1, 3, 0}.begin(), 3, announce.begin() + 6);
    SealFrame(announce);
    EXPECT_EQ(BuildAnnounceFrame(TargetAt(0).targetByte, image.size()), announce);
}

TEST(UpgradePackets, TheTargetsKeepTheirBytesPausesAndStates) {
    using Row = std::tuple<std::string, std::string, std::uint32_t, int, long long>;
    const Row rows[] = {
        {"FPGA ", "FPGA.bin", 2, 1, 30}, {"MCU ", "MCU.bin", 3, 0, 100}, {"HDMIRX ", "HDMIRX.bin", 4, 2, 30}};
    for (int i = 0; i < kTargetCount; ++i) {
        const UpgradeTarget& t = TargetAt(i);
        EXPECT_EQ(Row(t.nameText, t.fileName, t.state, t.targetByte, t.pause.count()), rows[i]);
        EXPECT_EQ(TargetOfState(t.state), i);
    }
    EXPECT_EQ(TargetOfState(0), -1);
    EXPECT_EQ(TargetOfState(1), -1);
}

TEST(UpgradePackets, ImagesThatCannotBeAnnouncedAreRefused) {
    EXPECT_EQ(CheckImageSize(0), ImageCheck::Empty);
    EXPECT_EQ(CheckImageSize(1), ImageCheck::Good);
    EXPECT_EQ(CheckImageSize(65535ull * 1024), ImageCheck::Good);
    EXPECT_EQ(CheckImageSize(65535ull * 1024 + 1), ImageCheck::TooLarge); // 65536 blocks would wrap to 0
    EXPECT_EQ(BlockCount(65535ull * 1024 + 1), 65536u);
}

TEST(UpgradePackets, TheFileNameIsThePartAfterTheLastSlash) {
    EXPECT_EQ(FileNameOf("/home/op/images/FPGA.bin"), "FPGA.bin");
    EXPECT_EQ(FileNameOf("FPGA.bin"), "FPGA.bin");
    EXPECT_EQ(FileNameOf("/a/b/fpga.bin"), "fpga.bin");
    EXPECT_EQ(FileNameOf("/dir\\FPGA.bin"), "dir\\FPGA.bin"); // a backslash is part of a Linux name
    EXPECT_EQ(FileNameOf("/dir/"), "");
}

// Read-back blocks: number in bytes 8..9 low byte first, checksum over bytes 0..1037.
Packet Block(std::uint16_t number, bool damage = false) {
    Packet b{};
    b[8] = static_cast<std::uint8_t>(number & 0xFF);
    b[9] = static_cast<std::uint8_t>(number >> 8);
    for (std::size_t i = 14; i < 1038; ++i)
        b[i] = static_cast<std::uint8_t>(i + number);
    b[1038] = PacketChecksum(b.data());
    if (damage)
        b[500] ^= 0x10;
    return b;
}

TEST(ReadBackBlocks, EachBlockIsCheckedAgainstTheLastAccepted) {
    // The block's number, whether it is damaged, the verdict, the last block accepted after it.
    const std::tuple<std::uint16_t, bool, BlockVerdict, std::uint32_t> steps[] = {
        {1, false, BlockVerdict::Accepted, 1},       {2, false, BlockVerdict::Accepted, 2},
        {3, true, BlockVerdict::BadChecksum, 2},     {3, false, BlockVerdict::Accepted, 3},
        {5, false, BlockVerdict::OutOfOrder, 3},     {3, false, BlockVerdict::OutOfOrder, 3},
        {0, false, BlockVerdict::Accepted, 0},       {1, false, BlockVerdict::Accepted, 1},
        {0, true, BlockVerdict::BadChecksum, 1},     {2, false, BlockVerdict::Accepted, 2},
        {65535, false, BlockVerdict::OutOfOrder, 2},
    };
    ReadBackChecker checker;
    for (const auto& [number, damaged, verdict, lastAfter] : steps) {
        EXPECT_EQ(checker.Take(Block(number, damaged).data()), verdict) << number << " " << damaged;
        EXPECT_EQ(checker.LastBlock(), lastAfter) << number << " " << damaged;
    }
    EXPECT_EQ(checker.Accepted(), 6u);
    checker.Reset();
    EXPECT_EQ(checker.Take(Block(2).data()), BlockVerdict::OutOfOrder);
    EXPECT_EQ(checker.Take(Block(1).data()), BlockVerdict::Accepted);
}

TEST(ReadBackBlocks, ARefusedBlockIsNamedWithItsReason) {
    EXPECT_EQ(RefusedBlockText(BlockVerdict::BadChecksum, 63, 62, false),
              "Read-back block 63 was refused: its checksum is wrong.");
    EXPECT_EQ(RefusedBlockText(BlockVerdict::OutOfOrder, 64, 62, false),
              "Read-back block 64 was refused: it came after block 62.");
    EXPECT_EQ(RefusedBlockText(BlockVerdict::OutOfOrder, 64, 62, true),
              "读回的第 64 块被拒绝: 它跟在第 62 块之后。");
}

TEST(ReadBackBlocks, AFileInTheWayIsKeptUnderTheTimeOfDay) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 0; // January
    t.tm_mday = 9;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(KeptAsideName("FPGA.bin", t, 1), "FPGA-20260109-070503.bin");
    EXPECT_EQ(KeptAsideName("FPGA.bin", t, 2), "FPGA-20260109-070503-2.bin");
    EXPECT_EQ(KeptAsideName("FPGA", t, 1), "FPGA-20260109-070503");
}

TEST(ReadBackBlocks, ProgressRunsOver16383Blocks) {
    EXPECT_EQ(ReadBackProgress(0), 0u);
    EXPECT_EQ(ReadBackProgress(16383), 1000u);
    EXPECT_EQ(ReadBackProgress(65535), 1000u);
    EXPECT_EQ(ReadBackProgress(8192), 500u);
}

TEST(ReadBackBlocks, TheFirstDifferingBlockIsFound) {
    const std::vector<std::uint8_t> image = Pattern(10 * 1024 + 5);
    std::vector<std::uint8_t> same = image;
    same.resize(11 * 1024, 0); // the read-back is padded to whole blocks
    EXPECT_EQ(FirstDifferingBlock(image, same), std::nullopt);
    EXPECT_EQ(FirstDifferingBlock(image, image), std::nullopt) << "exactly as long as the image";
    std::vector<std::uint8_t> damaged = same;
    damaged[7 * 1024 + 3] ^= 1;
    damaged[9 * 1024] ^= 1;
    EXPECT_EQ(FirstDifferingBlock(image, damaged), 7u);
    std::vector<std::uint8_t> shorter(image.begin(), image.begin() + 4 * 1024);
    EXPECT_EQ(FirstDifferingBlock(image, shorter), 4u);
}

TEST(UpgradeProgress, TheLineSaysPercentBytesAndTimeLeft) {
    EXPECT_EQ(ProgressLine(524288, 1048576, milliseconds{15360}, false),
              "50 % - 524288 of 1048576 bytes - 16 s left");
    EXPECT_EQ(ProgressLine(0, 0, milliseconds{0}, false), "0 % - 0 of 0 bytes - 0 s left");
    EXPECT_EQ(EstimateLeft(25, 100, milliseconds{1000}), milliseconds{3000});
    EXPECT_EQ(EstimateLeft(0, 100, milliseconds{1000}), milliseconds{0});
}

} // namespace
} // namespace corvane
