// The output page with real mouse and key events and the real message dialog (the fixture's
// parts: LayerPageFixture.h).

#include "LayerPageFixture.h"
#include "device/ReplyCodes.h"
#include "layout/COutputDlg.h"
#include "layout/OutputFrames.h"
#include "link/ByteOrder.h"
#include "link/CommandCodes.h"
#include "widgets/CDropButton.h"
#include "widgets/CHotSpot.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

class OutputPageTest : public PageFixture<COutputDlg> {
protected:
    OutputPageTest() : PageFixture(QSize(320, 634)) {
        context.windows[Window::LayoutPage] = &layout;
        context.windows[Window::LayerPage] = &layerPage;
        context.windows[Window::FusePage] = &blendPage;
        for (int k = 0; k < kOutputCount; ++k) {
            OutputInfo& o = state.outputs[static_cast<std::size_t>(k)];
            o.canvasX = 1920u * static_cast<std::uint32_t>(k);
            o.canvasY = 0;
            o.winW = o.hActive = 1920;
            o.winH = o.vActive = 1080;
        }
    }

    template <class W = oRealEdit> W* Control(int id) { return PageUnderTest().Control<W>(id); }

    void Type(int id, const QString& text) { TypeInto(Control(id), text); }

    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }

    // What the resolution drop-down posts when the operator picks a row.
    void PickRow(int row) {
        SendWindowMessage(&PageUnderTest(), WM_ITEM_PICKED, COutputDlg::kResolutionListId, row);
        Drain();
    }

    int Shown(int id) { return Control(id)->text().toInt(); }

    // The frames sent, as "code argument" ("9 0", "d 4", "b0 0").
    Log SentCodes() const {
        Log codes;
        for (const Frame& f : context.sent) {
            std::ostringstream line;
            line << std::hex << GetLE16(&f[4]) << std::dec << " " << int{f[6]};
            codes.push_back(line.str());
        }
        return codes;
    }

    RecordingLayoutPage layout;
    RecordingPage layerPage;
    RecordingPage blendPage;
};

} // namespace

TEST_F(OutputPageTest, OpensOnTheFirstOutputAndItsButtonsReachTheLayoutAndBlendPages) {
    COutputDlg& page = PageUnderTest();
    EXPECT_EQ(page.CurrentOutput(), 0u);
    EXPECT_TRUE(Control<CGdipButton>(COutputDlg::kOutputButtonFirst)->isChecked());
    auto* list = Control<CDropButton>(COutputDlg::kResolutionListId);
    ASSERT_EQ(list->GetCount(), 10);
    EXPECT_EQ(list->GetText(9), QString("Customized  Resolution"));
    // A listed row: its size, and the customised timing's boxes closed.
    EXPECT_EQ(Shown(kBoxHActive), 1920);
    EXPECT_FALSE(Control(kBoxHActive)->isEnabled());
    // Automatic: the pictures, no mosaic boxes; manual the other way round.
    const auto arrangement = [&] {
        return std::make_tuple(page.ArrangeAuto(), Control<CHotSpot>(COutputDlg::kPatternFirst)->isVisible(),
                               Control(kBoxMosaicX)->isVisible());
    };
    EXPECT_EQ(arrangement(), std::make_tuple(true, true, false));
    Click(COutputDlg::kManualArrangeId);
    EXPECT_EQ(arrangement(), std::make_tuple(false, false, true));
    EXPECT_EQ(Control<CGdipButton>(COutputDlg::kManualArrangeId)->TextColour(), QColor(239, 156, 0));

    // Choosing an output selects its cell and shows it.
    state.outputs[2].resIndex = 4; // 1280 x 1024
    state.outputs[2].winX = 16;
    Reply(kReplyOutput, 12);
    Click(COutputDlg::kOutputButtonFirst + 2);
    EXPECT_EQ(layout.selected, std::vector<int>{2});
    EXPECT_EQ(std::make_tuple(page.CurrentOutput(),
                              Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(),
                              Shown(kBoxHActive), Shown(kBoxWinX)),
              std::make_tuple(2u, 4, 1280, 16));
    EXPECT_EQ(Control<CGdipButton>(COutputDlg::kOutputButtonFirst + 2)->TextColour(), QColor(239, 156, 0));

    // The blend button shows and hides the blend page.
    Click(COutputDlg::kBlendId);
    Click(COutputDlg::kBlendId);
    EXPECT_EQ(context.main.blendRequests, (std::vector<bool>{true, false}));
    EXPECT_FALSE(Control<CGdipButton>(COutputDlg::kBlendId)->isChecked());
}

