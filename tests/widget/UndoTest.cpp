// Undo and redo of the operator's edits through the real pages: each kind of step is done with
// real mouse and key events, then undone and redone as Ctrl+Z / Ctrl+Shift+Z do (EditRecorder's
// Undo / Redo). Each time the frames that leave carry the earlier (later) values as the pages'
// builders make them, the state holds them and the page shows them. The main window is played by
// the fake context, whose sends reach the recorder while synchronised; the recorder's clock is
// the test's, so what coalesces is decided by the test.

#include "FakePageContext.h"
#include "WidgetTestSupport.h"
#include "blend/BlendFrames.h"
#include "blend/CBezierDlg.h"
#include "blend/CFuseDlg.h"
#include "blend/CurveRules.h"
#include "device/EditRecorder.h"
#include "device/ReplyCodes.h"
#include "device/ReplyDispatcher.h"
#include "layout/CLayerDlg.h"
#include "layout/CLayoutDlg.h"
#include "layout/COutputDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerFrames.h"
#include "layout/OutputFrames.h"
#include "layout/OutputRules.h"
#include "link/ByteOrder.h"
#include "link/CommandCodes.h"
#include "mainwindow/EditReplay.h"
#include "picture/CCropDlg.h"
#include "picture/CFrameDlg.h"
#include "picture/CPicSettingDlg.h"
#include "picture/CropFrames.h"
#include "picture/FrameSync.h"
#include "picture/PictureFrames.h"
#include "platform/WindowMessages.h"
#include "presets/CPresetsDlg.h"
#include "presets/PresetFile.h"
#include "presets/PresetStore.h"
#include "shell/Config.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CHotSpot.h"
#include "widgets/ValueEdit.h"

#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

using namespace corvane;
using namespace corvane::test;

namespace {

auto Fields(const LayerInfo& l) {
    return std::tie(l.source, l.zoomOn, l.zoomX, l.zoomY, l.zoomW, l.zoomH, l.srcW, l.srcH, l.x, l.y, l.w,
                    l.h, l.visible);
}
bool Same(const LayerInfo& a, const LayerInfo& b) {
    return Fields(a) == Fields(b);
}
auto WindowFields(const OutputInfo& o) {
    return std::tie(o.canvasX, o.canvasY, o.width, o.height, o.winX, o.winY, o.winW, o.winH);
}
auto Picture(const PictureSettings& p) {
    return std::tie(p.brightness, p.contrast, p.gamma, p.colorTemp, p.red, p.green, p.blue);
}
auto Crop(const CropRect& r) {
    return std::tie(r.on, r.hStart, r.vStart, r.hSize, r.vSize, r.hTotal, r.vTotal);
}
auto Side(const BlendSide& s) {
    return std::tie(s.enable, s.direction, s.gamma, s.table, s.start, s.size);
}

Rect DeviceRect(const LayerInfo& l) {
    return Rect{static_cast<int>(l.x), static_cast<int>(l.y), static_cast<int>(l.x + l.w),
                static_cast<int>(l.y + l.h)};
}

// A record of the processor as the recorder reads it: its code and byte 6.
Frame Record(std::uint16_t code, std::uint8_t b6, std::uint8_t b7 = kFiller, std::uint8_t b8 = kFiller) {
    Frame r = MakeFrameByte6(code, b6);
    r[7] = b7;
    r[8] = b8;
    SealFrame(r);
    return r;
}

// The processor as after a synchronisation: four 1920 x 1080 outputs side by side at the top,
// layer 1 over output 1 and layer 2 on output 2 shown, layers 3 and 4 off; HDMI-1 current with a
// 1080p signal and its crop off; frame sync mode. Every page exists, is shown and is known to
// the context under its window id; the replay goes through them.
class UndoTest : public ::testing::Test {
protected:
    UndoTest() : context(state, config), edits(state, [this] { return now; }), replay(context) {}

