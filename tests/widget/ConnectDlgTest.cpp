// The connection dialog over pseudo-terminals: the ports of a temporary Ports folder, a real
// application object with its link, and a main window played by a fake page context.
// (Its list, Connect, a failed open and DisConnect here; the lost link, the automatic attempts,
// the states, the texts and the lamp: ConnectDlgLinkTest.cpp.)

#include "ConnectDlgFixture.h"

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

TEST_F(ConnectDlgTest, ListsThePortsAndSelectsTheConfiguredOne) {
    AddPort(12);
    AddPort(3);
    const struct {
        std::uint32_t comPortNum;
        std::uint32_t selected;
    } cases[] = {{12, 12}, {3, 3}, {7, 3}}; // a port no longer present: the first line
    for (const auto& c : cases) {
        SCOPED_TRACE(c.comPortNum);
        app.config.comPortNum = c.comPortNum;
        m_dialog.reset();
        CConnectDlg& dialog = Dialog();
        CDropButton* list = dialog.PortList();
        EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{3, 12}));
        EXPECT_EQ(Lines(*list), (std::vector<QString>{"COM3", "COM12"}));
        EXPECT_EQ(dialog.SelectedPort(), c.selected);
        EXPECT_EQ(list->text(), QString("COM%1").arg(c.selected));
    }
    // The end of a synchronisation selects its port; a port not listed leaves the selection.
    Send(WM_DEVICE_REPLY, 0, 12);
    EXPECT_EQ(Dialog().SelectedPort(), 12u);
    Send(WM_DEVICE_REPLY, 0, 30);
    EXPECT_EQ(Dialog().SelectedPort(), 12u);
}

TEST_F(ConnectDlgTest, WithoutPortsTheListShowsNaAndConnectAsksForAPort) {
    CConnectDlg& dialog = Dialog();
    EXPECT_EQ(dialog.PortList()->text(), "N/A");
    EXPECT_EQ(dialog.SelectedPort(), 0u);

    dialog.ShowFromStatusArea();
    MessageBoxAnswerer answerer;
    Click(CConnectDlg::kConnectId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].message, "Please select the serial number!");
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_TRUE(owner.waitTexts.empty());

    // A port plugged in later appears with the refresh button.
    AddPort(5);
    Click(CConnectDlg::kRefreshId);
    EXPECT_EQ(dialog.PortList()->text(), "COM5");
}

TEST_F(ConnectDlgTest, ConnectOpensTheSelectedPortRequestsTheStateAndStoresTheChoice) {
    PtyPair& pty = AddPort(12);
    AddPort(13);
    app.config.comPortNum = 12;
    app.config.comBaudRate = 921600;
    owner.link.connected = 1;
    owner.link.idle = 1;
    CConnectDlg& dialog = Dialog();
    EXPECT_EQ(dialog.findChild<oRealEdit*>()->GetValue(), 921600.0f);
    dialog.ShowFromStatusArea();
    Click(CConnectDlg::kConnectId);

    EXPECT_TRUE(app.link.IsOpen());
    EXPECT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    EXPECT_EQ(OutputSpeed(pty), static_cast<speed_t>(B921600));
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkOpen));
    EXPECT_EQ(owner.link.baudRate, 921600u);
    EXPECT_EQ(owner.waitTexts, std::vector<std::string>{"Getting Data From Desitination..."});
    // Not connected before the state is in, the search stopped, the port kept; the end of the
    // synchronisation hides the dialog again.
    EXPECT_EQ(std::make_tuple(owner.link.connected, owner.requests, owner.link.idle, owner.link.lastPort,
                              owner.link.openedByUser),
              std::make_tuple(false, 1, false, 12, false));
    EXPECT_FALSE(dialog.PortList()->isEnabled());

    Config stored;
    PresetSlots presets;
    ASSERT_TRUE(LoadConfig(app.configPath, stored, presets));
    EXPECT_EQ(stored.comPortNum, 12u);
    EXPECT_EQ(stored.comBaudRate, 921600u);
}

TEST_F(ConnectDlgTest, AConfiguredRateOutsideTheSearchsRatesIsShownUsedAndKeptAsItIs) {
    for (const std::uint32_t rate : {57600u, 1500000u}) {
        SCOPED_TRACE(rate);
        PtyPair& pty = AddPort(12);
        app.config.comPortNum = 12;
        app.config.comBaudRate = rate;
        m_dialog.reset();
        CConnectDlg& dialog = Dialog();
        EXPECT_EQ(dialog.findChild<oRealEdit*>()->GetValue(), static_cast<float>(rate));
        Click(CConnectDlg::kConnectId);
        ASSERT_TRUE(app.link.IsOpen());
        EXPECT_EQ(OutputSpeed(pty), static_cast<speed_t>(rate == 57600u ? B57600 : B1500000));
        EXPECT_EQ(owner.link.baudRate, rate);
        Config stored;
        PresetSlots presets;
        ASSERT_TRUE(LoadConfig(app.configPath, stored, presets));
        EXPECT_EQ(stored.comBaudRate, rate) << "saved as configured, not clamped";
        const int closings = linkOwner.closed.load() + 1;
        Click(CConnectDlg::kDisconnectId);
        SettleClose(closings);
        RemovePort(12);
    }
}

