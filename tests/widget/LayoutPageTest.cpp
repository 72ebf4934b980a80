#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/DeviceState.h"
#include "layout/CLayoutDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerFrames.h"
#include "link/CommandFrame.h"
#include "platform/WindowMessages.h"
#include "shell/Config.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Drain;
using corvane::test::RecordingPage;

namespace {

// The page at 1000 x 600 with its cells, the main window played by the fake context with a
// recording layer page and output page; the processor's state as after a synchronisation: four
// 1920 x 1080 outputs side by side at the top, layer 1 on output 1, layer 2 on output 2.
class LayoutPage : public test::PageFixture<CLayoutDlg> {
protected:
    LayoutPage() : PageFixture(QSize(1000, 600)) {
        context.windows[Window::LayerPage] = &layerPage;
        context.windows[Window::OutputPage] = &outputPage;
        for (int k = 0; k < 4; ++k)
            std::tie(state.outputs[static_cast<std::size_t>(k)].canvasX,
                     state.outputs[static_cast<std::size_t>(k)].canvasY) =
                std::make_tuple(static_cast<std::uint32_t>(1920 * k), 0u);
        state.layers[0] = LayerInfo{};
        Place(state.layers[0], 0, 0, 1920, 1080);
        Place(state.layers[1], 1920, 0, 960, 540);
        page = &PageUnderTest();
    }
    // As the main window starts: the mode first, then the cells.
    void OnCreated(CLayoutDlg& p) override {
        p.SetMode(0);
        p.InitCanvas();
    }

