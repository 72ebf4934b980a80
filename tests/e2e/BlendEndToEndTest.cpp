// The edge blend page against the simulated processor: "Blend >" shows it beside the main
// window, switching a side on and "Set Data" reach the processor, which keeps them, and a new
// synchronisation shows what it kept; Esc hides the page and releases "Blend >".

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "blend/BlendFrames.h"
#include "blend/CBezierDlg.h"
#include "blend/CFuseDlg.h"
#include "blend/CurveRules.h"
#include "connection/CConnectDlg.h"
#include "layout/COutputDlg.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "widgets/CGdipButton.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::ReceivedWithCode;

namespace {

constexpr int kAnswerTimeoutMs = 5000;
constexpr int kSyncTimeoutMs = 12000;

OutputInfo SimOutput(sim::Simulator& s, int output) {
    OutputInfo o;
    s.Inspect([&](const sim::ProcessorModel& m) { o = m.State().outputs[static_cast<std::size_t>(output)]; });
    return o;
}

class BlendEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = &h.AddSimulator(1, 921600);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kOutput, 0);
        m_output = static_cast<COutputDlg*>(h.Main().Pages().Find(Window::OutputPage));
        m_page = static_cast<CFuseDlg*>(h.Main().Pages().Find(Window::FusePage));
        ASSERT_TRUE(m_output->isVisible());
        ASSERT_FALSE(m_page->isVisible());
        QTest::mouseClick(BlendButton(), Qt::LeftButton);
        ASSERT_TRUE(h.WaitFor([&] { return m_page->isVisible(); }, kAnswerTimeoutMs));
        h.messages.clear();
    }

    CGdipButton* BlendButton() { return m_output->Control<CGdipButton>(COutputDlg::kBlendId); }
    void Click(int id) {
        QTest::mouseClick(m_page->Control<QAbstractButton>(id), Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    COutputDlg* m_output = nullptr;
    CFuseDlg* m_page = nullptr;
};

} // namespace

TEST_F(BlendEndToEnd, ASideAndTheCurvesReachTheProcessorAndComeBackWithASynchronisation) {
    EXPECT_TRUE(BlendButton()->isChecked());
    Click(CFuseDlg::kOutputButtonFirst + 1);
    Click(CFuseDlg::kSideButtonFirst + kSideH2);
    Click(CFuseDlg::kSwitchId);
    ASSERT_TRUE(h.WaitFor([&] { return SimOutput(*m_sim, 1).blend[kSideH2].enable == 1; }, kAnswerTimeoutMs));

    // Table 2 shown, P1 dragged to the plot's top left (that the editor stores it: the page's
    // widget suite), then Set Data.
    Click(CFuseDlg::kTableButtonFirst + 1);
    CBezierDlg* editor = m_page->Editor();
    QTest::mousePress(editor, Qt::LeftButton, {}, editor->PointPixel(0));
    QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(-30, -30));
    Click(CFuseDlg::kSetDataId);
    ASSERT_TRUE(h.WaitFor(
        [&] {
            return TablePoint(SimOutput(*m_sim, 1), 2, 0) == CurvePoint{0, 255};
        },
        kAnswerTimeoutMs));
    EXPECT_EQ(ReceivedWithCode(*m_sim, kCmdBlend).size(), 2u);
    const std::vector<Frame> curves = ReceivedWithCode(*m_sim, kCmdBlendCurve);
    ASSERT_EQ(curves.size(), 1u);
    EXPECT_EQ(curves[0], BuildBlendCurveFrame(h.App().state, 1));
    EXPECT_EQ(h.LinkState(), kLinkSynchronised);

    // The application's picture goes stale; a new synchronisation shows what the processor kept.
    h.App().state.outputs[1].blend[kSideH2].enable = 0;
    StoreTablePoint(h.App().state.outputs[1], 2, 0, {64, 192});
    SendWindowMessage(m_page, WM_DEVICE_REPLY, 0xA9, 1);
    SendWindowMessage(m_page, WM_DEVICE_REPLY, 0xAA, 1);
    ASSERT_FALSE(m_page->SwitchOn());
    SendWindowMessage(h.Main().ConnectDialog(), WM_COMMAND, MakeWParam(CConnectDlg::kConnectId, BN_CLICKED),
                      0);
    ASSERT_TRUE(h.WaitFor([&] { return !h.Main().WaitShown() && m_page->SwitchOn(); }, kSyncTimeoutMs));
    EXPECT_EQ(m_page->BlendSideShown(), kSideH2);
    EXPECT_EQ(TablePoint(h.App().state.outputs[1], 2, 0), (CurvePoint{0, 255}));
    EXPECT_EQ(editor->PointPixel(0), QPoint(editor->Plot().left, editor->Plot().top));
    EXPECT_EQ(h.LinkState(), kLinkSynchronised);
    EXPECT_TRUE(h.messages.empty()) << h.messages.front();
}

TEST_F(BlendEndToEnd, TheCurvesOfTheLastOutputKeepTheLinkAndEscClosesThePage) {
    // The processor answers the curves of output index 3 with the record that also ends a
    // synchronisation: the link stays as it is, nothing is said.
    Click(CFuseDlg::kOutputButtonFirst + 3);
    Click(CFuseDlg::kSwitchId);
    Click(CFuseDlg::kSetDataId);
    ASSERT_TRUE(
        h.WaitFor([&] { return ReceivedWithCode(*m_sim, kCmdBlendCurve).size() == 1; }, kAnswerTimeoutMs));
    ASSERT_TRUE(h.WaitFor([&] { return SimOutput(*m_sim, 3).blend[kSideH1].enable == 1; }, kAnswerTimeoutMs));
    // The answer to a side frame sent behind the curves shows the curves' answer was handled:
    // the gamma made stale here comes back from the processor's record.
    const Frame behind = BuildBlendFrame(h.App().state, 3);
    h.App().state.outputs[3].blend[kSideH1].gamma = 99;
    h.Main().Services().SendToDevice(behind.data(), behind.size());
    ASSERT_TRUE(
        h.WaitFor([&] { return h.App().state.outputs[3].blend[kSideH1].gamma != 99; }, kAnswerTimeoutMs));
    EXPECT_EQ(h.LinkState(), kLinkSynchronised);
    EXPECT_FALSE(h.Main().WaitShown());
    EXPECT_TRUE(h.messages.empty());

    m_page->activateWindow();
    m_page->setFocus();
    QTest::keyClick(m_page, Qt::Key_Escape);
    ASSERT_TRUE(h.WaitFor([&] { return !m_page->isVisible(); }, kAnswerTimeoutMs));
    EXPECT_TRUE(h.WaitFor([&] { return !BlendButton()->isChecked(); }, kAnswerTimeoutMs));
}
