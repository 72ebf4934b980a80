// The layer page's zoom window with real mouse and key events: switched on, typed, dragged in
// the preview, kept inside its source (the fixture: LayerPageFixture.h).

#include "LayerPageFixture.h"

using namespace corvane;
using namespace corvane::test;

TEST_F(LayerPageTest, ZoomIsNotSwitchedOnOverTheCurrentInputsCrop) {
    MessageBoxAnswerer answerer;
    auto* zoomSwitch = Control<CGdipButton>(CLayerDlg::kZoomSwitchId);
    state.currentInput = 2;
    state.crop.rects[2].on = 1;
    ChooseLayer(1);
    Click(CLayerDlg::kZoomSwitchId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(std::tie(answerer.boxes[0].title, answerer.boxes[0].message),
              std::make_tuple("Layer Settings", "Crop is open!"));
    EXPECT_EQ(std::make_tuple(zoomSwitch->isChecked(), state.layers[1].zoomOn), std::make_tuple(false, 0));
    EXPECT_TRUE(SentToLayout().empty());

    // A crop of another input does not stand in the way.
    state.crop.rects[2].on = 0;
    state.crop.rects[0].on = 1;
    Click(CLayerDlg::kZoomSwitchId);
    EXPECT_EQ(state.layers[1].zoomOn, 1);
    EXPECT_TRUE(Control(CLayerDlg::kHStartId)->isEnabled());
    EXPECT_EQ(SentToLayout(), std::vector<Sent>{Command(1)});

    // Switching zoom off is always possible, crop or not.
    state.crop.rects[2].on = 1;
    host.layout.received.clear();
    Click(CLayerDlg::kZoomSwitchId);
    EXPECT_EQ(std::make_tuple(state.layers[1].zoomOn, answerer.boxes.size()), std::make_tuple(0, 1u));

    // An input number the processor never uses has no crop.
    state.currentInput = 7;
    Click(CLayerDlg::kZoomSwitchId);
    EXPECT_EQ(std::make_tuple(state.layers[1].zoomOn, answerer.boxes.size()), std::make_tuple(1, 1u));
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
    EXPECT_EQ(SentToLayout(), (std::vector<Sent>{Command(0), Command(0), Command(0)}));
}

TEST_F(LayerPageTest, DraggingTheZoomWindowMovesItsStartAndStaysInThePreview) {
    LayerInfo& l = state.layers[0];
    l.zoomW = 960;
    l.zoomH = 540;
    SwitchZoomOn(0);
    const Rect area = Page().PreviewArea();
    const Rect before = Page().ZoomRect();
    EXPECT_EQ(before, (Rect{area.left, area.top, area.left + 136, area.top + 76}));
    const QPoint grab(before.left + 60, before.top + 30);
    Drag(grab, {grab + QPoint(30, 0), grab + QPoint(68, 0)});
    EXPECT_EQ(Page().ZoomRect(), before.Offset(68, 0));
    EXPECT_EQ(l.zoomX, 480); // (1920 - 960) * 68 / (272 - 136)
    EXPECT_EQ(SentToLayout(), std::vector<Sent>{Command(0)});

    // Far past the corner of the preview: the window stops at it (the clamp: ZoomPreview).
    const QPoint again(Page().ZoomRect().left + 60, Page().ZoomRect().top + 30);
    Drag(again, {again + QPoint(400, 300)});
    EXPECT_EQ(std::make_tuple(Page().ZoomRect().right, l.zoomY), std::make_tuple(area.right, 540));
}

TEST_F(LayerPageTest, AZoomWindowDraggedNarrowKeeps32SourcePixels) {
    const struct {
        const char* name;
        int pressDx, pressDy; // from the preview's top-left / bottom-right, see below
        bool fromRight, fromBottom;
        QPoint to;
        int zoomX, zoomW, zoomH;
    } cases[] = {
        // The left edge dragged onto the right one: the widened window is pushed back inside.
        {"left edge", 2, 70, false, false, {400, 70}, 1888, 32, 1080},
        // The bottom-right corner dragged past the top-left corner.
        {"corner", -2, -2, true, true, {-50, -50}, 0, 32, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state.layers[0] = LayerInfo{};
        SwitchZoomOn(0);
        host.layout.received.clear();
        const Rect area = Page().PreviewArea();
        const QPoint press((c.fromRight ? area.right : area.left) + c.pressDx,
                           (c.fromBottom ? area.bottom : area.top) + c.pressDy);
        const QPoint to = QPoint(area.left, area.top) + c.to;
        Drag(press, {press + (to - press) / 2, to});
        const LayerInfo& l = state.layers[0];
        EXPECT_EQ(std::make_tuple(l.zoomX, l.zoomW, l.zoomH, Shown(CLayerDlg::kHSizeId)),
                  std::make_tuple(c.zoomX, c.zoomW, c.zoomH, 32));
        EXPECT_GE(Page().ZoomRect().left, area.left);
        EXPECT_LE(Page().ZoomRect().right, area.right);
        EXPECT_EQ(SentToLayout(), std::vector<Sent>{Command(0)});
    }
}

TEST_F(LayerPageTest, TheZoomWindowStaysWhileZoomIsOff) {
    state.layers[0].zoomW = 960;
    ChooseLayer(0);
    const Rect before = Page().ZoomRect();
    Drag(QPoint(before.left + 60, before.top + 30), {QPoint(before.left + 120, before.top + 30)});
    EXPECT_EQ(std::make_tuple(Page().ZoomRect(), state.layers[0].zoomX), std::make_tuple(before, 0));
    EXPECT_TRUE(SentToLayout().empty());
}
