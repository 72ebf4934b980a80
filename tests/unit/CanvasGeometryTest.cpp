#include "layout/CanvasGeometry.h"

#include "layout/CellDeviceRect.h"
#include "layout/ZoomPreview.h"

#include <gtest/gtest.h>
#include <vector>

using namespace corvane;

namespace {

const Rect kClient{0, 0, 10000, 10000};
const Scale kSix{6.0, 6.0};

TEST(CanvasGeometry, DeviceRectanglesShowAndReturnExactly) {
    struct Case {
        Rect device;
        Rect control;
        Residual residual;
    };
    const Case cases[] = {
        {{0, 0, 960, 540}, {0, 0, 160, 90}, {0, 0, 0, 0}},
        {{600, 0, 1600, 540}, {100, 0, 267, 90}, {0, -2, 0, 0}},
        {{125, 198, 2045, 1278}, {21, 33, 341, 213}, {-1, 0, 0, 0}},
        {{1, 1, 961, 541}, {0, 0, 160, 90}, {0, 0, 0, 0}},
        {{59000, 70, 59999, 1150}, {9833, 12, 10000, 192}, {2, -3, -2, 0}},
    };
    for (const Case& c : cases) {
        const Placement p = DeviceToControl(c.device, kSix, kClient);
        EXPECT_EQ(p.control, c.control) << c.device.left;
        EXPECT_EQ(p.residual, c.residual) << c.device.left;
        // A cell that has not been moved reports the device values it was given.
        if (c.device.left > 1 && c.control.right < kClient.right) {
            EXPECT_EQ(ControlToDevice(p.control, p.residual, kSix), c.device) << c.device.left;
        }
    }
    const Placement origin = DeviceToControl({0, 0, 960, 540}, kSix, kClient);
    EXPECT_EQ(ControlToDevice(origin.control, origin.residual, kSix), (Rect{0, 0, 960, 540}));
}

TEST(CanvasGeometry, MovingAndResizingKeepTheDeviceSize) {
    const Rect device{600, 0, 1600, 540};
    const Placement p = DeviceToControl(device, kSix, kClient);
    // A move takes the new left and top and keeps 1000 wide.
    const Rect moved = p.control.Offset(10, 5);
    const Rect afterMove =
        UpdateDeviceForZone(device, ControlToDevice(moved, p.residual, kSix), kZoneInterior);
    EXPECT_EQ(afterMove, (Rect{660, 5 * 6, 1660, 5 * 6 + 540}));
    // Dragging the left edge one control pixel to the right.
    const Rect resized = ResizeByZone(p.control, kZoneLeft, {101, 40});
    const Rect afterResize =
        UpdateDeviceForZone(device, ControlToDevice(resized, p.residual, kSix), kZoneLeft);
    EXPECT_EQ(afterResize, (Rect{606, 0, 1600, 540}));
    // A control left of 1 is device left 0.
    EXPECT_EQ(ControlToDevice({1, 1, 50, 50}, {}, kSix).left, 0);
    EXPECT_EQ(ControlToDevice({2, 2, 50, 50}, {}, kSix).left, 12);
}

TEST(CanvasGeometry, ResizeNeverBelowEightPixels) {
    const Rect cell{100, 100, 200, 160};
    EXPECT_EQ(ResizeByZone(cell, kZoneRight, {103, 130}), (Rect{100, 100, 108, 160}));
    EXPECT_EQ(ResizeByZone(cell, kZoneBottom, {150, 101}), (Rect{100, 100, 200, 108}));
    EXPECT_EQ(ResizeByZone(cell, kZoneRight, {109, 130}), (Rect{100, 100, 109, 160}))
        << "one past the minimum";
    // Edges may cross: dragging the left edge past the right one flips the rectangle.
    EXPECT_EQ(ResizeByZone(cell, kZoneLeft, {250, 130}), (Rect{200, 100, 250, 160}));
    EXPECT_EQ(ResizeByZone(cell, kZoneTopLeft, {90, 80}), (Rect{90, 80, 200, 160}));
}

TEST(CanvasGeometry, HitZonesAndTheirBoundaries) {
    const Rect c{100, 100, 200, 160};
    struct Case {
        Point p;
        int zone;
    };
    const Case cases[] = {
        {{100, 105}, kZoneLeft}, // 5 below the top-left corner on the left edge: the edge, not the corner
        {{100, 104}, kZoneTopLeft},  {{150, 100}, kZoneTop},         {{199, 130}, kZoneRight},
        {{150, 159}, kZoneBottom},   {{150, 130}, kZoneInterior},    {{100, 160}, kZoneBottomLeft},
        {{200, 100}, kZoneTopRight}, {{200, 160}, kZoneBottomRight}, {{99, 130}, kZoneNone},
        {{150, 161}, kZoneNone},
    };
    for (const Case& c2 : cases)
        EXPECT_EQ(HitZone(c, c2.p), c2.zone) << c2.p.x << "," << c2.p.y;
}

TEST(CanvasGeometry, FitIntoTheClientArea) {
    const Rect client{0, 0, 400, 300};
    EXPECT_EQ(FitIntoClient({-10, 20, 90, 70}, client), (Rect{0, 20, 100, 70}));
    EXPECT_EQ(FitIntoClient({350, 280, 450, 330}, client), (Rect{300, 250, 400, 300}));
    EXPECT_EQ(FitIntoClient({10, 10, 900, 50}, client), (Rect{0, 10, 400, 50}));
    EXPECT_TRUE(InsideClient({0, 0, 400, 300}, client));
    EXPECT_FALSE(InsideClient({-1, 0, 10, 10}, client));
}

struct AlignCase {
    const char* name;
    Rect p;
    int state;
    Rect aligned;
};

TEST(CanvasGeometry, EightAlignmentRulesInOrder) {
    const Rect o{100, 100, 200, 200};
    const AlignCase cases[] = {
        {"my bottom-right near its top-left", {40, 41, 101, 99}, kAlignTopLeft, {39, 42, 100, 100}},
        {"my bottom-left near its top-left", {101, 41, 160, 101}, kAlignTopLeft, {100, 40, 159, 100}},
        {"my bottom-right near its bottom-left", {40, 150, 99, 201}, kAlignBottomLeft, {41, 149, 100, 200}},
        {"my bottom-right near its top-right", {150, 40, 201, 99}, kAlignTopRight, {149, 41, 200, 100}},
        {"my top-right near its top-right", {150, 99, 199, 150}, kAlignTopRight, {151, 100, 200, 151}},
        {"my bottom-left near its bottom-right",
         {201, 150, 260, 199},
         kAlignBottomRight,
         {200, 151, 259, 200}},
        {"my right on its left", {50, 120, 100, 180}, kAlignLeft, {50, 120, 100, 180}},
        {"my left on its right", {200, 120, 250, 180}, kAlignRight, {200, 120, 250, 180}},
        {"my bottom on its top", {120, 50, 180, 100}, kAlignTop, {120, 50, 180, 100}},
        {"my top on its bottom", {120, 200, 180, 250}, kAlignBottom, {120, 200, 180, 250}},
        {"an edge that meets nothing alongside", {50, 300, 100, 350}, kAlignNone, {50, 300, 100, 350}},
        {"far away", {500, 500, 600, 600}, kAlignNone, {500, 500, 600, 600}},
    };
    for (const AlignCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Alignment a = Align(c.p, o);
        EXPECT_EQ(a.state, c.state);
        EXPECT_EQ(a.rect, c.aligned);
        EXPECT_EQ(a.rect.Width(), c.p.Width()) << "shifting keeps the size";
    }
}

TEST(CanvasGeometry, AlignedDeviceEdgesTakeTheOtherCellsDeviceEdges) {
    // Control P.right on O.left: device right = the other's device left, width kept.
    const Alignment a = Align({50, 120, 100, 180}, {100, 100, 200, 200});
    ASSERT_EQ(a.state, kAlignLeft);
    const Rect other{600, 600, 1200, 1200};
    const Rect d = AlignDevice({298, 722, 0, 0}, 301, 360, other, a);
    EXPECT_EQ(d, (Rect{299, 722, 600, 1082}));
    const Alignment corner = Align({40, 41, 101, 99}, {100, 100, 200, 200});
    EXPECT_EQ(AlignDevice({0, 0, 0, 0}, 360, 348, other, corner), (Rect{240, 252, 600, 600}));
}

// What the double click fits a layer to: the union of the outputs it meets (the walk over the
// outputs: Canvas.DoubleClickFitsTheOutputsItMeetsAndTogglesBack).
TEST(CanvasGeometry, CellsMeetWhereTheyOverlapAndUniteIntoTheirBoundingBox) {
    const Rect out1{21, 33, 341, 213}, out2{341, 33, 661, 213};
    EXPECT_TRUE(out1.Meets(Rect{300, 100, 400, 150}));
    EXPECT_FALSE(out1.Meets(Rect{341, 33, 400, 100})) << "touching is not meeting";
    EXPECT_EQ(Union(Union(Rect{}, out1), out2), (Rect{21, 33, 661, 213})) << "from nothing";
}

TEST(CanvasGeometry, AGroupMovesAsFarAsItsCellWithTheLeastRoom) {
    const Rect client{0, 0, 1000, 600};
    const std::vector<Rect> group{{10, 100, 110, 200}, {300, 250, 400, 590}};
    const struct {
        Point wanted;
        Point step;
    } cases[] = {
        {{-50, -50}, {-10, -50}},                           // 10 pixels of room on the left, 100 above
        {{-50, -150}, {-10, -100}}, {{700, 30}, {600, 10}}, // 600 on the right, 10 below
        {{5, -5}, {5, -5}},                                 // room enough
        {{0, 0}, {0, 0}},
    };
    for (const auto& c : cases) {
        const Point step = GroupOffset(group, c.wanted, client);
        EXPECT_EQ(step, c.step) << c.wanted.x << "," << c.wanted.y << " gave " << step.x << "," << step.y;
    }
    // A cell already against an edge holds the group there; nothing ever moves the other way.
    const std::vector<Rect> atEdge{{0, 0, 100, 100}, {900, 500, 1000, 600}};
    EXPECT_EQ(GroupOffset(atEdge, {-3, 4}, client), (Point{0, 0}));
    const std::vector<Rect> outside{{-5, 0, 95, 100}};
    EXPECT_EQ(GroupOffset(outside, {-1, 0}, client), (Point{0, 0}));
    EXPECT_EQ(GroupOffset(outside, {2, 0}, client), (Point{2, 0}));
    EXPECT_EQ(GroupOffset({}, {7, -7}, client), (Point{7, -7})) << "no cell, no limit";
}

TEST(CanvasGeometry, WheelTurnsCountInWholeNotches) {
    const struct {
        const char* name;
        std::vector<int> deltas;
        std::vector<int> notches; // after each delta
        int rest;
    } cases[] = {
        {"ordinary wheel", {120, 120, -120}, {1, 1, -1}, 0},
        {"several notches at once", {360, -240}, {3, -2}, 0},
        {"parts add up", {40, 40, 40, 40}, {0, 0, 1, 0}, 40},
        {"backwards too", {-100, -30, -100}, {0, -1, 0}, -110},
        {"turning back drops the part", {100, -30, -90}, {0, 0, -1}, 0},
        {"and forward again", {-119, 1, 119}, {0, 0, 1}, 0},
        {"no turn keeps the part", {50, 0, 70}, {0, 0, 1}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WheelNotches wheel;
        std::vector<int> notches;
        for (int d : c.deltas)
            notches.push_back(wheel.Add(d));
        EXPECT_EQ(notches, c.notches);
        EXPECT_EQ(wheel.Rest(), c.rest);
    }
}

TEST(CanvasGeometry, ATypedZoomSizeMovesTheStartBackOnlyWhenItMust) {
    const struct {
        int start, typed, source;
        ZoomSpan span;
    } cases[] = {
        {0, 960, 1920, {0, 960}},
        {100, 9999, 1920, {100, 1820}}, // limited to what the source leaves after the start
        {1888, 100, 1920, {1888, 32}},  // exactly the minimum left: the start stays
        {1900, 100, 1920, {1888, 32}},  // less than the minimum left: the start gives way
        {1900, 10, 1920, {1888, 32}},
        {2000, 64, 1920, {1888, 32}}, // a start past the source (a processor's report)
        {1060, 40, 1080, {1048, 32}},
        {0, 64, 16, {0, 32}},  // a source shorter than the minimum: from its start
        {100, 64, 0, {0, 32}}, // no source
    };
    for (const auto& c : cases) {
        const ZoomSpan span = ZoomSizeTyped(c.start, c.typed, c.source, 32);
        EXPECT_EQ(span, c.span) << c.start << " + " << c.typed << " of " << c.source << " gave " << span.start
                                << " + " << span.size;
    }
    EXPECT_EQ(ZoomSpanInSource({1891, 32}, 1920), (ZoomSpan{1888, 32}));
    EXPECT_EQ(ZoomSpanInSource({1800, 32}, 1920), (ZoomSpan{1800, 32})) << "inside: unchanged";
    EXPECT_EQ(ZoomSpanInSource({5, 1920}, 1920), (ZoomSpan{0, 1920}));
}

TEST(CanvasGeometry, ALayerWindowEndsAtTheCanvasLimit) {
    const struct {
        WindowSpan typed;
        int minimum;
        WindowSpan fit;
    } cases[] = {
        {{59000, 1920}, 0, {58079, 1920}},  // a position cut back for its size
        {{58999, 0}, 32, {58999, 0}},       // fits
        {{1920, 58079}, 32, {1920, 58079}}, // ends exactly at the limit
        {{1921, 58079}, 32, {1920, 58079}},
        {{100, 59990}, 32, {32, 59967}}, // no room for the minimum: the partner gives way
        {{32, 59999}, 32, {32, 59967}},
    };
    for (const auto& c : cases) {
        const WindowSpan fit = WindowSpanOnCanvas(c.typed, c.minimum, 59999);
        EXPECT_EQ(fit, c.fit) << c.typed.value << " + " << c.typed.partner << " gave " << fit.value << " + "
                              << fit.partner;
    }
}

TEST(CanvasGeometry, ZoomTurns) {
    double scale = 6.0;
    for (int turn = 1; turn <= 11; ++turn)
        scale = ZoomStep(scale, true);
    EXPECT_DOUBLE_EQ(scale, 0.5);
    EXPECT_DOUBLE_EQ(ZoomStep(scale, true), 1.0);
    EXPECT_DOUBLE_EQ(ZoomStep(6.0, false), 6.5);
}

// The residues that bring a cell's control rectangle back to its device rectangle; a control
// edge at 0 or 1 stands for device 0 and keeps no residue.
TEST(CellDeviceRect, ResiduesAndTheCanvasOrigin) {
    struct Case {
        Rect control;
        Rect device;
        Residual residual;
    };
    const Case cases[] = {
        {{0, 0, 160, 90}, {0, 0, 961, 545}, {0, 1, 0, 5}},
        {{1, 1, 161, 91}, {7, 8, 967, 548}, {0, 0, 0, 0}},
        {{10, 20, 170, 110}, {63, 122, 1023, 662}, {3, 0, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control.left);
        EXPECT_EQ(ResidualFor(c.control, c.device, kSix), c.residual);
    }
    EXPECT_EQ(OnCanvas({-5, -7, 10, 20}), (Rect{0, 0, 15, 27}));
    EXPECT_EQ(OnCanvas({30, -4, 10, 6}), (Rect{10, 0, 30, 10})) << "normalised, then moved down";
    EXPECT_EQ(OnCanvas({3, 4, 5, 6}), (Rect{3, 4, 5, 6}));
}

TEST(ZoomPreview, PreviewAndSourcePixels) {
    EXPECT_EQ(PreviewLength(200, 960, 1920, 8), 100);
    EXPECT_EQ(PreviewLength(200, 1, 1920, 8), 8) << "the drawable minimum";
    EXPECT_EQ(PreviewLength(4, 1, 1920, 8), 4) << "the minimum never past the area";
    EXPECT_EQ(PreviewLength(200, 5, 0, 8), 200) << "source unknown";
    EXPECT_EQ(PreviewLength(0, 5, 1920, 8), 0);
    EXPECT_EQ(PreviewOffset(200, 100, 480, 1920, 960), 50);
    EXPECT_EQ(PreviewOffset(200, 200, 0, 1920, 1920), 0) << "no room";
    EXPECT_EQ(SourceStart(1920, 960, 50, 200, 100), 480);
    EXPECT_EQ(SourceStart(1920, 960, 150, 200, 100), 960) << "dragged past the preview's end";
    EXPECT_EQ(SourceStart(1920, 960, -10, 200, 100), 0);
    EXPECT_EQ(SourceStart(1920, 1920, 10, 200, 200), 0) << "no room";
    EXPECT_EQ(SourceSize(100, 1920, 200), 960);
    EXPECT_EQ(SourceSize(100, 1920, 0), 1920);
}

} // namespace