TEST_F(ConnectDlgTest, ARebuiltListShowsThePortInUse) {
    AddPort(12);
    AddPort(20);
    app.config.comPortNum = 12;
    CConnectDlg& dialog = Dialog();
    ASSERT_EQ(dialog.SelectedPort(), 12u);
    // The search opens COM20; the number of ports did not change, so the list stays as it was.
    ASSERT_EQ(Send(WM_TRY_PORT, 115200, 20), 0);
    EXPECT_EQ(dialog.SelectedPort(), 12u);

    Click(CConnectDlg::kRefreshId);
    EXPECT_EQ(dialog.SelectedPort(), 20u) << "the port in use, not the first line";

    // The link is lost while the dialog is hidden: it comes up listing the port that was in use.
    dialog.ShowPage(false);
    Send(WM_PORT_CLOSED, 0, 0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.SelectedPort(), 20u);
    SettleClose(1);

    // With no port open the operator's choice counts again.
    dialog.PortList()->SetCurSel(0);
    Click(CConnectDlg::kRefreshId);
    EXPECT_EQ(dialog.SelectedPort(), 12u);
}

TEST_F(ConnectDlgTest, ConnectWhileAPortIsOpenOnlyRequestsTheStateAgain) {
    PtyPair& first = AddPort(12);
    PtyPair& second = AddPort(13);
    app.config.comPortNum = 12;
    CConnectDlg& dialog = Dialog();
    dialog.ShowFromStatusArea();
    Click(CConnectDlg::kConnectId);
    ASSERT_TRUE(IsRequestAll(first.Receive(kFrameSize, 2000ms)));
    const std::string config = ConfigBytes();

    for (std::uint32_t state : {kLinkOpen, kLinkSynchronised}) {
        SCOPED_TRACE(state);
        app.state.linkState = state;
        owner.link.idle = 1;
        dialog.PortList()->SetCurSel(1); // another line chosen meanwhile: not opened
        Click(CConnectDlg::kConnectId);
        EXPECT_TRUE(IsRequestAll(first.Receive(kFrameSize, 2000ms)));
        EXPECT_EQ(app.state.linkState, state);
        EXPECT_FALSE(owner.link.idle);
        EXPECT_EQ(owner.waitTexts.back(), "Getting Data From Desitination...");
    }
    EXPECT_EQ(owner.waitTexts.size(), 3u);
    EXPECT_TRUE(second.Receive(1, 50ms).empty());
    EXPECT_EQ(linkOwner.closed.load(), 0); // never closed for a new opening
    EXPECT_EQ(ConfigBytes(), config);
}

TEST_F(ConnectDlgTest, AFailedOpenNamesTheCauseAndLeavesConfigIniAlone) {
    PtyPair& pty = AddPort(12);
    AddPort(14);
    app.config.comPortNum = 12;
    ASSERT_TRUE(SaveConfig(app.configPath, app.config, app.state.presets));
    CConnectDlg& dialog = Dialog();
    dialog.ShowFromStatusArea();
    const std::string config = ConfigBytes();

    // Busy: another program holds the port. Gone: the port vanished after the list was made.
    SerialFile other;
    ASSERT_EQ(other.Open(pty.DevicePath(), SerialSettings{}).failure, SerialOpenFailure::None);
    RemovePort(14);
    const struct {
        int line;
        SerialOpenFailure failure;
    } cases[] = {{0, SerialOpenFailure::Busy}, {1, SerialOpenFailure::NoSuchPort}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        dialog.PortList()->SetCurSel(c.line);
        MessageBoxAnswerer answerer;
        Click(CConnectDlg::kConnectId);
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(app.link.LastOpenError().failure, c.failure);
        EXPECT_EQ(answerer.boxes[0].message,
                  "Failure to open serial port!\n" + DescribeOpenError(app.link.LastOpenError()));
        EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkClosed));
        EXPECT_TRUE(owner.waitTexts.empty());
        EXPECT_TRUE(owner.link.idle);
        EXPECT_EQ(ConfigBytes(), config);
    }
}

TEST_F(ConnectDlgTest, DisconnectClosesThePortAndStopsTheSearch) {
    AddPort(12);
    CConnectDlg& dialog = Dialog();
    dialog.ShowFromStatusArea();
    Click(CConnectDlg::kConnectId);
    ASSERT_TRUE(app.link.IsOpen());
    app.state.linkState = kLinkSynchronised;
    owner.link.connected = 1;
    owner.link.idle = 1;
    owner.windows[Window::UpgradeDialog] = &upgrade;
    const int hides = owner.hideWaits;
    linkOwner.dialog = nullptr; // the main window's WM_PORT_CLOSED comes later, by hand

    Click(CConnectDlg::kDisconnectId);
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkClosed));
    EXPECT_FALSE(owner.link.connected);
    EXPECT_EQ(owner.hideWaits, hides + 1);
    EXPECT_FALSE(owner.link.idle);
    SettleClose(1);
    EXPECT_EQ(linkOwner.closed.load(), 1);
    EXPECT_EQ(upgrade.Count(WM_DEVICE_REPLY), 0); // the upgrade dialog hears of lost links only

    // The read in flight reports the close; handling it leaves the search stopped.
    Send(WM_PORT_CLOSED, 0, 0);
    EXPECT_FALSE(owner.link.idle);
    EXPECT_TRUE(dialog.isVisible());
}
