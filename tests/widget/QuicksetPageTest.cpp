// The quick set page with real mouse events and the real message dialog: choosing an
// arrangement by its picture or its mark, "Send" with and without a synchronised link, the
// command and the wait. The main window is played by the fake context.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "link/CommandCodes.h"
#include "mainwindow/CQuicksetDlg.h"
#include "platform/WindowMessages.h"
#include "presets/PresetFile.h"
#include "widgets/CHotSpot.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CQuicksetDlg;

class QuicksetPageTest : public PageFixture<CQuicksetDlg> {
protected:
    void ClickAt(const QPoint& p) {
        QTest::mouseClick(&PageUnderTest(), Qt::LeftButton, {}, p);
        Drain();
    }
    void ExpectChosen(int choice) {
        EXPECT_EQ(PageUnderTest().Selection(), choice);
        for (int i = 0; i < Page::kChoiceCount; ++i) {
            EXPECT_EQ(PageUnderTest().ChoiceMarked(i), i == choice) << i;
            EXPECT_EQ(Control<CHotSpot>(Page::kChoiceFirst + i)->isChecked(), i == choice) << i;
        }
    }
    void Send() { ClickAndDrain(Button(Page::kSendId)); }
};

} // namespace

TEST_F(QuicksetPageTest, ThreePicturesEachWithItsMarkBelowAndAPictureOrAMarkChooses) {
    Page& page = PageUnderTest();
    for (int i = 0; i < Page::kChoiceCount; ++i)
        EXPECT_GT(page.MarkRect(i).top(), page.PictureRect(i).bottom()) << i;
    ExpectChosen(0);
    EXPECT_TRUE(NamelessControls(&page).empty());
    EXPECT_EQ(AccessibleName(Control<QWidget>(Page::kChoiceFirst + 2)), "Four full-width rows");

    // A picture or a mark chooses, anything else changes nothing.
    ClickAt(PageUnderTest().PictureRect(2).center());
    ExpectChosen(2);
    ClickAt(PageUnderTest().MarkRect(1).center());
    ExpectChosen(1);
    // Beside the pictures: nothing.
    const QRect p0 = PageUnderTest().PictureRect(0);
    ClickAt(QPoint(p0.right() + 3, p0.center().y()));
    ExpectChosen(1);
    // The keyboard: a hot spot's Space.
    Control<CHotSpot>(Page::kChoiceFirst)->setFocus();
    QTest::keyClick(Control<CHotSpot>(Page::kChoiceFirst), Qt::Key_Space);
    Drain();
    ExpectChosen(0);
}

// Send asks for a synchronised link; then it sends the choice and waits until the state the
// processor then runs is in.
TEST_F(QuicksetPageTest, SendNeedsTheLinkThenSendsTheChoiceAndWaitsUntilTheStateIsIn) {
    state.linkState = kLinkOpen;
    PageUnderTest();
    {
        MessageBoxAnswerer answerer;
        Send();
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].title, "Quick Setting");
        EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");
    }
    EXPECT_TRUE(context.waitTexts.empty());
    EXPECT_EQ(SendWindowMessage(&PageUnderTest(), WM_DEVICE_COMMAND, kCmdLoadPreset, 1), -1);
    EXPECT_TRUE(context.sent.empty()) << "nor does the command without the link";

    Connect();
    Send(); // before any click: choice 0
    ClickAt(PageUnderTest().PictureRect(2).center());
    Send();
    EXPECT_EQ(context.sent, (std::vector<Frame>{BuildPresetRecallFrame(0), BuildPresetRecallFrame(2)}));
    EXPECT_EQ(context.waitTexts, (std::vector<std::string>{"Waiting Data Set...", "Waiting Data Set..."}));
    EXPECT_EQ(context.keepAliveStops, 2);

    // The processor's acknowledgement then asks for the state (StateFollowUpTest).
    EXPECT_TRUE(context.session.FollowUp().Pending());
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(QuicksetPageTest, RendersForTheGallery) {
    PageUnderTest();
    ClickAt(PageUnderTest().PictureRect(1).center());
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "quickset_page");
}
#endif
