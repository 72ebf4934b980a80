// The picture page with real mouse and key events: each control's path to the records and the
// processor, the colour temperature list, the gamma switch and the reset. The main window is
// played by the fake context, which keeps every frame sent. The edits' rules are checked in
// PictureEditsTest, the command's bytes in PictureFramesTest; here each edit's frame is
// compared with the builder's.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/ReplyCodes.h"
#include "picture/CPicSettingDlg.h"
#include "picture/PictureFrames.h"
#include "platform/WindowMessages.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/ValueEdit.h"
#include "widgets/oBitmapSlider.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CPicSettingDlg;

const QColor kOrangeText(239, 156, 0);
const QColor kInactiveText(235, 235, 235);

class PicturePageTest : public PageFixture<CPicSettingDlg> {
protected:
    PicturePageTest() : PageFixture(QSize(320, 600), true) {}

    template <class W = oSliderEdit> W* Control(int id) { return PageUnderTest().Control<W>(id); }
    oBitmapSlider* Slider(int id) { return Control<oBitmapSlider>(id); }
    CDropButton* List() { return Control<CDropButton>(Page::kColorTempListId); }
    CGdipButton* Button(int id) { return Control<CGdipButton>(id); }
    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }
    void Type(int id, const QString& text) { TypeInto(Control(id), text); }
    QString Shown(int id) { return Control(id)->text(); }

    // Drags the slider's thumb to `position` in a few moves (nothing is sent on the way), then
    // releases it there.
    void Drag(int sliderId, int position) {
        oBitmapSlider* s = Slider(sliderId);
        const std::size_t before = context.sent.size();
        const int y = s->height() / 2, from = s->PositionToPixel(s->GetPos()),
                  to = s->PositionToPixel(position);
        QTest::mousePress(s, Qt::LeftButton, {}, QPoint(from, y));
        for (int step = 1; step <= 4; ++step) {
            QTest::mouseMove(s, QPoint(from + (to - from) * step / 4, y));
            Drain();
            EXPECT_EQ(context.sent.size(), before) << "nothing is sent while dragging";
        }
        QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(to, y));
        Drain();
    }

    // Opens the colour temperature list and clicks item `row`.
    void Pick(int row) {
        CDropButton* drop = List();
        QTest::mousePress(drop, Qt::LeftButton, {}, QPoint(20, 12));
        ASSERT_TRUE(drop->IsListOpen());
        QTest::mouseRelease(drop->DropList(), Qt::LeftButton, {},
                            drop->DropList()->mapFromGlobal(drop->mapToGlobal(QPoint(20, 12))));
        CListWnd* list = drop->DropList()->List();
        list->scrollToItem(list->item(row));
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseMove(list->viewport(), at);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        Drain();
    }

    const Frame& Last() {
        EXPECT_FALSE(context.sent.empty());
        return context.sent.back();
    }
    // The frame the builder makes of the records for an edit of `item`.
    Frame Expected(int output, std::uint32_t item, std::uint32_t all = 0, bool reset = false) {
        return BuildPictureFrame(state, {output, all, reset, PageUnderTest().ColorTempSel(output), item});
    }
};

} // namespace

TEST_F(PicturePageTest, OpensOnTheFirstOutputWithItsRecord) {
    state.picture[0].brightness = 90;
    state.picture[0].gamma = 23;
    Page& page = PageUnderTest();
    EXPECT_EQ(Shown(Page::kBrightnessId), "90");
    EXPECT_EQ(Slider(Page::kGammaSliderId)->GetPos(), 18);
    EXPECT_EQ(List()->GetText(8), " User ");
    EXPECT_EQ(Shown(Page::kGreenId), "107");
    EXPECT_EQ(Button(Page::kOutputButtonFirst)->TextColour(), kOrangeText);
    // Template controls without a function stay hidden, also after a language switch.
    page.ApplyLanguage();
    page.ShowPage(false);
    page.ShowPage(true);
    Drain();
    for (int id : {Page::kPictureModeGroupId, Page::kOutputLabelId, Page::kOldResetId})
        EXPECT_FALSE(Control<QWidget>(id)->isVisible()) << id;
    EXPECT_TRUE(context.sent.empty()) << "showing sends nothing";
}

TEST_F(PicturePageTest, ABoxTakesItsRangeAndEveryCommitIsSent) {
    Connect();
    PageUnderTest();
    Type(Page::kBrightnessId, "300");
    EXPECT_EQ(Shown(Page::kBrightnessId), "255");
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(Last(), Expected(0, kPictureBrightness));
    // Also a commit that changes nothing: a processor that lost it gets it again.
    Type(Page::kBrightnessId, "255");
    EXPECT_EQ(context.sent.size(), 2u);
}

