#include "layout/OutputRules.h"

#include "layout/OutputFrames.h"
#include "link/ByteOrder.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

// A 1920 x 1080 output placed at (1000, 0) on the canvas, its window the whole picture.
OutputBoxValues Output1920() {
    OutputBoxValues v;
    v.hActive = 1920;
    v.vActive = 1080;
    v.winX = 0;
    v.winY = 0;
    v.winW = 1920;
    v.winH = 1080;
    v.canvasX = 1000;
    v.canvasY = 0;
    v.width = 1920;
    v.height = 1080;
    v.activeWidth = 1920;
    v.activeHeight = 1080;
    return v;
}

struct BoxCase {
    const char* what;
    int box;
    int typed;
    OutputBoxValues (*values)();
    int shown;
    bool requestWindow;
    bool tellBlend;
};

OutputBoxValues WindowAt50() {
    OutputBoxValues v = Output1920();
    v.winX = 50;
    v.winY = 50;
    return v;
}
OutputBoxValues WindowAt1000() {
    OutputBoxValues v = Output1920();
    v.winX = 1000;
    v.winY = 900;
    v.winW = 800;
    v.winH = 100;
    return v;
}
OutputBoxValues WindowAt1900() {
    OutputBoxValues v = Output1920();
    v.winX = 1900;
    v.winW = 20;
    return v;
}
OutputBoxValues MosaicAt59000() {
    OutputBoxValues v = Output1920();
    v.canvasX = 59000;
    v.canvasY = 59500;
    return v;
}
OutputBoxValues Tall2880() {
    OutputBoxValues v = Output1920();
    v.hActive = 2880;
    return v;
}

const BoxCase kBoxCases[] = {
    {"odd H Active loses 1", kBoxHActive, 1921, Output1920, 1920, false, false},
    {"H x V over 2304000: 2304000 / V", kBoxHActive, 2880, Output1920, 2133, false, false},
    {"H Active above its range", kBoxHActive, 4000, Output1920, 2133, false, false},
    {"H Active below its range", kBoxHActive, 100, Output1920, 640, false, false},
    {"V x H over 2304000: 2304000 / H", kBoxVActive, 2160, Output1920, 1200, false, false},
    {"V against a wide H", kBoxVActive, 1080, Tall2880, 800, false, false},
    {"V within the limit", kBoxVActive, 1199, Output1920, 1199, false, false},
    {"HPos 100 with Width 1920 on a 1920 output", kBoxWinX, 100, WindowAt50, 0, true, false},
    {"HPos unchanged sends nothing", kBoxWinX, 1000, WindowAt1000, 1000, false, false},
    {"HPos corrected to the stored value sends nothing", kBoxWinX, 100, Output1920, 0, false, false},
    {"VPos against the active height", kBoxWinY, 300, WindowAt1000, 300, true, false},
    {"VPos past the active height", kBoxWinY, 1000, WindowAt1000, 980, true, false},
    {"Width past the active width", kBoxWinW, 1000, WindowAt1000, 920, true, true},
    {"Width unchanged sends nothing", kBoxWinW, 800, WindowAt1000, 800, false, false},
    {"Width never below the box's minimum", kBoxWinW, 500, WindowAt1900, 32, true, true},
    {"Height past the active height", kBoxWinH, 500, WindowAt1000, 180, true, true},
    {"mosaic H Pos + Width capped at 59999", kBoxMosaicX, 59000, Output1920, 58079, true, false},
    {"mosaic H Pos equal to canvasX sends nothing", kBoxMosaicX, 1000, Output1920, 1000, false, false},
    {"mosaic V Pos capped", kBoxMosaicY, 59999, Output1920, 58919, true, false},
    {"mosaic Width capped", kBoxMosaicW, 2000, MosaicAt59000, 999, true, true},
    {"mosaic Width unchanged", kBoxMosaicW, 1920, Output1920, 1920, false, false},
    {"mosaic Height capped", kBoxMosaicH, 1080, MosaicAt59000, 499, true, true},
    {"mosaic Width above its range", kBoxMosaicW, 70000, Output1920, 58999, true, true},
};

} // namespace

