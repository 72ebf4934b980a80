// The connection dialog over pseudo-terminals when the link changes by itself: a lost link, the
// automatic attempts of the search, hiding and showing, the lamp and the text beside it (the fixture:
// ConnectDlgFixture.h; the rules: PortListRulesTest.cpp).

#include "ConnectDlgFixture.h"

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

// The dialog hidden at the end of the synchronisation comes up; hidden by the operator it stays
// hidden (PortListRulesTest; the hiding itself: HidingRemembersWhetherTheLinkWasUp).
TEST_F(ConnectDlgTest, ALostLinkShowsTheDialogWithThePortInUseAndClosesThePortOnce) {
    PtyPair& pty = AddPort(12);
    AddPort(20);
    app.config.comPortNum = 20; // selected; COM12 is the port the search opens
    CConnectDlg& dialog = Dialog();
    ASSERT_EQ(Send(WM_TRY_PORT, 115200, 12), 0);
    ASSERT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    app.state.linkState = kLinkSynchronised;
    owner.link.connected = 1;
    owner.link.idle = 1;
    owner.windows[Window::UpgradeDialog] = &upgrade;
    dialog.ShowPage(false);
    AddPort(30); // listed when the dialog comes up

    Send(WM_PORT_CLOSED, 0, 0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.pos(), Centred());
    EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{12, 20, 30}));
    EXPECT_EQ(dialog.SelectedPort(), 12u) << "the port that was in use";
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_TRUE(owner.link.idle); // the search goes on

    // The read in flight reports the close: handled again, the port is not closed twice.
    SettleClose(1);
    EXPECT_EQ(linkOwner.closed.load(), 1);
    // The upgrade dialog hears of it at each (the session's reply, tested with the session).
    EXPECT_TRUE(WaitFor([&] { return upgrade.Count(WM_DEVICE_REPLY) == 2; }, 3000));
}

TEST_F(ConnectDlgTest, AnAutomaticAttemptOpensThePortWithoutWaitingAndListsItWhenNew) {
    AddPort(12);
    CConnectDlg& dialog = Dialog();
    owner.link.connected = 1;
    PtyPair& pty = AddPort(13); // after the list was made

    EXPECT_EQ(Send(WM_TRY_PORT, 115200, 40), -1); // not in the system's list
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_TRUE(dialog.isHidden());

    owner.link.idle = 0;
    EXPECT_EQ(Send(WM_TRY_PORT, 921600, 13), 0);
    EXPECT_TRUE(app.link.IsOpen());
    EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{12, 13}));
    EXPECT_EQ(dialog.SelectedPort(), 13u);
    EXPECT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    EXPECT_EQ(OutputSpeed(pty), static_cast<speed_t>(B921600));
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkOpen));
    EXPECT_TRUE(owner.waitTexts.empty());
    EXPECT_EQ(dialog.pos(), Centred());
    EXPECT_TRUE(dialog.ShownAutomatically());
    EXPECT_EQ(app.config.comPortNum, 1u); // an automatic attempt stores nothing
}

TEST_F(ConnectDlgTest, HidingRemembersWhetherTheLinkWasUp) {
    CConnectDlg& dialog = Dialog();
    app.state.linkState = kLinkOpen;
    dialog.ShowFromStatusArea();
    EXPECT_TRUE(owner.link.openedByUser);
    Click(CBaseDialog::kCloseId);
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_TRUE(owner.link.hiddenByUser);
    EXPECT_FALSE(owner.link.openedByUser);
    Drain();
    EXPECT_EQ(main.Count(WM_CLOSE_PAGE), 0); // it only hides itself
    // An automatic attempt and a lost link leave a dialog the operator hid hidden.
    AddPort(12);
    EXPECT_EQ(Send(WM_TRY_PORT, 115200, 12), 0);
    EXPECT_TRUE(dialog.isHidden());
    Send(WM_PORT_CLOSED, 0, 0);
    EXPECT_TRUE(dialog.isHidden());
    SettleClose(1);
}

// Below the buttons: the lamp, and "Auto connect..." in the language chosen while the search runs.
TEST_F(ConnectDlgTest, TheLampBlinksRedUntilConnectedThenShowsGreenBesideTheSearchsText) {
    TempLanguage chineseLanguage("Chinese", {{"Chinese.ini", "[Setting]\nLanguage=Chinese\n"}});
    chineseLanguage.Select("Chinese");
    CConnectDlg& dialog = Dialog();
    dialog.ApplyLanguage();
    owner.link.idle = 1;
    EXPECT_EQ(dialog.AutoConnectText(), QString::fromUtf8("自动连接..."));
    chineseLanguage.Select("English");
    dialog.ApplyLanguage();
    EXPECT_EQ(dialog.AutoConnectText(), "Auto connect...");
    dialog.ShowFromStatusArea();
    const QRect lamp = dialog.LampRect();
    auto count = [&](auto match) {
        const QImage shot = dialog.grab(lamp).toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                n += match(QColor(shot.pixel(x, y)));
        return n;
    };
    auto red = [](const QColor& c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; };
    auto green = [](const QColor& c) { return c == QColor(0, 255, 0); };

    // Not connected: the red square with its diagonals in the red phase, nothing in the other.
    owner.main.redPhase = true;
    EXPECT_GT(count(red), 2 * lamp.width());
    EXPECT_EQ(count(green), 0);
    owner.main.redPhase = false;
    EXPECT_EQ(count(red), 0);
    EXPECT_TRUE(dialog.IsTimerActive(CConnectDlg::kTimerLamp)) << "the blink's timer runs";

    // Connected: green, and no more drawing by the timer.
    owner.link.connected = 1;
    dialog.UpdateControls();
    EXPECT_EQ(count(green), lamp.width() * lamp.height());
    EXPECT_TRUE(dialog.AutoConnectText().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return !dialog.IsTimerActive(CConnectDlg::kTimerLamp); }, 1000));
}

// Pictures of the dialog for the gallery: not connected and searching, and connected, in
// English and in Chinese.
TEST_F(ConnectDlgTest, RendersForTheGallery) {
    AddPort(3);
    AddPort(12);
    app.config.comPortNum = 3;
    CConnectDlg& dialog = Dialog();
    dialog.ShowFromStatusArea();
    owner.main.redPhase = true;
    owner.link.idle = 1;
    auto state = [&](std::uint32_t linkState, std::uint32_t connected) {
        return [this, linkState, connected](bool) {
            app.state.linkState = linkState;
            owner.link.connected = connected;
            Dialog().UpdateControls();
        };
    };
    RenderForGallery(dialog, CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "connect",
                     {{"-unconnected", state(kLinkClosed, 0)}, {"-connected", state(kLinkSynchronised, 1)}});
    app.state.linkState = kLinkClosed;
}
