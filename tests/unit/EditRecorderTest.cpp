// The edit recorder: what a sent frame and a processor's record touch, steps from the
// processor's values to the state's, actions as one step, replays that record nothing, the
// preset file step, resolutions recorded when acknowledged, stale steps, no undo unlinked.

#include "device/EditRecorder.h"

#include "RecordBuilder.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

using namespace corvane;
using corvane::test::RecordBuilder;

namespace {

Frame Command(std::uint16_t code, std::uint8_t b6, std::uint8_t b7 = kFiller) {
    Frame f = StartFrame(code);
    f[6] = b6;
    f[7] = b7;
    SealFrame(f);
    return f;
}

// The pages as the replay sees them: each resend is sent again, as the pages would, and
// remembered with the state it was sent from.
class FakeReplay : public EditReplayTarget {
public:
    FakeReplay(DeviceState& state, EditRecorder& recorder) : m_state(state), m_recorder(recorder) {}

    bool Resend(EditKind kind, int index) override {
        resent.push_back({kind, index});
        layerXs.push_back(m_state.layers[static_cast<std::size_t>(index & 3)].x);
        if (kind == EditKind::Layer) {
            const Frame f = Command(kCmdLayer, static_cast<std::uint8_t>(index));
            m_recorder.Sent(f.data(), f.size());
        } else if (kind == EditKind::Resolution) {
            const Frame f = Command(kCmdOutputResolution, static_cast<std::uint8_t>(index));
            m_recorder.Sent(f.data(), f.size());
        }
        return true;
    }
    bool SendPresetFile(const std::vector<std::uint8_t>& bytes) override {
        files.push_back(bytes);
        m_recorder.Sent(bytes.data(), bytes.size());
        return true;
    }
    bool SendStateAsPresetFile() override {
        stateFiles.push_back(m_state.layers[0].x);
        return true;
    }

    std::vector<std::pair<EditKind, int>> resent;
    std::vector<std::uint32_t> layerXs; // the layer's x at each resend
    std::vector<std::vector<std::uint8_t>> files;
    std::vector<std::uint32_t> stateFiles; // layer 1's x when the state was sent as a file

private:
    DeviceState& m_state;
    EditRecorder& m_recorder;
};

class EditRecorderTest : public ::testing::Test {
protected:
    EditRecorderTest() : recorder(state, [this] { return now; }), replay(state, recorder) {
        state.linkState = kLinkSynchronised;
        recorder.SetReplayTarget(&replay);
        recorder.Synchronised();
    }

    // The operator moves layer `layer` to x, and the page sends the layer command.
    void MoveLayer(int layer, std::uint32_t x) {
        state.layers[static_cast<std::size_t>(layer)].x = x;
        const Frame f = Command(kCmdLayer, static_cast<std::uint8_t>(layer));
        recorder.Sent(f.data(), f.size());
    }
    // The processor reports layer `layer` at x.
    void ReportLayer(int layer, std::uint32_t x) {
        state.layers[static_cast<std::size_t>(layer)].x = x;
        const Frame r = RecordBuilder(kReplyLayer).B(6, static_cast<std::uint8_t>(layer)).Build();
        recorder.Reported(r.data());
    }

