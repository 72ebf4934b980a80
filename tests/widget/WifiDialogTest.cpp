// The WiFi configuration with real mouse and key events and the real message dialog: the fields
// from the processor's record while typing, the masked password and its eye button, a refused
// Apply and a good one: the command, the status event, the wait.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "mainwindow/CWificonfigDlg.h"
#include "misc/WifiSettings.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::test;

namespace {

using Dialog = CWificonfigDlg;

const std::string kStage = "\xE8\x88\x9E\xE5\x8F\xB0"; // 舞台

class WifiDialogTest : public PageFixture<CWificonfigDlg> {
protected:
    WifiDialogTest() : PageFixture(QSize(360, 256), true) {}

    QLineEdit* Edit(int id) { return Control<QLineEdit>(id); }
    std::string Text(int id) { return Edit(id)->text().toStdString(); }
    void Fill(const std::string& ip, const std::string& ssid, const std::string& password) {
        Edit(Dialog::kAddressId)->setText(QString::fromStdString(ip));
        Edit(Dialog::kSsidId)->setText(QString::fromStdString(ssid));
        Edit(Dialog::kPasswordId)->setText(QString::fromStdString(password));
    }
    void Apply() { ClickAndDrain(Control<QAbstractButton>(Dialog::kApplyId)); }
    void Eye() { ClickAndDrain(Control<QAbstractButton>(Dialog::kEyeId)); }

    TempLanguage language{"English"};
};

// What Apply tells, and in which order it checks: WifiChecks.
TEST_F(WifiDialogTest, ARefusedApplyTellsWhyAndLeavesEverythingAsItWas) {
    Connect();
    PageUnderTest();
    const WifiConfig before = state.wifi;
    Fill("192.168.4.1", "Show", "1234567");
    MessageBoxAnswerer answerer;
    Apply();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].message, "Password need 8 to 11 position!");
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(context.waitTexts.empty());
    EXPECT_EQ(std::tie(state.wifi.ip, state.wifi.ssid, state.wifi.password),
              std::tie(before.ip, before.ssid, before.password));
    EXPECT_TRUE(context.main.Received(WM_LINK_EVENT).empty());
}

TEST_F(WifiDialogTest, ATypedGoodSettingIsMaskedStoredSentAndWaitedFor) {
    Connect();
    PageUnderTest();
    Fill("", "", "");
    QTest::keyClicks(Edit(Dialog::kAddressId), "010.0.0.254");
    QTest::keyClicks(Edit(Dialog::kSsidId), "Stage-Left");
    QLineEdit* password = Edit(Dialog::kPasswordId);
    QTest::keyClicks(password, "secret-1234");
    // The password is masked with dots; the eye shows it, and hides it again.
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->displayText(), QString(11, QChar(Dialog::kMaskCharacter)));
    Eye();
    EXPECT_EQ(password->displayText(), "secret-1234");
    Eye();
    EXPECT_EQ(password->displayText(), QString(11, QChar(Dialog::kMaskCharacter))) << "twice hides it again";
    Apply();
    Drain();
    EXPECT_EQ(std::tie(state.wifi.ip, state.wifi.ssid, state.wifi.password),
              std::tie("10.0.0.254", "Stage-Left", "secret-1234"));
    EXPECT_EQ(Text(Dialog::kAddressId), "10.0.0.254") << "written plainly";
    EXPECT_EQ(context.sent, std::vector<Frame>{*BuildWifiFrame(state.wifi)});
    const std::vector<WindowMessage> events = context.main.Received(WM_LINK_EVENT);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].wParam, static_cast<std::uintptr_t>(kEventStatus));
    EXPECT_EQ(events[0].lParam, 0);
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Set WIFI Configure..."});
    EXPECT_EQ(context.keepAliveStops, 1);
}

TEST_F(WifiDialogTest, AReportLeavesTheFieldBeingTypedIntoUntilItsEditEnds) {
    Connect();
    PageUnderTest();
    QLineEdit* ssid = Edit(Dialog::kSsidId);
    const auto startTyping = [&](const QString& text) {
        ssid->setFocus();
        ssid->selectAll();
        QTest::keyClicks(ssid, text);
    };
    const auto report = [&](const std::string& reportedSsid) {
        state.wifi = WifiConfig{"10.0.0.9", reportedSsid, "pass1234"};
        Reply(kReplyWifi, 0);
    };

    startTyping("Stage-7");
    report("Reported");
    EXPECT_EQ(Text(Dialog::kSsidId), "Stage-7") << "the typing stays";
    EXPECT_EQ(Text(Dialog::kAddressId), "10.0.0.9") << "the fields not typed into show the report";
    EXPECT_EQ(Text(Dialog::kPasswordId), "pass1234");
    QTest::keyClick(ssid, Qt::Key_Escape);
    EXPECT_EQ(Text(Dialog::kSsidId), "Reported") << "Esc shows the report";

    // Leaving with a change keeps the typing for Apply; a later report, with the field left,
    // shows at once.
    startTyping("Mine");
    report("Other");
    Edit(Dialog::kAddressId)->setFocus();
    Drain();
    EXPECT_EQ(Text(Dialog::kSsidId), "Mine");
    report("Later");
    EXPECT_EQ(Text(Dialog::kSsidId), "Later");
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(WifiDialogTest, RendersForTheGallery) {
    state.wifi = WifiConfig{"192.168.4.1", "Stage-" + kStage, "secret12"};
    PageUnderTest();
    Reply(kReplyWifi, 0);
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "wifi_dialog");
}
#endif

} // namespace
