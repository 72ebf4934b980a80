// The misc page with real mouse events and the real message dialog: the language choice, the
// device name and versions, the backup switch, the factory reset (and the restart the search
// then waits for), loading the state again, the upgrade dialog opened once only, and the
// WiFi configuration shown centred. The main window is played by the fake context.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/LinkSupervision.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/CWificonfigDlg.h"
#include "misc/MiscFrames.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "shell/Language.h"
#include "upgrade/CUpdataDlg.h"
#include "widgets/CGdipButton.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CMiscDlg;

const QColor kOrangeText(239, 156, 0);
const QColor kInactiveText(235, 235, 235);

class MiscPageTest : public PageFixture<CMiscDlg> {
protected:
    void Click(int id) { ClickAndDrain(Button(id)); }
    std::vector<WindowMessage> LanguageMessages() { return context.main.Received(WM_SET_LANGUAGE); }

    TempLanguage language{"English"};
};

TEST_F(MiscPageTest, OpensWithTheDeviceNameTheVersionsAndTheLanguageAndKeepsTheFiveSmallButtonsHidden) {
    Page& page = PageUnderTest();
    EXPECT_EQ(Control(Page::kDeviceNameId)->text(), "QLM-Z3");
    EXPECT_EQ(Control(Page::kVersionId)->text(), "Ver : 00 - 0000") << "the versions the state holds";
    for (int id = Page::kHiddenFirstId; id <= Page::kHiddenLastId; ++id)
        EXPECT_FALSE(Button(id)->isVisibleTo(&page)) << id;
    EXPECT_EQ(Button(Page::kEnglishId)->TextColour(), kOrangeText) << "the language in use";
    EXPECT_EQ(Button(Page::kChineseId)->TextColour(), kInactiveText);
    EXPECT_TRUE(NamelessControls(&page).empty());
    // The version line follows the processor's record.
    state.verPrimary = "0201";
    state.verSecondary = "0403";
    Reply(kReplyVersions, 1);
    EXPECT_EQ(Control(Page::kVersionId)->text(), "Ver : 0201 - 0403");

    // The other language is asked for once; the language in use sends nothing.
    Click(Page::kEnglishId);
    Click(Page::kChineseId);
    ASSERT_EQ(LanguageMessages().size(), 1u);
    EXPECT_EQ(LanguageMessages()[0].wParam, 1u);
    EXPECT_EQ(languageCtrlId, kLanguageCtrlChinese);
    EXPECT_EQ(Button(Page::kChineseId)->TextColour(), kOrangeText);
    EXPECT_EQ(Button(Page::kEnglishId)->TextColour(), kInactiveText);
    Click(Page::kChineseId);
    EXPECT_EQ(LanguageMessages().size(), 1u) << "the chosen language again sends nothing";
    EXPECT_TRUE(context.sent.empty());
}

TEST_F(MiscPageTest, WithoutTheLinkBackupAndGetDataAskForTheSerialThenTheSwitchSendsAndGetDataWaits) {
    state.linkState = kLinkOpen;
    state.crop.inputBackup = 0;
    PageUnderTest();
    for (int id : {Page::kBackupId, Page::kGetDataId}) {
        SCOPED_TRACE(id);
        MessageBoxAnswerer answerer;
        Click(id);
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");
    }
    EXPECT_EQ(state.crop.inputBackup, 0);
    EXPECT_FALSE(Button(Page::kBackupId)->isChecked()) << "the switch shows what the processor has";
    EXPECT_TRUE(context.sent.empty());
    EXPECT_TRUE(context.waitTexts.empty());
    EXPECT_EQ(context.requests, 0);

    Connect();
    Click(Page::kBackupId);
    Drain(); // the command is posted to the page
    EXPECT_EQ(state.crop.inputBackup, 1);
    EXPECT_TRUE(Button(Page::kBackupId)->isChecked());
    Click(Page::kBackupId);
    Drain();
    EXPECT_EQ(context.sent, (std::vector<Frame>{BuildInputBackupFrame(1), BuildInputBackupFrame(0)}));
    EXPECT_FALSE(Button(Page::kBackupId)->isChecked());
    // The processor reports it on: the switch follows.
    state.crop.inputBackup = 1;
    Reply(kReplyCrop, 0);
    EXPECT_TRUE(Button(Page::kBackupId)->isChecked());
    EXPECT_TRUE(PageUnderTest().BackupShown());

    // "Get Data From Machine" waits for the whole state.
    Click(Page::kGetDataId);
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Getting Data From Desitination..."});
    EXPECT_EQ(context.requests, 1);
}

