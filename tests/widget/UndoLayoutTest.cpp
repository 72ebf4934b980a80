// Undo and redo of the operator's edits through the real pages (the layer page and the output
// page here; the other pages in UndoPagesTest.cpp): each kind of step is done with
// real mouse and key events, then undone and redone as Ctrl+Z / Ctrl+Shift+Z do (EditRecorder's
// Undo / Redo). Each time the frames that leave carry the earlier (later) values as the pages'
// builders make them, the state holds them and the page shows them. The main window is played by
// the fake context, whose sends reach the recorder while synchronised; the recorder's clock is
// the test's, so what coalesces is decided by the test.

#include "UndoFixture.h"

using namespace corvane;
using namespace corvane::test;

// ---- the canvas: a layer dragged in many moves, one step undone with Ctrl+Z and redone: the
// end-to-end case Layers.ADraggedLayerReachesTheProcessorAndCtrlZPutsItBack

// ---- the layer page (every edit of the page is a layer command, one kind of step; several
// slices as one step, as an arrangement makes them: EditRecorderTest)

TEST_F(UndoTest, ALayerPageEditIsAStep) {
    const LayerInfo before = state.layers[1];
    Type(*layerPage, CLayerDlg::kHPosId, "2500");
    Drain();
    const LayerInfo after = state.layers[1];
    ASSERT_EQ(after.x, 2500u);
    ASSERT_EQ(edits.History().UndoCount(), 1u);
    ASSERT_TRUE(Undo());
    ExpectLayer(1, before);
    ASSERT_TRUE(Redo());
    ExpectLayer(1, after);
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

// An Apply of one output's resolution through the question, then its undo and redo.
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
        MessageBoxAnswerer answerer(CMessageboxDlg::kRightId); // this output only
        Click(*outputPage, COutputDlg::kApplyId);
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].message, "Please select apply to output mode!");
    }
    // The window command with the row picked, the wait, the keep-alive stopped until the answer.
    const std::vector<Frame> applied = SentSince(0, kCmdOutputWindow);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(std::make_tuple(applied[0], applied[0][25], context.waitTexts, context.keepAliveStops),
              std::make_tuple(BuildOutputWindowFrame(state, context.Picks(), 1), 2,
                              std::vector<std::string>{"Set Output Resolution..."}, 1));
    acknowledge(1);
    const OutputInfo after = state.outputs[1];
    ASSERT_EQ(after.width, 1366);
    EXPECT_EQ(edits.UndoText(), "Output2 resolution");
    context.waitTexts.clear();

    ASSERT_TRUE(Undo()) << "one undo takes the whole Apply back";
    const std::vector<Frame> resolution = SentSince(mark, kCmdOutputResolution);
    ASSERT_EQ(resolution.size(), 1u);
    EXPECT_EQ(resolution[0][6], 1) << "output 2";
    EXPECT_EQ(resolution[0][7], 0) << "the row it ran before";
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set Output Resolution..."});
    EXPECT_TRUE(outputPage->ApplyBusy());
    EXPECT_EQ(outputPage->Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel(), 0);
    ExpectOutputWindow(1, before);
    acknowledge(1);
    EXPECT_FALSE(outputPage->ApplyBusy());
    EXPECT_EQ(edits.History().UndoCount(), 0u) << "the acknowledgement of an undo is no step";

    ASSERT_TRUE(Redo());
    const std::vector<Frame> again = SentSince(mark, kCmdOutputResolution);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0][7], 2);
    acknowledge(1);
    EXPECT_EQ(WindowFields(state.outputs[1]), WindowFields(after));
    EXPECT_EQ(edits.History().UndoCount(), 1u);
}
