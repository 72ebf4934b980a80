// The crop page against the simulated processor: each change reaches the processor once and
// a new synchronisation brings back what it stored; an input change switches the old input's
// crop off before the new input is selected.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "WidgetTestSupport.h"
#include "link/ByteOrder.h"
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

auto Fields(const CropRect& r) {
    return std::make_tuple(r.on, r.hStart, r.vStart, r.hSize, r.vSize, r.hTotal, r.vTotal);
}

// The application synchronised with one processor, its crop page shown.
class CropEndToEnd : public ::testing::Test {
protected:
    void Start(const char* simCommand = nullptr) {
        m_sim = &h.AddSimulator(1, 921600);
        if (simCommand)
            m_sim->Execute(simCommand);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kCrop, 0);
        m_page = static_cast<CCropDlg*>(h.Main().Pages().Find(Window::CropPage));
        ASSERT_TRUE(m_page->isVisible());
    }

    oRealEdit* Box(int id) { return m_page->Control<oRealEdit>(id); }
    int Shown(int id) { return Box(id)->text().toInt(); }
    void ClickSwitch() {
        QTest::mouseClick(m_page->Control<QAbstractButton>(CCropDlg::kSwitchId), Qt::LeftButton);
    }
    // Waits until the processor received `count` crop commands in all, then a little longer
    // to see that no more follow.
    void ExpectCropCommands(std::size_t count) {
        ASSERT_TRUE(h.WaitFor([&] { return Received(*m_sim, kCmdCrop).size() >= count; }, kAnswerTimeoutMs));
        QTest::qWait(300);
        EXPECT_EQ(Received(*m_sim, kCmdCrop).size(), count);
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CCropDlg* m_page = nullptr;
};

} // namespace

TEST_F(CropEndToEnd, EachChangeReachesTheProcessorOnceAndComesBackAfterASynchronisation) {
    Start();
    ASSERT_EQ(m_page->PageInput(), 0u);
    ASSERT_TRUE(m_page->Control<QWidget>(CCropDlg::kSwitchId)->isEnabled()) << "HDMI-1 carries a signal";

    ClickSwitch();
    ExpectCropCommands(1);
    EXPECT_EQ(SimCrop(*m_sim, 0).on, 1);
    test::TypeInto(Box(CCropDlg::kWidthId), "1280");
    ExpectCropCommands(2);
    test::TypeInto(Box(CCropDlg::kHStartId), "640");
    ExpectCropCommands(3);
    const CropRect stored = SimCrop(*m_sim, 0);
    EXPECT_EQ(Fields(stored),
              std::make_tuple(std::uint8_t{1}, std::uint16_t{640}, std::uint16_t{0}, std::uint16_t{1280},
                              std::uint16_t{1080}, std::uint16_t{1920}, std::uint16_t{1080}));
    EXPECT_EQ(Fields(h.App().state.crop.rects[0]), Fields(stored));
    EXPECT_TRUE(h.messages.empty()) << "the processor took every window";

    // The application forgets its record; a full request brings back what the processor stored.
    h.App().state.crop.rects[0] = CropRect{};
    m_page->SelectInput(0);
    ASSERT_EQ(Shown(CCropDlg::kHStartId), 0);
    h.Main().Services().RequestAll();
    ASSERT_TRUE(h.WaitFor([&] { return Shown(CCropDlg::kHStartId) == 640; }, kSyncTimeoutMs));
    EXPECT_EQ(Shown(CCropDlg::kWidthId), 1280);
    EXPECT_TRUE(m_page->Control<CGdipButton>(CCropDlg::kSwitchId)->isChecked());
    EXPECT_EQ(Fields(h.App().state.crop.rects[0]), Fields(stored));
    EXPECT_EQ(Received(*m_sim, kCmdCrop).size(), 3u) << "showing what came back sends nothing";
}

TEST_F(CropEndToEnd, ChangingTheInputSwitchesTheOldInputsCropOffFirst) {
    Start("signal 1 on 1280 720 600");
    ClickSwitch();
    ExpectCropCommands(1);
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
    EXPECT_EQ(std::make_tuple(m_page->PageInput(), Shown(CCropDlg::kWidthId), cropSwitch->isChecked()),
              std::make_tuple(1u, 1280, false));
}
