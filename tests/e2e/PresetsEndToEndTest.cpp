// The presets page against the simulated processor: a loaded preset brings back all it holds,
// then a file that is no good preset is sent as it is and the processor's refusal ends the wait.
// (The quick set page's recall and the state read back after it: QuicksetPageTest and
// StateFollowUpTest.)

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "picture/PictureFrames.h"
#include "presets/CPresetsDlg.h"
#include "presets/PresetFile.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"

#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// How long the simulated processor may take to answer on a loaded machine: well inside the
// wait's 15-second time-out, so an answer that did not end a wait shows as a failure.
constexpr int kAnswerTimeoutMs = 6000;
constexpr int kSyncTimeoutMs = 12000;

DeviceState SimState(sim::Simulator& s) {
    DeviceState state;
    s.Inspect([&](const sim::ProcessorModel& m) { state = m.State(); });
    return state;
}

class PresetsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = &h.AddSimulator(1, 921600);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.messages.clear();
    }

    // Puts `file` in slot `slot`'s file, and the page sees it.
    void WriteSlot(CPresetsDlg* page, int slot, const PresetFile& file) {
        std::ofstream(page->SlotPath(slot), std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        page->RefreshFileFlags();
    }
    void Click(CBaseDialog* page, int id) {
        QTest::mouseClick(page->Control<CGdipButton>(id), Qt::LeftButton);
        QTest::qWait(50);
    }
    // Waits until the wait shown after a click has ended (by the processor's answer).
    bool WaitEnded() {
        return h.WaitFor([&] { return !h.Main().WaitShown(); }, kAnswerTimeoutMs) &&
               !h.Main().IsTimerActive(kTimerWait);
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
};

} // namespace

TEST_F(PresetsEndToEnd, ALoadedPresetBringsBackLayoutPictureCropAndBlendAndARefusedOneChangesNothing) {
    const DeviceState original = h.App().state;
    DeviceState changed = original;
    for (std::size_t i = 0; i < 4; ++i) {
        LayerInfo& l = changed.layers[i];
        l.x = 400 + 2000 * static_cast<std::uint32_t>(i);
        l.w = 1600;
        l.visible = static_cast<std::uint8_t>(i != 3);
        PictureSettings& p = changed.picture[i];
        p.brightness = static_cast<std::uint8_t>(60 + i);
        p.gamma = static_cast<std::uint8_t>(i == 2 ? kGammaOff : 22);
        // The user's own gains (a preset colour temperature's gains are the processor's own).
        p.colorTemp = kUserColorTemp;
        p.red = 40;
        changed.crop.rects[i] = CropRect{static_cast<std::uint8_t>(i & 1), 64, 32, 1280, 720, 1920, 1080};
        OutputInfo& o = changed.outputs[i];
        for (std::size_t side = 0; side < 4; ++side)
            o.blend[side] =
                BlendSide{static_cast<std::uint8_t>((i + side) & 1), static_cast<std::uint8_t>(side >> 1),
                          static_cast<std::uint8_t>(30 + side),      1,
                          static_cast<std::uint16_t>(100 * side),    384};
        for (std::size_t c = 0; c < 16; ++c)
            o.curve[c] = static_cast<std::uint8_t>(16 * c + i);
    }
    ASSERT_NE(BuildPresetFile(changed), BuildPresetFile(original));

    // Slot 3 holds a preset of everything changed (the page saves what it holds: PresetsPageTest).
    h.Main().SelectPage(kPresets, 0);
    auto* page = static_cast<CPresetsDlg*>(h.Main().Pages().Find(Window::PresetsPage));
    WriteSlot(page, 2, BuildPresetFile(changed));
    QTest::mouseClick(page, Qt::LeftButton, {}, page->IconRect(2).center());
    ASSERT_EQ(page->SelectedSlot(), 2);

    // Loaded: the processor runs it and reports it.
    std::uint64_t received = 0;
    m_sim->Inspect([&](const sim::ProcessorModel& m) { received = m.PresetFilesReceived(); });
    h.Main().WaitOverlay()->SetWaitText({});
    Click(page, CPresetsDlg::kLoadId);
    EXPECT_EQ(h.Main().WaitOverlay()->WaitText(), "Waiting set the machine...");
    ASSERT_TRUE(WaitEnded()) << "the processor's answer ends the wait, not the time-out";
    m_sim->Inspect([&](const sim::ProcessorModel& m) { EXPECT_EQ(m.PresetFilesReceived(), received + 1); });
    EXPECT_EQ(BuildPresetFile(SimState(*m_sim)), BuildPresetFile(changed));
    EXPECT_TRUE(h.WaitFor([&] { return BuildPresetFile(h.App().state) == BuildPresetFile(changed); },
                          kAnswerTimeoutMs))
        << "the application shows what the processor reported";

    // A file that is no good preset (the original state, with a wrong checksum) is sent as it
    // is, and the processor's refusal ends the wait with nothing changed.
    PresetFile bad = BuildPresetFile(original);
    bad[1038] = static_cast<std::uint8_t>(bad[1038] + 1);
    WriteSlot(page, 0, bad);
    QTest::mouseClick(page, Qt::LeftButton, {}, page->IconRect(0).center());
    h.messages.clear();
    Click(page, CPresetsDlg::kLoadId);
    ASSERT_TRUE(WaitEnded()) << "the processor answers a file it refuses";
    m_sim->Inspect([&](const sim::ProcessorModel& m) { EXPECT_EQ(m.PresetFilesRefused(), 1u); });
    EXPECT_EQ(BuildPresetFile(SimState(*m_sim)), BuildPresetFile(changed));
    EXPECT_EQ(h.messages, std::vector<std::string>{"Presets Setting: Load Preset: 【Preset 1】?"});
    EXPECT_EQ(h.LinkState(), kLinkSynchronised);
}
