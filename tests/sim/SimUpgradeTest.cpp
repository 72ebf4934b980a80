// The simulated boot loader: the upgrade exchange, the read-back, and the failures it can be told
// to show. (Images taken byte for byte over the line: UpgradeEndToEnd.)

#include "SimModelFixture.h"
#include "link/ByteOrder.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;

namespace {

class BootLoader : public Model {
protected:
    // The announce of an image of `packets` packets for `target` (0 MCU, 1 FPGA).
    static Frame Announce(int target, std::uint16_t packets) {
        Frame f = MakeFrameByte6(0x8001, static_cast<std::uint8_t>(target));
        PutLE16(&f[7], packets);
        SealFrame(f);
        return f;
    }
    // Announces `image`, sends its packets (spoiling a byte of packet `spoilt`, from 1) and ends
    // it; the answer to the end.
    std::vector<Outgoing> Upgrade(int target, const std::vector<std::uint8_t>& image,
                                  std::size_t spoilt = 0) {
        Command(Announce(target, static_cast<std::uint16_t>((image.size() + 1023) / 1024)));
        for (std::size_t pos = 0; pos < image.size(); pos += 1024) {
            auto packet = MakeDataPacket(image.data() + pos, std::min<std::size_t>(1024, image.size() - pos));
            if (pos / 1024 + 1 == spoilt)
                packet[500] ^= 1;
            EXPECT_TRUE(model.OnBlock(packet.data()).empty());
        }
        return Command(MakeFrame(0x8004));
    }
    static bool Sealed(const std::vector<std::uint8_t>& b) {
        return b[1038] == static_cast<std::uint8_t>(std::accumulate(b.begin(), b.end() - 1, 0u));
    }
};

TEST_F(BootLoader, UpgradeExchangeAndReadBack) {
    EXPECT_EQ(Kinds(Command(MakeFrame(0x8000))), std::vector<std::string>{"8002"});
    EXPECT_TRUE(model.InBootLoader());
    EXPECT_TRUE(Command(MakeFrameByte6(0x0006, 0)).empty()) << "the boot loader knows no settings";
    const auto erase = Command(Announce(0, 3));
    ASSERT_EQ(erase.size(), 4u);
    EXPECT_EQ(erase.front().bytes[6], 4) << "erase in progress";
    EXPECT_EQ(erase.back().bytes[6], 2) << "erase finished";
    EXPECT_LT(erase.front().delay, erase.back().delay);

    // Taken, refused, and with a damaged packet: result 1, 0, 0.
    const std::vector<std::uint8_t> image(2 * 1024 + 1, 0x3C);
    EXPECT_EQ(Kinds(Upgrade(0, image)), std::vector<std::string>{"ack7/0"});
    EXPECT_EQ(model.Image(Target::Mcu), image);
    for (const bool refuse : {true, false}) {
        model.SetRefuseUpgrade(refuse);
        const auto result = Upgrade(0, image, refuse ? 0 : 2);
        ASSERT_EQ(result.size(), 1u);
        EXPECT_EQ(result[0].bytes[8], 0) << refuse;
    }

    // The read-back of the firmware: 64 numbered blocks, then "finished".
    const auto out = Command(MakeFrame(0x8003));
    ASSERT_EQ(out.size(), 64u + 1u);
    for (std::size_t i = 0; i < 64; ++i) {
        ASSERT_EQ(out[i].bytes.size(), kBlockSize);
        EXPECT_EQ(GetLE16(&out[i].bytes[8]), i + 1);
        EXPECT_TRUE(Sealed(out[i].bytes)) << i;
    }
    EXPECT_EQ(Kinds({out.back()}), std::vector<std::string>{"8002"});
    EXPECT_EQ(out.back().bytes[6], 3);

    // 0x8004 with no image running leaves the boot loader.
    Command(MakeFrame(0x8004));
    EXPECT_FALSE(model.InBootLoader());
}

TEST_F(BootLoader, UpgradeFaultsProduceEveryFailureTheDialogHandles) {
    UpgradeFaults faults;
    faults.noAnnounce = true;
    model.SetUpgradeFaults(faults);
    EXPECT_TRUE(Command(MakeFrame(0x8000)).empty()) << "no announce";
    EXPECT_TRUE(model.InBootLoader());

    const std::vector<std::uint8_t> image(3 * 1024, 0x5A);
    faults = UpgradeFaults{};
    faults.noResult = true;
    model.SetUpgradeFaults(faults);
    EXPECT_TRUE(Upgrade(1, image).empty()) << "the image is taken, no result comes";
    EXPECT_EQ(model.Image(Target::Fpga), image);

    faults = UpgradeFaults{};
    faults.damagePacket = 2;
    model.SetUpgradeFaults(faults);
    const auto result = Upgrade(1, image);
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
    EXPECT_EQ(GetLE16(&out[1].bytes[8]), 3);
    EXPECT_FALSE(Sealed(out[1].bytes));
}

} // namespace