// The rules of each box: OutputRules.BoxRules; here the page's way to them and to the processor.
TEST_F(OutputPageTest, TheBoxRulesAsTyped) {
    Connect();
    PageUnderTest();
    PickRow(kCustomResolutionRow);
    EXPECT_TRUE(Control(kBoxHActive)->isEnabled());
    Type(kBoxVActive, "1080");
    Type(kBoxHActive, "2880");
    EXPECT_EQ(Shown(kBoxHActive), 2133) << "2304000 / 1080";
    EXPECT_EQ(context.Picks()[0]->customWidth, 2133);
    SendWindowMessage(&PageUnderTest(), WM_ITEM_PICKED, COutputDlg::kRateListId, 0); // "50"
    EXPECT_EQ(context.Picks()[0]->customTag, 1u);
    EXPECT_TRUE(context.sent.empty()) << "the resolution is sent by Apply only";

    PickRow(0);
    Click(COutputDlg::kManualArrangeId);
    Type(kBoxMosaicW, "1920");
    Type(kBoxMosaicX, "59000");
    EXPECT_EQ(Shown(kBoxMosaicX), 58079) << "H Pos + Width stay within 59999";
    EXPECT_EQ(state.outputs[0].canvasX, 58079u);
    EXPECT_EQ(context.sent, std::vector<Frame>{BuildOutputWindowFrame(state, context.Picks(), 0)});

    // The value it already has sends nothing.
    context.sent.clear();
    Type(kBoxMosaicX, "58079");
    EXPECT_TRUE(context.sent.empty());
}

TEST_F(OutputPageTest, NothingToApplySendsNothingAndAsksNothing) {
    {
        MessageBoxAnswerer answerer;
        PageUnderTest();
        Click(COutputDlg::kApplyId); // not connected
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");

        Connect();
        Click(COutputDlg::kApplyId); // the row the processor runs (the rule:
                                     // OutputRules.ApplyDecidesBeforeAsking)
        EXPECT_EQ(answerer.boxes.size(), 1u);
        EXPECT_TRUE(context.sent.empty());
        EXPECT_FALSE(PageUnderTest().ApplyBusy());
    }

    // Closing the question applies nothing.
    PickRow(3);
    bool asked = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&asked] {
        for (CMessageboxDlg* box : OpenMessageBoxes()) {
            asked = true;
            box->ClosePage();
        }
    });
    closer.start(10);
    Click(COutputDlg::kApplyId);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(context.sent.empty());
    EXPECT_FALSE(PageUnderTest().ApplyBusy());
}

TEST_F(OutputPageTest, BoxesAreIgnoredUntilTheApplyIsAnswered) {
    Connect();
    PageUnderTest();
    const OutputInfo fresh = state.outputs[0];
    const struct {
        const char* name;
        std::uintptr_t code;
        std::intptr_t index;
        bool outputRecordFollows; // the dispatcher tells the outputs concerned after an acknowledgement
        int rowAfter;             // what the page shows for output 0 afterwards
    } ends[] = {
        {"applied", kReplyAck, 1, true, 5},
        {"refused", kReplyAck, 0, true, 0},
        {"time-out", kReplyWaitEnded, kWaitTimedOut, false, 5},
    };
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        state.outputs[0] = fresh;
        Reply(kReplyOutput, 10);
        PickRow(5); // 1680 x 1050
        {
            MessageBoxAnswerer answerer(CMessageboxDlg::kRightId);
            Click(COutputDlg::kApplyId);
        }
        ASSERT_TRUE(PageUnderTest().ApplyBusy());
        EXPECT_EQ(state.outputs[0].width, 1680);
        context.sent.clear();
        Type(kBoxWinW, "1000");
        EXPECT_TRUE(context.sent.empty()) << "ignored while the processor has not answered";
        // A record of the processor meanwhile does not overwrite the pick.
        Reply(kReplyOutput, 10);
        EXPECT_EQ(Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(), 5);

        if (end.code == kReplyAck && end.index == 1)
            state.outputs[0].resIndex = 5; // what the dispatcher copies before it tells the page
        Reply(end.code, end.index);
        if (end.outputRecordFollows)
            Reply(kReplyOutput, 10);
        EXPECT_FALSE(PageUnderTest().ApplyBusy());
        EXPECT_EQ(Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(), end.rowAfter);
        if (end.rowAfter == 0) {
            EXPECT_EQ(state.outputs[0].width, 1920) << "a refused Apply is taken back";
            EXPECT_EQ(Shown(kBoxWinW), 1920);
        }
        Type(kBoxWinW, "1000");
        EXPECT_EQ(SentCodes(), Log{"9 0"}) << "the boxes react again";
        context.sent.clear();
    }
}

