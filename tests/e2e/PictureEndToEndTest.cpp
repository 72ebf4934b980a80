// The picture page against the simulated processor: "ALL" changes every output, and the
// processor's replies leave the application holding what the processor keeps. (That a drag
// sends once, at its release, the picture page's widget suite shows.)

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "picture/CPicSettingDlg.h"
#include "picture/PictureFrames.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "widgets/CGdipButton.h"
#include "widgets/ValueEdit.h"

#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::ReceivedWithCode;

namespace {

// How long the simulated processor may take to answer on a loaded machine.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kSyncTimeoutMs = 12000;

PictureSettings SimPicture(sim::Simulator& s, int output) {
    PictureSettings p;
    s.Inspect([&](const sim::ProcessorModel& m) { p = m.State().picture[static_cast<std::size_t>(output)]; });
    return p;
}

auto Fields(const PictureSettings& p) {
    return std::make_tuple(p.brightness, p.contrast, p.gamma, p.colorTemp, p.red, p.green, p.blue, p.aux0,
                           p.aux3);
}

class PictureEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = &h.AddSimulator(1, 921600);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kPicture, 0);
        m_page = static_cast<CPicSettingDlg*>(h.Main().Pages().Find(Window::PicturePage));
        ASSERT_TRUE(m_page->isVisible());
    }

    void Type(int id, const char* text) {
        auto* box = m_page->Control<oSliderEdit>(id);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CPicSettingDlg* m_page = nullptr;
};

} // namespace

TEST_F(PictureEndToEnd, AllOutputsChangeOnTheProcessorAndItsRepliesAgree) {
    QTest::mouseClick(m_page->Control<CGdipButton>(CPicSettingDlg::kOutputButtonFirst + 3), Qt::LeftButton);
    QTest::mouseClick(m_page->Control<CGdipButton>(CPicSettingDlg::kAllOutputsId), Qt::LeftButton);
    Type(CPicSettingDlg::kContrastId, "200");

    ASSERT_TRUE(h.WaitFor(
        [&] {
            for (int k = 0; k < 4; ++k)
                if (SimPicture(*m_sim, k).contrast != 200)
                    return false;
            return true;
        },
        kAnswerTimeoutMs));
    const std::vector<Frame> sent = ReceivedWithCode(*m_sim, kCmdPicture);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][6], 3) << "the output chosen last";
    EXPECT_EQ(sent[0][7], 1);
    // The processor reports both pairs; the application then holds what the processor keeps.
    ASSERT_TRUE(h.WaitFor(
        [&] {
            for (int k = 0; k < 4; ++k)
                if (Fields(h.App().state.picture[static_cast<std::size_t>(k)]) !=
                    Fields(SimPicture(*m_sim, k)))
                    return false;
            return true;
        },
        kAnswerTimeoutMs));
    EXPECT_EQ(m_page->Control<oSliderEdit>(CPicSettingDlg::kContrastId)->text(), "200");
    EXPECT_TRUE(h.messages.empty()) << "the processor's success shows no box";
}
