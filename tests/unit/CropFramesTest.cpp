#include "picture/CropFrames.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(CropFrames, WorkedExampleOfTheCropCommand) {
    DeviceState s;
    s.crop.rects[0] = CropRect{1, 100, 50, 1720, 980, 1920, 1080};
    const Frame f = BuildCropFrame(s, 0, kCropSet);
    const std::uint8_t head[] = {0xED, 0xCB, 0x28, 0x38, 0x01, 0x00, 0x00, 0x00, 0x01, 0x64, 0x00,
                                 0x32, 0x00, 0xB8, 0x06, 0xD4, 0x03, 0x80, 0x07, 0x38, 0x04};
    for (std::size_t i = 0; i < sizeof head; ++i)
        EXPECT_EQ(f[i], head[i]) << i;
    for (std::size_t i = 21; i < 38; ++i)
        EXPECT_EQ(f[i], 0x55) << i;
    EXPECT_EQ(f[38], 0xCD);
}

TEST(CropFrames, PresetRecordCarriesAPair) {
    DeviceState s;
    s.crop.rects[2] = CropRect{1, 1, 2, 3, 4, 5, 6};
    s.crop.rects[3] = CropRect{0, 7, 8, 9, 10, 11, 12};
    const Frame f = BuildCropPresetFrame(s, 2);
    EXPECT_EQ(f[4], 0x02);
    EXPECT_EQ(f[6], 0x34);
    EXPECT_EQ(f[7], 1);
    EXPECT_EQ(f[8], 1);
    EXPECT_EQ(f[20], 0);
    EXPECT_EQ(f[21], 7);
    EXPECT_EQ(f[32], 0);
    EXPECT_EQ(f[33], 0x55);
    EXPECT_EQ(f[38], FrameChecksum(f.data()));
    EXPECT_EQ(BuildCropPresetFrame(s, 0)[6], 0x12);
}
