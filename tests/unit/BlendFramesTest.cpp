#include "blend/BlendFrames.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace corvane;

TEST(BlendFrames, WorkedExampleOfOutputZeroWithTheDefaultSides) {
    const DeviceState s;
    const Frame f = BuildBlendFrame(s, 0);
    const Frame expected = {0xED, 0xCB, 0x28, 0x38, 0x07, 0x00, 0x00, 0x02, 0x16, 0x00, 0x00, 0x00, 0x00,
                            0x01, 0x00, 0x0A, 0x00, 0x80, 0x06, 0x00, 0x01, 0x02, 0x16, 0x00, 0x00, 0x00,
                            0x00, 0x01, 0x00, 0x16, 0x00, 0x38, 0x03, 0x00, 0x01, 0x55, 0x55, 0x55, 0x53};
    EXPECT_EQ(f, expected);
}

TEST(BlendFrames, AnOutputCarriesItsOwnSidesAndCurve) {
    DeviceState s;
    s.outputs[2].blend[kSideV1] = BlendSide{1, 1, 30, 4, 0x0102, 0x0304};
    for (std::size_t i = 0; i < 16; ++i)
        s.outputs[2].curve[i] = static_cast<std::uint8_t>(i + 1);
    const Frame f = BuildBlendFrame(s, 2);
    EXPECT_EQ(f[6], 2);
    // V1, the third side: 2 * direction + enable, gamma, table, start and size little-endian.
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 21, f.begin() + 28),
              (std::vector<std::uint8_t>{3, 30, 4, 0x02, 0x01, 0x04, 0x03}));
    EXPECT_EQ(BuildBlendFrame(s, 0), BuildBlendFrame(DeviceState{}, 0)) << "another output's own sides";

    const Frame c = BuildBlendCurveFrame(s, 2);
    Frame expected = {0xED, 0xCB, 0x28, 0x38, 0x08, 0x00, 0x02, 1,  2,  3,  4, 5,
                      6,    7,    8,    9,    10,   11,   12,   13, 14, 15, 16};
    std::fill(expected.begin() + 23, expected.end(), 0x55);
    expected[38] = FrameChecksum(expected.data());
    EXPECT_EQ(c, expected);
    // The page's commands: only synchronised, only its two codes and four outputs.
    s.linkState = kLinkOpen;
    EXPECT_EQ(BlendCommandFrame(s, kCmdBlendCurve, 2), std::nullopt);
    s.linkState = kLinkSynchronised;
    EXPECT_EQ(BlendCommandFrame(s, kCmdBlendCurve, 2), c);
    EXPECT_EQ(BlendCommandFrame(s, kCmdBlend, 2), f);
    EXPECT_EQ(BlendCommandFrame(s, kCmdBlend, 4), std::nullopt);
    EXPECT_EQ(BlendCommandFrame(s, kCmdPicture, 2), std::nullopt) << "another code";
}
