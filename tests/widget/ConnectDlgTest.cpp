// The connection dialog over pseudo-terminals: the ports of a temporary Ports folder, a real
// application object with its link, and a main window played by a fake page context.
// (Its list, Connect, a failed open and DisConnect here; the lost link, the automatic attempts,
// hiding, the text and the lamp: ConnectDlgLinkTest.cpp; the rules: PortListRulesTest.cpp.)

#include "ConnectDlgFixture.h"

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

// Without ports: "N/A", and Connect asks for a port; the ports plugged in later appear with the
// refresh button, the configured one selected; the end of a synchronisation selects its port.
TEST_F(ConnectDlgTest, ListsThePortsOrNaAndConnectWithoutOneAsksForAPort) {
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

    AddPort(12);
    AddPort(3);
    app.config.comPortNum = 12;
    Click(CConnectDlg::kRefreshId);
    CDropButton* list = dialog.PortList();
    EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{3, 12}));
    EXPECT_EQ(std::make_pair(list->GetText(0), list->GetText(1)),
              std::make_pair(QString("COM3"), QString("COM12")));
    EXPECT_EQ(list->text(), "COM12") << "the configured port";
    Send(WM_DEVICE_REPLY, 0, 3);
    EXPECT_EQ(dialog.SelectedPort(), 3u);
    Send(WM_DEVICE_REPLY, 0, 30); // not listed: the selection stays
    EXPECT_EQ(dialog.SelectedPort(), 3u);
}

// Connect at a configured rate outside the search's rates, Connect again while the port is
// open, DisConnect.
TEST_F(ConnectDlgTest, ConnectOpensAtTheConfiguredRateStoresTheChoiceAndDisconnectCloses) {
    PtyPair& pty = AddPort(12);
    PtyPair& second = AddPort(13);
    app.config.comPortNum = 12;
    app.config.comBaudRate = 57600;
    CConnectDlg& dialog = Dialog();
    EXPECT_EQ(dialog.findChild<oRealEdit*>()->GetValue(), 57600.0f);
    dialog.ShowFromStatusArea();
    Click(CConnectDlg::kConnectId);
    ASSERT_TRUE(app.link.IsOpen());
    EXPECT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    EXPECT_EQ(OutputSpeed(pty), static_cast<speed_t>(B57600));
    EXPECT_EQ(owner.waitTexts, std::vector<std::string>{"Getting Data From Desitination..."});
    EXPECT_FALSE(dialog.PortList()->isEnabled());
    EXPECT_TRUE(Control(CConnectDlg::kDisconnectId)->isEnabled());
    Config stored;
    PresetSlots presets;
    ASSERT_TRUE(LoadConfig(app.configPath, stored, presets));
    EXPECT_EQ(std::tie(stored.comPortNum, stored.comBaudRate), std::make_tuple(12u, 57600u)) << "not clamped";
    const std::string config = ConfigBytes();

    // Again while open: the state is requested again on the same port, nothing is stored.
    app.state.linkState = kLinkSynchronised;
    dialog.PortList()->SetCurSel(1); // another line chosen meanwhile: not opened
    Click(CConnectDlg::kConnectId);
    EXPECT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    EXPECT_EQ(owner.waitTexts.size(), 2u);
    EXPECT_TRUE(second.Receive(1, 50ms).empty());
    EXPECT_EQ(linkOwner.closed.load(), 0); // never closed for a new opening
    EXPECT_EQ(ConfigBytes(), config);

    owner.link.idle = 1;
    owner.windows[Window::UpgradeDialog] = &upgrade;
    linkOwner.dialog = nullptr; // the main window's WM_PORT_CLOSED comes later, by hand
    Click(CConnectDlg::kDisconnectId);
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_FALSE(owner.link.idle) << "DisConnect stops the search";
    SettleClose(1);
    EXPECT_EQ(upgrade.Count(WM_DEVICE_REPLY), 0); // the upgrade dialog hears of lost links only
    // The read in flight reports the close; handling it leaves the search stopped.
    Send(WM_PORT_CLOSED, 0, 0);
    EXPECT_FALSE(owner.link.idle);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(ConnectDlgTest, AFailedOpenNamesTheCauseAndLeavesConfigIniAlone) {
    PtyPair& pty = AddPort(12);
    app.config.comPortNum = 12;
    ASSERT_TRUE(SaveConfig(app.configPath, app.config, app.state.presets));
    Dialog().ShowFromStatusArea();
    const std::string config = ConfigBytes();
    // Another program holds the port.
    SerialFile other;
    ASSERT_EQ(other.Open(pty.DevicePath(), SerialSettings{}).failure, SerialOpenFailure::None);
    MessageBoxAnswerer answerer;
    Click(CConnectDlg::kConnectId);
    EXPECT_EQ(app.link.LastOpenError().failure, SerialOpenFailure::Busy);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].message,
              "Failure to open serial port!\n" + DescribeOpenError(app.link.LastOpenError()));
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkClosed));
    EXPECT_TRUE(owner.waitTexts.empty());
    EXPECT_EQ(ConfigBytes(), config);
}
