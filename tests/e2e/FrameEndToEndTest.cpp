// The frame sync page against the simulated processor: a mode change reaches the processor,
// the wait ends with the processor's answer (long before the wait's time-out), the frame rates
// follow the mode, and a new synchronisation shows the mode the processor keeps.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "connection/CConnectDlg.h"
#include "device/LinkMembers.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "picture/CFrameDlg.h"
#include "picture/FrameSync.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"

#include <QLabel>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// How long the simulated processor may take to answer on a loaded machine: well inside the
// wait's 15-second time-out, so an answer that did not end the wait shows as a failure.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kSyncTimeoutMs = 12000;

std::vector<Frame> FrameModeCommands(sim::Simulator& s) {
    std::vector<Frame> frames;
    s.Inspect([&](const sim::ProcessorModel& m) {
        for (const Frame& f : m.ReceivedCommands())
            if (FrameCode(f.data()) == kCmdFrameMode)
                frames.push_back(f);
    });
    return frames;
}

std::uint32_t SimFrameMode(sim::Simulator& s) {
    std::uint32_t mode = 0;
    s.Inspect([&](const sim::ProcessorModel& m) { mode = m.State().crop.frameMode; });
    return mode;
}

class FrameEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = &h.AddSimulator(1, 921600);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kFrameSync, 0);
        m_page = static_cast<CFrameDlg*>(h.Main().Pages().Find(Window::FramePage));
        ASSERT_TRUE(m_page->isVisible());
        // HDMI-1, the current input, now runs at 50 Hz: in frame sync mode the output follows.
        m_sim->Execute("signal 0 on 1920 1080 500");
        ASSERT_TRUE(
            h.WaitFor([&] { return Text(CFrameDlg::kOutputTextId) == "FPS: 50.00HZ"; }, kAnswerTimeoutMs));
        ASSERT_EQ(Text(CFrameDlg::kInputTextId), "1920 x 1080@50.00HZ");
        ASSERT_EQ(m_page->ShownMode(), FrameMode::Sync) << "the mode the synchronisation reported";
        h.messages.clear();
    }

    QString Text(int id) { return m_page->Control<QLabel>(id)->text(); }
    bool OutputRowShown() { return m_page->Control<QLabel>(CFrameDlg::kOutputTextId)->isVisible(); }

    // Clicks a mode button (the harness says YES to the question); true when the wait that
    // followed ended in time.
    bool ChangeMode(int buttonId) {
        h.Main().WaitOverlay()->SetWaitText({});
        QTest::mouseClick(m_page->Control<CGdipButton>(buttonId), Qt::LeftButton);
        EXPECT_EQ(h.Main().WaitOverlay()->WaitText(), "Set Frame Mode...")
            << "the page waits for the processor";
        if (!h.WaitFor([&] { return !h.Main().WaitShown(); }, kAnswerTimeoutMs))
            return false;
        // Ended as an answer ends a wait: its time-out stopped (it would close the port), the
        // keep-alive watch running again.
        EXPECT_FALSE(h.Main().IsTimerActive(kTimerWait));
        EXPECT_TRUE(h.Main().IsTimerActive(kTimerKeepAlive));
        return true;
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CFrameDlg* m_page = nullptr;
};

} // namespace

TEST_F(FrameEndToEnd, AModeChangeIsAnsweredAtOnceAndASynchronisationShowsWhatTheProcessorKeeps) {
    ASSERT_TRUE(ChangeMode(CFrameDlg::kConvertModeId))
        << "the processor's answer ends the wait, not the 15-second time-out";
    EXPECT_EQ(h.messages, std::vector<std::string>{"Frame Sync Settings: Set Frame Transform mode?"});
    EXPECT_EQ(h.LinkState(), kLinkSynchronised) << "the link stays";

    EXPECT_EQ(SimFrameMode(*m_sim), 1u) << "the frame itself: the page's widget suite";
    // The processor reports the mode and the output's own rate; the warning is raised again.
    ASSERT_TRUE(
        h.WaitFor([&] { return Text(CFrameDlg::kOutputTextId) == "FPS: 60.00HZ"; }, kAnswerTimeoutMs));
    EXPECT_EQ(m_page->ShownMode(), FrameMode::Convert);
    EXPECT_FALSE(OutputRowShown());
    EXPECT_EQ(h.App().state.crop.frameMode, 1u);
    EXPECT_TRUE(h.WaitFor([&] { return h.Main().Link().statusFlag; }, kAnswerTimeoutMs));

    // The application's picture of the mode goes stale (as after a lost reply) ...
    h.App().state.crop.frameMode = 0;
    SendWindowMessage(m_page, WM_DEVICE_REPLY, kReplyCrop, 0);
    ASSERT_EQ(m_page->ShownMode(), FrameMode::Sync);
    // ... and the operator synchronises again (Connect while connected).
    SendWindowMessage(h.Main().ConnectDialog(), WM_COMMAND, MakeWParam(CConnectDlg::kConnectId, BN_CLICKED),
                      0);
    ASSERT_TRUE(h.WaitFor([&] { return !h.Main().WaitShown() && m_page->ShownMode() == FrameMode::Convert; },
                          kSyncTimeoutMs));
    EXPECT_EQ(h.App().state.crop.frameMode, 1u);
    EXPECT_FALSE(OutputRowShown());
    EXPECT_EQ(FrameModeCommands(*m_sim).size(), 1u) << "a synchronisation sends no frame mode";
    EXPECT_EQ(h.messages, std::vector<std::string>{"Frame Sync Settings: Set Frame Transform mode?"})
        << "nothing else to tell: no time-out";
}
