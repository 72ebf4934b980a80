#include "picture/PictureFrames.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace corvane;

namespace {

// The record every case starts from: the processor's defaults, user colour temperature.
DeviceState UserState() {
    DeviceState s;
    for (PictureSettings& p : s.picture)
        p.colorTemp = kUserColorTemp;
    return s;
}

void ExpectFillerFrom(const Frame& f, std::size_t first) {
    for (std::size_t i = first; i < 38; ++i)
        EXPECT_EQ(f[i], kFiller) << "byte " << i;
    EXPECT_EQ(f[38], FrameChecksum(f.data()));
}

} // namespace

TEST(PictureFrames, WorkedExampleBrightnessOfTheFirstOutput) {
    DeviceState s = UserState();
    s.picture[0].brightness = 100;
    const Frame f = BuildPictureFrame(s, {0, 0, false, kUserColorTemp, kPictureBrightness});
    const std::vector<std::uint8_t> head = {0xED, 0xCB, 0x28, 0x38, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x64, 0x80,
                                            0x0A, 0x08, 0x80, 0x80, 0x80, 0x0A, 0x0A, 0x0A, 0x0A, 0x00};
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin(), f.begin() + 21), head);
    ExpectFillerFrom(f, 21);
    EXPECT_EQ(f[38], 0x86);
}

TEST(PictureFrames, TheFlagsAndTheItemGoBesideTheRecordOfTheOutputNamed) {
    DeviceState s = UserState();
    s.picture[2] = PictureSettings{200, 30, 23, 8, 11, 22, 33, 1, 2, 3, 4};
    s.picture[1].contrast = 7;
    struct Case {
        PictureFrameArgs args;
        std::vector<std::uint8_t> bytes; // 6..20
    };
    const Case cases[] = {
        {{2, 0, false, kUserColorTemp, kPictureBrightness},
         {2, 0, 0, 200, 30, 23, 8, 11, 22, 33, 1, 2, 3, 4, 0}},
        {{2, 0, false, kUserColorTemp, kPictureBlue}, {2, 0, 0, 200, 30, 23, 8, 11, 22, 33, 1, 2, 3, 4, 6}},
        {{2, 1, true, kUserColorTemp, kPictureReset},
         {2, 1, 1, 200, 30, 23, 8, 11, 22, 33, 1, 2, 3, 4, 0x55}},
        {{1, 1, false, kUserColorTemp, kPictureContrast},
         {1, 1, 0, 128, 7, 10, 8, 128, 128, 128, 10, 10, 10, 10, 1}},
        // Only the low bytes of the page's 32-bit values travel.
        {{1, 0x101, false, kUserColorTemp, 0x1FF},
         {1, 1, 0, 128, 7, 10, 8, 128, 128, 128, 10, 10, 10, 10, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.changedItem);
        const Frame f = BuildPictureFrame(s, c.args);
        EXPECT_EQ(FrameCode(f.data()), kCmdPicture);
        EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 6, f.begin() + 21), c.bytes);
        ExpectFillerFrom(f, 21);
    }
}

TEST(PictureFrames, ColourTemperatureChoosesTheGains) {
    DeviceState s;
    std::tie(s.picture[0].red, s.picture[0].green, s.picture[0].blue) = std::make_tuple(1, 2, 3);
    struct Case {
        std::uint32_t colorTemp;
        std::uint8_t red, green, blue;
    };
    const Case cases[] = {
        {0, 128, 107, 81},       {1, 128, 114, 103}, {2, 128, 128, 128},
        {3, 119, 120, 128},      {4, 114, 116, 128}, {5, 107, 112, 128},
        {6, 104, 109, 128},      {7, 99, 106, 128},  {8, 1, 2, 3}, // the record's own user gains
        {9, 0x55, 0x55, 0x55}, // an index the processor reported but no table has: no gains
        {200, 0x55, 0x55, 0x55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colorTemp);
        const Frame f = BuildPictureFrame(s, {0, 0, false, c.colorTemp, kPictureColorTemp});
        // The colour temperature, the gains, then aux0.
        EXPECT_EQ(
            std::vector<std::uint8_t>(f.begin() + 12, f.begin() + 17),
            (std::vector<std::uint8_t>{static_cast<std::uint8_t>(c.colorTemp), c.red, c.green, c.blue, 10}));
        EXPECT_EQ(f[38], FrameChecksum(f.data()));
    }
}

TEST(PictureFrames, ArgumentNamesTheOutput) {
    EXPECT_EQ(PictureCommandOutput(0, 3), 0);
    EXPECT_EQ(PictureCommandOutput(3, 0), 3);
    EXPECT_EQ(PictureCommandOutput(kPictureResetArgument, 2), 2) << "the reset is for the output shown";
    EXPECT_EQ(PictureCommandOutput(5, 2), std::nullopt);
    EXPECT_EQ(PictureCommandOutput(-1, 2), std::nullopt);
}

TEST(PictureFrames, GammaAsShownAndAsKept) {
    // A value outside 0.5..5.0 from the processor is shown at the nearest end.
    const std::pair<int, float> shown[] = {{10, 1.0f}, {23, 2.3f}, {kGammaOff, 1.0f}, {0, 0.5f},
                                           {4, 0.5f},  {51, 5.0f}, {254, 5.0f}};
    for (const auto& [tenths, value] : shown)
        EXPECT_FLOAT_EQ(GammaShown(tenths), value) << tenths;
    // 2.3 is also a slider position 18 steps from 0.5; beyond the ends the nearest end is kept.
    const std::pair<float, int> kept[] = {{0.7f, 7},  {2.3f, 23}, {0.5f + 18 / 10.0f, 23},
                                          {5.0f, 50}, {9.0f, 50}, {0.0f, 5}};
    for (const auto& [value, tenths] : kept)
        EXPECT_EQ(GammaTenths(value, true), tenths) << value;
    EXPECT_EQ(GammaTenths(2.3f, false), kGammaOff);
}
