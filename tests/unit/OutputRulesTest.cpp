#include "layout/OutputRules.h"

#include "layout/OutputFrames.h"
#include "link/ByteOrder.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;

namespace {

// A 1920 x 1080 output placed at (1000, 0) on the canvas, its window the whole picture by
// default; the rows give another window, place or active width.
OutputBoxValues V(int winX = 0, int winY = 0, int winW = 1920, int winH = 1080, int canvasX = 1000,
                  int canvasY = 0, int hActive = 1920) {
    return {hActive, 1080, winX, winY, winW, winH, canvasX, canvasY, 1920, 1080, 1920, 1080};
}

struct BoxCase {
    const char* what;
    int box;
    int typed;
    OutputBoxValues values;
    int shown;
    bool requestWindow;
    bool tellBlend;
};

const BoxCase kBoxCases[] = {
    {"odd H Active loses 1", kBoxHActive, 1921, V(), 1920, false, false},
    {"H x V over 2304000: 2304000 / V", kBoxHActive, 2880, V(), 2133, false, false},
    {"H Active above its range", kBoxHActive, 4000, V(), 2133, false, false},
    {"H Active below its range", kBoxHActive, 100, V(), 640, false, false},
    {"V x H over 2304000: 2304000 / H", kBoxVActive, 2160, V(), 1200, false, false},
    {"V against a wide H", kBoxVActive, 1080, V(0, 0, 1920, 1080, 1000, 0, 2880), 800, false, false},
    {"V within the limit", kBoxVActive, 1199, V(), 1199, false, false},
    {"HPos 100 with Width 1920 on a 1920 output", kBoxWinX, 100, V(50, 50), 0, true, false},
    {"HPos unchanged sends nothing", kBoxWinX, 1000, V(1000, 900, 800, 100), 1000, false, false},
    {"HPos corrected to the stored value sends nothing", kBoxWinX, 100, V(), 0, false, false},
    {"VPos against the active height", kBoxWinY, 300, V(1000, 900, 800, 100), 300, true, false},
    {"VPos past the active height", kBoxWinY, 1000, V(1000, 900, 800, 100), 980, true, false},
    {"Width past the active width", kBoxWinW, 1000, V(1000, 900, 800, 100), 920, true, true},
    {"Width unchanged sends nothing", kBoxWinW, 800, V(1000, 900, 800, 100), 800, false, false},
    {"Width never below the box's minimum", kBoxWinW, 500, V(1900, 0, 20), 32, true, true},
    {"Height past the active height", kBoxWinH, 500, V(1000, 900, 800, 100), 180, true, true},
    {"mosaic H Pos + Width capped at 59999", kBoxMosaicX, 59000, V(), 58079, true, false},
    {"mosaic H Pos equal to canvasX sends nothing", kBoxMosaicX, 1000, V(), 1000, false, false},
    {"mosaic V Pos capped", kBoxMosaicY, 59999, V(), 58919, true, false},
    {"mosaic Width capped", kBoxMosaicW, 2000, V(0, 0, 1920, 1080, 59000, 59500), 999, true, true},
    {"mosaic Width unchanged", kBoxMosaicW, 1920, V(), 1920, false, false},
    {"mosaic Height capped", kBoxMosaicH, 1080, V(0, 0, 1920, 1080, 59000, 59500), 499, true, true},
    {"mosaic Width above its range", kBoxMosaicW, 70000, V(), 58999, true, true},
};

} // namespace

TEST(OutputRules, BoxRules) {
    for (const BoxCase& c : kBoxCases) {
        const BoxChange r = CheckBox(c.box, c.typed, c.values);
        EXPECT_EQ(std::tie(r.shown, r.requestWindow, r.tellBlend),
                  std::tie(c.shown, c.requestWindow, c.tellBlend))
            << c.what;
    }
}

TEST(OutputRules, BoxChangesStoreWhereTheyBelong) {
    const OutputBoxValues v = V(1000, 900, 800, 100);

    OutputBoxValues expected = v;
    expected.winW = expected.width = 920; // the window's Width sizes the mosaic too
    EXPECT_EQ(CheckBox(kBoxWinW, 1000, v).after, expected);

    expected = v;
    expected.width = 1500; // the mosaic's Width leaves the window alone
    EXPECT_EQ(CheckBox(kBoxMosaicW, 1500, v).after, expected);

    expected = v;
    expected.hActive = 1920;
    EXPECT_EQ(CheckBox(kBoxHActive, 1921, v).after, expected);

    expected = v;
    expected.canvasY = 58919;
    EXPECT_EQ(CheckBox(kBoxMosaicY, 59999, v).after, expected);

    const BoxChange unknown = CheckBox(1037, 5, v);
    EXPECT_EQ(std::tie(unknown.after, unknown.requestWindow, unknown.tellBlend),
              std::make_tuple(v, false, false));
}

