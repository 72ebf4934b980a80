// The layer page with real mouse and key events: its layer buttons, boxes, reset, replies,
// display switch, texts and picture (the zoom window's cases: LayerZoomTest.cpp; the fixture:
// LayerPageFixture.h).

#include "LayerPageFixture.h"

using namespace corvane;
using namespace corvane::test;

TEST_F(LayerPageTest, OpensOnTheFirstLayerAndShowsTheLayerChosenOrReplied) {
    CLayerDlg& page = Page();
    const auto marked = [this](int layer) {
        return Control<CGdipButton>(CLayerDlg::kLayerButtonFirst + layer)->isChecked();
    };
    EXPECT_EQ(std::make_tuple(page.CurrentLayer(), marked(0), Shown(CLayerDlg::kWidthId)),
              std::make_tuple(0u, true, 1920));
    EXPECT_FALSE(Control(CLayerDlg::kHStartId)->isEnabled()); // zoom is off
    const QRect group = Control<CGroupBox>(CLayerDlg::kZoomGroupId)->geometry();
    const Rect area = page.PreviewArea();
    EXPECT_TRUE(group.contains(QRect(area.left, area.top, area.Width(), area.Height())));
    EXPECT_EQ(page.ZoomRect(), area); // the whole source

    Click(CLayerDlg::kLayerButtonFirst + 2);
    EXPECT_EQ(std::make_tuple(page.CurrentLayer(), Shown(CLayerDlg::kHPosId)), std::make_tuple(2u, 3840));
    // Choosing the layer shown again selects its cell again and keeps the mark.
    Click(CLayerDlg::kLayerButtonFirst + 2);
    EXPECT_EQ(layout.selected, (std::vector<int>{2, 2}));
    EXPECT_EQ(std::make_pair(marked(2), marked(0)), std::make_pair(true, false));

    // A reply shows the layer it names (which: LayerPageRules.WhichLayerAReplyNames), without
    // touching the canvas selection; one naming no layer changes nothing.
    SendWindowMessage(&page, WM_DEVICE_REPLY, 0xAB, 30);
    EXPECT_EQ(std::make_tuple(page.CurrentLayer(), Shown(CLayerDlg::kHPosId), marked(3)),
              std::make_tuple(3u, 5760, true));
    EXPECT_EQ(Control<CGdipButton>(CLayerDlg::kLayerButtonFirst + 3)->TextColour(), QColor(theme::kOrange));
    SendWindowMessage(&page, WM_DEVICE_REPLY, 0xA8, 45);
    EXPECT_EQ(page.CurrentLayer(), 3u);
    EXPECT_EQ(layout.selected, (std::vector<int>{2, 2}));
    EXPECT_TRUE(SentToLayout().empty());
}

// The limits themselves: CanvasGeometry.ALayerWindowEndsAtTheCanvasLimit. Here the page's way
// to them: the box shows and the state holds the cut value, the stored value sends nothing, and
// a partner that gives way is shown, stored and sent too.
TEST_F(LayerPageTest, AWindowPastTheCanvasLimitIsCutAndSent) {
    ChooseLayer(1);
    Type(CLayerDlg::kHPosId, "59000"); // Width 1920
    EXPECT_EQ(std::make_tuple(Shown(CLayerDlg::kHPosId), state.layers[1].x), std::make_tuple(58079, 58079u));
    EXPECT_EQ(SentToLayout(), (Log{"reply a8 1", "layout 0 1"}));
    layout.log.clear();
    Type(CLayerDlg::kHPosId, "59999"); // cut back to the value stored
    Type(CLayerDlg::kWidthId, "1920");
    EXPECT_EQ(Shown(CLayerDlg::kHPosId), 58079);
    EXPECT_TRUE(SentToLayout().empty());

    // The processor reports a window reaching past the limit; a width typed then keeps its
    // minimum and the position makes room for it.
    state.layers[0].x = 59990;
    ChooseLayer(0);
    Type(CLayerDlg::kWidthId, "100");
    EXPECT_EQ(std::make_tuple(Shown(CLayerDlg::kHPosId), state.layers[0].x, state.layers[0].w),
              std::make_tuple(59967, 59967u, 32u));
    EXPECT_EQ(SentToLayout(), (Log{"reply a8 0", "layout 0 0"}));
}