    void SetUp() override {
        state.linkState = kLinkSynchronised;
        for (int k = 0; k < kOutputCount; ++k) {
            OutputInfo& o = state.outputs[static_cast<std::size_t>(k)];
            o.canvasX = 1920u * static_cast<std::uint32_t>(k);
            o.canvasY = 0;
            o.width = o.winW = o.hActive = 1920;
            o.height = o.winH = o.vActive = 1080;
            o.resIndex = 0;
        }
        state.layers[0].x = 0;
        state.layers[0].w = 1920;
        state.layers[0].h = 1080;
        state.layers[0].visible = 1;
        state.layers[1].x = 1920;
        state.layers[1].w = 960;
        state.layers[1].h = 540;
        state.layers[1].visible = 1;
        state.layers[2].x = 3840;
        state.layers[3].x = 5760;
        context.main.switchOn = {true, true, false, false};
        state.currentInput = 0;
        state.inputs[0].signal = 1;
        for (CropRect& r : state.crop.rects)
            r = CropRect{0, 0, 0, 1920, 1080, 1920, 1080};
        state.crop.frameMode = 0;
        context.dataFolder = m_data.path().toStdString();
        context.edits = &edits;
        edits.SetReplayTarget(&replay);
        // The main window's part after a layer switch: the layout page commits the layer.
        context.main.onLayerSwitch = [this](int layer, bool on) {
            layout->LayerSwitched(layer, on);
            PostWindowMessage(layout.get(), WM_LAYOUT_COMMAND, 0, layer);
            PostWindowMessage(layerPage.get(), WM_DEVICE_REPLY, kReplyShowLayer, layer);
        };

        layout = std::make_unique<CLayoutDlg>(context, nullptr);
        layout->Create();
        layout->resize(1000, 600);
        layout->show();
        layout->SetMode(0);
        layout->InitCanvas();
        context.windows[Window::LayoutPage] = layout.get();
        layerPage = Make<CLayerDlg>(Window::LayerPage, QSize(320, 634));
        outputPage = Make<COutputDlg>(Window::OutputPage, QSize(320, 634));
        picturePage = Make<CPicSettingDlg>(Window::PicturePage, QSize(320, 600));
        cropPage = Make<CCropDlg>(Window::CropPage, QSize(320, 600));
        framePage = Make<CFrameDlg>(Window::FramePage, QSize(320, 600));
        blendPage = Make<CFuseDlg>(Window::FusePage, QSize(704, 470));
        presetsPage = Make<CPresetsDlg>(Window::PresetsPage, QSize(320, 600));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(layout.get()));
        // The pages show what the processor reported.
        for (int i = 0; i < kLayerCount; ++i)
            SendWindowMessage(layout.get(), WM_DEVICE_REPLY, kReplyLayer, i);
        SendWindowMessage(layerPage.get(), WM_DEVICE_REPLY, kReplyLayer, 1);
        SendWindowMessage(cropPage.get(), WM_DEVICE_REPLY, kReplyCrop, 0);
        SendWindowMessage(framePage.get(), WM_DEVICE_REPLY, kReplyCrop, 0);
        Drain();
        edits.Synchronised();
        context.sent.clear();
        context.sentBytes.clear();
        context.waitTexts.clear();
    }

    template <class P> std::unique_ptr<P> Make(Window window, QSize size) {
        auto page = std::make_unique<P>(context, nullptr);
        page->resize(size);
        page->Create();
        page->ShowPage(true);
        context.windows[window] = page.get();
        return page;
    }

