// The layer page's decisions: the layer a reply names, the zoom switch over a crop, and the zoom
// window dragged in the preview.

#include "layout/LayerPageRules.h"

#include "device/ReplyCodes.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

// A 272 x 153 preview, and a zoom window of half the source in its top-left corner.
const Rect kArea{10, 20, 282, 173};
const Rect kHalf{10, 20, 146, 96};

TEST(LayerPageRules, WhichLayerAReplyNames) {
    const struct {
        std::uintptr_t code;
        std::intptr_t index;
        std::optional<std::uint32_t> layer;
    } cases[] = {
        {kReplyLayer, 2, 2},  {kReplyShowLayer, 30, 3}, {kReplyLayer, 10, 1}, // in the tens from some senders
        {kReplyLayer, 9, {}}, {kReplyLayer, 45, {}},    {kReplyLayer, 4, {}}, {kReplyLayer, -1, {}},
        {0xA9, 1, {}}, // not a layer reply
    };
    for (const auto& c : cases)
        EXPECT_EQ(LayerOfReply(c.code, c.index), c.layer) << std::hex << c.code << std::dec << " " << c.index;
}

TEST(LayerPageRules, ZoomIsNotSwitchedOnOverTheCurrentInputsCrop) {
    const struct {
        std::uint32_t input;
        int cropOn; // the input whose crop is on
        bool switchingOn;
        bool refused;
    } cases[] = {
        {2, 2, true, true},  {2, 2, false, false}, // switching off is always possible
        {2, 0, true, false},                       // another input's crop
        {3, 3, true, true},  {4, 3, true, false},  // an input the processor never uses has no crop
    };
    for (const auto& c : cases) {
        DeviceState s;
        s.currentInput = c.input;
        s.crop.rects[static_cast<std::size_t>(c.cropOn)].on = 1;
        EXPECT_EQ(ZoomSwitchRefused(s, c.switchingOn), c.refused) << c.input << " " << c.cropOn;
    }
}

TEST(LayerPageRules, TheZoomWindowMovedAndResizedStaysInThePreview) {
    EXPECT_EQ(MoveZoomRect(kHalf, 400, 300, kArea), (Rect{146, 97, 282, 173})) << "stops at the corner";
    EXPECT_EQ(MoveZoomRect(kHalf, -5, -5, kArea), kHalf);
    const struct {
        int zone;
        Point to;
        Rect rect;
    } cases[] = {
        {kZoneRight, {500, 50}, {10, 20, 282, 96}},       // held inside the area
        {kZoneLeft, {400, 70}, {144, 20, 146, 96}},       // onto the right edge: stops before it
        {kZoneBottomRight, {-50, -50}, {10, 20, 12, 22}}, // past the top-left corner
        {kZoneTopLeft, {50, 40}, {50, 40, 146, 96}},      {kZoneInterior, {50, 40}, kHalf},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResizeZoomRect(kHalf, c.zone, c.to, kArea, 2), c.rect) << c.zone;
}

// A 1920-pixel source in 272 preview pixels: 32 source pixels are 4 preview pixels.
TEST(LayerPageRules, ADraggedZoomWindowKeepsItsMinimumInsideTheSource) {
    const struct {
        const char* name;
        std::uint32_t source;
        ZoomAxisDrag dragged;
        ZoomAxisDrag widened;
    } widen[] = {
        {"wide enough", 1920, {0, 960, 10, 146}, {0, 960, 10, 146}},
        {"narrow", 1920, {500, 10, 100, 102}, {500, 32, 100, 104}},
        {"exactly the minimum", 1920, {500, 21, 100, 104}, {500, 21, 100, 104}},
        {"then ends at the preview's end", 1920, {1000, 10, 278, 280}, {1000, 32, 278, 282}},
        {"then ends past it: moved back", 1920, {1000, 10, 280, 282}, {1888, 32, 278, 282}},
        {"a source shorter than the minimum", 16, {0, 10, 10, 12}, {0, 16, 10, 282}},
        {"no source", 0, {5, 10, 100, 102}, {5, 10, 100, 102}},
    };
    for (const auto& c : widen)
        EXPECT_EQ(WidenZoomAxis(c.dragged, c.source, 10, 272, 32), c.widened) << c.name;
    const struct {
        ZoomAxisDrag dragged;
        ZoomAxisDrag kept;
    } keep[] = {
        {{1888, 32, 200, 204}, {1888, 32, 200, 204}}, // ends at the source's end
        {{1900, 32, 200, 204}, {1888, 32, 278, 282}}, // past it: the start gives way
    };
    for (const auto& c : keep)
        EXPECT_EQ(KeepZoomAxisInSource(c.dragged, 1920, 10, 272), c.kept) << c.dragged.start;
}

} // namespace
