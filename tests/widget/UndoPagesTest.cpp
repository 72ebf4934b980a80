// Undo and redo through the picture, crop, edge blend, frame sync and presets pages (the fixture
// and the way each step is checked: UndoFixture.h; a replay outside the arrays:
// EditSlicesTest.AReplayNamesOneOfTheFourLayersOrOutputs).

#include "UndoFixture.h"

using namespace corvane;
using namespace corvane::test;

// ---- picture, crop, blend, frame sync

// Edited for ALL outputs: one step, four records (which records an edit of one output touches:
// EditSlicesTest).
TEST_F(UndoTest, PictureValuesOfAllOutputs) {
    Click(*picturePage, CPicSettingDlg::kAllOutputsId);
    const auto before = state.picture;
    Type(*picturePage, CPicSettingDlg::kBrightnessId, "40");
    ASSERT_EQ(edits.UndoText(), "Picture ALL");
    ASSERT_EQ(edits.History().UndoCount(), 1u);
    ASSERT_TRUE(Undo());
    DeviceState expected = state;
    expected.picture = before;
    std::vector<Frame> frames;
    for (int k = 0; k < kOutputCount; ++k) {
        frames.push_back(BuildPictureRecordFrame(expected, k));
        EXPECT_EQ(Picture(state.picture[static_cast<std::size_t>(k)]),
                  Picture(before[static_cast<std::size_t>(k)]));
    }
    EXPECT_EQ(SentSince(mark, kCmdPicture), frames);
    EXPECT_EQ(Shown(*picturePage, CPicSettingDlg::kBrightnessId), 128) << "the page shows the earlier value";
    ASSERT_TRUE(Redo());
    EXPECT_EQ(SentSince(mark, kCmdPicture).size(), 4u);
    EXPECT_EQ(Shown(*picturePage, CPicSettingDlg::kBrightnessId), 40);
}

TEST_F(UndoTest, ACropRectangle) {
    Click(*cropPage, CCropDlg::kSwitchId); // the crop on: a step of its own
    Later();
    const CropRect before = state.crop.rects[0];
    Type(*cropPage, CCropDlg::kWidthId, "1280");
    const CropRect after = state.crop.rects[0];
    ASSERT_EQ(std::make_tuple(edits.History().UndoCount(), edits.UndoText()),
              std::make_tuple(2u, "Crop Input1"));

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
}
