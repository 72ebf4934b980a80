// The EDID page with real mouse and key events and the real message dialog: the boxes and their
// rules as typed, "Advanced", Apply and Reset and what they send, the replies that choose the
// input. The main window is played by the fake context, which keeps every frame sent.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/ReplyCodes.h"
#include "picture/CEdidDlg.h"
#include "picture/EdidFrames.h"
#include "picture/EdidRules.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/ValueEdit.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CEdidDlg;
using F = EdidField;

// How long a 50 ms pause may take on a loaded machine.
constexpr int kPauseTimeoutMs = 5000;

class EdidPageTest : public PageFixture<CEdidDlg> {
protected:
    EdidPageTest() : PageFixture(QSize(320, 600), true) {}

    template <class W = oRealEdit> W* Control(int id) { return PageUnderTest().Control<W>(id); }
    oRealEdit* Box(F field) { return Control(Page::kBoxIds[static_cast<std::size_t>(field)]); }
    QWidget* Label(F field) { return Control<QWidget>(Page::kLabelIds[static_cast<std::size_t>(field)]); }
    CDropButton* InputList() { return Control<CDropButton>(Page::kInputListId); }

    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }
    void Type(F field, const QString& text) { TypeInto(Box(field), text); }
    int Shown(F field) { return Box(field)->text().toInt(); }

    // `n` frames sent so far, the last of them `last`.
    void ExpectSent(std::size_t n, const Frame& last) {
        ASSERT_EQ(context.sent.size(), n);
        EXPECT_EQ(context.sent.back(), last);
    }

    // The frame the page sends for `slot` in `mode`: the builder's over the page's record.
    Frame Expected(int slot, EdidMode mode) { return BuildEdidFrame(state, {slot, mode}); }

    static std::array<int, 9> Values(const EdidTiming& t) {
        return {t.hBlank, t.vBlank, t.hActive, t.vActive, t.hSync, t.vSync, t.hFront, t.vFront, t.refreshX10};
    }
};

} // namespace

TEST_F(EdidPageTest, OpensWithTheActiveSizeAndRateShownAndAdvancedShowsTheFullTiming) {
    state.edidTimings[0].refreshX10 = 599;
    Page& page = PageUnderTest();
    EXPECT_EQ(page.EdidSlot(), 0u);
    EXPECT_EQ(page.Boxes().values, (std::array<int, 9>{280, 45, 1920, 1080, 44, 4, 148, 4, 59}))
        << "59.9 Hz shown as 59";
    EXPECT_EQ(Box(F::Fps)->text(), "59");

    EXPECT_EQ(std::make_tuple(InputList()->GetCount(), InputList()->GetCurSel(), InputList()->isEnabled()),
              std::make_tuple(4, 0, false));

    EXPECT_FALSE(page.Advanced());
    for (F f : kEdidFields)
        EXPECT_EQ(std::make_pair(Box(f)->isVisible(), Label(f)->isVisible()),
                  std::make_pair(!Page::IsAdvancedField(f), !Page::IsAdvancedField(f)))
            << static_cast<int>(f);
    EXPECT_TRUE(context.sent.empty()) << "showing sends nothing";
    for (const QString& line : NamelessControls(&page))
        ADD_FAILURE() << line.toStdString();

    // "Advanced" shows the six boxes (that Apply then sends the full timing: end to end).
    auto* apply = Control<QAbstractButton>(Page::kApplyId);
    const int applyTopHidden = apply->y();

    Click(Page::kAdvancedId);
    EXPECT_TRUE(page.Advanced());
    for (F f : kEdidFields)
        EXPECT_TRUE(Box(f)->isVisible() && Label(f)->isVisible()) << static_cast<int>(f);
    EXPECT_GT(apply->y(), Box(F::VFront)->geometry().bottom()) << "Apply below the advanced rows";
    Click(Page::kAdvancedId);
    EXPECT_FALSE(Box(F::HBlank)->isVisible());
    EXPECT_EQ(apply->y(), applyTopHidden);
}

