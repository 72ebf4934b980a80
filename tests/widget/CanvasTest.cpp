#include "WidgetTestSupport.h"
#include "layout/CPictureCtrl.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"

#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Drain;

namespace {

// The page that holds the canvas: a dialog (so Enter and Escape would close it) that keeps
// every WM_LAYOUT_COMMAND it gets.
class CanvasHost : public QDialog, public MessageWindow {
public:
    CanvasHost() : MessageWindow(this) {
        resize(1000, 600);
        canvas = new CPictureCtrl(Config{}, this);
        canvas->setGeometry(0, 0, 1000, 600);
    }

    std::intptr_t WindowProc(const WindowMessage& m) override {
        if (m.message == WM_LAYOUT_COMMAND)
            reports.push_back({static_cast<int>(m.wParam), static_cast<int>(m.lParam)});
        return 0;
    }

    std::vector<std::pair<int, int>> reports; // (0 layer / 1 output, index)
    CPictureCtrl* canvas;
};

Rect Dev(int x, int y, int w, int h) {
    return {x, y, x + w, y + h};
}

void Press(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mousePress(w, Qt::LeftButton, mods, p);
}
void Release(QWidget* w, QPoint p) {
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, p);
}

void Drag(QWidget* w, QPoint from, std::initializer_list<QPoint> path) {
    Press(w, from);
    QPoint last = from;
    for (QPoint p : path) {
        QTest::mouseMove(w, p);
        last = p;
    }
    Release(w, last);
}

// As the window system delivers a double click: a click, then the double click itself.
void DoubleClick(QWidget* w, QPoint p) {
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, p);
}

using Reports = std::vector<std::pair<int, int>>;

} // namespace

TEST(Canvas, CellsConvertAtTheScaleAndKeepTheirOrder) {
    CanvasHost host;
    CPictureCtrl& c = *host.canvas;
    CCell* out = c.AddOutputCell(1920, 1080, 0, 0, "OUTPUT:DVI-1");
    CCell* l2 = c.AddLayerCell(1000, 600, 600, 300, "Layer-3", 2);
    CCell* l0 = c.AddLayerCell(960, 540, 0, 0, "Layer-1", 0);
    EXPECT_EQ(c.AddLayerCell(10, 10, 0, 0, "again", 2), nullptr); // one cell per layer
    std::vector<CCell*> order;                                    // layers by index, then the outputs
    for (const auto& cell : c.Cells())
        order.push_back(cell.get());
    EXPECT_EQ(order, (std::vector<CCell*>{l0, l2, out}));

    // The conversion itself: CanvasGeometry.DeviceRectanglesShowAndReturnExactly.
    EXPECT_EQ(l2->rect, (Rect{100, 50, 267, 150}));
    c.SetLayerScale({3.0, 3.0});
    c.RelayoutAll();
    EXPECT_EQ(l0->rect, (Rect{0, 0, 320, 180}));
    EXPECT_EQ(out->rect, (Rect{0, 0, 320, 180})); // outputs keep their own scale
}

TEST(Canvas, AMoveReportsOnceAndKeepsTheDeviceSizeAndAnOutputsEdgeResizesNothing) {
    CanvasHost host;
    CCell* cell = host.canvas->AddLayerCell(1000, 600, 600, 300, "Layer-2", 1);
    Drag(host.canvas, {180, 100}, {{185, 100}, {190, 105}, {200, 110}});
    EXPECT_EQ(host.reports, (Reports{{0, 1}}));
    EXPECT_EQ(std::make_tuple(cell->rect, cell->devRect, host.canvas->DragModeNow()),
              std::make_tuple(Rect{120, 60, 287, 160}, Dev(720, 360, 1000, 600), 0u));

    // Dragging the left edge moves only the left device edge.
    Drag(host.canvas, {120, 100}, {{121, 100}});
    EXPECT_EQ(cell->devRect, Dev(726, 360, 994, 600));
    EXPECT_EQ(host.reports, (Reports{{0, 1}, {0, 1}}));

    // An output's edge selects it, but an output is not resized (nor moved from its edge).
    CCell* out = host.canvas->AddOutputCell(1920, 1080, 600, 1200, "OUTPUT:DVI-1");
    const Rect before = out->rect;
    Drag(host.canvas, {before.left + 1, before.top + 40}, {{before.left + 30, before.top + 40}});
    EXPECT_EQ(std::make_tuple(out->Selected(), out->rect), std::make_tuple(true, before));
    EXPECT_EQ(host.reports, (Reports{{0, 1}, {0, 1}, {1, 0}}));
}