TEST(OutputRules, ApplyDecidesBeforeAsking) {
    ApplyCheck c;
    c.linkState = kLinkSynchronised;
    c.pickedRow = 0;
    c.appliedRow = 0;
    c.customWidth = 1280;
    c.customHeight = 720;
    c.customTag = 1;
    c.hActive = 1280;
    c.vActive = 720;
    c.resTag = 1;
    EXPECT_EQ(CheckApply(c), ApplyStep::Nothing) << "the same listed row";

    c.pickedRow = 4;
    EXPECT_EQ(CheckApply(c), ApplyStep::Ask) << "another row";

    c.pickedRow = c.appliedRow = kCustomResolutionRow;
    EXPECT_EQ(CheckApply(c), ApplyStep::RepaintOnly) << "the custom timing the processor runs";
    c.hActive = 1600; // its window may still be 1280 x 720: what counts is the timing it runs
    EXPECT_EQ(CheckApply(c), ApplyStep::Ask) << "another custom size";
    c.hActive = 1280;
    c.customTag = 0;
    EXPECT_EQ(CheckApply(c), ApplyStep::Ask) << "the custom rate changed";

    c.linkState = kLinkOpen;
    EXPECT_EQ(CheckApply(c), ApplyStep::NotConnected);
}

TEST(OutputRules, ApplyAllSpreadsTheChosenRowAndOnlyACustomTiming) {
    OutputPick own;
    std::tie(own.row, own.customWidth, own.customHeight, own.customTag) = std::make_tuple(3, 800, 600, 0);
    OutputPick chosen;
    std::tie(chosen.row, chosen.customWidth, chosen.customHeight, chosen.customTag) =
        std::make_tuple(kCustomResolutionRow, 1600, 900, 1);
    const auto fields = [](const OutputPick& p) {
        return std::tie(p.row, p.customWidth, p.customHeight, p.customTag);
    };
    OutputPick pick = own;
    TakeChosenPick(pick, chosen);
    EXPECT_EQ(fields(pick), fields(chosen));
    chosen.row = 2;
    pick = own;
    TakeChosenPick(pick, chosen);
    EXPECT_EQ(fields(pick), std::make_tuple(2, 800, 600, 0)) << "a listed row leaves the custom timing";
}

TEST(OutputRules, ResetWindowCoversTheActivePicture) {
    OutputPick pick;
    pick.winX = 100;
    pick.winY = 7;
    pick.winW = 33;
    pick.winH = 44;
    OutputInfo out;
    ResetWindow(pick, out, 1280, 1024);
    EXPECT_EQ(std::tie(pick.winX, pick.winY, pick.winW, pick.winH, out.width, out.height),
              std::make_tuple(0, 0, 1280, 1024, 1280, 1024));
    ResetWindow(pick, out, 70000, -3);
    EXPECT_EQ(std::tie(out.width, out.height), std::make_tuple(0xFFFF, 0));
}

TEST(OutputRules, ReportedResolutionBecomesThePick) {
    OutputPick pick;
    pick.row = 2;
    pick.customWidth = 800;
    OutputInfo out;
    out.resIndex = 5;
    out.hActive = 2000;
    TakeReportedResolution(pick, out);
    EXPECT_EQ(pick.row, 5);
    EXPECT_EQ(pick.customWidth, 800) << "a listed row keeps the page's custom timing";

    out.resIndex = kCustomResolutionRow;
    out.vActive = 1000;
    out.resTag = 1;
    TakeReportedResolution(pick, out);
    EXPECT_EQ(std::tie(pick.row, pick.customWidth, pick.customHeight, pick.customTag),
              std::make_tuple(kCustomResolutionRow, 2000, 1000, 1u));

    for (const std::uint32_t outside : {static_cast<std::uint32_t>(kResolutionCount), 77u}) {
        out.resIndex = outside; // the first index past the last row, and one far out
        TakeReportedResolution(pick, out);
        EXPECT_EQ(pick.row, kCustomResolutionRow) << "a row outside the list is no pick: " << outside;
    }
}