    // Typing needs the page's window active.
    static void Activate(QWidget* page) {
        page->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(page));
    }
    static void Type(CBaseDialog& page, int id, const QString& text) {
        Activate(&page);
        TypeInto(page.Control<QLineEdit>(id), text);
    }
    static void Click(CBaseDialog& page, int id) { ClickAndDrain(page.Control<QAbstractButton>(id)); }
    static int Shown(CBaseDialog& page, int id) { return page.Control<QLineEdit>(id)->text().toInt(); }

    // An edit later than every one before: no coalescing with them.
    void Later() { now += 5000; }

    CPictureCtrl& Canvas() { return *layout->Canvas(); }
    QPoint Centre(int layer) {
        const Rect& r = layout->LayerCell(layer)->rect;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // A drag in several moves.
    void Drag(QPoint from, QPoint to, int moves = 6) {
        QTest::mousePress(&Canvas(), Qt::LeftButton, Qt::NoModifier, from);
        for (int m = 1; m <= moves; ++m)
            QTest::mouseMove(&Canvas(), from + (to - from) * m / moves);
        QTest::mouseRelease(&Canvas(), Qt::LeftButton, Qt::NoModifier, to);
        Drain();
    }

    // The frames of `code` sent since `mark`.
    std::vector<Frame> SentSince(std::size_t mark, std::uint16_t code) const {
        std::vector<Frame> frames;
        for (std::size_t i = mark; i < context.sent.size(); ++i)
            if (FrameCode(context.sent[i].data()) == code)
                frames.push_back(context.sent[i]);
        return frames;
    }

    bool Undo() {
        mark = context.sent.size();
        const bool done = edits.Undo();
        Drain();
        return done;
    }
    bool Redo() {
        mark = context.sent.size();
        const bool done = edits.Redo();
        Drain();
        return done;
    }

    // Layer `n` holds `l`: in the state, in the layer frame that left last, on the canvas and on
    // the layer page (which shows the layer replayed).
    void ExpectLayer(int n, const LayerInfo& l) {
        SCOPED_TRACE("layer " + std::to_string(n + 1));
        EXPECT_TRUE(Same(state.layers[static_cast<std::size_t>(n)], l));
        DeviceState expected = state;
        expected.layers[static_cast<std::size_t>(n)] = l;
        std::vector<Frame> frames;
        for (const Frame& f : SentSince(mark, kCmdLayer))
            if (f[6] == n)
                frames.push_back(f);
        ASSERT_EQ(frames.size(), 1u) << "one layer command";
        EXPECT_EQ(frames[0], BuildLayerFrame(expected, n));
        const CCell* cell = layout->LayerCell(n);
        EXPECT_EQ(cell->devRect, DeviceRect(l));
        EXPECT_EQ(cell->Hidden(), l.visible == 0);
        if (layerPage->CurrentLayer() != static_cast<std::uint32_t>(n))
            return; // the page shows the layer replayed last
        EXPECT_EQ(Shown(*layerPage, CLayerDlg::kHPosId), static_cast<int>(l.x));
        EXPECT_EQ(Shown(*layerPage, CLayerDlg::kVPosId), static_cast<int>(l.y));
        EXPECT_EQ(Shown(*layerPage, CLayerDlg::kWidthId), static_cast<int>(l.w));
        EXPECT_EQ(Shown(*layerPage, CLayerDlg::kHeightId), static_cast<int>(l.h));
        EXPECT_EQ(Shown(*layerPage, CLayerDlg::kHStartId), l.zoomX);
        EXPECT_EQ(Shown(*layerPage, CLayerDlg::kHSizeId), l.zoomW);
        EXPECT_EQ(layerPage->Control<CGdipButton>(CLayerDlg::kDisplaySwitchId)->isChecked(), l.visible != 0);
        EXPECT_EQ(layerPage->Control<CGdipButton>(CLayerDlg::kZoomSwitchId)->isChecked(), l.zoomOn != 0);
    }

    // Output `k`'s window holds `o`'s: in the state, in the output window command that left last
    // (built by the output page) and on the canvas.
    void ExpectOutputWindow(int k, const OutputInfo& o) {
        SCOPED_TRACE("output " + std::to_string(k + 1));
        EXPECT_EQ(WindowFields(state.outputs[static_cast<std::size_t>(k)]), WindowFields(o));
        std::vector<Frame> frames;
        for (const Frame& f : SentSince(mark, kCmdOutputWindow))
            if (f[6] == k)
                frames.push_back(f);
        ASSERT_EQ(frames.size(), 1u) << "one output window command";
        DeviceState expected = state;
        expected.outputs[static_cast<std::size_t>(k)] = o;
        EXPECT_EQ(frames[0], BuildOutputWindowFrame(expected, context.Picks(), k));
        EXPECT_EQ(frames[0][25], o.resIndex) << "the row the output runs";
        const Rect cell = layout->OutputCell(k)->devRect;
        EXPECT_EQ(cell,
                  (Rect{static_cast<int>(o.canvasX), static_cast<int>(o.canvasY),
                        static_cast<int>(o.canvasX) + o.width, static_cast<int>(o.canvasY) + o.height}));
    }

    DeviceState state;
    Config config;
    FakePageContext context;
    std::int64_t now = 100000;
    EditRecorder edits;
    EditReplay replay;
    std::size_t mark = 0; // the frames sent before the last Undo / Redo
    QTemporaryDir m_data;

    std::unique_ptr<CLayoutDlg> layout;
    std::unique_ptr<CLayerDlg> layerPage;
    std::unique_ptr<COutputDlg> outputPage;
    std::unique_ptr<CPicSettingDlg> picturePage;
    std::unique_ptr<CCropDlg> cropPage;
    std::unique_ptr<CFrameDlg> framePage;
    std::unique_ptr<CFuseDlg> blendPage;
    std::unique_ptr<CPresetsDlg> presetsPage;
};

} // namespace

// ---- the canvas

TEST_F(UndoTest, ALayerDraggedOnTheCanvasIsOneStepHoweverManyMoves) {
    const LayerInfo before = state.layers[1];
    const Rect cellBefore = layout->LayerCell(1)->rect;
    Drag(Centre(1), Centre(1) + QPoint(60, 90), 12);
    const LayerInfo after = state.layers[1];
    ASSERT_FALSE(Same(before, after));
    ASSERT_EQ(SentSince(0, kCmdLayer).size(), 1u) << "a drag sends once, at its end";
    EXPECT_EQ(edits.History().UndoCount(), 1u);
    EXPECT_EQ(edits.UndoText(), "Layer2");

    ASSERT_TRUE(Undo());
    EXPECT_EQ(layerPage->CurrentLayer(), 1u);
    ExpectLayer(1, before);
    EXPECT_EQ(layout->LayerCell(1)->rect, cellBefore);
    EXPECT_EQ(edits.History().UndoCount(), 0u);
    EXPECT_EQ(edits.RedoText(), "Layer2");
    EXPECT_FALSE(Undo()) << "nothing more to undo";
    EXPECT_EQ(context.sent.size(), mark);

    ASSERT_TRUE(Redo());
    ExpectLayer(1, after);
    EXPECT_FALSE(Redo());
    // The replays recorded nothing: one step, undone and redone again.
    EXPECT_EQ(edits.History().UndoCount(), 1u);
    ASSERT_TRUE(Undo());
    ExpectLayer(1, before);
}

