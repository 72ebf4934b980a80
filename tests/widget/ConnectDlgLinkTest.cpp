// The connection dialog over pseudo-terminals when the link changes by itself: a lost link, the
// automatic attempts of the search, the controls following the link, hiding and showing, the
// texts and the lamp (the fixture: ConnectDlgFixture.h).

#include "ConnectDlgFixture.h"

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

TEST_F(ConnectDlgTest, ALostLinkShowsTheDialogAndClosesThePortOnce) {
    PtyPair& pty = AddPort(12);
    for (bool hiddenByUser : {false, true}) {
        SCOPED_TRACE(hiddenByUser);
        m_dialog.reset();
        linkOwner.closed = 0;
        upgrade.Clear();
        CConnectDlg& dialog = Dialog();
        ASSERT_EQ(Send(WM_TRY_PORT, 115200, 12), 0);
        ASSERT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
        app.state.linkState = kLinkSynchronised;
        owner.link.connected = 1;
        owner.link.idle = 1;
        owner.waitShown = true;
        owner.windows[Window::UpgradeDialog] = &upgrade;
        owner.statusRedraws = 0;
        // Hidden at the end of the synchronisation, or by the operator before it ended.
        if (hiddenByUser) {
            app.state.linkState = kLinkOpen;
            Click(CBaseDialog::kCloseId);
            app.state.linkState = kLinkSynchronised;
        } else {
            dialog.ShowPage(false);
        }
        ASSERT_TRUE(dialog.isHidden());
        AddPort(20); // listed again when the dialog comes up

        Send(WM_PORT_CLOSED, 0, 0);
        EXPECT_EQ(dialog.isHidden(), hiddenByUser);
        if (!hiddenByUser) {
            EXPECT_EQ(dialog.pos(), Centred());
            EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{12, 20}));
        }
        EXPECT_FALSE(app.link.IsOpen());
        EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkClosed));
        EXPECT_EQ(owner.statusRedraws, 1);
        EXPECT_FALSE(owner.waitShown);
        EXPECT_TRUE(owner.link.idle); // the search goes on

        // The read in flight reports the close: handled again, the port is not closed twice.
        SettleClose(1);
        EXPECT_EQ(linkOwner.closed.load(), 1);
        WaitFor([&] { return upgrade.Count(WM_DEVICE_REPLY) >= 2; }, 3000);
        const auto replies = upgrade.Received(WM_DEVICE_REPLY);
        ASSERT_EQ(replies.size(), 2u);
        for (const WindowMessage& m : replies) {
            EXPECT_EQ(m.wParam, kReplyLinkLost);
            EXPECT_EQ(m.lParam, 1);
        }
        EXPECT_EQ(owner.statusRedraws, 1);
        RemovePort(20);
    }
}

TEST_F(ConnectDlgTest, AnAutomaticAttemptOpensThePortWithoutWaiting) {
    PtyPair& pty = AddPort(12);
    CConnectDlg& dialog = Dialog();
    owner.link.connected = 1;

    EXPECT_EQ(Send(WM_TRY_PORT, 115200, 40), -1); // not in the system's list
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_TRUE(dialog.isHidden());

    owner.link.idle = 0;
    EXPECT_EQ(Send(WM_TRY_PORT, 921600, 12), 0);
    EXPECT_TRUE(app.link.IsOpen());
    EXPECT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    EXPECT_EQ(OutputSpeed(pty), static_cast<speed_t>(B921600));
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkOpen));
    EXPECT_EQ(std::make_tuple(owner.link.baudRate, owner.link.connected, owner.link.idle),
              std::make_tuple(921600u, false, true));
    EXPECT_TRUE(owner.waitTexts.empty());
    EXPECT_EQ(dialog.pos(), Centred());
    EXPECT_TRUE(dialog.ShownAutomatically());
    EXPECT_EQ(app.config.comPortNum, 1u); // an automatic attempt stores nothing
}

TEST_F(ConnectDlgTest, AnAutomaticAttemptRebuildsTheListOnlyWhenTheNumberOfPortsChanged) {
    AddPort(12);
    AddPort(15);
    app.config.comPortNum = 12;
    const struct {
        const char* name;
        std::vector<int> add;
        std::vector<int> remove;
        int tried;
        std::vector<std::uint32_t> listed;
        std::uint32_t selected;
    } cases[] = {
        {"one more port", {13}, {}, 13, {12, 13, 15}, 13},
        {"as many ports as before", {14}, {12}, 14, {12, 15}, 12},
        {"one port fewer", {}, {15}, 12, {12}, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialog.reset();
        CConnectDlg& dialog = Dialog();
        ASSERT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{12, 15}));
        for (int n : c.add)
            AddPort(n);
        for (int n : c.remove)
            RemovePort(n);
        EXPECT_EQ(Send(WM_TRY_PORT, 115200, c.tried), 0);
        EXPECT_EQ(dialog.ListedPorts(), c.listed);
        EXPECT_EQ(dialog.SelectedPort(), c.selected);
        Send(WM_PORT_CLOSED, 0, 0);
        SettleClose(1);
        linkOwner.closed = 0;
        for (int n : c.add)
            RemovePort(n);
        for (int n : c.remove)
            AddPort(n);
    }
}