// A committed box does nothing while the page is hidden or shows no layer.
TEST_F(LayerPageTest, BoxesAreIgnoredWhileThePageIsHiddenOrWithoutALayer) {
    CLayerDlg& page = Page();
    page.ShowPage(false);
    Control(CLayerDlg::kHPosId)->SetValue(100);
    SendWindowMessage(&page, WM_VALUE_COMMITTED, CLayerDlg::kHPosId, 0);
    EXPECT_EQ(state.layers[0].x, 0u);
    page.ShowPage(true);
    SendWindowMessage(&page, WM_VALUE_COMMITTED, CLayerDlg::kHPosId, 0);
    EXPECT_EQ(state.layers[0].x, 100u);
    EXPECT_EQ(SentToLayout(), (Log{"reply a8 0", "layout 0 0"}));

    layout.log.clear();
    page.ShowLayer(CLayerDlg::kNoLayer);
    EXPECT_EQ(page.CurrentLayer(), CLayerDlg::kNoLayer);
    for (int id :
         {CLayerDlg::kHPosId, CLayerDlg::kHStartId, CLayerDlg::kDisplaySwitchId, CLayerDlg::kResetId})
        EXPECT_FALSE(Control<QWidget>(id)->isEnabled()) << id;
    SendWindowMessage(&page, WM_VALUE_COMMITTED, CLayerDlg::kHPosId, 0);
    SendWindowMessage(&page, WM_COMMAND, MakeWParam(CLayerDlg::kResetId, BN_CLICKED), 0);
    EXPECT_TRUE(SentToLayout().empty());
}

TEST_F(LayerPageTest, ResetShowsTheWholeSourceAndTheDisplaySwitchGoesToTheMainWindow) {
    LayerInfo& l = state.layers[2];
    std::tie(l.srcW, l.srcH, l.zoomOn, l.zoomX, l.zoomY, l.zoomW, l.zoomH) =
        std::make_tuple(1280, 720, 1, 100, 50, 640, 360);
    ChooseLayer(2);
    EXPECT_NE(Page().ZoomRect(), Page().PreviewArea());
    Click(CLayerDlg::kResetId);
    EXPECT_EQ(std::tie(l.zoomX, l.zoomY, l.zoomW, l.zoomH), std::make_tuple(0, 0, 1280, 720));
    EXPECT_EQ(std::make_tuple(Shown(CLayerDlg::kHSizeId), Shown(CLayerDlg::kHStartId)),
              std::make_tuple(1280, 0));
    EXPECT_EQ(Page().ZoomRect(), Page().PreviewArea());
    EXPECT_EQ(SentToLayout(), (Log{"layout 0 2"}));

    ChooseLayer(1);
    Click(CLayerDlg::kDisplaySwitchId);
    EXPECT_FALSE(Control(CLayerDlg::kHPosId)->isEnabled());
    Click(CLayerDlg::kDisplaySwitchId);
    EXPECT_EQ(context.main.switches, (std::vector<std::pair<int, bool>>{{1, false}, {1, true}}));
    EXPECT_TRUE(Control(CLayerDlg::kHeightId)->isEnabled());
    // The main window's toggle sends the layer command, not the page.
    EXPECT_TRUE(SentToLayout().empty());
}

TEST_F(LayerPageTest, ThePreviewShowsTheLayerAndItsZoomWindow) {
    LayerInfo& l = state.layers[1];
    std::tie(l.zoomX, l.zoomY, l.zoomW, l.zoomH) = std::make_tuple(480, 270, 960, 540);
    SwitchZoomOn(1);
    const Rect area = Page().PreviewArea();
    const Rect z = Page().ZoomRect();
    EXPECT_EQ(z, (Rect{area.left + 68, area.top + 38, area.left + 68 + 136, area.top + 38 + 76}));
    const QImage shot = Page().grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    auto pixel = [&](int x, int y) { return QColor(shot.pixel(int(x * ratio), int(y * ratio))); };
    EXPECT_EQ(pixel(area.left, area.top + 60), QColor(235, 235, 235));
    int green = 0;
    for (int y = z.top; y < z.bottom; ++y)
        green += pixel(z.left, y) == QColor(0, 128, 0) ? 1 : 0;
    EXPECT_GT(green, z.Height() / 4);
    EXPECT_LT(green, z.Height()); // dotted
}

#ifdef CORVANE_GALLERY_DIR
// The page for the gallery: layer 2 shown, zoom on, a zoom window inside the preview; in
// English and in Chinese.
TEST_F(LayerPageTest, RendersForTheGallery) {
    LayerInfo& l = state.layers[1];
    std::tie(l.zoomX, l.zoomY, l.zoomW, l.zoomH) = std::make_tuple(400, 200, 1120, 630);
    RenderForGallery(Page(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "layer_page",
                     {{"", [this](bool) { SwitchZoomOn(1); }}});
}
#endif
