// The frame sync page with real mouse events and the real message dialog: what a mode button
// asks, sends, shows and waits for, the information texts, the processor's mode reports and
// the end of the page's wait. The main window is played by the fake context.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/ReplyCodes.h"
#include "picture/CFrameDlg.h"
#include "picture/FrameSync.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CFrameDlg;

const QColor kOrangeText(239, 156, 0);
const QColor kInactiveText(235, 235, 235);

class FramePageTest : public PageFixture<CFrameDlg> {
protected:
    QString Text(int id) { return Control(id)->text(); }
    bool OutputRowShown() {
        const bool label = Control(Page::kOutputLabelId)->isVisibleTo(&PageUnderTest());
        EXPECT_EQ(label, Control(Page::kOutputTextId)->isVisibleTo(&PageUnderTest())) << "the row as a whole";
        return label;
    }

    void Click(int id) { ClickAndDrain(Button(id)); }
    // A click whose question is answered with `answer`: the messages asked.
    std::vector<std::string> ClickAnswering(int id, int answer = CMessageboxDlg::kLeftId) {
        MessageBoxAnswerer answerer(answer);
        Click(id);
        std::vector<std::string> messages;
        for (const ShownBox& b : answerer.boxes)
            messages.push_back(b.message);
        return messages;
    }
    std::vector<WindowMessage> LinkEvents() { return context.main.Received(WM_LINK_EVENT); }

    // The highlight: the button of `mode` orange and checked, the other plain.
    void ExpectHighlight(FrameMode mode) {
        const bool sync = mode == FrameMode::Sync;
        EXPECT_EQ(PageUnderTest().ShownMode(), mode);
        EXPECT_EQ(std::make_tuple(
                      Button(Page::kSyncModeId)->TextColour(), Button(Page::kSyncModeId)->isChecked(),
                      Button(Page::kConvertModeId)->TextColour(), Button(Page::kConvertModeId)->isChecked()),
                  std::make_tuple(sync ? kOrangeText : kInactiveText, sync,
                                  sync ? kInactiveText : kOrangeText, !sync));
    }

    void SignalOnInput(int input, std::uint16_t width, std::uint16_t height, std::uint16_t inX100,
                       std::uint16_t outX100) {
        state.currentInput = static_cast<std::uint32_t>(input);
        auto& in = state.inputs[static_cast<std::size_t>(input)];
        std::tie(in.signal, in.width, in.height) = std::make_tuple(1, width, height);
        state.crop.inputFpsX100 = inX100;
        state.crop.outputFpsX100 = outX100;
    }
};

} // namespace

TEST_F(FramePageTest, WithoutASynchronisedLinkTheButtonsOnlyAskToOpenTheSerial) {
    state.linkState = kLinkOpen;
    PageUnderTest();
    MessageBoxAnswerer answerer(CMessageboxDlg::kLeftId);
    Click(Page::kConvertModeId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].title, "Frame Sync Settings");
    EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(context.waitTexts.empty());
    EXPECT_EQ(PageUnderTest().ShownMode(), std::nullopt);
}

TEST_F(FramePageTest, AnAcceptedChangeSendsTheModeShowsItClearsTheWarningAndWaits) {
    Connect();
    PageUnderTest();
    Reply(kReplyCrop, 0);
    ASSERT_EQ(ClickAnswering(Page::kConvertModeId, CMessageboxDlg::kRightId).size(), 1u); // declined
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(LinkEvents().empty());
    ExpectHighlight(FrameMode::Sync);
    EXPECT_TRUE(OutputRowShown());
    EXPECT_EQ(ClickAnswering(Page::kConvertModeId),
              std::vector<std::string>{"Set Frame Transform mode?"}); // "YES"
    EXPECT_EQ(context.sent, std::vector<Frame>{BuildFrameModeFrame(FrameMode::Convert)});
    // Before any reply: the new mode highlighted, the output row hidden.
    ExpectHighlight(FrameMode::Convert);
    EXPECT_FALSE(OutputRowShown());
    // The main window's frame-rate warning is cleared.
    const std::vector<WindowMessage> events = LinkEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_tuple(events[0].wParam, events[0].lParam),
              std::make_tuple(static_cast<std::uintptr_t>(kEventStatus), std::intptr_t{0}));
    // The wait, with the keep-alive watch stopped until the processor answers.
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set Frame Mode..."});
    EXPECT_EQ(context.keepAliveStops, 1);

    // The processor's acknowledgement 8 is its answer: the page's wait ends.
    Reply(kReplyAck, kAckStatus);
    EXPECT_EQ(std::make_tuple(context.waitShown, context.endedWaits, context.keepAliveRestarts),
              std::make_tuple(false, 1, 1));
    Reply(kReplyCrop, 1);
    EXPECT_EQ(context.endedWaits, 1) << "nothing left to end";
}

