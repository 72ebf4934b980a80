// The picture page's edits without widgets: the boxes' ranges, the records an edit writes ("ALL"
// or the output shown), the colour temperature that goes with it and the reset.

#include "picture/PictureEdits.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;

namespace {

using Fields = std::tuple<int, int, int, int, int, int, int>; // brightness .. blue

Fields FieldsOf(const PictureSettings& p) {
    return {p.brightness, p.contrast, p.gamma, p.colorTemp, p.red, p.green, p.blue};
}

const Fields kUntouched{128, 128, 10, 0, 128, 128, 128};

} // namespace

TEST(PictureEdits, EveryBoxHasItsRangeAndAByteBoxGivesAWholeByte) {
    const std::tuple<std::uint32_t, float, float> ranges[] = {
        {kPictureBrightness, 0, 255}, {kPictureContrast, 0, 255}, {kPictureGamma, 0.5f, 5.0f},
        {kPictureRed, 0, 255},        {kPictureGreen, 0, 255},    {kPictureBlue, 0, 255}};
    for (const auto& [item, min, max] : ranges)
        EXPECT_EQ(PictureBoxRangeOf(item), (PictureBoxRange{min, max})) << item;
    EXPECT_EQ(PictureByte(254.9f), 254);
    EXPECT_EQ(PictureByte(-3), 0);
}

// The edits of one scenario: each step's records, the others' untouched.
TEST(PictureEdits, EditsWriteTheOutputShownOrAllFourWithTheColourTemperatureChosen) {
    DeviceState state;
    PictureEdits edits(state);
    const PictureShown shown{40, 200, 2.34f, true, 1, 2, 3};
    state.picture[1] = PictureSettings{30, 40, 23, 3, 9, 8, 7, 1, 2, 3, 4};
    EXPECT_TRUE(edits.Choose(1));
    EXPECT_EQ(edits.Refreshed()->green, 120) << "preset 3's gains shown";
    // A preset keeps the record's user gains; a gain makes the three shown the user gains.
    EXPECT_TRUE(edits.Pick(6));
    EXPECT_EQ(FieldsOf(state.picture[1]), (Fields{30, 40, 23, 6, 9, 8, 7}));
    EXPECT_EQ(edits.Commit(kPictureGreen, shown, 6), 8);
    EXPECT_EQ(FieldsOf(state.picture[1]), (Fields{30, 40, 23, 8, 1, 2, 3}));
    // With no row chosen the record keeps its colour temperature.
    EXPECT_EQ(edits.Commit(kPictureGamma, shown, -1), -1);
    EXPECT_EQ(FieldsOf(state.picture[1]), (Fields{30, 40, 23, 8, 1, 2, 3}));
    EXPECT_EQ(FieldsOf(state.picture[0]), kUntouched);
    // In ALL mode every record, each as the row chosen; the reset as " User ".
    edits.ChooseAll();
    edits.Commit(kPictureContrast, shown, 5);
    for (const PictureSettings& p : state.picture)
        EXPECT_EQ(std::make_tuple(p.contrast, p.colorTemp), std::make_tuple(200, 5));
    edits.Reset();
    for (int k = 0; k < kOutputCount; ++k)
        EXPECT_EQ(
            std::make_tuple(FieldsOf(state.picture[static_cast<std::size_t>(k)]), edits.ColorTempSel(k)),
            std::make_tuple(Fields{128, 128, kGammaOff, 8, 128, 128, 128}, 8u));
    EXPECT_EQ(state.picture[1].aux0, 1) << "the aux values stay";
    // Choosing an output leaves ALL.
    EXPECT_FALSE(edits.Choose(1));
    EXPECT_EQ(edits.AffectedOutputs(), std::vector<int>{1});
}
