// The simulated boot loader: the upgrade exchange, the read-back, and the failures it can be told
// to show.

#include "SimModelFixture.h"
#include "link/ByteOrder.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;

namespace {

TEST_F(Model, UpgradeExchange) {
    EXPECT_EQ(Kinds(Command(MakeFrame(0x8000))), std::vector<std::string>{"8002"});
    EXPECT_TRUE(model.InBootLoader());
    EXPECT_TRUE(Command(MakeFrameByte6(0x0006, 0)).empty()) << "the boot loader knows no settings";

    const std::vector<std::uint8_t> image(2 * 1024 + 1, 0x3C);
    Frame announce = MakeFrameByte6(0x8001, 0); // MCU
    PutLE16(&announce[7], 3);
    SealFrame(announce);
    const auto erase = Command(announce);
    ASSERT_EQ(erase.size(), 4u);
    EXPECT_EQ(erase.back().bytes[6], 2) << "erase finished";
    EXPECT_EQ(erase.front().bytes[6], 4) << "erase in progress";
    EXPECT_LT(erase.front().delay, erase.back().delay);
    for (std::size_t pos = 0; pos < image.size(); pos += 1024) {
        const auto packet =
            MakeDataPacket(image.data() + pos, std::min<std::size_t>(1024, image.size() - pos));
        EXPECT_TRUE(model.OnBlock(packet.data()).empty());
    }
    EXPECT_EQ(Kinds(Command(MakeFrame(0x8004))), std::vector<std::string>{"ack7/0"});
    EXPECT_EQ(model.Image(Target::Mcu), image);

    // A refused image, and one with a damaged packet, end with result 0.
    for (int round = 0; round < 2; ++round) {
        model.SetRefuseUpgrade(round == 0);
        Command(announce);
        for (std::size_t pos = 0; pos < image.size(); pos += 1024) {
            auto packet = MakeDataPacket(image.data() + pos, std::min<std::size_t>(1024, image.size() - pos));
            if (round == 1 && pos == 1024)
                packet[500] ^= 1;
            model.OnBlock(packet.data());
        }
        const auto result = Command(MakeFrame(0x8004));
        ASSERT_EQ(result.size(), 1u);
        EXPECT_EQ(result[0].bytes[8], 0) << round;
    }
    // 0x8004 with no image running leaves the boot loader.
    Command(MakeFrame(0x8004));
    EXPECT_FALSE(model.InBootLoader());
}

TEST_F(Model, ReadBackSendsNumberedBlocksThenFinished) {
    Command(MakeFrame(0x8000));
    const auto out = Command(MakeFrame(0x8003));
    ASSERT_EQ(out.size(), 64u + 1u);
    for (std::size_t i = 0; i < 64; ++i) {
        const auto& b = out[i].bytes;
        ASSERT_EQ(b.size(), kBlockSize);
        EXPECT_EQ(GetLE16(&b[8]), i + 1);
        EXPECT_EQ(b[1038], static_cast<std::uint8_t>(std::accumulate(b.begin(), b.end() - 1, 0u)));
    }
    EXPECT_EQ(Kinds({out.back()}), std::vector<std::string>{"8002"});
    EXPECT_EQ(out.back().bytes[6], 3);
}

TEST_F(Model, UpgradeFaultsProduceEveryFailureTheDialogHandles) {
    UpgradeFaults faults;
    faults.noAnnounce = true;
    model.SetUpgradeFaults(faults);
    EXPECT_TRUE(Command(MakeFrame(0x8000)).empty()) << "no announce";
    EXPECT_TRUE(model.InBootLoader());

    const std::vector<std::uint8_t> image(3 * 1024, 0x5A);
    Frame announce = MakeFrameByte6(0x8001, 1); // FPGA
    PutLE16(&announce[7], 3);
    SealFrame(announce);
    auto send = [&] {
        Command(announce);
        for (std::size_t pos = 0; pos < image.size(); pos += 1024)
            model.OnBlock(MakeDataPacket(image.data() + pos, 1024).data());
        return Command(MakeFrame(0x8004));
    };
    faults = UpgradeFaults{};
    faults.noResult = true;
    model.SetUpgradeFaults(faults);
    EXPECT_TRUE(send().empty()) << "the image is taken, no result comes";
    EXPECT_EQ(model.Image(Target::Fpga), image);

    faults = UpgradeFaults{};
    faults.damagePacket = 2;
    model.SetUpgradeFaults(faults);
    const auto result = send();
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].bytes[8], 0) << "a damaged packet fails the image";
    EXPECT_EQ(model.BadPackets(), 1u);

    // Read-back: block 2 missing (block 3 then comes out of order) and block 3 damaged; a
    // damaged flash cell in the first block is read back as it is.
    faults = UpgradeFaults{};
    faults.damageReadBack = 3;
    faults.skipReadBack = 2;
    model.SetUpgradeFaults(faults);
    ASSERT_TRUE(model.DamageImage(Target::Fpga, 0));
    EXPECT_FALSE(model.DamageImage(Target::Fpga, 3));
    Command(MakeFrame(0x8000));
    const auto out = Command(MakeFrame(0x8003));
    ASSERT_EQ(out.size(), 2u + 1u) << "blocks 1 and 3 of the 3-block image, then the end";
    EXPECT_EQ(GetLE16(&out[0].bytes[8]), 1);
    EXPECT_NE(out[0].bytes[14 + 1], image[1]);
    const auto& damaged = out[1].bytes;
    EXPECT_EQ(GetLE16(&damaged[8]), 3);
    EXPECT_NE(damaged[1038],
              static_cast<std::uint8_t>(std::accumulate(damaged.begin(), damaged.end() - 1, 0u)));
}

} // namespace