TEST_F(ConnectDlgTest, TheControlsFollowTheLinkState) {
    CConnectDlg& dialog = Dialog();
    const struct {
        std::uint32_t state;
        bool list, connect, disconnect;
    } cases[] = {{kLinkClosed, true, true, false},
                 {kLinkOpen, false, true, true},
                 {kLinkSynchronised, false, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        app.state.linkState = c.state;
        dialog.UpdateControls();
        EXPECT_EQ(dialog.PortList()->isEnabled(), c.list);
        EXPECT_EQ(Control(CConnectDlg::kConnectId)->isEnabled(), c.connect);
        EXPECT_EQ(Control(CConnectDlg::kDisconnectId)->isEnabled(), c.disconnect);
        EXPECT_FALSE(Control(CConnectDlg::kBaudId)->isEnabled());
    }
}

TEST_F(ConnectDlgTest, HidingRemembersWhetherTheLinkWasUp) {
    CConnectDlg& dialog = Dialog();
    const struct {
        std::uint32_t state;
        bool hiddenByUser;
    } cases[] = {{kLinkSynchronised, false}, {kLinkOpen, true}, {kLinkClosed, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        main.Clear();
        app.state.linkState = c.state;
        dialog.ShowFromStatusArea();
        EXPECT_TRUE(owner.link.openedByUser);
        Click(CBaseDialog::kCloseId);
        EXPECT_TRUE(dialog.isHidden());
        EXPECT_EQ(owner.link.hiddenByUser, c.hiddenByUser);
        EXPECT_FALSE(owner.link.openedByUser);
        Drain();
        EXPECT_EQ(main.Count(WM_CLOSE_PAGE), 0); // it only hides itself
    }
    // An automatic attempt leaves a dialog the operator hid hidden.
    AddPort(12);
    EXPECT_EQ(Send(WM_TRY_PORT, 115200, 12), 0);
    EXPECT_TRUE(dialog.isHidden());
}

TEST_F(ConnectDlgTest, TheAutoConnectTextFollowsTheSearchAndTheLanguage) {
    TempLanguage chineseLanguage("Chinese", {{"Chinese.ini", "[Setting]\nLanguage=Chinese\n"}});
    chineseLanguage.Select("Chinese");
    CConnectDlg& dialog = Dialog();
    dialog.ApplyLanguage();
    owner.link.idle = 1;
    owner.link.connected = 0;
    EXPECT_EQ(dialog.AutoConnectText(), QString::fromUtf8("自动连接..."));
    owner.link.connected = 1;
    EXPECT_TRUE(dialog.AutoConnectText().isEmpty());
    owner.link.connected = 0;
    owner.link.idle = 0;
    EXPECT_TRUE(dialog.AutoConnectText().isEmpty());

    chineseLanguage.Select("English");
    dialog.ApplyLanguage();
    owner.link.idle = 1;
    EXPECT_EQ(dialog.AutoConnectText(), "Auto connect...");
}

TEST_F(ConnectDlgTest, TheLampBlinksRedUntilConnectedThenShowsGreen) {
    CConnectDlg& dialog = Dialog();
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
    EXPECT_TRUE(WaitFor([&] { return !dialog.IsTimerActive(CConnectDlg::kTimerLamp); }, 1000));
}

#ifdef CORVANE_GALLERY_DIR
// Pictures of the dialog for the gallery: not connected and searching, and connected, in
// English and in Chinese.
TEST_F(ConnectDlgTest, RendersForTheGallery) {
    AddPort(3);
    AddPort(12);
    app.config.comPortNum = 3;
    const std::string chinese = "[Setting]\nLanguage=Chinese\n[String]\n"
                                "IDD163_Title=连接设置\nIDD163_1370=串口连接\nIDD163_1371=串口\n"
                                "IDD163_1372=波特率\nIDD163_1374=连接\nIDD163_1375=断开\n";
    for (const char* name : {"english", "chinese"}) {
        TempLanguage lang(name[0] == 'e' ? "English" : "Chinese", {{"Chinese.ini", chinese}});
        lang.Select(name[0] == 'e' ? "English" : "Chinese");
        m_dialog.reset();
        CConnectDlg& dialog = Dialog();
        dialog.ApplyLanguage();
        dialog.ShowFromStatusArea();
        const struct {
            const char* state;
            std::uint32_t linkState, connected, idle;
        } states[] = {{"unconnected", kLinkClosed, 0, 1}, {"connected", kLinkSynchronised, 1, 1}};
        for (const auto& s : states) {
            app.state.linkState = s.linkState;
            owner.link.connected = s.connected;
            owner.link.idle = s.idle;
            owner.main.redPhase = true;
            dialog.UpdateControls();
            Drain();
            const QString path = QString("%1/connect-%2-%3.png").arg(CORVANE_GALLERY_DIR, s.state, name);
            QDir().mkpath(CORVANE_GALLERY_DIR);
            EXPECT_TRUE(dialog.grab().save(path)) << path.toStdString();
        }
        app.state.linkState = kLinkClosed;
        owner.link.connected = 0;
    }
}
#endif
