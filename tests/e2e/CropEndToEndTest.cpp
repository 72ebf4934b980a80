// The crop page against the simulated processor: an input change switches the old input's crop
// off before the new input is selected. (Each change's frame is the page's widget suite's.)

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "link/CommandCodes.h"
#include "mainwindow/CInputBoxes.h"
#include "mainwindow/Pages.h"
#include "picture/CCropDlg.h"
#include "widgets/CGdipButton.h"
#include "widgets/ValueEdit.h"

#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// How long the simulated processor may take to answer a command on a loaded machine.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kSyncTimeoutMs = 12000;

std::vector<Frame> Received(sim::Simulator& s, std::uint16_t code, std::size_t first = 0) {
    std::vector<Frame> frames;
    s.Inspect([&](const sim::ProcessorModel& m) {
        const auto& all = m.ReceivedCommands();
        for (std::size_t i = first; i < all.size(); ++i)
            if (code == 0 || FrameCode(all[i].data()) == code)
                frames.push_back(all[i]);
    });
    return frames;
}

CropRect SimCrop(sim::Simulator& s, int input) {
    CropRect r;
    s.Inspect(
        [&](const sim::ProcessorModel& m) { r = m.State().crop.rects[static_cast<std::size_t>(input)]; });
    return r;
}

// The application synchronised with one processor that runs HDMI-2 at 720p, its crop page shown.
class CropEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = &h.AddSimulator(1, 921600);
        m_sim->Execute("signal 1 on 1280 720 600");
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kCrop, 0);
        m_page = static_cast<CCropDlg*>(h.Main().Pages().Find(Window::CropPage));
        ASSERT_TRUE(m_page->isVisible());
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CCropDlg* m_page = nullptr;
};

} // namespace

TEST_F(CropEndToEnd, ChangingTheInputSwitchesTheOldInputsCropOffFirst) {
    QTest::mouseClick(m_page->Control<QAbstractButton>(CCropDlg::kSwitchId), Qt::LeftButton);
    ASSERT_TRUE(h.WaitFor([&] { return SimCrop(*m_sim, 0).on == 1; }, kAnswerTimeoutMs));
    const std::size_t before = Received(*m_sim, 0).size();

    // A click on HDMI-2's box; the harness answers "Change Input source?" with yes.
    CInputBoxes* boxes = h.Main().InputBoxes();
    QTest::mouseClick(boxes, Qt::LeftButton, Qt::NoModifier, boxes->BoxRect(1).center());
    ASSERT_TRUE(
        h.WaitFor([&] { return !Received(*m_sim, kCmdSelectInput, before).empty(); }, kAnswerTimeoutMs));

    const std::vector<Frame> sent = Received(*m_sim, 0, before);
    std::vector<Frame> changes;
    for (const Frame& f : sent)
        if (FrameCode(f.data()) == kCmdCrop || FrameCode(f.data()) == kCmdSelectInput)
            changes.push_back(f);
    ASSERT_EQ(changes.size(), 2u);
    // The old input's crop switched off, then the input chosen.
    EXPECT_EQ(std::make_tuple(FrameCode(changes[0].data()), changes[0][6], changes[0][8],
                              FrameCode(changes[1].data()), changes[1][6]),
              std::make_tuple(kCmdCrop, 0, 0, kCmdSelectInput, 1));
    EXPECT_EQ(SimCrop(*m_sim, 0).on, 0);

    // The page shows HDMI-2 as the processor reports it (its signal, then its crop record):
    // the crop of the 720p picture, off, ready to be switched on.
    auto* cropSwitch = m_page->Control<CGdipButton>(CCropDlg::kSwitchId);
    ASSERT_TRUE(h.WaitFor([&] { return cropSwitch->isEnabled(); }, kAnswerTimeoutMs));
    EXPECT_EQ(std::make_tuple(m_page->PageInput(),
                              m_page->Control<oRealEdit>(CCropDlg::kWidthId)->text().toInt(),
                              cropSwitch->isChecked()),
              std::make_tuple(1u, 1280, false));
}