    std::int64_t now = 10000;
    DeviceState state;
    EditRecorder recorder;
    FakeReplay replay;
};

TEST(EditSlicesTest, WhatFramesAndRecordsTouch) {
    struct Case {
        const char* name;
        Frame frame;
        EditSlices slices;
    };
    const Case commands[] = {
        {"layer 3", Command(kCmdLayer, 2), EditSlice(EditKind::Layer, 2)},
        {"layer out of range", Command(kCmdLayer, 7), 0},
        {"output window", Command(kCmdOutputWindow, 1), EditSlice(EditKind::OutputWindow, 1)},
        {"picture of one output", Command(kCmdPicture, 3, 0), EditSlice(EditKind::Picture, 3)},
        {"picture ALL", Command(kCmdPicture, 0, 1), EditKindSlices(EditKind::Picture)},
        {"blend curve", Command(kCmdBlendCurve, 0), EditSlice(EditKind::Blend, 0)},
        {"crop pair 3..4", Command(kCmdCropPreset, 0x34),
         EditSlice(EditKind::Crop, 2) | EditSlice(EditKind::Crop, 3)},
        {"frame mode", Command(kCmdFrameMode, 1), EditSlice(EditKind::FrameMode, 0)},
        {"a resolution changes nothing until acknowledged", Command(kCmdOutputResolution, 0), 0},
        {"a recall is no edit", Command(kCmdLoadPreset, 2), 0},
        {"EDID is no edit", Command(kCmdEdid, 0), 0},
    };
    for (const Case& c : commands)
        EXPECT_EQ(SlicesOfCommand(c.frame.data(), c.frame.size()), c.slices) << c.name;

    const Case records[] = {
        {"layer", RecordBuilder(kReplyLayer).B(6, 1).Build(), EditSlice(EditKind::Layer, 1)},
        {"output", RecordBuilder(kReplyOutput).B(6, 3).Build(),
         EditSlice(EditKind::OutputWindow, 3) | EditSlice(EditKind::Resolution, 3)},
        {"picture pair 1..2", RecordBuilder(kReplyPicture).B(6, 0x12).Build(),
         EditSlice(EditKind::Picture, 0) | EditSlice(EditKind::Picture, 1)},
        {"picture of no pair", RecordBuilder(kReplyPicture).B(6, 0x56).Build(), 0},
        {"resolution applied on all outputs",
         RecordBuilder(kReplyAck).B(6, kAckOutput).B(7, 1).B(8, 4).Build(),
         EditKindSlices(EditKind::OutputWindow) | EditKindSlices(EditKind::Resolution)},
        {"resolution refused", RecordBuilder(kReplyAck).B(6, kAckOutput).B(7, 0).B(8, 1).Build(), 0},
        {"keep-alive", RecordBuilder(kReplyKeepAlive).Build(), 0},
    };
    for (const Case& c : records)
        EXPECT_EQ(SlicesOfRecord(c.frame.data()), c.slices) << c.name;

    // Two frames in one send, and a preset file (its records after a 14-byte header).
    std::vector<std::uint8_t> two;
    for (const Frame& f : {Command(kCmdLayer, 0), Command(kCmdLayer, 3)})
        two.insert(two.end(), f.begin(), f.end());
    EXPECT_EQ(SlicesOfCommand(two.data(), two.size()),
              EditSlice(EditKind::Layer, 0) | EditSlice(EditKind::Layer, 3));
    std::vector<std::uint8_t> file(kBlockSize, 0);
    const Frame layer = Command(kCmdLayer, 1);
    std::copy(layer.begin(), layer.end(), file.begin() + 14 + 6 * kFrameSize);
    bool presetFile = false;
    EXPECT_EQ(SlicesOfCommand(file.data(), file.size(), &presetFile), EditSlice(EditKind::Layer, 1));
    EXPECT_TRUE(presetFile);
}

TEST(EditSlicesTest, AReplayNamesOneOfTheFourLayersOrOutputs) {
    const std::pair<int, bool> cases[] = {{-1, false}, {0, true}, {3, true}, {4, false}};
    for (const auto& [index, replayable] : cases)
        EXPECT_EQ(ReplayableIndex(index), replayable) << index;
}

TEST(EditSlicesTest, Names) {
    EXPECT_EQ(EditWhat(EditSlice(EditKind::Layer, 1), false), "Layer2");
    EXPECT_EQ(EditWhat(EditSlice(EditKind::Layer, 0) | EditSlice(EditKind::Layer, 2), false), "Layers");
    EXPECT_EQ(EditWhat(EditSlice(EditKind::OutputWindow, 0), false), "Output1 window");
    EXPECT_EQ(EditWhat(EditKindSlices(EditKind::Picture), false), "Picture ALL");
    EXPECT_EQ(EditWhat(EditSlice(EditKind::Crop, 3), false), "Crop Input4");
    EXPECT_EQ(EditWhat(EditSlice(EditKind::FrameMode, 0), false), "Frame sync mode");
    EXPECT_EQ(EditWhat(EditSlice(EditKind::Layer, 0) | EditSlice(EditKind::OutputWindow, 0), false),
              "Changes");
    EXPECT_EQ(EditWhat(EditSlice(EditKind::Layer, 1), true), "图层2");
    EXPECT_EQ(EditWhat(0, false), "");
}

TEST_F(EditRecorderTest, UndoSendsTheProcessorsEarlierValuesAndRedoTheLaterOnes) {
    ReportLayer(0, 100);
    MoveLayer(0, 300);
    ASSERT_EQ(recorder.UndoText(), "Layer1");
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(state.layers[0].x, 100u);
    EXPECT_EQ(replay.resent, (std::vector<std::pair<EditKind, int>>{{EditKind::Layer, 0}}));
    EXPECT_EQ(replay.layerXs, std::vector<std::uint32_t>{100}); // the state's earlier value when resent
    EXPECT_EQ(recorder.History().UndoCount(), 0u) << "the replay's own send is no step";
    EXPECT_EQ(recorder.RedoText(), "Layer1");
    ASSERT_TRUE(recorder.Redo());
    EXPECT_EQ(state.layers[0].x, 300u);
    EXPECT_EQ(std::make_tuple(recorder.History().UndoCount(), recorder.History().RedoCount()),
              std::make_tuple(std::size_t{1}, std::size_t{0}));
}

TEST_F(EditRecorderTest, SendsInARowCoalesceAndAnUnchangedSendIsNoStep) {
    const std::uint32_t start = state.layers[1].x;
    MoveLayer(1, 10);
    now += 400;
    MoveLayer(1, 20);
    now += 400;
    MoveLayer(1, 30);
    MoveLayer(1, 30); // sent again unchanged
    EXPECT_EQ(recorder.History().UndoCount(), 1u);
    now += EditHistory::kCoalesceMs + 1;
    MoveLayer(1, 40);
    EXPECT_EQ(recorder.History().UndoCount(), 2u);
    MoveLayer(2, 5); // another layer: another step
    EXPECT_EQ(recorder.History().UndoCount(), 3u);
    ASSERT_TRUE(recorder.Undo());
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(state.layers[1].x, 30u);
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(state.layers[1].x, start) << "the three moves in a row were one step";
}

TEST_F(EditRecorderTest, AnActionIsOneStepAndTheProcessorsEchoesDoNotMoveItsStart) {
    ReportLayer(0, 1);
    ReportLayer(1, 2);
    recorder.BeginAction("Move layers");
    for (std::uint32_t x = 10; x <= 50; x += 10) {
        MoveLayer(0, x);
        ReportLayer(0, x); // the processor answers each layer command with its record
        now += 3000;       // a pause in the drag does not split it
        MoveLayer(1, x + 1);
    }
    recorder.BeginAction("nested"); // part of the same action
    MoveLayer(1, 99);
    recorder.EndAction();
    EXPECT_EQ(recorder.History().UndoCount(), 0u) << "nothing before the action ends";
    recorder.EndAction();
    ASSERT_EQ(recorder.History().UndoCount(), 1u);
    EXPECT_EQ(recorder.UndoText(), "Move layers");
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(std::tie(state.layers[0].x, state.layers[1].x), std::make_tuple(1u, 2u));
    EXPECT_EQ(replay.resent.size(), 2u);

    // An action that records nothing only moves the processor's values.
    recorder.BeginAction({}, false);
    MoveLayer(2, 70);
    recorder.EndAction();
    EXPECT_EQ(recorder.History().UndoCount(), 0u);
    MoveLayer(2, 80);
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(state.layers[2].x, 70u);
}

TEST_F(EditRecorderTest, AStepTheProcessorHasSinceReportedOtherwiseIsDropped) {
    const std::uint32_t start = state.layers[0].x;
    MoveLayer(0, 10);
    now += 5000;
    MoveLayer(1, 20);
    now += EditRecorder::kAnswerMs + 1;
    ReportLayer(1, 25); // someone else moved layer 2 meanwhile
    EXPECT_EQ(recorder.UndoText(), "Layer1");
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(state.layers[0].x, start);
    EXPECT_EQ(state.layers[1].x, 25u) << "the stale step was dropped, not undone";
    EXPECT_FALSE(recorder.Undo());
}

TEST_F(EditRecorderTest, TheProcessorsAnswerIsTheStepsValuesEvenWhereItMadeMoreOfTheCommand) {
    // An "ALL" picture edit: the page changed the brightness of every output, the processor set
    // every field of every output from the one record sent, and reports the pairs.
    const PictureSettings start = state.picture[3];
    for (PictureSettings& p : state.picture)
        p.brightness = 200;
    const Frame all = Command(kCmdPicture, 0, 1);
    recorder.Sent(all.data(), all.size());
    now += 50;
    state.picture[3].contrast = 10; // output 1's contrast, which the processor also applied
    const Frame pair = RecordBuilder(kReplyPicture).B(6, 0x34).Build();
    recorder.Reported(pair.data());
    ASSERT_EQ(recorder.UndoText(), "Picture ALL") << "the answer does not make the step stale";
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(std::tie(state.picture[3].brightness, state.picture[3].contrast),
              std::tie(start.brightness, start.contrast));
    EXPECT_EQ(replay.resent.size(), 4u);
    ASSERT_TRUE(recorder.Redo());
    EXPECT_EQ(state.picture[3].contrast, 10) << "redo brings back what the processor ran";

    // Past the answer's time, a report of other values is someone else's change.
    now += EditRecorder::kAnswerMs + 1;
    state.picture[3].contrast = 11;
    recorder.Reported(pair.data());
    EXPECT_EQ(recorder.UndoText(), "");
}

TEST_F(EditRecorderTest, NothingIsUndoneUnlinkedAndASynchronisationEmptiesTheHistory) {
    MoveLayer(0, 10);
    state.linkState = kLinkOpen;
    EXPECT_FALSE(recorder.Undo());
    EXPECT_EQ(state.layers[0].x, 10u) << "the state keeps what the processor has";
    EXPECT_EQ(recorder.History().UndoCount(), 1u);
    state.linkState = kLinkSynchronised;
    state.layers[0].x = 500; // the full state read again
    recorder.Synchronised();
    EXPECT_EQ(recorder.History().UndoCount(), 0u);
    MoveLayer(0, 600);
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(state.layers[0].x, 500u);
}

TEST_F(EditRecorderTest, APresetFileIsUndoneWithTheFileOfTheEarlierStateAndRedoneWithItself) {
    ReportLayer(0, 42);
    std::vector<std::uint8_t> file(kBlockSize, 0);
    const Frame layer = Command(kCmdLayer, 0);
    std::copy(layer.begin(), layer.end(), file.begin() + 14 + 5 * kFrameSize);
    recorder.BeginAction("Load preset 1");
    recorder.Sent(file.data(), file.size());
    recorder.EndAction();
    ReportLayer(0, 900); // the processor runs the file and reports it
    ASSERT_EQ(recorder.UndoText(), "Load preset 1");
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(replay.stateFiles, std::vector<std::uint32_t>{42}) << "the file of the state before the load";
    EXPECT_TRUE(replay.resent.empty());
    ASSERT_TRUE(recorder.Redo());
    EXPECT_EQ(replay.files, std::vector<std::vector<std::uint8_t>>{file});
    EXPECT_EQ(recorder.History().UndoCount(), 1u);
}

TEST_F(EditRecorderTest, AResolutionIsAStepWhenAcknowledgedButNotWhenReplayed) {
    const Frame ack = RecordBuilder(kReplyAck).B(6, kAckOutput).B(7, 1).B(8, 2).Build();
    state.outputs[2].resIndex = 4; // the dispatcher applied the pick
    state.outputs[2].width = 1280;
    recorder.Reported(ack.data());
    ASSERT_EQ(recorder.UndoText(), "Output3 resolution");
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(std::tie(state.outputs[2].resIndex, state.outputs[2].width), std::make_tuple(0u, 1920));
    EXPECT_EQ(replay.resent.front(), std::make_pair(EditKind::Resolution, 2)) << "resolutions go first";
    // The processor acknowledges the resolution the undo sent: no new step, the redo stays.
    recorder.Reported(ack.data());
    EXPECT_EQ(recorder.History().UndoCount(), 0u);
    EXPECT_EQ(recorder.RedoText(), "Output3 resolution");
}

TEST_F(EditRecorderTest, AnApplysWindowCommandAwaitsTheAcknowledgementAndIsPartOfItsStep) {
    // The output page resets the window for the row it applies and sends it in the window command.
    state.outputs[1].winW = state.outputs[1].width = 1366;
    recorder.BeginAction({}, false);
    recorder.AwaitAcknowledgement();
    const Frame window = Command(kCmdOutputWindow, 1);
    recorder.Sent(window.data(), window.size());
    recorder.EndAction();
    EXPECT_EQ(recorder.History().UndoCount(), 0u);
    EXPECT_EQ(recorder.Baseline().outputs[1].winW, 0)
        << "the processor runs the earlier window until it answers";

    state.outputs[1].resIndex = 2; // the dispatcher applied the pick
    const Frame ack = RecordBuilder(kReplyAck).B(6, kAckOutput).B(7, 1).B(8, 1).Build();
    recorder.Reported(ack.data());
    ASSERT_EQ(recorder.History().UndoCount(), 1u);
    ASSERT_TRUE(recorder.Undo());
    const OutputInfo& o = state.outputs[1];
    EXPECT_EQ(std::tie(o.resIndex, o.winW, o.width), std::make_tuple(0u, 0, 1920))
        << "the row and the window";
}

TEST_F(EditRecorderTest, APresetFilesUndoPutsBackTheResolutionsToo) {
    state.outputs[2].canvasY = 500;
    recorder.Synchronised();
    const std::uint32_t layer3 = state.layers[2].x;
    std::vector<std::uint8_t> file(kBlockSize, 0);
    const Frame output = Command(kCmdOutputWindow, 0);
    std::copy(output.begin(), output.end(), file.begin() + 14 + kFrameSize);
    recorder.BeginAction("Load preset 2");
    recorder.Sent(file.data(), file.size());
    recorder.EndAction();
    // The processor runs the file's row on output 1 and reports it.
    state.outputs[0].resIndex = 3;
    state.outputs[0].hActive = 1280;
    state.layers[2].x = layer3 + 77; // a slice the file holds no record of
    recorder.Reported(RecordBuilder(kReplyOutput).B(6, 0).Build().data());
    ASSERT_TRUE(recorder.Undo());
    EXPECT_EQ(std::tie(state.outputs[0].resIndex, state.outputs[0].hActive), std::make_tuple(0u, 0))
        << "the file of the earlier state carries its row";
    EXPECT_EQ(state.layers[2].x, layer3);
    EXPECT_EQ(state.outputs[2].canvasY, 500u) << "the baseline's, not a blank";
}

} // namespace