// The rules themselves are the unit table's; here one pass through each wiring path: a typed
// box corrected by its range and its neighbours, a report shown as it came, and Apply sending
// the reported timing as it is or with its rate lowered to fit the pixel rate.
TEST_F(EdidPageTest, TypedBoxesFollowTheRulesReportsAreShownAsTheyCameAndApplyFitsThePixelRate) {
    Connect();
    PageUnderTest();
    Click(Page::kAdvancedId);
    const EdidTiming before = state.edidTimings[0];
    Type(F::HFront, "236");
    EXPECT_EQ(Shown(F::HFront), 232) << "below H Blank 280 - H Sync 44, a multiple of 4";
    Type(F::HActive, "5000");
    EXPECT_EQ(Shown(F::HActive), 4092) << "the box's own range first";
    EXPECT_EQ(Values(state.edidTimings[0]), Values(before)) << "the rules change the boxes, not the record";
    EXPECT_TRUE(context.sent.empty()) << "and send nothing";

    // Hardly a value inside its box's range, within 594 MHz: shown and sent as reported.
    const EdidTiming reported{5000, 16, 640, 480, 300, 2, 3, 100, 1440};
    state.edidTimings[0] = reported;
    Reply(kReplyEdid, 0);
    EXPECT_EQ(PageUnderTest().Boxes().values, (std::array<int, 9>{5000, 16, 640, 480, 300, 2, 3, 100, 144}));
    Click(Page::kApplyId);
    ExpectSent(1, Expected(0, EdidMode::Full));
    EXPECT_EQ(Values(state.edidTimings[0]), Values(reported));

    // The largest timing the boxes hold: Apply lowers the rate and the FPS box shows what went.
    state.edidTimings[0] = EdidTiming{4092, 1024, 4092, 2160, 4, 4, 4, 4, 1200};
    Reply(kReplyEdid, 0);
    Click(Page::kApplyId);
    ExpectSent(2, Expected(0, EdidMode::Full));
    EXPECT_EQ(state.edidTimings[0].refreshX10, 220) << "22 Hz: 8184 x 3184 x 22 fits";
    EXPECT_EQ(Shown(F::Fps), 22);
}

TEST_F(EdidPageTest, ApplyWritesTheBoxesSendsAndWaitsButWithoutTheLinkOnlyTellsTheOperator) {
    // Without the link Apply and Reset tell the operator and change nothing.
    state.linkState = kLinkOpen;
    state.edidTimings[2].hActive = 1280;
    Page& page = PageUnderTest();
    Type(F::HActive, "1600");
    for (int id : {Page::kApplyId, Page::kResetId}) {
        MessageBoxAnswerer answerer;
        Click(id);
        ASSERT_EQ(answerer.boxes.size(), 1u) << id;
        EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");
    }
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(context.waitTexts.empty());
    EXPECT_EQ(state.edidTimings[0].hActive, 1920);
    EXPECT_FALSE(page.ResetPending());

    Connect();
    Reply(kReplyCrop, 2);
    ASSERT_EQ(page.EdidSlot(), 2u);
    Type(F::VActive, "720");
    Type(F::Fps, "50");
    Click(Page::kApplyId);

    ExpectSent(1, Expected(2, EdidMode::ActiveAndRate));
    EXPECT_EQ(std::make_tuple(state.edidTimings[2].vActive, state.edidTimings[2].refreshX10),
              std::make_tuple(720, 500));
    EXPECT_EQ(state.edidTimings[0].vActive, 1080) << "only the slot shown";
    EXPECT_EQ(context.keepAliveStops, 1);
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set EDID...."});
}

TEST_F(EdidPageTest, ApplyRightAfterTypingSendsWhatTheRulesAllow) {
    Connect();
    PageUnderTest();
    oRealEdit* box = Box(F::HActive);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "1921"); // no Enter: the click on Apply takes the focus
    QTest::mouseClick(Control<QAbstractButton>(Page::kApplyId), Qt::LeftButton);
    ExpectSent(1, Expected(0, EdidMode::ActiveAndRate));
    EXPECT_EQ(state.edidTimings[0].hActive, 1920);
    Drain(); // the box's own notification comes afterwards and finds nothing to correct
    EXPECT_EQ(Shown(F::HActive), 1920);
    EXPECT_EQ(context.sent.size(), 1u);
}