    static void Place(LayerInfo& l, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
        std::tie(l.x, l.y, l.w, l.h) = std::make_tuple(x, y, w, h);
    }
    CPictureCtrl& Canvas() { return *page->Canvas(); }
    // The centre of a cell in the canvas's pixels.
    QPoint Centre(const CCell* c) {
        return {(c->rect.left + c->rect.right) / 2, (c->rect.top + c->rect.bottom) / 2};
    }
    void ShowLayer(int layer) {
        context.main.switchOn[static_cast<std::size_t>(layer)] = true;
        state.layers[static_cast<std::size_t>(layer)].visible = 1;
        SendWindowMessage(page, WM_DEVICE_REPLY, 0xA8, layer);
    }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(&Canvas(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(&Canvas(), (from + to) / 2);
        QTest::mouseMove(&Canvas(), to);
        QTest::mouseRelease(&Canvas(), Qt::LeftButton, Qt::NoModifier, to);
    }
    void Wheel(int delta, Qt::KeyboardModifiers mods) {
        const QPointF at(300, 300);
        QWheelEvent e(at, page->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(page, &e);
    }

    RecordingPage layerPage;
    RecordingPage outputPage;
    CLayoutDlg* page = nullptr;
};

} // namespace

TEST_F(LayoutPage, StartsWithLayerOneAndFourOutlinedOutputsAndRelabelsOnAnInputChange) {
    ASSERT_EQ(Canvas().Cells().size(), 8u);
    EXPECT_FALSE(page->LayerCell(0)->Hidden());
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(page->LayerCell(i)->Hidden()) << "layer " << i + 1;
    for (int k = 0; k < 4; ++k) {
        const CCell* o = page->OutputCell(k);
        EXPECT_TRUE(o->outlined && o->passive && !o->Hidden());
        EXPECT_EQ(o->rect, (Rect{320 * k, 0, 320 * k + 320, 180})) << "1920 x 1080 at scale 6";
    }
    EXPECT_EQ(Canvas().size(), QSize(10000, 10000));
    // A change of input relabels the layers.
    page->LayerCell(2)->name = "something else";
    SendWindowMessage(page, WM_INPUT_CHANGED, 0, 0);
    EXPECT_EQ(page->LayerCell(2)->name, "Layer-3");
}

// Without the processor a drag is kept and nothing sent (with it, one layer command at the
// drag's end: the end-to-end Layers case); a move keeps the size, and the layer page is told to
// show the new values.
TEST_F(LayoutPage, ADragWithoutAProcessorIsKeptAndNotSent) {
    ShowLayer(1);
    const CCell* cell = page->LayerCell(1);
    ASSERT_EQ(cell->rect, (Rect{320, 0, 480, 90}));
    Drag(Centre(cell), Centre(cell) + QPoint(10, 20));
    Drain();
    EXPECT_TRUE(context.sent.empty());
    const LayerInfo& l = state.layers[1];
    EXPECT_EQ(std::tie(l.x, l.y, l.w, l.h), std::make_tuple(1980u, 120u, 960u, 540u));
    const auto told = layerPage.Received(WM_DEVICE_REPLY);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().lParam, 1);
}

TEST_F(LayoutPage, RepliesMoveTheCellsAndHideSwitchedOffLayers) {
    LayerInfo& l = state.layers[2];
    Place(l, 600, 1200, 1000, 600);
    l.visible = 1;
    SendWindowMessage(page, WM_DEVICE_REPLY, 0xA8, 2);
    const CCell* c = page->LayerCell(2);
    EXPECT_FALSE(c->Hidden());
    EXPECT_EQ(std::make_tuple(c->devRect, c->rect.left), std::make_tuple(Rect{600, 1200, 1600, 1800}, 100));
    l.visible = 0;
    SendWindowMessage(page, WM_DEVICE_REPLY, 0xA8, 2);
    EXPECT_TRUE(c->Hidden());

    state.outputs[3].canvasX = 6000;
    state.outputs[3].canvasY = 600;
    SendWindowMessage(page, WM_DEVICE_REPLY, 0xAB, 3);
    EXPECT_EQ(page->OutputCell(3)->rect, (Rect{1000, 100, 1320, 280}));
    // Indexes outside the four are nothing.
    SendWindowMessage(page, WM_DEVICE_REPLY, 0xA8, 4);
    SendWindowMessage(page, WM_DEVICE_REPLY, 0xAB, -1);
    SendWindowMessage(page, WM_LAYOUT_COMMAND, 0, 7);
    EXPECT_TRUE(context.sent.empty());
}

TEST_F(LayoutPage, OutputEditingMovesOutputsAndHandsThemToTheOutputPage) {
    state.linkState = kLinkSynchronised;
    page->SetMode(1);
    EXPECT_TRUE(page->LayerCell(0)->passive && page->LayerCell(0)->outlined);
    EXPECT_FALSE(page->OutputCell(1)->passive || page->OutputCell(1)->outlined);
    // Layer 1 lies under output 1, but in this mode the press takes the output.
    const CCell* out = page->OutputCell(1);
    Drag(Centre(out), Centre(out) + QPoint(0, 100));
    Drain();
    EXPECT_TRUE(context.sent.empty()) << "the output page sends the output command";
    EXPECT_EQ(state.outputs[1].canvasY, 600u);
    const auto commands = outputPage.Received(WM_DEVICE_COMMAND);
    EXPECT_EQ(outputPage.Received(WM_DEVICE_REPLY).size(), 1u);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(std::make_pair(commands[0].wParam, commands[0].lParam),
              std::make_pair(std::uintptr_t{9}, std::intptr_t{1}));

    // Back in layer editing the outputs are outlines again and the switches decide the layers.
    context.main.switchOn = {false, false, true, false};
    page->SetMode(0);
    EXPECT_TRUE(page->OutputCell(1)->passive && page->OutputCell(1)->outlined);
    EXPECT_TRUE(page->LayerCell(0)->Hidden());
    EXPECT_FALSE(page->LayerCell(2)->Hidden() || page->LayerCell(2)->passive);
}

// The notches' arithmetic: CanvasGeometry.WheelTurnsCountInWholeNotches and ZoomTurns.
TEST_F(LayoutPage, CtrlWheelZoomsAndThePlainWheelScrolls) {
    // A fine wheel (a touchpad, a high-resolution mouse) sends a notch in several parts.
    for (int part = 0; part < 3; ++part)
        Wheel(40, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(page->ViewScale(), 5.5);
    Wheel(240, Qt::ControlModifier); // two notches in one event are two steps
    EXPECT_DOUBLE_EQ(page->ViewScale(), 4.5);
    EXPECT_EQ(page->OutputCell(1)->rect.left, 427) << "cells placed again at 4.5";
    Wheel(120, Qt::ControlModifier | Qt::ShiftModifier); // Ctrl with Shift is not a zoom
    EXPECT_DOUBLE_EQ(page->ViewScale(), 4.5);

    const int lines = QApplication::wheelScrollLines();
    page->ScrollTo(0, 0);
    Wheel(-120, Qt::NoModifier);
    EXPECT_EQ(page->ScrollPosition().y(), lines * 10) << "a backward turn scrolls down";
    EXPECT_EQ(Canvas().y(), -lines * 10);
    Wheel(120, Qt::NoModifier);
    Wheel(120, Qt::NoModifier);
    EXPECT_EQ(page->ScrollPosition().y(), 0) << "not past the top";
}

TEST_F(LayoutPage, ScrollRequestsStayInsideTheArea) {
    const int pageHeight = page->ClientSize().height();
    SendWindowMessage(page, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(page->ScrollPosition().y(), pageHeight);
    SendWindowMessage(page, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(page->ScrollPosition().y(), 10000 - pageHeight + 1);
    SendWindowMessage(page, WM_HSCROLL, MakeWParam(SB_THUMBTRACK, 1234), 0);
    EXPECT_EQ(page->ScrollPosition().x(), 1234);
    EXPECT_EQ(Canvas().pos(), QPoint(-1234, -(10000 - pageHeight + 1)));
    SendWindowMessage(page, WM_VSCROLL, SB_TOP, 0);
    SendWindowMessage(page, WM_HSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(page->ScrollPosition(), QPoint(1234 - page->ClientSize().width(), 0));
}

TEST_F(LayoutPage, ChoosingOrSwitchingOnALayerBringsItsCellIntoViewAndSelectsIt) {
    Place(state.layers[3], 30000, 600, 960, 540); // canvas pixel 5000
    SendWindowMessage(page, WM_DEVICE_REPLY, 0xA8, 3);
    page->LayerCell(0)->SetSelected(true);
    page->LayerSwitched(3, true);
    EXPECT_EQ(page->ScrollPosition(), QPoint(5000, 0)) << "scrolled to the left edge; the top was in view";
    EXPECT_EQ(
        std::make_tuple(page->LayerCell(3)->Hidden(), Canvas().Current(), page->LayerCell(0)->Selected()),
        std::make_tuple(false, page->LayerCell(3), false));
    // A cell within the first page width brings the page back to 0.
    page->SelectLayerCell(0);
    EXPECT_EQ(std::make_tuple(page->ScrollPosition(), Canvas().Current()),
              std::make_tuple(QPoint(0, 0), page->LayerCell(0)));
    page->LayerSwitched(3, false);
    EXPECT_TRUE(page->LayerCell(3)->Hidden());
    page->SetMode(1);
    page->LayerSwitched(2, true);
    EXPECT_TRUE(page->LayerCell(2)->Hidden()) << "output editing leaves the layers alone";
}