TEST_F(UndoTest, AGroupMoveOfTwoSelectedLayersIsOneStepThatPutsBothBack) {
    // A band from the empty canvas below the outputs over both layers selects them.
    Drag(QPoint(10, 300), QPoint(400, 40));
    ASSERT_TRUE(layout->LayerCell(0)->Selected() && layout->LayerCell(1)->Selected());
    EXPECT_EQ(edits.History().UndoCount(), 0u) << "selecting changes nothing";
    const LayerInfo before0 = state.layers[0], before1 = state.layers[1];
    Later();
    Drag(Centre(1), Centre(1) + QPoint(30, 60), 8);
    const LayerInfo after0 = state.layers[0], after1 = state.layers[1];
    ASSERT_FALSE(Same(before0, after0));
    ASSERT_FALSE(Same(before1, after1));
    ASSERT_EQ(edits.History().UndoCount(), 1u) << "both layers, one step";
    EXPECT_EQ(edits.UndoText(), "Layers");

    ASSERT_TRUE(Undo());
    EXPECT_EQ(layerPage->CurrentLayer(), 1u) << "the layer replayed last";
    ExpectLayer(0, before0);
    ExpectLayer(1, before1);
    ASSERT_TRUE(Redo());
    ExpectLayer(0, after0);
    ExpectLayer(1, after1);
}

