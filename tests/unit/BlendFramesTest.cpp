#include "blend/BlendFrames.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(BlendFrames, WorkedExampleOfOutputZeroWithTheDefaultSides) {
    const DeviceState s;
    const Frame f = BuildBlendFrame(s, 0);
    const Frame expected = {0xED, 0xCB, 0x28, 0x38, 0x07, 0x00, 0x00, 0x02, 0x16, 0x00, 0x00, 0x00, 0x00,
                            0x01, 0x00, 0x0A, 0x00, 0x80, 0x06, 0x00, 0x01, 0x02, 0x16, 0x00, 0x00, 0x00,
                            0x00, 0x01, 0x00, 0x16, 0x00, 0x38, 0x03, 0x00, 0x01, 0x55, 0x55, 0x55, 0x53};
    EXPECT_EQ(f, expected);
}

TEST(BlendFrames, EveryOutputCarriesItsOwnSidesAndCurve) {
    DeviceState s;
    for (int o = 0; o < kOutputCount; ++o) {
        OutputInfo& out = s.outputs[static_cast<std::size_t>(o)];
        for (int side = 0; side < kSideCount; ++side) {
            BlendSide& b = out.blend[static_cast<std::size_t>(side)];
            b.enable = static_cast<std::uint8_t>((o + side) & 1);
            b.direction = static_cast<std::uint8_t>(side >> 1);
            b.gamma = static_cast<std::uint8_t>(10 + o * 10 + side);
            b.table = static_cast<std::uint8_t>(side);
            b.start = static_cast<std::uint16_t>(1000 * o + 300 * side + 1);
            b.size = static_cast<std::uint16_t>(256 + 513 * o + side);
        }
        for (int i = 0; i < 16; ++i)
            out.curve[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(16 * o + i);
    }
    for (int o = 0; o < kOutputCount; ++o) {
        SCOPED_TRACE(o);
        const OutputInfo& out = s.outputs[static_cast<std::size_t>(o)];
        const Frame f = BuildBlendFrame(s, o);
        EXPECT_EQ(FrameCode(f.data()), kCmdBlend);
        EXPECT_EQ(f[6], o);
        for (std::size_t side = 0; side < kSideCount; ++side) {
            const BlendSide& b = out.blend[side];
            const std::uint8_t* p = &f[7 + 7 * side];
            EXPECT_EQ(p[0], 2 * b.direction + b.enable);
            EXPECT_EQ(p[1], b.gamma);
            EXPECT_EQ(p[2], b.table);
            EXPECT_EQ(p[3] | p[4] << 8, b.start);
            EXPECT_EQ(p[5] | p[6] << 8, b.size);
        }
        EXPECT_EQ(f[35], 0x55);
        EXPECT_EQ(f[37], 0x55);
        EXPECT_EQ(f[38], FrameChecksum(f.data()));

        const Frame c = BuildBlendCurveFrame(s, o);
        EXPECT_EQ(FrameCode(c.data()), kCmdBlendCurve);
        EXPECT_EQ(c[6], o);
        for (std::size_t i = 0; i < 16; ++i)
            EXPECT_EQ(c[7 + i], out.curve[i]) << i;
        for (std::size_t i = 23; i < 38; ++i)
            EXPECT_EQ(c[i], 0x55) << i;
        EXPECT_EQ(c[38], FrameChecksum(c.data()));
    }
}