// The steps and the port opened again while the box is shown: FactoryResetTest.
TEST_F(MiscPageTest, FactoryResetSendsTheCommandTellsTheOperatorClosesThePortAndAwaitsTheRestart) {
    Connect();
    context.link.lastPort = 4;
    context.link.baudRate = 921600;
    PageUnderTest();
    RecordingPage connect;
    context.windows[Window::ConnectDialog] = &connect;
    MessageBoxAnswerer answerer; // YES, then OK
    Click(Page::kResetId);
    ASSERT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(answerer.boxes[1].message, "Restart The Machine");
    EXPECT_EQ(context.sent, std::vector<Frame>{BuildFactoryResetFrame()});
    EXPECT_EQ(connect.Count(WM_PORT_CLOSED), 1);
    EXPECT_EQ(std::tie(context.link.restartPort, context.link.restartBaud, context.link.restartTicks),
              std::make_tuple(4, 921600u, kRestartSearchTicks));
}

TEST_F(MiscPageTest, TheUpgradeDialogOpensModallyAndOnceOnly) {
    Page& page = PageUnderTest();
    auto openDialogs = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CUpdataDlg*>(w); d && d->isVisible())
                ++n;
        return n;
    };
    Click(Page::kUpgradeId);
    Drain();
    ASSERT_TRUE(page.UpgradeOpen());
    EXPECT_EQ(openDialogs(), 1);
    auto* dialog = dynamic_cast<CUpdataDlg*>(context.WindowOf(Window::UpgradeDialog));
    ASSERT_NE(dialog, nullptr) << "the open dialog is the upgrade window";
    EXPECT_TRUE(dialog->isModal());
    // The processor's boot loader announces itself, and the operator clicks again: nothing more.
    SendWindowMessage(&page, WM_OPEN_UPGRADE, 0, 0);
    SendWindowMessage(&page, WM_COMMAND, MakeWParam(Page::kUpgradeId, BN_CLICKED), 0);
    Drain();
    EXPECT_EQ(openDialogs(), 1);
    // Closed with nothing running, it closes at once and is gone as a window.
    SendWindowMessage(dialog, WM_COMMAND, MakeWParam(CBaseDialog::kCloseId, BN_CLICKED), 0);
    Drain();
    EXPECT_FALSE(page.UpgradeOpen());
    EXPECT_EQ(context.WindowOf(Window::UpgradeDialog), nullptr);
    EXPECT_EQ(openDialogs(), 0);
}

TEST_F(MiscPageTest, WifiConfigureShowsTheWifiDialogCentredWhenHidden) {
    QWidget owner;
    owner.resize(1000, 700);
    CWificonfigDlg wifi(context, &owner);
    wifi.Create();
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    context.windows[Window::WifiDialog] = &wifi;
    PageUnderTest();
    EXPECT_FALSE(wifi.isVisible());
    Click(Page::kWifiId);
    EXPECT_TRUE(wifi.isVisible());
    EXPECT_LE(std::abs(wifi.geometry().center().x() - owner.rect().center().x()), 1) << "centred";
    EXPECT_LE(std::abs(wifi.geometry().center().y() - owner.rect().center().y()), 1);
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(MiscPageTest, RendersForTheGallery) {
    state.verPrimary = "0102";
    state.verSecondary = "2026";
    state.crop.inputBackup = 1;
    PageUnderTest();
    Reply(kReplyVersions, 0);
    Reply(kReplyCrop, 0);
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "misc_page");
}
#endif

} // namespace