TEST_F(FramePageTest, OnlyItsOwnWaitIsEndedByTheProcessorsAnswers) {
    Connect();
    PageUnderTest();
    // An acknowledgement 8 the processor sends by itself (the input's rate changed) while another
    // page waits ends nothing.
    context.ShowWait("Set EDID...");
    Reply(kReplyAck, kAckStatus);
    Reply(kReplyCrop, 0);
    EXPECT_EQ(std::make_tuple(context.waitShown, context.endedWaits, context.keepAliveRestarts),
              std::make_tuple(true, 0, 0));
    context.HideWait();

    // The page's own wait ended otherwise (acknowledgement 9, the time-out): a later wait of
    // another page is not ended by the page's answers either.
    ClickAnswering(Page::kConvertModeId);
    ASSERT_TRUE(context.waitShown);
    context.HideWait();
    context.ShowWait("Getting Data From Desitination...");
    Reply(kReplyCrop, 1);
    Reply(kReplyAck, kAckStatus);
    EXPECT_TRUE(context.waitShown);
    EXPECT_EQ(context.endedWaits, 0);
}

TEST_F(FramePageTest, ALinkLostWhileTheOperatorIsAskedSendsNothingAndDoesNotWait) {
    Connect();
    PageUnderTest();
    Reply(kReplyCrop, 0);
    std::vector<std::string> asked;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (CMessageboxDlg* box : OpenMessageBoxes()) {
            asked.push_back(MessageBoxText(box));
            state.linkState = kLinkClosed; // the cable is pulled while the question is open
            QTest::mouseClick(box->Control<QAbstractButton>(CMessageboxDlg::kLeftId), Qt::LeftButton);
        }
    });
    answer.start();
    Click(Page::kConvertModeId);
    answer.stop();
    EXPECT_EQ(asked, (std::vector<std::string>{"Set Frame Transform mode?", "Please open the serial!"}));
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(context.waitTexts.empty()) << "no wait for an answer that cannot come";
    EXPECT_TRUE(LinkEvents().empty());
    ExpectHighlight(FrameMode::Sync);
}

TEST_F(FramePageTest, InformationTextsAndTheProcessorsModeReports) {
    Connect();
    PageUnderTest();
    SignalOnInput(1, 1920, 1080, 5994, 6000);
    Reply(kReplyInputStatus, 0);
    EXPECT_EQ(Text(Page::kInputTextId), "1920 x 1080@59.94HZ");
    EXPECT_EQ(AccessibleName(Control(Page::kOutputTextId)), "Output: FPS: 60.00HZ");
    Reply(kReplyCrop, 1);
    ExpectHighlight(FrameMode::Convert);
    EXPECT_FALSE(OutputRowShown());
    EXPECT_EQ(Text(Page::kOutputTextId), "FPS: 60.00HZ") << "kept, only hidden";
    // The texts of every status: FrameSync.InformationTextsOfTheCurrentInput.
    state.inputs[1].signal = 0;
    Reply(kReplyInputStatus, 0);
    EXPECT_EQ(AccessibleName(Control(Page::kInputTextId)), "Input: NoSignal") << "its caption and its text";
    EXPECT_TRUE(context.sent.empty()) << "a report sends nothing";
    EXPECT_TRUE(LinkEvents().empty());
}

TEST_F(FramePageTest, TextsAndNamesFollowTheLanguage) {
    QFile file(QString(CORVANE_LANG_DIR) + "/Chinese.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    TempLanguage language("Chinese", {{"Chinese.ini", file.readAll().toStdString()}});
    language.Select("Chinese");
    Page& page = PageUnderTest();
    page.ApplyLanguage();
    // The setting group is captioned by the key of the first mode button (IDD189_1049), not
    // by its own (IDD189_1048).
    EXPECT_EQ(Control<QWidget>(Page::kSettingGroupId)->property("title").toString(),
              QString::fromUtf8("帧同步模式"));
    state.inputs[0].signal = 0;
    Reply(kReplyInputStatus, 0);
    EXPECT_EQ(AccessibleName(Control(Page::kInputTextId)), QString::fromUtf8("输入: NoSignal"));
    // The wait's text too. (Every control's name in both languages: MainWindowTest.)
    Connect();
    ClickAnswering(Page::kSyncModeId);
    EXPECT_EQ(context.sent, std::vector<Frame>{BuildFrameModeFrame(FrameMode::Sync)});
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"设置帧模式..."});
    language.Select("English");
    page.ApplyLanguage();
    EXPECT_EQ(AccessibleName(Control(Page::kInputTextId)), "Input: NoSignal");
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(FramePageTest, RendersForTheGallery) {
    SignalOnInput(0, 1920, 1080, 5994, 6000);
    PageUnderTest();
    Reply(kReplyInputStatus, 0);
    const auto mode = [this](FrameMode m) {
        return GalleryShot{m == FrameMode::Sync ? "" : "-convert",
                           [this, m](bool) { Reply(kReplyCrop, static_cast<std::intptr_t>(m)); }};
    };
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "frame_page",
                     {mode(FrameMode::Sync), mode(FrameMode::Convert)});
}
#endif
