#include "link/CommandFrame.h"

#include "link/ByteOrder.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

struct Example {
    std::uint16_t code;
    int byte6; // -1: left at the filler
    std::uint8_t checksum;
};

TEST(CommandFrame, WorkedExamples) {
    const Example examples[] = {
        {0x00AF, -1, 0x87},   {0x000A, -1, 0xE2}, {0x8000, -1, 0x58},
        {0x000F, 0x01, 0x93}, {0x8001, -1, 0x59}, // both bytes of the code set
    };
    for (const Example& e : examples) {
        const Frame f = e.byte6 < 0 ? MakeFrame(e.code) : MakeFrameByte6(e.code, std::uint8_t(e.byte6));
        SCOPED_TRACE(e.code);
        EXPECT_EQ(f[38], e.checksum);
        EXPECT_EQ(FrameCode(f.data()), e.code);
    }
    const Frame af = MakeFrame(0x00AF);
    const Frame expected = {0xED, 0xCB, 0x28, 0x38, 0xAF, 0x00, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                            0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                            0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x87};
    EXPECT_EQ(af, expected);
}

TEST(CommandFrame, ChecksumCoversBytesThreeToThirtySeven) {
    const Frame base = MakeFrame(0x00AF);
    for (int i = 0; i < 39; ++i) {
        Frame f = base;
        f[i] = static_cast<std::uint8_t>(f[i] + 1);
        const bool covered = i >= 3 && i <= 37;
        EXPECT_EQ(FrameChecksum(f.data()) != base[38], covered) << "byte " << i;
    }
}

TEST(ByteOrder, FieldsAreLittleEndian) {
    std::uint8_t b[3] = {};
    PutLE16(b, 0x1234);
    EXPECT_EQ(b[0], 0x34);
    EXPECT_EQ(b[1], 0x12);
    EXPECT_EQ(GetLE16(b), 0x1234);
    PutLE24(b, 0xABCDEF);
    EXPECT_EQ(b[0], 0xEF);
    EXPECT_EQ(b[2], 0xAB);
    const std::uint8_t max[3] = {0xFF, 0xFF, 0xFF};
    EXPECT_EQ(GetLE16(max), 0xFFFF);
    EXPECT_EQ(GetLE24(max), 0xFFFFFFu);
}

} // namespace
