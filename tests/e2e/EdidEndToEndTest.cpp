// The EDID page against the simulated processor: a full timing applied reaches the processor,
// its acknowledgement ends the wait with "Set up success!"; a timing the processor cannot present
// is refused and taken back.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "WidgetTestSupport.h"
#include "link/CommandCodes.h"
#include "mainwindow/Pages.h"
#include "picture/CEdidDlg.h"
#include "picture/EdidFrames.h"
#include "platform/WindowMessages.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/ValueEdit.h"

#include <QAbstractButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::ReceivedWithCode;
using F = EdidField;

namespace {

// How long the simulated processor may take to answer on a loaded machine.
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kSyncTimeoutMs = 12000;

EdidTiming SimEdid(sim::Simulator& s, int slot) {
    EdidTiming t;
    s.Inspect(
        [&](const sim::ProcessorModel& m) { t = m.State().edidTimings[static_cast<std::size_t>(slot)]; });
    return t;
}

auto Fields(const EdidTiming& t) {
    return std::make_tuple(t.hBlank, t.vBlank, t.hActive, t.vActive, t.hSync, t.vSync, t.hFront, t.vFront,
                           t.refreshX10);
}

// The application synchronised with one processor, its EDID page shown (which asks the
// processor for the current input's timing).
class EdidEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = &h.AddSimulator(1, 921600);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        m_page = static_cast<CEdidDlg*>(h.Main().Pages().Find(Window::EdidPage));
        // A stale record on the page, so that the processor's answer to the page's request shows.
        h.App().state.edidTimings[0].hActive = 1000;
        m_page->ShowSlot();
        h.Main().SelectPage(kEdid, 0);
        ASSERT_TRUE(m_page->isVisible());
        ASSERT_TRUE(h.WaitFor([&] { return m_page->Boxes()[EdidField::HActive] == 1920; }, kAnswerTimeoutMs));
        const std::vector<Frame> requests = ReceivedWithCode(*m_sim, kCmdEdidRequest);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0][6], 0) << "the current input's timing";
    }

    void Type(F field, const QString& text) {
        corvane::test::TypeInto(
            m_page->Control<oRealEdit>(CEdidDlg::kBoxIds[static_cast<std::size_t>(field)]), text);
    }
    void Click(int id) { QTest::mouseClick(m_page->Control<QAbstractButton>(id), Qt::LeftButton); }

    bool Shown(const std::string& message) const {
        return std::find(h.messages.begin(), h.messages.end(), message) != h.messages.end();
    }
    // The answer came, its box was shown and the wait is over.
    bool WaitAnswered(const std::string& message) {
        return h.WaitFor([&] { return Shown(message) && !h.Main().WaitOverlay()->isVisible(); },
                         kAnswerTimeoutMs);
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CEdidDlg* m_page = nullptr;
};

} // namespace

TEST_F(EdidEndToEnd, AFullTimingReachesTheProcessor) {
    Click(CEdidDlg::kAdvancedId);
    ASSERT_TRUE(m_page->Advanced());
    Type(F::HActive, "1280");
    Type(F::HBlank, "370");
    EXPECT_EQ(m_page->Boxes()[F::HBlank], 368) << "rounded down to 4";
    Click(CEdidDlg::kApplyId);
    ASSERT_TRUE(h.Main().WaitOverlay()->isVisible()) << "the page waits for the processor";

    ASSERT_TRUE(WaitAnswered("EDID Settings: Set up success!")) << h.messages.size();
    const EdidTiming expected{368, 45, 1280, 1080, 44, 4, 148, 4, 600};
    EXPECT_EQ(Fields(SimEdid(*m_sim, 0)), Fields(expected));
    const std::vector<Frame> sent = ReceivedWithCode(*m_sim, kCmdEdid);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][7], static_cast<std::uint8_t>(EdidMode::Full));
}

TEST_F(EdidEndToEnd, ATimingTheProcessorCannotPresentIsRefusedAndTakenBack) {
    // The page's blanking made small (not applied), then only the active size and rate sent:
    // the page's rules allow 69 Hz, but the processor keeps its blanking of 280 x 45, with which
    // 3840 x 2160 at 69 Hz would run at 627 MHz.
    Click(CEdidDlg::kAdvancedId);
    Type(F::HBlank, "96");
    Type(F::VBlank, "16");
    Click(CEdidDlg::kAdvancedId);
    ASSERT_FALSE(m_page->Advanced());
    Type(F::Fps, "60");
    Type(F::HActive, "3840");
    Type(F::VActive, "2160");
    Type(F::Fps, "120");
    ASSERT_EQ(m_page->Boxes()[F::Fps], 69);
    Click(CEdidDlg::kApplyId);

    ASSERT_TRUE(WaitAnswered("EDID Settings: Set up failure!"));
    EXPECT_EQ(ReceivedWithCode(*m_sim, kCmdEdid).back()[7],
              static_cast<std::uint8_t>(EdidMode::ActiveAndRate));
    EXPECT_EQ(Fields(SimEdid(*m_sim, 0)), Fields(EdidTiming{})) << "the processor keeps its timing";
    // Its report brings the page back to what the input presents.
    ASSERT_TRUE(h.WaitFor([&] { return m_page->Boxes()[F::HActive] == 1920; }, kAnswerTimeoutMs));
    EXPECT_EQ(Fields(h.App().state.edidTimings[0]), Fields(EdidTiming{}));
}
