#include "blend/BlendRules.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;

namespace {

struct ZoneCase {
    const char* what;
    BlendZone before;
    double typed;
    int extent;
    BlendZone after;
};

} // namespace

TEST(BlendRules, TheWidthBoxAppliesTheMinimumBeforeTheCutAtTheEdge) {
    const ZoneCase cases[] = {
        {"width 400 from 1700 on 1920 leaves 220", {1700, 256}, 400, 1920, {1700, 220}},
        {"width 100 shows 256", {0, 300}, 100, 1920, {0, 256}},
        {"width 100 from 1700: 256, then cut to 220", {1700, 300}, 100, 1920, {1700, 220}},
        {"a width that fits is kept", {100, 256}, 800, 1920, {100, 800}},
        {"ending exactly at the edge is kept", {1664, 256}, 256, 1920, {1664, 256}},
        {"a start outside a smaller output moves the zone to its edge", {2000, 256}, 300, 1920, {1620, 300}},
        {"a start exactly at the edge moves the zone too", {1920, 256}, 300, 1920, {1620, 300}},
        {"a zone wider than the output starts at 0", {2000, 256}, 3000, 1920, {0, 3000}},
        {"an unknown output size cuts nothing", {1700, 256}, 400, 0, {1700, 400}},
        {"a negative width reads 256", {0, 300}, -5, 1920, {0, 256}},
        {"a width beyond the field is kept in 16 bits", {0, 300}, 1e9, 0, {0, 65535}},
        {"the fraction is dropped", {0, 300}, 300.9, 1920, {0, 300}},
    };
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CommitZoneSize(c.before, c.typed, c.extent), c.after);
    }
}

TEST(BlendRules, TheStartBoxMovesTheZoneBackInsideTheOutput) {
    const ZoneCase cases[] = {
        {"a start that fits is kept", {0, 256}, 1000, 1920, {1000, 256}},
        {"a start past the edge ends the zone at the edge", {0, 256}, 1800, 1920, {1664, 256}},
        {"a vertical zone against the height", {0, 300}, 900, 1080, {780, 300}},
        {"a zone wider than the output starts at 0", {0, 2000}, 50, 1920, {0, 2000}},
        {"an unknown output size cuts nothing", {0, 256}, 5000, 0, {5000, 256}},
        {"a negative start reads 0", {500, 256}, -3, 1920, {0, 256}},
        {"a start beyond the field is kept in 16 bits", {0, 256}, 70000, 0, {65535, 256}},
    };
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CommitZoneStart(c.before, c.typed, c.extent), c.after);
    }
}

TEST(BlendRules, TheExtentIsTheActiveSizeTheOutputPageHasPicked) {
    DeviceState s;
    OutputPicks picks;
    s.resolutions[2].width = 1280;
    s.resolutions[2].height = 720;
    s.outputs[1].resIndex = 2;
    EXPECT_EQ(ZoneExtent(s, picks, 1, kSideH2), 1280);
    EXPECT_EQ(ZoneExtent(s, picks, 1, kSideV1), 720);

    // A pick of the output page wins over what the processor runs; the custom row its timing.
    OutputPick pick;
    pick.row = kCustomResolutionRow;
    pick.customWidth = 2560;
    pick.customHeight = 900;
    picks[1] = pick;
    EXPECT_EQ(ZoneExtent(s, picks, 1, kSideH1), 2560);
    EXPECT_EQ(ZoneExtent(s, picks, 1, kSideV2), 900);
}

TEST(BlendRules, OnlyTheBoxesOfTheSidesAxisFollowTheSwitch) {
    for (int side = 0; side < kSideCount; ++side) {
        SCOPED_TRACE(side);
        const bool horizontal = side < kSideV1;
        const BlendEnabling on = EnablingFor(side, true);
        EXPECT_EQ(on.horizontalBoxes, horizontal);
        EXPECT_EQ(on.verticalBoxes, !horizontal);
        EXPECT_TRUE(on.sideControls);
        const BlendEnabling off = EnablingFor(side, false);
        EXPECT_FALSE(off.horizontalBoxes || off.verticalBoxes || off.sideControls);
    }
}

TEST(BlendRules, GammaListRunsFromOneToFiveInTenths) {
    const auto& items = GammaItems();
    ASSERT_EQ(items.size(), 41u);
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(std::make_tuple(items[i].tenths, GammaItemFor(items[i].tenths)),
                  std::make_tuple(10 + static_cast<int>(i), static_cast<int>(i)));
    EXPECT_EQ(std::make_tuple(items.front().text, items[12].text, items.back().text),
              std::make_tuple("1.0", "2.2", "5.0"));
    EXPECT_EQ(std::make_tuple(GammaItemFor(0), GammaItemFor(255)), std::make_tuple(0, 40)) << "nearest end";
    EXPECT_EQ(std::make_tuple(GammaOfItem(0), GammaOfItem(40), GammaOfItem(41), GammaOfItem(-1)),
              std::make_tuple(10, 50, std::nullopt, std::nullopt));
}

TEST(BlendRules, DirectionLabelsFollowTheAxisAndTheLanguage) {
    EXPECT_EQ(DirectionLabelsFor(kSideH1, "English").first, "Left To Right");
    EXPECT_EQ(DirectionLabelsFor(kSideH2, "English").second, "Right To Left");
    EXPECT_EQ(DirectionLabelsFor(kSideV1, "English").first, "Top To Bottom");
    EXPECT_EQ(DirectionLabelsFor(kSideV2, "English").second, "Bottom To Top");
    EXPECT_EQ(DirectionLabelsFor(kSideV2, "Chinese").second, "从下到上");
}

TEST(BlendRules, ATableTheProcessorReportsOutsideTheChoicesMarksNone) {
    BlendSide side;
    side.table = 4;
    EXPECT_EQ(TableChoiceOf(side), 4);
    side.table = 5;
    EXPECT_EQ(TableChoiceOf(side), -1);
}
