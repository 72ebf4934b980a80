// The crop page with real mouse and key events and the real message dialog; the main window
// is played by the fake context, which records the frames the page sends.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/ReplyCodes.h"
#include "picture/CCropDlg.h"
#include "picture/CropFrames.h"
#include "picture/CropPageCalls.h"
#include "platform/WindowMessages.h"
#include "widgets/CGdipButton.h"
#include "widgets/ValueEdit.h"

#include <QImage>
#include <gtest/gtest.h>
#include <set>

using namespace corvane;
using namespace corvane::test;

namespace {

// The crop command of `input` with `argument` for the record `rect`, as the builder makes it.
Frame CropFrame(int input, std::uint8_t argument, const CropRect& rect) {
    DeviceState s;
    s.crop.rects[static_cast<std::size_t>(input)] = rect;
    return BuildCropFrame(s, input, argument);
}

class CropPageTest : public PageFixture<CCropDlg> {
protected:
    CropPageTest() {
        // HDMI-1 is current and carries 1080p; its crop is off and covers the whole picture.
        state.currentInput = 0;
        state.inputs[0].signal = 1;
        for (CropRect& r : state.crop.rects)
            r = CropRect{0, 0, 0, 1920, 1080, 1920, 1080};
    }

    void OnCreated(CCropDlg& page) override { context.windows[Window::CropPage] = &page; }

    template <class W = oRealEdit> W* Control(int id) { return PageUnderTest().Control<W>(id); }
    CGdipButton* Switch() { return Control<CGdipButton>(CCropDlg::kSwitchId); }

    void Type(int id, const QString& text) { TypeInto(Control(id), text); }
    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }
    int Shown(int id) { return Control(id)->text().toInt(); }

    // The crop on for the current input, as the processor reported it.
    void CropOnAtStart(const CropRect& r) {
        state.crop.rects[state.currentInput] = r;
        Reply(kReplyCrop, state.currentInput);
    }
};

TEST_F(CropPageTest, TheControlsFollowTheCurrentInputAndItsSignal) {
    PageUnderTest();
    auto boxesEnabled = [&] {
        std::set<bool> on;
        for (int id : {CCropDlg::kHStartId, CCropDlg::kVStartId, CCropDlg::kWidthId, CCropDlg::kHeightId})
            on.insert(Control(id)->isEnabled());
        EXPECT_EQ(on.size(), 1u) << "the four boxes go together";
        return *on.begin();
    };
    // The rule for each combination: CropRules.TheControlsFollowTheCurrentInputAndItsSignal.
    EXPECT_TRUE(Switch()->isEnabled());
    EXPECT_FALSE(boxesEnabled());

    // Switched on (nothing is sent without a processor): the boxes and Reset too.
    Click(CCropDlg::kSwitchId);
    EXPECT_EQ(state.crop.rects[0].on, 1);
    EXPECT_TRUE(boxesEnabled());
    EXPECT_TRUE(Control<QWidget>(CCropDlg::kResetId)->isEnabled());
    EXPECT_TRUE(context.sent.empty());

    // The signal goes while the page is hidden: shown again, everything is off.
    PageUnderTest().ShowPage(false);
    state.inputs[0].signal = 0;
    PageUnderTest().ShowPage(true);
    Drain();
    EXPECT_FALSE(Switch()->isEnabled());
    EXPECT_FALSE(Switch()->isChecked()) << "without a signal the switch shows off";
    EXPECT_FALSE(boxesEnabled());
}

