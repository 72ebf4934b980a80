#pragma once

// The fixture of the undo suites: the processor as after a synchronisation behind the fake
// context, every page made and known to it, the recorder on the test's clock, and the helpers
// that type, undo, redo and compare what was sent.

#include "FakePageContext.h"
#include "WidgetTestSupport.h"
#include "blend/BlendFrames.h"
#include "blend/CFuseDlg.h"
#include "device/EditRecorder.h"
#include "device/ReplyCodes.h"
#include "device/ReplyDispatcher.h"
#include "layout/CLayerDlg.h"
#include "layout/CLayoutDlg.h"
#include "layout/COutputDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerFrames.h"
#include "layout/OutputFrames.h"
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
#include "shell/Config.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/ValueEdit.h"

#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace corvane::test {

inline auto Fields(const LayerInfo& l) {
    return std::tie(l.source, l.zoomOn, l.zoomX, l.zoomY, l.zoomW, l.zoomH, l.srcW, l.srcH, l.x, l.y, l.w,
                    l.h, l.visible);
}
inline bool Same(const LayerInfo& a, const LayerInfo& b) {
    return Fields(a) == Fields(b);
}
inline auto WindowFields(const OutputInfo& o) {
    return std::tie(o.canvasX, o.canvasY, o.width, o.height, o.winX, o.winY, o.winW, o.winH);
}
inline auto Picture(const PictureSettings& p) {
    return std::tie(p.brightness, p.contrast, p.gamma, p.colorTemp, p.red, p.green, p.blue);
}
inline auto Crop(const CropRect& r) {
    return std::tie(r.on, r.hStart, r.vStart, r.hSize, r.vSize, r.hTotal, r.vTotal);
}
inline auto Side(const BlendSide& s) {
    return std::tie(s.enable, s.direction, s.gamma, s.table, s.start, s.size);
}

inline Rect DeviceRect(const LayerInfo& l) {
    return Rect{static_cast<int>(l.x), static_cast<int>(l.y), static_cast<int>(l.x + l.w),
                static_cast<int>(l.y + l.h)};
}

// A record of the processor as the recorder reads it: its code and byte 6.
inline Frame Record(std::uint16_t code, std::uint8_t b6, std::uint8_t b7 = kFiller,
                    std::uint8_t b8 = kFiller) {
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
        std::tie(state.layers[0].x, state.layers[0].w, state.layers[0].h) = std::make_tuple(0u, 1920u, 1080u);
        std::tie(state.layers[1].x, state.layers[1].w, state.layers[1].h) =
            std::make_tuple(1920u, 960u, 540u);
        state.layers[0].visible = state.layers[1].visible = 1;
        context.main.switchOn = {true, true, false, false};
        state.currentInput = 0;
        state.inputs[0].signal = 1;
        for (CropRect& r : state.crop.rects)
            r = CropRect{0, 0, 0, 1920, 1080, 1920, 1080};
        state.crop.frameMode = 0;
        context.dataFolder = m_data.path().toStdString();
        context.edits = &edits;
        edits.SetReplayTarget(&replay);
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
    // A click whose one question is answered with `answer`.
    static void ClickAnswering(CBaseDialog& page, int id, int answer = CMessageboxDlg::kLeftId) {
        MessageBoxAnswerer answerer(answer);
        Click(page, id);
        ASSERT_EQ(answerer.boxes.size(), 1u);
    }
    static int Shown(CBaseDialog& page, int id) { return page.Control<QLineEdit>(id)->text().toInt(); }

    // An edit later than every one before: no coalescing with them.
    void Later() { now += 5000; }

    // The frames of `code` sent since `from` (those for layer / output `index` only if given).
    std::vector<Frame> SentSince(std::size_t from, std::uint16_t code, int index = -1) const {
        std::vector<Frame> frames;
        for (std::size_t i = from; i < context.sent.size(); ++i)
            if (FrameCode(context.sent[i].data()) == code && (index < 0 || context.sent[i][6] == index))
                frames.push_back(context.sent[i]);
        return frames;
    }

    bool Undo() { return Replay(&EditRecorder::Undo); }
    bool Redo() { return Replay(&EditRecorder::Redo); }
    bool Replay(bool (EditRecorder::*step)()) {
        mark = context.sent.size();
        const bool done = (edits.*step)();
        Drain();
        return done;
    }

    // Layer `n` holds `l`: in the state, in the layer frame that left last, on the canvas and on
    // the layer page, which shows the layer replayed.
    void ExpectLayer(int n, const LayerInfo& l) {
        SCOPED_TRACE("layer " + std::to_string(n + 1));
        EXPECT_TRUE(Same(state.layers[static_cast<std::size_t>(n)], l));
        DeviceState expected = state;
        expected.layers[static_cast<std::size_t>(n)] = l;
        EXPECT_EQ(SentSince(mark, kCmdLayer, n), std::vector<Frame>{BuildLayerFrame(expected, n)})
            << "one layer command";
        const CCell* cell = layout->LayerCell(n);
        EXPECT_EQ(std::make_tuple(cell->devRect, cell->Hidden(), layerPage->CurrentLayer(),
                                  Shown(*layerPage, CLayerDlg::kHPosId)),
                  std::make_tuple(DeviceRect(l), l.visible == 0, static_cast<std::uint32_t>(n),
                                  static_cast<int>(l.x)));
    }

    // Output `k`'s window holds `o`'s: in the state, in the output window command that left last
    // (built by the output page) and on the canvas.
    void ExpectOutputWindow(int k, const OutputInfo& o) {
        SCOPED_TRACE("output " + std::to_string(k + 1));
        EXPECT_EQ(WindowFields(state.outputs[static_cast<std::size_t>(k)]), WindowFields(o));
        const std::vector<Frame> frames = SentSince(mark, kCmdOutputWindow, k);
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

} // namespace corvane::test