TEST(Canvas, RubberBandSelectsTwoCellsThatThenMoveTogether) {
    CanvasHost host;
    CPictureCtrl& c = *host.canvas;
    CCell* a = c.AddLayerCell(600, 600, 600, 600, "Layer-1", 0);  // 100..200
    CCell* b = c.AddLayerCell(600, 600, 1800, 600, "Layer-2", 1); // 300..400
    c.AddLayerCell(600, 600, 3000, 600, "Layer-3", 2);            // 500..600
    Press(&c, {50, 50});
    EXPECT_TRUE(c.BandActive());
    QTest::mouseMove(&c, {250, 250});
    EXPECT_FALSE(c.MultiSelect());
    QTest::mouseMove(&c, {650, 250}); // all three, then back to two
    QTest::mouseMove(&c, {450, 250});
    EXPECT_TRUE(c.MultiSelect());
    Release(&c, {450, 250});
    EXPECT_FALSE(c.BandActive());
    EXPECT_EQ(host.reports, (Reports{{0, 0}, {0, 1}}));
    host.reports.clear();

    Drag(&c, {150, 150}, {{160, 150}, {170, 160}});
    EXPECT_EQ(std::make_pair(a->devRect, b->devRect),
              std::make_pair(Dev(720, 660, 600, 600), Dev(1920, 660, 600, 600)));
    EXPECT_EQ(host.reports, (Reports{{0, 0}, {0, 1}}));
}

TEST(Canvas, CtrlClickDeselectsWithoutADrag) {
    CanvasHost host;
    CPictureCtrl& c = *host.canvas;
    CCell* cell = c.AddLayerCell(1000, 600, 600, 300, "Layer-1", 0);
    Drag(&c, {180, 100}, {});
    ASSERT_TRUE(cell->Selected());
    EXPECT_EQ(host.reports, (Reports{{0, 0}})) << "a release without movement still reports";
    host.reports.clear();

    Press(&c, {180, 100}, Qt::ControlModifier);
    EXPECT_EQ(std::make_pair(cell->Selected(), c.Current()),
              std::make_pair(false, static_cast<CCell*>(nullptr)));
    QTest::mouseMove(&c, {220, 130});
    Release(&c, {220, 130});
    EXPECT_EQ(cell->devRect, Dev(600, 300, 1000, 600));
    EXPECT_TRUE(host.reports.empty());
}

TEST(Canvas, ArrowsMoveOnePixelAndReportOnReleaseAndEnterDoesNotClose) {
    CanvasHost host;
    host.show();
    CPictureCtrl& c = *host.canvas;
    CCell* cell = c.AddLayerCell(1000, 600, 600, 300, "Layer-1", 0);
    Drag(&c, {180, 100}, {});
    host.reports.clear();

    QTest::keyPress(&c, Qt::Key_Right);
    EXPECT_EQ(std::make_tuple(cell->rect.left, cell->devRect, host.reports.empty()),
              std::make_tuple(101, Dev(606, 300, 1000, 600), true));
    QTest::keyRelease(&c, Qt::Key_Right);
    Drain(); // the report is posted
    EXPECT_EQ(host.reports, (Reports{{0, 0}}));

    QTest::keyClick(&c, Qt::Key_Up);
    EXPECT_EQ(cell->rect.top, 49);

    // Enter and Escape do not close the page.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(&c, key);
    Drain();
    EXPECT_EQ(std::make_pair(host.isVisible(), host.result()), std::make_pair(true, 0));
}

TEST(Canvas, DoubleClickFitsTheOutputsItMeetsAndTogglesBack) {
    CanvasHost host;
    CPictureCtrl& c = *host.canvas;
    CCell* layer = c.AddLayerCell(1000, 500, 1500, 300, "Layer-1", 0);
    for (int k = 0; k < 4; ++k) {
        CCell* out = c.AddOutputCell(1920, 1080, 1920 * (k % 2), 1080 * (k / 2),
                                     "OUTPUT:DVI-" + std::to_string(k + 1));
        out->outlined = 1;
        out->passive = 1;
    }
    const Rect beforeDev = layer->devRect;
    DoubleClick(&c, {300, 100});
    EXPECT_EQ(layer->devRect, (Rect{0, 0, 3840, 1080}));
    host.reports.clear();
    Release(&c, {300, 100}); // the release after the double click commits it
    EXPECT_EQ(host.reports, (Reports{{0, 0}}));

    // A move from the fit starts at its device values. One pixel down is pulled back by the
    // bottom-left corner of the first output, so the step is two pixels.
    QTest::keyClick(&c, Qt::Key_Down);
    EXPECT_EQ(layer->devRect, Dev(0, 12, 3840, 1080));
    QTest::keyPress(&c, Qt::Key_Up); // snaps back onto that corner (the rules: CanvasGeometry)
    EXPECT_EQ(c.AlignState(), kAlignBottomLeft);
    QTest::keyRelease(&c, Qt::Key_Up); // the guide goes with the key
    EXPECT_EQ(c.AlignState(), kAlignNone);

    DoubleClick(&c, {300, 100});
    EXPECT_EQ(layer->devRect, beforeDev);
}

TEST(Canvas, ADragPastThePageAsksItToScroll) {
    CanvasHost host;
    CPictureCtrl& c = *host.canvas;
    c.setGeometry(0, 0, 2000, 1200); // larger than its page, as in the scrolling layout page
    c.AddLayerCell(600, 600, 600, 600, "Layer-1", 0);
    std::vector<std::pair<int, int>> scrolls;
    QObject::connect(&c, &CPictureCtrl::ScrollRequested,
                     [&](int dx, int dy) { scrolls.emplace_back(dx, dy); });
    Drag(&c, {150, 150}, {{500, 300}, {1100, 300}, {1100, 700}});
    EXPECT_EQ(scrolls, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));
}