TEST_F(OutputPageTest, AnUnappliedPickIsDroppedBeforeAWindowChange) {
    Connect();
    PageUnderTest();
    PickRow(3);
    Type(kBoxWinX, "0");
    Type(kBoxWinW, "1000");
    ASSERT_EQ(SentCodes(), Log{"9 0"});
    EXPECT_EQ(context.sent[0][25], 0) << "the row the processor runs, not the one picked";
    EXPECT_EQ(Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(), 0);

    // Likewise when the layout page asks for an output whose pick was not applied.
    context.sent.clear();
    Click(COutputDlg::kOutputButtonFirst + 1);
    PickRow(6);
    Click(COutputDlg::kOutputButtonFirst);
    SendWindowMessage(&PageUnderTest(), WM_DEVICE_COMMAND, kCmdOutputWindow, 1);
    ASSERT_EQ(SentCodes(), Log{"9 1"});
    EXPECT_EQ(context.sent[0][25], 0);
}

TEST_F(OutputPageTest, ArrangeInOneRowPlacesOutputsAndLayersThenEnds) {
    Connect();
    PageUnderTest();
    Click(COutputDlg::kPatternFirst + 1);
    EXPECT_EQ(PageUnderTest().ArrangePattern(), 1);
    EXPECT_TRUE(Control<CHotSpot>(COutputDlg::kPatternFirst + 1)->isChecked());
    ASSERT_EQ(SentCodes(), (Log{"9 0", "9 1", "9 2", "9 3", "b0 0"}));
    // Where the pattern puts each output and layer: OutputRules.ArrangeThreePatternsWithMixedResolutions.
    EXPECT_EQ(context.sent[3], BuildOutputWindowFrame(state, context.Picks(), 3));
    // The outputs' cells, then each layer's cell and command, in order.
    EXPECT_EQ(layout.log,
              (Log{"reply ab 0", "reply ab 1", "reply ab 2", "reply ab 3", "reply a8 0", "layout 0 0",
                   "reply a8 1", "layout 0 1", "reply a8 2", "layout 0 2", "reply a8 3", "layout 0 3"}));
    EXPECT_EQ(layerPage.Count(WM_DEVICE_REPLY), 4);
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set Output position..."});
    EXPECT_EQ(blendPage.Count(WM_DEVICE_REPLY), 0) << "no output changed its size";

    // While the overlay is up the pictures do nothing.
    context.sent.clear();
    Click(COutputDlg::kPatternFirst);
    EXPECT_TRUE(context.sent.empty());
    EXPECT_EQ(PageUnderTest().ArrangePattern(), 1);
}

// Without a processor a typed box and a pattern still move the cells (one each) and the blend page
// re-reads the sizes they changed.
TEST_F(OutputPageTest, WithoutAProcessorBoxesAndPatternsOnlyMoveTheCells) {
    state.outputs[1].resIndex = 1; // 1024 x 768
    PageUnderTest();
    Reply(kReplyOutput, 11);
    Click(COutputDlg::kManualArrangeId);
    layout.log.clear();
    Type(kBoxMosaicH, "720");
    EXPECT_EQ(std::make_tuple(state.outputs[0].height, layout.log), std::make_tuple(720, Log{"reply ab 0"}));
    Click(COutputDlg::kAutoArrangeId);
    Click(COutputDlg::kPatternFirst + 2); // one column
    EXPECT_EQ(state.outputs[1].canvasY, 1080u);
    EXPECT_EQ(std::count(layout.log.begin(), layout.log.end(), "reply ab 2"), 1);
    EXPECT_EQ(blendPage.Count(WM_DEVICE_REPLY), 2);
    EXPECT_TRUE(context.sent.empty());
}

TEST_F(OutputPageTest, LanguageSwitchRebuildsTheListAndCaptions) {
    QFile file(QString(CORVANE_LANG_DIR) + "/Chinese.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    TempLanguage lang("Chinese", {{"Chinese.ini", file.readAll().toStdString()}});
    lang.Select("Chinese");
    PageUnderTest().ApplyLanguage();
    auto* list = Control<CDropButton>(COutputDlg::kResolutionListId);
    ASSERT_EQ(list->GetCount(), 10);
    EXPECT_EQ(list->GetText(9), QString("自定义分辨率"));
    EXPECT_EQ(Control<CGroupBox>(COutputDlg::kResolutionGroupId)->title(), QString("输出分辨率"));
}

#ifdef CORVANE_GALLERY_DIR
// The page for the gallery, in English and Chinese, in automatic arrangement (the row
// pattern marked) and in manual arrangement.
TEST_F(OutputPageTest, RendersForTheGallery) {
    PageUnderTest();
    Click(COutputDlg::kPatternFirst + 1);
    const auto arrange = [this](bool automatic) {
        return GalleryShot{automatic ? "" : "-manual", [this, automatic](bool) {
                               Click(automatic ? COutputDlg::kAutoArrangeId : COutputDlg::kManualArrangeId);
                           }};
    };
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "output_page",
                     {arrange(true), arrange(false)});
}
#endif
