// The output page against the simulated processor: a resolution applied to all outputs, and one
// the processor refuses (an arrangement's frames and their order: OutputPageTest).

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "WidgetTestSupport.h"
#include "layout/COutputDlg.h"
#include "layout/OutputFrames.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "platform/WindowMessages.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CDropButton.h"
#include "widgets/ValueEdit.h"

#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// How long the simulated processor may take to answer a command on a loaded machine.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kSyncTimeoutMs = 12000;

// The output commands the processor received from `first` on.
std::vector<Frame> OutputTraffic(sim::Simulator& s, std::size_t first) {
    std::vector<Frame> frames;
    s.Inspect([&](const sim::ProcessorModel& m) {
        const auto& all = m.ReceivedCommands();
        for (std::size_t i = first; i < all.size(); ++i) {
            const std::uint16_t code = FrameCode(all[i].data());
            if (code == kCmdOutputWindow || code == kCmdOutputResolution)
                frames.push_back(all[i]);
        }
    });
    return frames;
}

std::size_t Received(sim::Simulator& s) {
    std::size_t n = 0;
    s.Inspect([&](const sim::ProcessorModel& m) { n = m.ReceivedCommands().size(); });
    return n;
}

DeviceState SimState(sim::Simulator& s) {
    DeviceState state;
    s.Inspect([&](const sim::ProcessorModel& m) { state = m.State(); });
    return state;
}

auto OutputFields(const OutputInfo& o) {
    return std::make_tuple(o.canvasX, o.canvasY, o.width, o.height, o.winX, o.winY, o.winW, o.winH,
                           o.resIndex, o.hActive, o.vActive, o.resTag);
}

// The application synchronised with one processor, its output page shown.
class OutputEndToEnd : public ::testing::Test {
protected:
    void StartWith(sim::Faults faults = {}) {
        m_sim = &h.AddSimulator(1, 921600, faults);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kOutput, 0);
        m_page = static_cast<COutputDlg*>(h.Main().Pages().Find(Window::OutputPage));
        ASSERT_TRUE(m_page->isVisible());
    }

    bool WaitHidden() {
        return h.WaitFor([&] { return !h.Main().WaitOverlay()->isVisible(); }, kAnswerTimeoutMs + 15000);
    }

    // The message box with this "title: message" was shown (and answered).
    bool Shown(const std::string& message) const {
        return std::find(h.messages.begin(), h.messages.end(), message) != h.messages.end();
    }

    std::string Messages() const {
        std::string all;
        for (const std::string& m : h.messages)
            all += m + "\n";
        return all;
    }

    void Click(int id) { QTest::mouseClick(m_page->Control<QAbstractButton>(id), Qt::LeftButton); }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    COutputDlg* m_page = nullptr;
};

} // namespace

TEST_F(OutputEndToEnd, ApplyAllReachesTheProcessorAndItsAnswerEndsTheWait) {
    StartWith();
    SendWindowMessage(m_page, WM_ITEM_PICKED, COutputDlg::kResolutionListId, 2); // 1366 x 768
    const std::size_t before = Received(*m_sim);
    Click(COutputDlg::kApplyId); // the harness answers the question with its left button: Apply All
    ASSERT_TRUE(h.WaitFor([&] { return !OutputTraffic(*m_sim, before).empty(); }, kAnswerTimeoutMs));
    ASSERT_TRUE(WaitHidden());
    ASSERT_TRUE(h.WaitFor([&] { return !m_page->ApplyBusy(); }, kAnswerTimeoutMs));
    ASSERT_TRUE(h.WaitFor([&] { return Shown("Output Setting: Set up success!"); }, kAnswerTimeoutMs))
        << Messages();
    QTest::qWait(100); // the box is answered

    const std::vector<Frame> sent = OutputTraffic(*m_sim, before);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][6], kAllOutputs);
    const DeviceState theirs = SimState(*m_sim);
    ASSERT_TRUE(h.WaitFor(
        [&] { return OutputFields(h.App().state.outputs[3]) == OutputFields(SimState(*m_sim).outputs[3]); },
        kAnswerTimeoutMs));
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(std::make_tuple(theirs.outputs[i].winW, OutputFields(h.App().state.outputs[i])),
                  std::make_tuple(std::uint16_t{1366}, OutputFields(theirs.outputs[i])));
}

TEST_F(OutputEndToEnd, ARefusedResolutionLeavesBothSidesAsTheyWere) {
    sim::Faults faults;
    faults.refuseResolution = true;
    StartWith(faults);
    const OutputInfo was = h.App().state.outputs[0];
    SendWindowMessage(m_page, WM_ITEM_PICKED, COutputDlg::kResolutionListId, 4); // 1280 x 1024
    Click(COutputDlg::kApplyId);
    ASSERT_TRUE(WaitHidden());
    ASSERT_TRUE(h.WaitFor([&] { return !m_page->ApplyBusy(); }, kAnswerTimeoutMs));
    ASSERT_TRUE(h.WaitFor([&] { return Shown("Output Setting: Set up failure!"); }, kAnswerTimeoutMs))
        << Messages();
    QTest::qWait(200); // the output records that follow the refusal
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(OutputFields(h.App().state.outputs[i]), OutputFields(SimState(*m_sim).outputs[i]));
    EXPECT_EQ(OutputFields(h.App().state.outputs[0]), OutputFields(was));
    EXPECT_EQ(std::make_tuple(m_page->PickedRes(0),
                              m_page->Control<CDropButton>(COutputDlg::kResolutionListId)->GetCurSel()),
              std::make_tuple(0, 0))
        << "the page shows what the processor runs";
}