TEST(OutputRules, BoxRules) {
    for (const BoxCase& c : kBoxCases) {
        const BoxChange r = CheckBox(c.box, c.typed, c.values());
        EXPECT_EQ(r.shown, c.shown) << c.what;
        EXPECT_EQ(r.requestWindow, c.requestWindow) << c.what;
        EXPECT_EQ(r.tellBlend, c.tellBlend) << c.what;
    }
}

TEST(OutputRules, BoxChangesStoreWhereTheyBelong) {
    const OutputBoxValues v = WindowAt1000();

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
    EXPECT_EQ(unknown.after, v);
    EXPECT_FALSE(unknown.requestWindow);
    EXPECT_FALSE(unknown.tellBlend);
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

TEST(OutputRules, ResetWindowCoversTheActivePicture) {
    OutputPick pick;
    pick.winX = 100;
    pick.winY = 7;
    pick.winW = 33;
    pick.winH = 44;
    OutputInfo out;
    ResetWindow(pick, out, 1280, 1024);
    EXPECT_EQ(pick.winX, 0);
    EXPECT_EQ(pick.winY, 0);
    EXPECT_EQ(pick.winW, 1280);
    EXPECT_EQ(pick.winH, 1024);
    EXPECT_EQ(out.width, 1280);
    EXPECT_EQ(out.height, 1024);
    ResetWindow(pick, out, 70000, -3);
    EXPECT_EQ(out.width, 0xFFFF);
    EXPECT_EQ(out.height, 0);
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
    EXPECT_EQ(pick.row, kCustomResolutionRow);
    EXPECT_EQ(pick.customWidth, 2000);
    EXPECT_EQ(pick.customHeight, 1000);
    EXPECT_EQ(pick.customTag, 1u);

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

TEST(OutputRules, OneRowOfFourFullHdOutputs) {
    const ActiveSize fullHd{1920, 1080};
    const std::optional<Arrangement> a = Arrange(kArrangeRow, {fullHd, fullHd, fullHd, fullHd});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->outputs[0].x, 0u);
    EXPECT_EQ(a->outputs[1].x, 1920u);
    EXPECT_EQ(a->outputs[2].x, 3840u);
    EXPECT_EQ(a->outputs[3].x, 5760u);
    EXPECT_EQ(a->layers[0], (CanvasBox{0, 0, 7680, 1080}));
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
    for (std::size_t k = 0; k < kOutputCount; ++k) {
        EXPECT_EQ(sizes[k].width, kMixed[k].width) << "output " << k;
        EXPECT_EQ(sizes[k].height, kMixed[k].height) << "output " << k;
    }

    const std::optional<Arrangement> a = Arrange(kArrangeGrid, sizes);
    ASSERT_TRUE(a);
    ApplyArrangement(s, *a);
    EXPECT_EQ(s.outputs[3].canvasX, 1024u);
    EXPECT_EQ(s.outputs[3].canvasY, 1080u);
    EXPECT_EQ(s.outputs[3].width, 2560);
    EXPECT_EQ(s.outputs[3].height, 816);
    EXPECT_EQ(s.layers[0].w, 3584u);
    EXPECT_EQ(s.layers[0].h, 1896u);
    EXPECT_EQ(s.layers[0].visible, 1) << "layer 0 is shown over the mosaic";
    EXPECT_EQ(s.layers[1].visible, 0) << "parked layers keep their switch";
    EXPECT_EQ(s.layers[2].visible, 1);
    EXPECT_EQ(s.layers[3].x, 1920u);
    EXPECT_EQ(s.layers[3].y, 2436u);

    // The placement command then carries the new place.
    const Frame f = BuildOutputWindowFrame(s, picks, 3);
    EXPECT_EQ(GetLE24(&f[7]), 1024u);
    EXPECT_EQ(GetLE24(&f[10]), 1080u);
    EXPECT_EQ(GetLE16(&f[13]), 2560);
}
