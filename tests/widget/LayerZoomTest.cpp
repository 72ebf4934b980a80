// The layer page's zoom window with real mouse and key events: switched on, typed, dragged in
// the preview, kept inside its source (the fixture: LayerPageFixture.h).

#include "LayerPageFixture.h"

using namespace corvane;
using namespace corvane::test;

// When the crop stands in the way: LayerPageRules.ZoomIsNotSwitchedOnOverTheCurrentInputsCrop.
TEST_F(LayerPageTest, ZoomIsNotSwitchedOnOverTheCurrentInputsCrop) {
    MessageBoxAnswerer answerer;
    state.currentInput = 2;
    state.crop.rects[2].on = 1;
    ChooseLayer(1);
    Click(CLayerDlg::kZoomSwitchId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(std::tie(answerer.boxes[0].title, answerer.boxes[0].message),
              std::make_tuple("Layer Settings", "Crop is open!"));
    EXPECT_EQ(
        std::make_tuple(Control<CGdipButton>(CLayerDlg::kZoomSwitchId)->isChecked(), state.layers[1].zoomOn),
        std::make_tuple(false, 0));
    EXPECT_TRUE(SentToLayout().empty());

    state.crop.rects[2].on = 0;
    Click(CLayerDlg::kZoomSwitchId);
    EXPECT_EQ(std::make_pair(state.layers[1].zoomOn, Control(CLayerDlg::kHStartId)->isEnabled()),
              std::make_pair(std::uint8_t{1}, true));
    EXPECT_EQ(SentToLayout(), (Log{"layout 0 1"}));
}

TEST_F(LayerPageTest, ZoomBoxesPlaceTheZoomWindow) {
    SwitchZoomOn(0);
    const Rect area = Page().PreviewArea(); // 272 x 153
    Type(CLayerDlg::kHSizeId, "960");
    EXPECT_EQ(std::make_tuple(state.layers[0].zoomW, Page().ZoomRect().left, Page().ZoomRect().Width()),
              std::make_tuple(960, area.left, 136));
    Type(CLayerDlg::kHStartId, "1500"); // at most 1920 - 960
    EXPECT_EQ(std::make_tuple(Shown(CLayerDlg::kHStartId), state.layers[0].zoomX, Page().ZoomRect().right),
              std::make_tuple(960, 960, area.right));
    Type(CLayerDlg::kVSizeId, "540");
    EXPECT_EQ(Page().ZoomRect().Height(), 77); // 76.5 rounded
    EXPECT_EQ(SentToLayout(), (Log{"layout 0 0", "layout 0 0", "layout 0 0"}));
}

// Held inside the preview: LayerPageRules.TheZoomWindowMovedAndResizedStaysInThePreview.
TEST_F(LayerPageTest, DraggingTheZoomWindowMovesItsStartOnceZoomIsOn) {
    LayerInfo& l = state.layers[0];
    l.zoomW = 960;
    l.zoomH = 540;
    ChooseLayer(0);
    const Rect area = Page().PreviewArea();
    const Rect before = Page().ZoomRect();
    EXPECT_EQ(before, (Rect{area.left, area.top, area.left + 136, area.top + 76}));
    const QPoint grab(before.left + 60, before.top + 30);
    Drag(grab, {grab + QPoint(68, 0)}); // zoom off: the window stays
    EXPECT_EQ(std::make_tuple(Page().ZoomRect(), l.zoomX, SentToLayout().empty()),
              std::make_tuple(before, 0, true));

    SwitchZoomOn(0);
    Drag(grab, {grab + QPoint(30, 0), grab + QPoint(68, 0)});
    EXPECT_EQ(Page().ZoomRect(), before.Offset(68, 0));
    EXPECT_EQ(l.zoomX, 480); // (1920 - 960) * 68 / (272 - 136)
    EXPECT_EQ(SentToLayout(), (Log{"layout 0 0"}));
}

// The bottom-right corner dragged past the top-left one; the steps of a resize and of its end:
// LayerPageRules.
TEST_F(LayerPageTest, AZoomWindowDraggedNarrowKeeps32SourcePixels) {
    state.layers[0] = LayerInfo{};
    SwitchZoomOn(0);
    const Rect area = Page().PreviewArea();
    const QPoint press(area.right - 2, area.bottom - 2);
    const QPoint to(area.left - 50, area.top - 50);
    Drag(press, {press + (to - press) / 2, to});
    const LayerInfo& l = state.layers[0];
    EXPECT_EQ(std::make_tuple(l.zoomX, l.zoomW, l.zoomH, Shown(CLayerDlg::kHSizeId)),
              std::make_tuple(0, 32, 32, 32));
    EXPECT_EQ(Page().ZoomRect(), (Rect{area.left, area.top, area.left + 4, area.top + 4}));
    EXPECT_EQ(SentToLayout(), (Log{"layout 0 0"}));
}