TEST_F(PicturePageTest, APresetUserAndTheRedSliderSendTheirGainsAndKeepTheRecordsOwn) {
    Connect();
    PictureSettings& r = state.picture[0];
    std::tie(r.colorTemp, r.red, r.green, r.blue) = std::make_tuple(kUserColorTemp, 1, 2, 3);
    PageUnderTest();
    Pick(2);
    EXPECT_EQ(List()->text(), " 6500K ");
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(Last(), Expected(0, kPictureColorTemp));
    EXPECT_EQ(Shown(Page::kRedId), "128");
    Pick(8);
    EXPECT_EQ(Last(), Expected(0, kPictureColorTemp));
    EXPECT_EQ(Shown(Page::kBlueId), "3");
    // Moving the red slider under " 4000K " (128, 107, 81 shown) switches to user: what the
    // operator saw is what the processor gets, the red dragged and the preset's other two gains.
    Pick(0);
    Drag(Page::kRedSliderId, 140);
    EXPECT_EQ(List()->text(), " User ");
    const int red = Shown(Page::kRedId).toInt();
    EXPECT_NEAR(red, 140, 3);
    EXPECT_EQ(std::tie(r.red, r.green, r.blue, r.colorTemp), std::make_tuple(red, 107, 81, 8));
    EXPECT_EQ(Last(), Expected(0, kPictureRed));
}

TEST_F(PicturePageTest, GammaSwitchOffThenOnAndTheBoxInTenths) {
    Connect();
    state.picture[0].gamma = 23;
    Page& page = PageUnderTest();
    Click(Page::kGammaSwitchId);
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(Last()[11], 0xFF);
    EXPECT_FALSE(Slider(Page::kGammaSliderId)->isEnabled());
    EXPECT_FALSE(page.GammaOn());
    Click(Page::kGammaSwitchId);
    EXPECT_EQ(Last()[11], 10) << "the 1.0 the box then holds";
    Type(Page::kGammaId, "0.7");
    EXPECT_EQ(state.picture[0].gamma, 7);
    EXPECT_EQ(Last(), Expected(0, kPictureGamma));
}

TEST_F(PicturePageTest, AllOutputsSendsForTheOutputShownLastWithTheAllFlag) {
    Connect();
    PageUnderTest();
    Click(Page::kOutputButtonFirst + 3);
    Click(Page::kAllOutputsId);
    EXPECT_TRUE(context.sent.empty()) << "choosing ALL sends nothing";
    Type(Page::kContrastId, "200");
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(Last(), Expected(3, kPictureContrast, 1));
    EXPECT_EQ(state.picture[0].contrast, 200);
    EXPECT_EQ(Button(Page::kOutputButtonFirst)->TextColour(), kOrangeText) << "all five orange";
}

TEST_F(PicturePageTest, ResetSendsTheResetAndShowsItsValues) {
    Connect();
    state.picture[1] = PictureSettings{30, 40, 23, 3, 9, 8, 7, 1, 2, 3, 4};
    PageUnderTest();
    Click(Page::kOutputButtonFirst + 1);
    EXPECT_EQ(Button(Page::kOutputButtonFirst)->TextColour(), kInactiveText);
    Click(Page::kResetId);
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(Last(), Expected(1, kFiller, 0, true));
    EXPECT_EQ(Shown(Page::kContrastId), "128");
    EXPECT_EQ(List()->text(), " User ");
}

TEST_F(PicturePageTest, ARecordsReplyShowsTheOutputShownAgain) {
    PageUnderTest();
    // Outputs 2 and 3 reported while output 0 is shown: output 0 is read again.
    state.picture[0].brightness = 17;
    state.picture[0].red = 5;
    Reply(kReplyPicture, 0x34);
    EXPECT_EQ(Shown(Page::kBrightnessId), "17");
    state.picture[0].brightness = 18;
    Reply(kReplyLayer, 0);
    EXPECT_EQ(Shown(Page::kBrightnessId), "17") << "other replies are not the page's";
    // A colour temperature no row has selects nothing; an edit keeps it.
    Connect();
    state.picture[0].colorTemp = 12;
    Reply(kReplyPicture, 0x12);
    EXPECT_EQ(List()->GetCurSel(), -1);
    Type(Page::kBrightnessId, "77");
    EXPECT_EQ(Last(), Expected(0, kPictureBrightness));
    EXPECT_EQ(Last()[12], 12);
}

TEST_F(PicturePageTest, WithoutASynchronisedLinkEditsAreKeptAndNothingIsSent) {
    state.linkState = kLinkOpen;
    Page& page = PageUnderTest();
    Type(Page::kBrightnessId, "33");
    Click(Page::kGammaSwitchId);
    Click(Page::kResetId);
    EXPECT_TRUE(context.sent.empty());
    EXPECT_EQ(state.picture[0].brightness, 128);
    // A hidden page takes no committed values.
    Connect();
    page.ShowPage(false);
    Control(Page::kBrightnessId)->SetValue(10);
    SendWindowMessage(&page, WM_VALUE_COMMITTED, Page::kBrightnessId, 0);
    EXPECT_EQ(state.picture[0].brightness, 128);
}

TEST_F(PicturePageTest, UserLabelFollowsTheLanguage) {
    QFile file(QString(CORVANE_LANG_DIR) + "/Chinese.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    state.picture[0].colorTemp = 8;
    Page& page = PageUnderTest();
    TempLanguage lang("Chinese", {{"Chinese.ini", file.readAll().toStdString()}});
    lang.Select("Chinese");
    page.ApplyLanguage();
    EXPECT_EQ(List()->text(), QString::fromUtf8(" 自定义 ")) << "the choice stays selected";
    EXPECT_EQ(Control<CGroupBox>(Page::kColorTempGroupId)->title(), QString::fromUtf8("色温"));
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(PicturePageTest, RendersForTheGallery) {
    state.picture[0] = PictureSettings{150, 120, 22, 8, 140, 120, 110, 10, 10, 10, 10};
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "picture_page");
}
#endif