TEST_F(UndoTest, ArrowKeysInARowAreOneStepASecondApartTwo) {
    const struct {
        const char* name;
        std::int64_t gapMs;
        std::size_t steps;
    } cases[] = {{"in a row", 200, 1}, {"a second apart", 1500, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Later();
        QTest::mouseClick(&Canvas(), Qt::LeftButton, Qt::NoModifier, Centre(1));
        Drain();
        edits.History().Clear();
        const LayerInfo before = state.layers[1];
        std::vector<LayerInfo> moved;
        for (int press = 0; press < 3; ++press) {
            now += c.gapMs;
            QTest::keyClick(&Canvas(), Qt::Key_Right);
            Drain();
            moved.push_back(state.layers[1]);
        }
        ASSERT_GT(moved.back().x, before.x);
        EXPECT_EQ(edits.History().UndoCount(), c.steps);
        // Undoing every step brings the layer back where the first press found it.
        for (std::size_t s = c.steps; s > 0; --s) {
            ASSERT_TRUE(Undo());
            ExpectLayer(1, s == 1 ? before : moved[s - 2]);
        }
        EXPECT_FALSE(Undo());
        for (std::size_t s = 0; s < c.steps; ++s)
            ASSERT_TRUE(Redo());
        ExpectLayer(1, moved.back());
    }
}

// ---- the layer page

TEST_F(UndoTest, LayerPageEditsAreEachAStep) {
    const struct {
        const char* name;
        std::function<void()> act;
    } cases[] = {
        {"H Pos typed", [&] { Type(*layerPage, CLayerDlg::kHPosId, "2500"); }},
        {"Height typed", [&] { Type(*layerPage, CLayerDlg::kHeightId, "700"); }},
        {"display switched off", [&] { Click(*layerPage, CLayerDlg::kDisplaySwitchId); }},
        {"display switched on", [&] { Click(*layerPage, CLayerDlg::kDisplaySwitchId); }},
        {"zoom switched on", [&] { Click(*layerPage, CLayerDlg::kZoomSwitchId); }},
        {"zoom width typed", [&] { Type(*layerPage, CLayerDlg::kHSizeId, "960"); }},
        {"zoom start typed", [&] { Type(*layerPage, CLayerDlg::kHStartId, "400"); }},
        {"zoom switched off", [&] { Click(*layerPage, CLayerDlg::kZoomSwitchId); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Later();
        const std::size_t steps = edits.History().UndoCount();
        const LayerInfo before = state.layers[1];
        c.act();
        Drain();
        const LayerInfo after = state.layers[1];
        ASSERT_FALSE(Same(before, after));
        ASSERT_EQ(edits.History().UndoCount(), steps + 1);
        ASSERT_TRUE(Undo());
        EXPECT_EQ(layerPage->CurrentLayer(), 1u);
        ExpectLayer(1, before);
        ASSERT_TRUE(Redo());
        ExpectLayer(1, after);
    }
    // Undone one after the other, in the order they were done.
    std::size_t undone = 0;
    while (Undo())
        ++undone;
    EXPECT_EQ(undone, std::size(cases));
    const LayerInfo& l = state.layers[1];
    EXPECT_EQ(std::tie(l.x, l.h, l.zoomX, l.zoomW, l.zoomOn, l.visible),
              std::make_tuple(1920u, 540u, std::uint16_t{0}, std::uint16_t{1920}, std::uint8_t{0},
                              std::uint8_t{1}));
}

// ---- the output page

TEST_F(UndoTest, AnOutputsWindowTypedOnTheOutputPage) {
    const OutputInfo before = state.outputs[2];
    Click(*outputPage, COutputDlg::kOutputButtonFirst + 2);
    Type(*outputPage, kBoxWinW, "1000");
    const OutputInfo after = state.outputs[2];
    ASSERT_EQ(after.winW, 1000);
    ASSERT_EQ(edits.History().UndoCount(), 1u);
    EXPECT_EQ(edits.UndoText(), "Output3 window");

    Click(*outputPage, COutputDlg::kOutputButtonFirst); // the page shows another output meanwhile
    ASSERT_TRUE(Undo());
    ExpectOutputWindow(2, before);
    Click(*outputPage, COutputDlg::kOutputButtonFirst + 2);
    EXPECT_EQ(Shown(*outputPage, kBoxWinW), 1920);
    ASSERT_TRUE(Redo());
    ExpectOutputWindow(2, after);
    EXPECT_EQ(Shown(*outputPage, kBoxWinW), 1000);
}

TEST_F(UndoTest, AnArrangementPatternIsOneStepForEveryOutputAndLayerItPlaced) {
    std::array<OutputInfo, kOutputCount> outputsBefore = state.outputs;
    std::array<LayerInfo, kLayerCount> layersBefore = state.layers;
    Click(*outputPage, COutputDlg::kPatternFirst); // two by two
    ASSERT_EQ(state.outputs[2].canvasY, 1080u);
    std::array<OutputInfo, kOutputCount> outputsAfter = state.outputs;
    std::array<LayerInfo, kLayerCount> layersAfter = state.layers;
    ASSERT_FALSE(Same(layersBefore[0], layersAfter[0]));
    ASSERT_EQ(edits.History().UndoCount(), 1u);
    EXPECT_EQ(edits.UndoText(), "Arrange outputs");
    context.HideWait(); // the processor answered the arrangement

    ASSERT_TRUE(Undo());
    for (int k = 0; k < kOutputCount; ++k)
        ExpectOutputWindow(k, outputsBefore[static_cast<std::size_t>(k)]);
    for (int l = 0; l < kLayerCount; ++l)
        ExpectLayer(l, layersBefore[static_cast<std::size_t>(l)]);
    ASSERT_TRUE(Redo());
    for (int k = 0; k < kOutputCount; ++k)
        ExpectOutputWindow(k, outputsAfter[static_cast<std::size_t>(k)]);
    for (int l = 0; l < kLayerCount; ++l)
        ExpectLayer(l, layersAfter[static_cast<std::size_t>(l)]);
}

TEST_F(UndoTest, AnAppliedResolutionIsUndoneThroughTheOutputPageWithItsWait) {
    ReplyDispatcher dispatcher(state, context.session, context, &context.picks);
    // The processor runs it: the dispatcher copies what the page picked, then the recorder sees it.
    const auto acknowledge = [&](std::uint8_t which) {
        const Frame ack = Record(kReplyAck, kAckOutput, 1, which);
        dispatcher.OnDeviceRecord(ack.data());
        edits.Reported(ack.data());
        Drain();
    };
    const OutputInfo before = state.outputs[1];
    Click(*outputPage, COutputDlg::kOutputButtonFirst + 1);
    SendWindowMessage(outputPage.get(), WM_ITEM_PICKED, COutputDlg::kResolutionListId, 2); // 1366 x 768
    Drain();
    {
        MessageBoxAnswerer one(CMessageboxDlg::kRightId); // this output only
        Click(*outputPage, COutputDlg::kApplyId);
        ASSERT_EQ(one.boxes.size(), 1u);
    }
    ASSERT_TRUE(outputPage->ApplyBusy());
    acknowledge(1);
    ASSERT_FALSE(outputPage->ApplyBusy());
    const OutputInfo after = state.outputs[1];
    ASSERT_EQ(after.resIndex, 2u);
    ASSERT_EQ(after.width, 1366);
    EXPECT_EQ(edits.UndoText(), "Output2 resolution");
    context.waitTexts.clear();

    ASSERT_TRUE(Undo()) << "one undo takes the whole Apply back";
    const std::vector<Frame> resolution = SentSince(mark, kCmdOutputResolution);
    ASSERT_EQ(resolution.size(), 1u);
    EXPECT_EQ(resolution[0][6], 1) << "output 2";
    EXPECT_EQ(resolution[0][7], 0) << "the row it ran before";
    EXPECT_EQ(GetLE16(&resolution[0][8]), 1920);
    EXPECT_EQ(GetLE16(&resolution[0][10]), 1080);
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set Output Resolution..."});
    EXPECT_TRUE(outputPage->ApplyBusy());
    EXPECT_EQ(outputPage->CurrentOutput(), 1u);
    EXPECT_EQ(outputPage->Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(), 0);
    EXPECT_EQ(state.outputs[1].resIndex, 0u);
    EXPECT_EQ(WindowFields(state.outputs[1]), WindowFields(before)) << "the window it had";
    EXPECT_EQ(SentSince(mark, kCmdOutputWindow).size(), 1u);
    ExpectOutputWindow(1, before);
    acknowledge(1);
    EXPECT_FALSE(outputPage->ApplyBusy());
    EXPECT_EQ(state.outputs[1].width, 1920);
    EXPECT_EQ(edits.History().UndoCount(), 0u) << "the acknowledgement of an undo is no step";

    context.waitTexts.clear();
    ASSERT_TRUE(Redo());
    const std::vector<Frame> again = SentSince(mark, kCmdOutputResolution);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0][7], 2);
    EXPECT_EQ(GetLE16(&again[0][8]), 1366);
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set Output Resolution..."});
    acknowledge(1);
    EXPECT_EQ(state.outputs[1].resIndex, 2u);
    EXPECT_EQ(WindowFields(state.outputs[1]), WindowFields(after));
    EXPECT_EQ(outputPage->Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(), 2);
    EXPECT_EQ(edits.History().UndoCount(), 1u);
    EXPECT_EQ(edits.History().RedoCount(), 0u);
}

// ---- picture, crop, blend, frame sync

TEST_F(UndoTest, PictureValuesOfOneOutputAndOfAll) {
    const struct {
        const char* name;
        int button; // the output chosen, or ALL
        int box;
        const char* typed;
        std::vector<int> outputs; // the records the edit changed
        const char* what;
    } cases[] = {
        {"one output",
         CPicSettingDlg::kOutputButtonFirst + 1,
         CPicSettingDlg::kContrastId,
         "200",
         {1},
         "Picture Output2"},
        {"ALL",
         CPicSettingDlg::kAllOutputsId,
         CPicSettingDlg::kBrightnessId,
         "40",
         {0, 1, 2, 3},
         "Picture ALL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Later();
        Click(*picturePage, c.button);
        const auto before = state.picture;
        Type(*picturePage, c.box, c.typed);
        const auto after = state.picture;
        ASSERT_EQ(edits.UndoText(), c.what);
        const std::size_t steps = edits.History().UndoCount();
        ASSERT_TRUE(Undo());
        EXPECT_EQ(edits.History().UndoCount(), steps - 1) << "one step";
        DeviceState expected = state;
        expected.picture = before;
        const std::vector<Frame> frames = SentSince(mark, kCmdPicture);
        ASSERT_EQ(frames.size(), c.outputs.size());
        for (std::size_t i = 0; i < c.outputs.size(); ++i) {
            EXPECT_EQ(frames[i], BuildPictureRecordFrame(expected, c.outputs[i]));
            EXPECT_EQ(Picture(state.picture[static_cast<std::size_t>(c.outputs[i])]),
                      Picture(before[static_cast<std::size_t>(c.outputs[i])]));
        }
        EXPECT_EQ(Shown(*picturePage, c.box), 128) << "the page shows the earlier value";
        ASSERT_TRUE(Redo());
        expected.picture = after;
        const std::vector<Frame> again = SentSince(mark, kCmdPicture);
        ASSERT_EQ(again.size(), c.outputs.size());
        for (std::size_t i = 0; i < c.outputs.size(); ++i)
            EXPECT_EQ(again[i], BuildPictureRecordFrame(expected, c.outputs[i]));
        EXPECT_EQ(Shown(*picturePage, c.box), QString(c.typed).toInt());
        for (std::size_t k = 0; k < state.picture.size(); ++k)
            EXPECT_EQ(Picture(state.picture[k]), Picture(after[k])) << k;
    }
}

TEST_F(UndoTest, ACropRectangle) {
    Click(*cropPage, CCropDlg::kSwitchId); // the crop on: a step of its own
    ASSERT_EQ(state.crop.rects[0].on, 1);
    Later();
    const CropRect before = state.crop.rects[0];
    Type(*cropPage, CCropDlg::kWidthId, "1280");
    Later();
    Type(*cropPage, CCropDlg::kHStartId, "300");
    const CropRect after = state.crop.rects[0];
    ASSERT_EQ(after.hStart, 300);
    ASSERT_EQ(edits.History().UndoCount(), 3u);
    EXPECT_EQ(edits.UndoText(), "Crop Input1");

    ASSERT_TRUE(Undo());
    ASSERT_TRUE(Undo());
    DeviceState expected = state;
    expected.crop.rects[0] = before;
    EXPECT_EQ(Crop(state.crop.rects[0]), Crop(before));
    EXPECT_EQ(SentSince(mark, kCmdCrop), std::vector<Frame>{BuildCropFrame(expected, 0, kCropSet)});
    EXPECT_EQ(Shown(*cropPage, CCropDlg::kWidthId), 1920);
    EXPECT_EQ(Shown(*cropPage, CCropDlg::kHStartId), 0);
    EXPECT_TRUE(cropPage->Control<CGdipButton>(CCropDlg::kSwitchId)->isChecked());
    ASSERT_TRUE(Undo());
    EXPECT_EQ(state.crop.rects[0].on, 0);
    EXPECT_FALSE(cropPage->Control<CGdipButton>(CCropDlg::kSwitchId)->isChecked());

    for (int s = 0; s < 3; ++s)
        ASSERT_TRUE(Redo());
    expected.crop.rects[0] = after;
    EXPECT_EQ(Crop(state.crop.rects[0]), Crop(after));
    EXPECT_EQ(SentSince(mark, kCmdCrop), std::vector<Frame>{BuildCropFrame(expected, 0, kCropSet)});
    EXPECT_EQ(Shown(*cropPage, CCropDlg::kHStartId), 300);
    EXPECT_EQ(Shown(*cropPage, CCropDlg::kWidthId), 1280);
}

TEST_F(UndoTest, BlendZonesAndCurvesSetData) {
    Activate(blendPage.get());
    Click(*blendPage, CFuseDlg::kOutputButtonFirst + 3);
    const OutputInfo before = state.outputs[3];
    Click(*blendPage, CFuseDlg::kSwitchId);
    Later();
    Type(*blendPage, CFuseDlg::kHSizeId, "400");
    const OutputInfo zoned = state.outputs[3];
    ASSERT_EQ(zoned.blend[kSideH1].size, 400);
    ASSERT_EQ(zoned.blend[kSideH1].enable, 1);
    // A point of the curve placed in the editor, then "Set Data": the sides and the curve.
    Later();
    CBezierDlg& editor = *blendPage->Editor();
    const QPoint p1Before = editor.PointPixel(0);
    QTest::mouseDClick(&editor, Qt::LeftButton, {}, QPoint(120, 60));
    Drain();
    const QPoint p1After = editor.PointPixel(0);
    ASSERT_NE(p1After, p1Before);
    Click(*blendPage, CFuseDlg::kSetDataId);
    const OutputInfo curved = state.outputs[3];
    ASSERT_NE(curved.curve, zoned.curve);
    EXPECT_EQ(edits.UndoText(), "Edge blend Output4");
    const std::size_t steps = edits.History().UndoCount();
    ASSERT_GE(steps, 3u);

    const auto expectBlend = [&](const OutputInfo& o) {
        DeviceState expected = state;
        expected.outputs[3].blend = o.blend;
        expected.outputs[3].curve = o.curve;
        EXPECT_EQ(SentSince(mark, kCmdBlend), std::vector<Frame>{BuildBlendFrame(expected, 3)});
        EXPECT_EQ(SentSince(mark, kCmdBlendCurve), std::vector<Frame>{BuildBlendCurveFrame(expected, 3)});
        EXPECT_EQ(state.outputs[3].curve, o.curve);
        for (int s = 0; s < kSideCount; ++s)
            EXPECT_EQ(Side(state.outputs[3].blend[static_cast<std::size_t>(s)]),
                      Side(o.blend[static_cast<std::size_t>(s)]))
                << "side " << s;
        EXPECT_EQ(Shown(*blendPage, CFuseDlg::kHSizeId), o.blend[kSideH1].size);
        EXPECT_EQ(blendPage->SwitchOn(), o.blend[kSideH1].enable != 0);
    };
    ASSERT_TRUE(Undo());
    expectBlend(zoned);
    EXPECT_EQ(editor.PointPixel(0), p1Before) << "P1 back where it was";
    while (edits.History().UndoCount() > 0)
        ASSERT_TRUE(Undo());
    expectBlend(before);
    while (edits.History().RedoCount() > 0)
        ASSERT_TRUE(Redo());
    expectBlend(curved);
    // Shown where its stored value lies (the pixel of the double click, to the editor's rounding).
    const PlotPixel p1 = ValueToPixel(editor.Plot(), TablePoint(state.outputs[3], editor.ShownTable(), 0));
    EXPECT_EQ(editor.PointPixel(0), QPoint(p1.x, p1.y));
    EXPECT_LE((editor.PointPixel(0) - p1After).manhattanLength(), 1);
}

TEST_F(UndoTest, TheFrameSyncMode) {
    {
        MessageBoxAnswerer yes;
        Click(*framePage, CFrameDlg::kConvertModeId);
        ASSERT_EQ(yes.boxes.size(), 1u);
    }
    ASSERT_EQ(state.crop.frameMode, 1u);
    ASSERT_EQ(SentSince(0, kCmdFrameMode), std::vector<Frame>{BuildFrameModeFrame(FrameMode::Convert)});
    ASSERT_EQ(edits.UndoText(), "Frame sync mode");
    SendWindowMessage(framePage.get(), WM_DEVICE_REPLY, kReplyAck, kAckStatus); // the processor answered
    context.HideWait();

    MessageBoxAnswerer none; // an undo asks nothing
    ASSERT_TRUE(Undo());
    EXPECT_EQ(SentSince(mark, kCmdFrameMode), std::vector<Frame>{BuildFrameModeFrame(FrameMode::Sync)});
    EXPECT_EQ(state.crop.frameMode, 0u);
    EXPECT_EQ(framePage->ShownMode(), FrameMode::Sync);
    EXPECT_TRUE(framePage->Control<CGdipButton>(CFrameDlg::kSyncModeId)->isChecked());
    ASSERT_TRUE(Redo());
    EXPECT_EQ(SentSince(mark, kCmdFrameMode), std::vector<Frame>{BuildFrameModeFrame(FrameMode::Convert)});
    EXPECT_EQ(framePage->ShownMode(), FrameMode::Convert);
    EXPECT_TRUE(framePage->Control<CGdipButton>(CFrameDlg::kConvertModeId)->isChecked());
    EXPECT_TRUE(none.boxes.empty());
}

// ---- presets

TEST_F(UndoTest, APresetFileLoadIsUndoneWithTheFileOfTheStateBeforeIt) {
    // The file of another setting: layers elsewhere, other picture values, output 2 at 1366 x 768.
    DeviceState other = state;
    other.layers[0].x = 500;
    other.layers[1].visible = 0;
    other.picture[2].contrast = 70;
    OutputInfo& o = other.outputs[1];
    o.resIndex = 2;
    o.width = o.winW = o.hActive = 1366;
    o.height = o.winH = o.vActive = 768;
    const PresetFile file = BuildPresetFile(other);
    {
        std::ofstream out(presetsPage->SlotPath(0), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    presetsPage->RefreshFileFlags();
    const PresetFile beforeFile = BuildPresetFile(state);
    ASSERT_NE(beforeFile, file);
    {
        MessageBoxAnswerer yes;
        Click(*presetsPage, CPresetsDlg::kLoadId);
        ASSERT_EQ(yes.boxes.size(), 1u);
    }
    ASSERT_EQ(context.sentBytes.size(), 1u);
    ASSERT_EQ(context.sentBytes[0], std::vector<std::uint8_t>(file.begin(), file.end()));
    ASSERT_EQ(edits.History().UndoCount(), 1u);
    EXPECT_EQ(edits.UndoText().rfind("Load Preset: ", 0), 0u) << edits.UndoText();
    // The processor runs the file and reports what it runs.
    state.layers = other.layers;
    state.picture = other.picture;
    state.outputs = other.outputs;
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<std::uint8_t>(i);
        for (std::uint16_t code : {kReplyLayer, kReplyOutput})
            edits.Reported(Record(code, n).data());
    }
    edits.Reported(Record(kReplyPicture, 0x12).data());
    edits.Reported(Record(kReplyPicture, 0x34).data());
    context.HideWait();

    const std::size_t sends = context.sentBytes.size();
    ASSERT_TRUE(Undo());
    ASSERT_EQ(context.sentBytes.size(), sends + 1);
    EXPECT_EQ(context.sentBytes.back(), std::vector<std::uint8_t>(beforeFile.begin(), beforeFile.end()))
        << "the file of the state before the load";
    EXPECT_TRUE(context.waitShown);
    EXPECT_EQ(state.layers[0].x, 0u);
    EXPECT_EQ(state.outputs[1].resIndex, 0u);
    context.HideWait();

    ASSERT_TRUE(Redo());
    ASSERT_EQ(context.sentBytes.size(), sends + 2);
    EXPECT_EQ(context.sentBytes.back(), std::vector<std::uint8_t>(file.begin(), file.end()))
        << "the file again";
    EXPECT_TRUE(context.waitShown);
}

// ---- stale steps

TEST_F(UndoTest, AStepTheProcessorHasSinceReportedOtherwiseIsDropped) {
    const LayerInfo before0 = state.layers[0];
    Drag(Centre(0), Centre(0) + QPoint(0, 60));
    Later();
    Drag(Centre(1), Centre(1) + QPoint(60, 0));
    ASSERT_EQ(edits.History().UndoCount(), 2u);
    EXPECT_EQ(edits.UndoText(), "Layer2");

    // The processor reports layer 2 somewhere else (another operator, a recall on its panel): the
    // dispatcher writes the record and tells the pages, and the recorder sees it. Later than the
    // processor's answer to the drag could be.
    Later();
    state.layers[1].x = 4000;
    state.layers[1].y = 300;
    for (CBaseDialog* page :
         {static_cast<CBaseDialog*>(layout.get()), static_cast<CBaseDialog*>(layerPage.get())})
        SendWindowMessage(page, WM_DEVICE_REPLY, kReplyLayer, 1);
    edits.Reported(Record(kReplyLayer, 1).data());
    Drain();
    const LayerInfo reported = state.layers[1];

    EXPECT_EQ(edits.UndoText(), "Layer1") << "the step of layer 2 is gone";
    ASSERT_TRUE(Undo());
    ExpectLayer(0, before0);
    EXPECT_TRUE(SentSince(mark, kCmdLayer).size() == 1u) << "nothing for layer 2";
    EXPECT_TRUE(Same(state.layers[1], reported));
    EXPECT_EQ(layout->LayerCell(1)->devRect, DeviceRect(reported));
    EXPECT_FALSE(Undo());
    ASSERT_TRUE(Redo());
    EXPECT_FALSE(Redo()) << "the dropped step is no redo either";
}

// A replay names one of the four layers or outputs; anything past the last is refused unsent.
TEST_F(UndoTest, AReplayPastTheLastLayerOrOutputIsRefused) {
    for (const EditKind kind : {EditKind::Layer, EditKind::OutputWindow}) {
        EXPECT_FALSE(replay.Resend(kind, kLayerCount));
        EXPECT_FALSE(replay.Resend(kind, -1));
    }
    Drain();
    EXPECT_TRUE(context.sent.empty());
}
