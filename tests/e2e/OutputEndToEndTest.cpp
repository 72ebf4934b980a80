// The output page against the simulated processor: a resolution applied to all outputs (an
// arrangement's frames and their order, and a refused Apply taken back: OutputPageTest; the
// dispatcher's part of a refusal: Dispatcher.RefusedResolutionCopiesNothingThePagePicked).

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "layout/COutputDlg.h"
#include "layout/OutputFrames.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "platform/WindowMessages.h"
#include "upgrade/CProgressDlg.h"

#include <QAbstractButton>
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

} // namespace

// The application synchronised with one processor, its output page shown; Apply All of a row.
TEST(OutputEndToEnd, ApplyAllReachesTheProcessorAndItsAnswerEndsTheWait) {
    AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
    h.Main().SelectPage(kOutput, 0);
    auto* page = static_cast<COutputDlg*>(h.Main().Pages().Find(Window::OutputPage));
    ASSERT_TRUE(page->isVisible());
    SendWindowMessage(page, WM_ITEM_PICKED, COutputDlg::kResolutionListId, 2); // 1366 x 768
    const std::size_t before = Received(s);
    // The harness answers the question with its left button: Apply All.
    QTest::mouseClick(page->Control<QAbstractButton>(COutputDlg::kApplyId), Qt::LeftButton);
    ASSERT_TRUE(h.WaitFor([&] { return !OutputTraffic(s, before).empty(); }, kAnswerTimeoutMs));
    ASSERT_TRUE(h.WaitFor([&] { return !h.Main().WaitOverlay()->isVisible(); }, kAnswerTimeoutMs + 15000));
    ASSERT_TRUE(h.WaitFor([&] { return !page->ApplyBusy(); }, kAnswerTimeoutMs));
    const std::string success = "Output Setting: Set up success!";
    ASSERT_TRUE(h.WaitFor(
        [&] { return std::find(h.messages.begin(), h.messages.end(), success) != h.messages.end(); },
        kAnswerTimeoutMs));
    QTest::qWait(100); // the box is answered

    const std::vector<Frame> sent = OutputTraffic(s, before);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][6], kAllOutputs);
    const DeviceState theirs = SimState(s);
    ASSERT_TRUE(h.WaitFor(
        [&] { return OutputFields(h.App().state.outputs[3]) == OutputFields(SimState(s).outputs[3]); },
        kAnswerTimeoutMs));
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(std::make_tuple(theirs.outputs[i].winW, OutputFields(h.App().state.outputs[i])),
                  std::make_tuple(std::uint16_t{1366}, OutputFields(theirs.outputs[i])));
}