TEST_F(CropPageTest, ACropIsRefusedWhileALayerZooms) {
    Connect();
    state.layers[1].zoomOn = 1;
    state.layers[3].zoomOn = 1;
    PageUnderTest();
    MessageBoxAnswerer answerer;
    Click(CCropDlg::kSwitchId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].message, "The Layer2 Zoom is open!");
    EXPECT_EQ(std::make_tuple(Switch()->isChecked(), state.crop.rects[0].on, context.sent.empty()),
              std::make_tuple(false, 0, true));

    // Without zoom the crop goes on.
    state.layers[1].zoomOn = 0;
    state.layers[3].zoomOn = 0;
    Click(CCropDlg::kSwitchId);
    EXPECT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(context.sent, std::vector<Frame>{CropFrame(0, kCropSet, {1, 0, 0, 1920, 1080, 1920, 1080})});

    // Switching it off is always possible, zoom or not.
    state.layers[0].zoomOn = 1;
    Click(CCropDlg::kSwitchId);
    EXPECT_EQ(answerer.boxes.size(), 1u);
    EXPECT_FALSE(Switch()->isChecked());
    EXPECT_EQ(context.sent.back(), CropFrame(0, kCropSet, {0, 0, 0, 1920, 1080, 1920, 1080}));
}

TEST_F(CropPageTest, ResetTakesTheWholePictureOfA720pSignal) {
    Connect();
    state.inputs[0].width = 1280;
    state.inputs[0].height = 720;
    CropOnAtStart({1, 100, 50, 1720, 980, 1920, 1080});
    Click(CCropDlg::kResetId);
    EXPECT_EQ(context.sent, std::vector<Frame>{CropFrame(0, kCropReset, {1, 0, 0, 1280, 720, 1280, 720})});
    EXPECT_EQ(Shown(CCropDlg::kWidthId), 1280);
    EXPECT_EQ(PageUnderTest().PreviewOutline(), PageUnderTest().PreviewBox());

    // Without a processor: told so, nothing sent or changed.
    state.linkState = kLinkOpen;
    state.inputs[0].width = 1920;
    MessageBoxAnswerer answerer;
    Click(CCropDlg::kResetId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");
    EXPECT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(state.crop.rects[0].hTotal, 1280);
    // Without a signal: CropRules.ResetTakesTheWholePictureOfTheSignal.
}

TEST_F(CropPageTest, NothingIsSentWithoutTheLinkOrASignalOrForTheSameValue) {
    CropOnAtStart({1, 100, 50, 1720, 980, 1920, 1080});
    // The port is open but the processor not synchronised: the records change, nothing goes.
    state.linkState = kLinkOpen;
    MessageBoxAnswerer answerer;
    Type(CCropDlg::kHStartId, "150");
    EXPECT_EQ(state.crop.rects[0].hStart, 150);
    Click(CCropDlg::kSwitchId);
    EXPECT_EQ(state.crop.rects[0].on, 0);
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(answerer.boxes.empty()) << "edits and the switch tell nothing";

    // Synchronised: the value already stored sends nothing, a new one once.
    Connect();
    Click(CCropDlg::kSwitchId);
    ASSERT_EQ(context.sent.size(), 1u);
    Type(CCropDlg::kHStartId, "150");
    Type(CCropDlg::kHStartId, "0150");
    EXPECT_EQ(context.sent.size(), 1u);
    Type(CCropDlg::kHStartId, "160");
    EXPECT_EQ(context.sent.size(), 2u);
    // A typed value past its limit is cut first (the limits: CropRules.TheLimitsOfATypedValue).
    Type(CCropDlg::kHStartId, "500");
    EXPECT_EQ(Shown(CCropDlg::kHStartId), 200) << "at most hTotal - Width";
    EXPECT_EQ(context.sent.back(), CropFrame(0, kCropSet, {1, 200, 50, 1720, 980, 1920, 1080}));

    // No signal: CropRules.ACropCommandNeedsTheLinkAndASignal. A hidden page takes no value.
    PageUnderTest().ShowPage(false);
    Control(CCropDlg::kVStartId)->SetValue(90);
    SendWindowMessage(&PageUnderTest(), WM_VALUE_COMMITTED, CCropDlg::kVStartId, 0);
    EXPECT_EQ(state.crop.rects[0].vStart, 50);
    EXPECT_EQ(context.sent.size(), 3u);
}

TEST_F(CropPageTest, ThePageFollowsTheProcessorsCurrentInputAndShowsOnlyItsButton) {
    PageUnderTest();
    state.currentInput = 2;
    state.inputs[2].signal = 1;
    state.crop.rects[2] = CropRect{1, 8, 9, 640, 360, 1920, 1080};
    Reply(kReplyCrop, 2);
    EXPECT_EQ(PageUnderTest().PageInput(), 2u);
    for (int i = 0; i < kInputCount; ++i) {
        auto* b = Control<CGdipButton>(CCropDlg::kInputButtonFirst + i);
        EXPECT_EQ(std::make_tuple(b->isVisible(), b->isChecked()), std::make_tuple(i == 2, i == 2)) << i;
    }
    EXPECT_EQ(Control<CGdipButton>(CCropDlg::kInputButtonFirst + 2)->text(), QStringLiteral("DP1"));
    EXPECT_EQ(std::make_tuple(Shown(CCropDlg::kVStartId), Shown(CCropDlg::kHeightId)),
              std::make_tuple(9, 360));
    EXPECT_TRUE(Switch()->isChecked());
    EXPECT_FALSE(Control<QWidget>(CCropDlg::kInputSourceLabelId)->isVisible());

    // A record naming no input is ignored; the visible button shows its input again.
    Reply(kReplyCrop, 4);
    Reply(kReplyCrop, -1);
    Click(CCropDlg::kInputButtonFirst + 2);
    EXPECT_EQ(PageUnderTest().PageInput(), 2u);
    EXPECT_TRUE(context.sent.empty());
}

TEST_F(CropPageTest, CropOffSwitchesTheOldInputsCropOffBeforeAnInputChange) {
    state.currentInput = 1;
    state.inputs[1].signal = 1;
    CropOnAtStart({1, 100, 50, 1720, 980, 1920, 1080});
    auto* calls = context.CallsOf<CropPageCalls>(Window::CropPage);
    ASSERT_NE(calls, nullptr);

    // The main window already took the signal away (the input is changing): sent anyway. (Without
    // a processor or a crop on nothing goes: CropRules.TheOldInputsCropIsSwitchedOff...)
    Connect();
    state.inputs[1].signal = 0;
    calls->CropOff(1);
    EXPECT_EQ(state.crop.rects[1].on, 0);
    EXPECT_EQ(context.sent, std::vector<Frame>{CropFrame(1, kCropSet, {0, 100, 50, 1720, 980, 1920, 1080})});
    EXPECT_FALSE(Switch()->isChecked()) << "the page shows the crop off";
}

TEST_F(CropPageTest, ThePreviewShowsTheOutlineWhereTheNumbersSay) {
    Connect();
    CropOnAtStart({1, 100, 50, 1720, 980, 1920, 1080});
    const QRect box = PageUnderTest().PreviewBox();
    // 100 / 14.77 = 6.8, 50 / 10.8 = 4.6, 1820 / 14.77 = 123.2, 1030 / 10.8 = 95.4 (the
    // arithmetic: CropRules.ThePreviewOutlineIsWhereTheNumbersSay)
    const QRect outline = PageUnderTest().PreviewOutline();
    EXPECT_EQ(outline, QRect(box.x() + 7, box.y() + 5, 123 - 7, 95 - 5));

    const QImage image = PageUnderTest().grab().toImage();
    const QColor fill(255, 174, 0); // COLORREF 0x00AEFF
    const QColor line(0, 69, 255);  // COLORREF 0xFF4500
    auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    const int midY = outline.center().y();
    const int midX = outline.center().x();
    EXPECT_EQ(at(box.x() + 2, box.y() + 2), fill);
    EXPECT_EQ(at(outline.left(), midY), line);
    EXPECT_EQ(at(midX, outline.bottom()), line);
    EXPECT_EQ(at(outline.left() - 1, midY), fill);
    EXPECT_EQ(at(outline.left() + 1, midY), fill) << "only the outline is drawn";

    // A typed value moves the outline at once.
    Type(CCropDlg::kHStartId, "200");
    EXPECT_EQ(PageUnderTest().PreviewOutline().left(), box.x() + 14); // 200 / 14.77 = 13.5
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(CropPageTest, RendersForTheGallery) {
    Connect();
    CropOnAtStart({1, 240, 135, 1200, 675, 1920, 1080});
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "crop_page");
}
#endif

} // namespace
