// Undo and redo through the picture, crop, edge blend, frame sync and presets pages, a step the
// processor has since reported otherwise, and a replay outside the arrays (the fixture and the
// way each step is checked: UndoFixture.h).

#include "UndoFixture.h"

using namespace corvane;
using namespace corvane::test;

// ---- picture, crop, blend, frame sync

TEST_F(UndoTest, PictureValuesOfOneOutputAndOfAll) {
    using P = CPicSettingDlg;
    const struct {
        const char* name;
        int button; // the output chosen, or ALL
        int box;
        const char* typed;
        std::vector<int> outputs; // the records the edit changed
        const char* what;
    } cases[] = {
        {"one output", P::kOutputButtonFirst + 1, P::kContrastId, "200", {1}, "Picture Output2"},
        {"ALL", P::kAllOutputsId, P::kBrightnessId, "40", {0, 1, 2, 3}, "Picture ALL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Later();
        Click(*picturePage, c.button);
        const auto before = state.picture;
        Type(*picturePage, c.box, c.typed);
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
        EXPECT_EQ(SentSince(mark, kCmdPicture).size(), c.outputs.size());
        EXPECT_EQ(Shown(*picturePage, c.box), QString(c.typed).toInt());
    }
}

TEST_F(UndoTest, ACropRectangle) {
    Click(*cropPage, CCropDlg::kSwitchId); // the crop on: a step of its own
    Later();
    const CropRect before = state.crop.rects[0];
    Type(*cropPage, CCropDlg::kWidthId, "1280");
    const CropRect after = state.crop.rects[0];
    ASSERT_EQ(edits.History().UndoCount(), 2u);
    EXPECT_EQ(edits.UndoText(), "Crop Input1");

    ASSERT_TRUE(Undo());
    DeviceState expected = state;
    expected.crop.rects[0] = before;
    EXPECT_EQ(Crop(state.crop.rects[0]), Crop(before));
    EXPECT_EQ(SentSince(mark, kCmdCrop), std::vector<Frame>{BuildCropFrame(expected, 0, kCropSet)});
    EXPECT_EQ(Shown(*cropPage, CCropDlg::kWidthId), 1920);
    ASSERT_TRUE(Undo());
    EXPECT_FALSE(cropPage->Control<CGdipButton>(CCropDlg::kSwitchId)->isChecked());
    ASSERT_TRUE(Redo());
    ASSERT_TRUE(Redo());
    EXPECT_EQ(Crop(state.crop.rects[0]), Crop(after));
    EXPECT_EQ(Shown(*cropPage, CCropDlg::kWidthId), 1280);
}

// The curve editor's "Set Data" is the same send (what it touches: EditSlicesTest).
TEST_F(UndoTest, ABlendZone) {
    Activate(blendPage.get());
    Click(*blendPage, CFuseDlg::kOutputButtonFirst + 3);
    const OutputInfo before = state.outputs[3];
    Click(*blendPage, CFuseDlg::kSwitchId);
    Later();
    Type(*blendPage, CFuseDlg::kHSizeId, "400");
    const OutputInfo zoned = state.outputs[3];
    EXPECT_EQ(edits.UndoText(), "Edge blend Output4");

    const auto expectBlend = [&](const OutputInfo& o) {
        DeviceState expected = state;
        expected.outputs[3].blend = o.blend;
        EXPECT_EQ(SentSince(mark, kCmdBlend), std::vector<Frame>{BuildBlendFrame(expected, 3)});
        EXPECT_EQ(Side(state.outputs[3].blend[kSideH1]), Side(o.blend[kSideH1]));
        EXPECT_EQ(Shown(*blendPage, CFuseDlg::kHSizeId), o.blend[kSideH1].size);
        EXPECT_EQ(blendPage->SwitchOn(), o.blend[kSideH1].enable != 0);
    };
    while (edits.History().UndoCount() > 0)
        ASSERT_TRUE(Undo());
    expectBlend(before);
    while (edits.History().RedoCount() > 0)
        ASSERT_TRUE(Redo());
    expectBlend(zoned);
}

TEST_F(UndoTest, TheFrameSyncMode) {
    ClickAnswering(*framePage, CFrameDlg::kConvertModeId);
    ASSERT_EQ(edits.UndoText(), "Frame sync mode");
    SendWindowMessage(framePage.get(), WM_DEVICE_REPLY, kReplyAck, kAckStatus); // the processor answered
    context.HideWait();

    MessageBoxAnswerer none; // an undo asks nothing
    ASSERT_TRUE(Undo());
    EXPECT_EQ(SentSince(mark, kCmdFrameMode), std::vector<Frame>{BuildFrameModeFrame(FrameMode::Sync)});
    EXPECT_EQ(framePage->ShownMode(), FrameMode::Sync);
    ASSERT_TRUE(Redo());
    EXPECT_EQ(SentSince(mark, kCmdFrameMode), std::vector<Frame>{BuildFrameModeFrame(FrameMode::Convert)});
    EXPECT_EQ(framePage->ShownMode(), FrameMode::Convert);
    EXPECT_TRUE(none.boxes.empty());
}

// ---- presets

TEST_F(UndoTest, APresetFileLoadIsUndoneWithTheFileOfTheStateBeforeIt) {
    // The file of another setting (what an undo of a file restores: EditRecorderTest).
    DeviceState other = state;
    other.layers[0].x = 500;
    other.picture[2].contrast = 70;
    const PresetFile file = BuildPresetFile(other);
    {
        std::ofstream out(presetsPage->SlotPath(0), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    presetsPage->RefreshFileFlags();
    const PresetFile beforeFile = BuildPresetFile(state);
    ASSERT_NE(beforeFile, file);
    ClickAnswering(*presetsPage, CPresetsDlg::kLoadId);
    const std::vector<std::uint8_t> fileBytes(file.begin(), file.end());
    ASSERT_EQ(context.sentBytes, std::vector<std::vector<std::uint8_t>>{fileBytes});
    ASSERT_EQ(edits.History().UndoCount(), 1u);
    // The processor runs the file and reports what it runs.
    state.layers = other.layers;
    state.picture = other.picture;
    edits.Reported(Record(kReplyLayer, 0).data());
    edits.Reported(Record(kReplyPicture, 0x34).data());
    context.HideWait();

    const std::size_t sends = context.sentBytes.size();
    ASSERT_TRUE(Undo());
    ASSERT_EQ(context.sentBytes.size(), sends + 1);
    EXPECT_EQ(context.sentBytes.back(), std::vector<std::uint8_t>(beforeFile.begin(), beforeFile.end()))
        << "the file of the state before the load";
    EXPECT_TRUE(context.waitShown);
    context.HideWait();
    ASSERT_TRUE(Redo());
    EXPECT_EQ(context.sentBytes.back(), std::vector<std::uint8_t>(file.begin(), file.end()))
        << "the file again";
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