namespace {

// 1920 x 1080, 1280 x 1024, 1024 x 768, 2560 x 816.
const std::array<ActiveSize, kOutputCount> kMixed = {ActiveSize{1920, 1080}, ActiveSize{1280, 1024},
                                                     ActiveSize{1024, 768}, ActiveSize{2560, 816}};

struct ArrangeCase {
    int pattern;
    std::array<CanvasBox, kOutputCount> outputs;
    std::uint32_t mosaicWidth;
    std::uint32_t mosaicHeight;
    std::array<CanvasBox, kLayerCount> layers;
};

const ArrangeCase kArrangeCases[] = {
    // 2 x 2: output 3 sits right of output 2 and under output 0.
    {kArrangeGrid,
     {CanvasBox{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {0, 1080, 1024, 768}, {1024, 1080, 2560, 816}},
     3584,
     1896,
     {CanvasBox{0, 0, 3584, 1896}, {0, 2436, 960, 540}, {960, 2436, 960, 540}, {1920, 2436, 960, 540}}},
    {kArrangeRow,
     {CanvasBox{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {3200, 0, 1024, 768}, {4224, 0, 2560, 816}},
     6784,
     1080,
     {CanvasBox{0, 0, 6784, 1080}, {0, 1620, 960, 540}, {960, 1620, 960, 540}, {1920, 1620, 960, 540}}},
    // One column: the layers are parked to the right of the mosaic.
    {kArrangeColumn,
     {CanvasBox{0, 0, 1920, 1080}, {0, 1080, 1280, 1024}, {0, 2104, 1024, 768}, {0, 2872, 2560, 816}},
     2560,
     3688,
     {CanvasBox{0, 0, 2560, 3688}, {3100, 540, 960, 540}, {4060, 540, 960, 540}, {5020, 540, 960, 540}}},
};

} // namespace

TEST(OutputRules, ArrangeThreePatternsWithMixedResolutions) {
    for (const ArrangeCase& c : kArrangeCases) {
        const std::optional<Arrangement> a = Arrange(c.pattern, kMixed);
        ASSERT_TRUE(a) << "pattern " << c.pattern;
        EXPECT_EQ(a->outputs, c.outputs) << "pattern " << c.pattern;
        EXPECT_EQ(a->mosaicWidth, c.mosaicWidth) << "pattern " << c.pattern;
        EXPECT_EQ(a->mosaicHeight, c.mosaicHeight) << "pattern " << c.pattern;
        EXPECT_EQ(a->layers, c.layers) << "pattern " << c.pattern;
    }
    EXPECT_FALSE(Arrange(3, kMixed));
    EXPECT_FALSE(Arrange(-1, kMixed));
}

TEST(OutputRules, ArrangementSizesComeFromThePicksAndReachTheState) {
    DeviceState s;
    s.outputs[0].resIndex = 0; // 1920 x 1080
    s.outputs[1].resIndex = 4; // 1280 x 1024
    s.outputs[2].resIndex = 1; // 1024 x 768
    s.outputs[3].resIndex = 7; // 2560 x 816
    s.layers[2].visible = 1;
    OutputPicks picks;
    OutputPick custom = PickFor(picks, s, 1);
    custom.row = kCustomResolutionRow;
    custom.customWidth = 1280;
    custom.customHeight = 1024;
    picks[1] = custom; // the page's custom timing counts, not the state's row

    const auto sizes = ActiveSizes(s, picks);
    for (std::size_t k = 0; k < kOutputCount; ++k)
        EXPECT_EQ(std::tie(sizes[k].width, sizes[k].height), std::tie(kMixed[k].width, kMixed[k].height))
            << k;

    const std::optional<Arrangement> a = Arrange(kArrangeGrid, sizes);
    ASSERT_TRUE(a);
    ApplyArrangement(s, *a);
    const OutputInfo& o = s.outputs[3];
    EXPECT_EQ(std::tie(o.canvasX, o.canvasY, o.width, o.height), std::make_tuple(1024u, 1080u, 2560, 816));
    EXPECT_EQ(std::tie(s.layers[0].w, s.layers[0].h), std::make_tuple(3584u, 1896u));
    EXPECT_EQ(s.layers[0].visible, 1) << "layer 0 is shown over the mosaic";
    EXPECT_EQ(s.layers[1].visible, 0) << "parked layers keep their switch";
    EXPECT_EQ(s.layers[2].visible, 1);
    EXPECT_EQ(std::tie(s.layers[3].x, s.layers[3].y), std::make_tuple(1920u, 2436u));

    // The placement command then carries the new place.
    const Frame f = BuildOutputWindowFrame(s, picks, 3);
    EXPECT_EQ(std::make_tuple(GetLE24(&f[7]), GetLE24(&f[10]), GetLE16(&f[13])),
              std::make_tuple(1024u, 1080u, std::uint16_t{2560}));
}