TEST_F(EdidPageTest, ResetSendsTheOldRecordThenShowsTheResetTiming) {
    Connect();
    state.edidTimings[1] = EdidTiming{200, 40, 1280, 720, 40, 5, 100, 5, 500};
    Page& page = PageUnderTest();
    Reply(kReplyCrop, 1);
    Click(Page::kAdvancedId); // Reset is mode 0 whatever "Advanced" says
    Type(F::HActive, "1024"); // typed, not applied: the frame carries the record

    QTest::mouseClick(Control<QAbstractButton>(Page::kResetId), Qt::LeftButton);
    // The click has been handled and the window runs on: the pause has not ended yet.
    ExpectSent(1, Expected(1, EdidMode::BuiltIn));
    EXPECT_EQ(state.edidTimings[1].hActive, 1280) << "the record changes after the pause";
    EXPECT_TRUE(page.ResetPending());
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set EDID..."});
    EXPECT_EQ(context.keepAliveStops, 1);

    // A second Reset or an Apply during the pause does nothing.
    QTest::mouseClick(Control<QAbstractButton>(Page::kResetId), Qt::LeftButton);
    QTest::mouseClick(Control<QAbstractButton>(Page::kApplyId), Qt::LeftButton);
    EXPECT_EQ(context.sent.size(), 1u);

    ASSERT_TRUE(WaitFor([&] { return !page.ResetPending(); }, kPauseTimeoutMs));
    Drain();
    EXPECT_EQ(Values(state.edidTimings[1]), Values(kEdidResetTiming));
    // Vfp 3 lies below its box's range: the box shows it as it is.
    EXPECT_EQ(page.Boxes().values, (std::array<int, 9>{160, 62, 3840, 2160, 32, 5, 48, 3, 60}));
    EXPECT_EQ(context.sent.size(), 1u) << "nothing more is sent";
    // (The link gone during the pause: EdidRules.AResetEndsWithTheResetTimingOnlyWhileSynchronised.)
}

TEST_F(EdidPageTest, RepliesChooseTheInputAndShowItsRecord) {
    state.edidTimings[1].hActive = 1024;
    state.edidTimings[2].hActive = 1280;
    Page& page = PageUnderTest();

    Reply(kReplyCrop, 2);
    EXPECT_EQ(page.EdidSlot(), 2u);
    EXPECT_EQ(InputList()->text(), "DisplayPort-1");
    EXPECT_EQ(Shown(F::HActive), 1280);

    // A timing reported for another input: the page still shows the input selected, anew.
    Type(F::HActive, "2000");
    state.edidTimings[1].hActive = 800;
    Reply(kReplyEdid, 1);
    EXPECT_EQ(page.EdidSlot(), 2u);
    EXPECT_EQ(Shown(F::HActive), 1280);

    for (std::intptr_t bad : {-1, 4, 200}) {
        Reply(kReplyCrop, bad);
        EXPECT_EQ(page.EdidSlot(), 2u) << bad;
    }
    EXPECT_TRUE(context.sent.empty());
}

// How a box being typed into takes a report is the value box's (ValueControlsTest); here the
// reply reaching it, and the typing dropped when the page turns to another input.
TEST_F(EdidPageTest, AReplyLeavesWhatIsBeingTypedButAnotherInputDropsIt) {
    Connect();
    PageUnderTest();
    oRealEdit* box = Box(F::HActive);
    const auto startTyping = [&](const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    };
    startTyping("1280");
    state.edidTimings[0].hActive = 1024;
    state.edidTimings[0].vActive = 600;
    Reply(kReplyEdid, 0);
    EXPECT_EQ(box->text(), "1280") << "the typing stays";
    EXPECT_EQ(Shown(F::VActive), 600) << "a box not typed into shows the report at once";

    state.edidTimings[2].hActive = 3840;
    startTyping("2000");
    Reply(kReplyCrop, 2);
    EXPECT_EQ(box->text(), "3840");
    box->clearFocus();
    Drain();
    EXPECT_EQ(PageUnderTest().Boxes()[F::HActive], 3840);
    EXPECT_TRUE(context.sent.empty());
}

#ifdef CORVANE_GALLERY_DIR
// The page for the gallery, in English and Chinese, with "Advanced" off and on.
TEST_F(EdidPageTest, RendersForTheGallery) {
    PageUnderTest();
    const auto advanced = [this](bool on) {
        return GalleryShot{on ? "-advanced" : "", [this, on](bool) {
                               if (PageUnderTest().Advanced() != on)
                                   Click(Page::kAdvancedId);
                           }};
    };
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "edid_page",
                     {advanced(false), advanced(true)});
}
#endif
