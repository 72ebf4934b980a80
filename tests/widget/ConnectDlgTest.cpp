// The connection dialog over pseudo-terminals: the ports of a temporary Ports folder, a real
// application object with its link, and a main window played by a fake page context.

#include "FakePageContext.h"
#include "PtyPair.h"
#include "WidgetTestSupport.h"
#include "connection/CConnectDlg.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandFrame.h"
#include "platform/SerialFile.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "shell/Config.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "widgets/CDropButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/ValueEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

namespace {

constexpr std::uint16_t kRequestAll = 0x00AF;

// The main window as the dialog sees it: the context of the pages over a real application
// object, whose link the session opens and whose Config.ini it saves.
struct AppPort {
    explicit AppPort(CCorvaneApp& app) : port(app.link) {}
    SerialSessionPort port;
};

class AppContext : private AppPort, public FakePageContext {
public:
    explicit AppContext(CCorvaneApp& app) : AppPort(app), FakePageContext(app.state, app.config, &port) {
        onSend = [&app](const std::uint8_t* data, std::size_t length) { app.SendToDevice(data, length); };
        onSave = [&app] {
            return app.configPath.empty() || SaveConfig(app.configPath, app.config, app.state.presets);
        };
    }
};

// The main window's side of the link: a port closed under its read becomes WM_PORT_CLOSED to
// the connection dialog, sent from the I/O worker.
class ForwardingLinkOwner : public LinkOwner {
public:
    void OnDeviceRecord(const std::uint8_t*) override {}
    void OnReadBackBlock(const std::uint8_t*) override {}
    void OnPortClosed() override {
        ++closed;
        if (MessageWindow* d = dialog.load())
            SendWindowMessage(d, WM_PORT_CLOSED, 0, 0);
    }
    std::atomic<int> closed{0};
    std::atomic<MessageWindow*> dialog{nullptr};
};

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};

class ConnectDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath("Ini");
        app.configPath = (m_root.path() + "/Ini/Config.ini").toStdString();
        app.link.SetOwner(&linkOwner);
        SetSerialPortSources({ports.Path(), {}});
        main.resize(900, 600);
        main.show();
    }

    void TearDown() override {
        // Nothing of the link may still wait for the user-interface thread when the objects go.
        if (m_dialog)
            SendWindowMessage(m_dialog.get(), WM_PORT_CLOSED, 0, 0);
        WaitFor([] { return false; }, 20);
        linkOwner.dialog = nullptr;
        m_dialog.reset();
        ResetSerialPortSources();
    }

    // A pseudo-terminal listed as COM<number>.
    PtyPair& AddPort(int number) {
        auto& pty = m_ptys.emplace_back(std::make_unique<PtyPair>());
        EXPECT_TRUE(pty->Ok());
        ports.Link("COM" + std::to_string(number), pty->DevicePath());
        return *pty;
    }
    void RemovePort(int number) {
        QFile::remove(QString::fromStdString(ports.Path()) + "/COM" + QString::number(number));
    }

    CConnectDlg& Dialog() {
        if (!m_dialog) {
            m_dialog = std::make_unique<CConnectDlg>(owner, &main);
            m_dialog->Create();
            linkOwner.dialog = m_dialog.get();
        }
        return *m_dialog;
    }

    template <class W = QWidget> W* Control(int id) { return Dialog().Control<W>(id); }

    void Click(int id) { QTest::mouseClick(Control<QAbstractButton>(id), Qt::LeftButton); }

    std::intptr_t Send(std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
        return SendWindowMessage(&Dialog(), message, w, l);
    }

    // Waits for the worker's WM_PORT_CLOSED after a close, and for everything it started.
    void SettleClose(int closings) {
        EXPECT_TRUE(WaitFor([&] { return linkOwner.closed.load() >= closings; }, 3000));
        WaitFor([] { return false; }, 30);
    }

    static bool IsRequestAll(const std::vector<std::uint8_t>& bytes) {
        const Frame f = MakeFrame(kRequestAll);
        return bytes == std::vector<std::uint8_t>(f.begin(), f.end());
    }

    std::string ConfigBytes() const {
        QFile f(QString::fromStdString(app.configPath));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }

    QPoint Centred() {
        return QPoint((main.width() - Dialog().width()) / 2, (main.height() - Dialog().height()) / 2);
    }

    TempLanguage language{"English"};
    QTemporaryDir m_root;
    PortsFolder ports;
    std::vector<std::unique_ptr<PtyPair>> m_ptys;
    ForwardingLinkOwner linkOwner; // outlives the link that calls it
    CCorvaneApp app;
    AppContext owner{app};
    RecordingPage main{nullptr, CBaseDialog::Frame::FloatingWindow, 102};
    RecordingPage upgrade;
    std::unique_ptr<CConnectDlg> m_dialog;
};

speed_t OutputSpeed(const PtyPair& pty) {
    const termios settings = pty.DeviceSettings();
    return cfgetospeed(&settings);
}

std::vector<QString> Lines(const CDropButton& list) {
    std::vector<QString> lines;
    for (int i = 0; i < list.GetCount(); ++i)
        lines.push_back(list.GetText(i));
    return lines;
}

} // namespace

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
        // 10 pixels right of "Com", at its top, 80 x 22.
        const QRect label = Control(CConnectDlg::kComLabelId)->geometry();
        EXPECT_EQ(list->geometry(), QRect(label.right() + 11, label.top(), 80, 22));
        EXPECT_EQ(ControlId(list), CConnectDlg::kPortListId);
    }
}

TEST_F(ConnectDlgTest, WithoutPortsTheListShowsNaAndConnectAsksForAPort) {
    CConnectDlg& dialog = Dialog();
    EXPECT_EQ(dialog.PortList()->text(), "N/A");
    EXPECT_EQ(dialog.PortList()->GetCount(), 0);
    EXPECT_EQ(dialog.SelectedPort(), 0u);

    dialog.ShowFromStatusArea();
    MessageBoxAnswerer answerer;
    Click(CConnectDlg::kConnectId);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].title, "Connection Setting");
    EXPECT_EQ(answerer.boxes[0].message, "Please select the serial number!");
    EXPECT_FALSE(app.link.IsOpen());
    EXPECT_TRUE(owner.waitTexts.empty());

    // A port plugged in later appears with the refresh button; one that goes away leaves "N/A".
    AddPort(5);
    Click(CConnectDlg::kRefreshId);
    EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{5}));
    EXPECT_EQ(dialog.PortList()->text(), "COM5");
    RemovePort(5);
    Click(CConnectDlg::kRefreshId);
    EXPECT_EQ(dialog.PortList()->text(), "N/A");
    EXPECT_TRUE(dialog.ListedPorts().empty());
}

TEST_F(ConnectDlgTest, RefreshKeepsThePortTheOperatorChose) {
    AddPort(4);
    AddPort(6);
    app.config.comPortNum = 4;
    CConnectDlg& dialog = Dialog();
    dialog.PortList()->SetCurSel(1);
    AddPort(9);
    Click(CConnectDlg::kRefreshId);
    EXPECT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{4, 6, 9}));
    EXPECT_EQ(dialog.SelectedPort(), 6u);
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
    EXPECT_FALSE(owner.link.connected);
    EXPECT_EQ(owner.statusRedraws, 1);
    EXPECT_EQ(owner.requests, 1);
    EXPECT_FALSE(owner.link.idle);
    EXPECT_EQ(owner.link.lastPort, 12);
    EXPECT_FALSE(owner.link.openedByUser); // the end of the synchronisation hides it again

    EXPECT_FALSE(dialog.PortList()->isEnabled());
    EXPECT_TRUE(Control(CConnectDlg::kDisconnectId)->isEnabled());

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
        EXPECT_EQ(answerer.boxes[0].title, "Connection Setting");
        EXPECT_EQ(answerer.boxes[0].message,
                  "Failure to open serial port!\n" + DescribeOpenError(app.link.LastOpenError()));
        EXPECT_FALSE(app.link.IsOpen());
        EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkClosed));
        EXPECT_TRUE(owner.waitTexts.empty());
        EXPECT_TRUE(owner.link.idle);
        EXPECT_TRUE(dialog.PortList()->isEnabled());
        EXPECT_EQ(ConfigBytes(), config);
        EXPECT_EQ(app.config.comPortNum, 12u);
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
    EXPECT_EQ(owner.statusRedraws, 1);
    EXPECT_EQ(owner.hideWaits, hides + 1);
    EXPECT_FALSE(owner.link.idle);
    EXPECT_TRUE(dialog.PortList()->isEnabled());
    EXPECT_FALSE(Control(CConnectDlg::kDisconnectId)->isEnabled());
    SettleClose(1);
    EXPECT_EQ(linkOwner.closed.load(), 1);
    EXPECT_EQ(upgrade.Count(WM_DEVICE_REPLY), 0); // the upgrade dialog hears of lost links only

    // The read in flight reports the close; handling it leaves the search stopped.
    Send(WM_PORT_CLOSED, 0, 0);
    EXPECT_FALSE(owner.link.idle);
    EXPECT_TRUE(dialog.isVisible());
}

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
        EXPECT_FALSE(owner.link.connected);
        EXPECT_EQ(owner.statusRedraws, 1);
        EXPECT_FALSE(owner.waitShown);
        EXPECT_TRUE(owner.link.idle); // the search goes on
        EXPECT_TRUE(dialog.PortList()->isEnabled());

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
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkClosed));
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_TRUE(owner.link.connected);

    owner.link.idle = 0;
    EXPECT_EQ(Send(WM_TRY_PORT, 921600, 12), 0);
    EXPECT_TRUE(app.link.IsOpen());
    EXPECT_TRUE(IsRequestAll(pty.Receive(kFrameSize, 2000ms)));
    EXPECT_EQ(OutputSpeed(pty), static_cast<speed_t>(B921600));
    EXPECT_EQ(app.state.linkState, static_cast<std::uint32_t>(kLinkOpen));
    EXPECT_EQ(owner.link.baudRate, 921600u);
    EXPECT_FALSE(owner.link.connected);
    EXPECT_EQ(owner.statusRedraws, 1);
    EXPECT_TRUE(owner.link.idle);
    EXPECT_TRUE(owner.waitTexts.empty());
    EXPECT_FALSE(dialog.isHidden());
    EXPECT_EQ(dialog.pos(), Centred());
    EXPECT_TRUE(dialog.ShownAutomatically());
    EXPECT_FALSE(dialog.PortList()->isEnabled());
    EXPECT_TRUE(Control(CConnectDlg::kDisconnectId)->isEnabled());
    EXPECT_EQ(app.config.comPortNum, 1u); // an automatic attempt stores nothing
}

TEST_F(ConnectDlgTest, AnAutomaticAttemptRebuildsTheListOnlyWhenTheNumberOfPortsChanged) {
    AddPort(12);
    app.config.comPortNum = 12;
    const struct {
        const char* name;
        std::vector<int> add;
        std::vector<int> remove;
        int tried;
        std::vector<std::uint32_t> listed;
        std::uint32_t selected;
    } cases[] = {
        {"one more port", {13}, {}, 13, {12, 13}, 13},
        {"as many ports as before", {14}, {12}, 14, {12}, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialog.reset();
        CConnectDlg& dialog = Dialog();
        ASSERT_EQ(dialog.ListedPorts(), (std::vector<std::uint32_t>{12}));
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

TEST_F(ConnectDlgTest, AnAttemptLeavesADialogTheOperatorHidHidden) {
    AddPort(12);
    CConnectDlg& dialog = Dialog();
    dialog.ShowFromStatusArea();
    Click(CBaseDialog::kCloseId);
    ASSERT_TRUE(owner.link.hiddenByUser);
    EXPECT_EQ(Send(WM_TRY_PORT, 115200, 12), 0);
    EXPECT_TRUE(dialog.isHidden());
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
    } cases[] = {{kLinkClosed, true}, {kLinkOpen, true}, {kLinkSynchronised, false}};
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
}

TEST_F(ConnectDlgTest, OpeningFromTheStatusAreaShowsItCentredAndKeepsItOpen) {
    CConnectDlg& dialog = Dialog();
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_FALSE(dialog.ShownAutomatically());
    dialog.ShowPage(true);
    EXPECT_TRUE(dialog.ShownAutomatically());
    Click(CBaseDialog::kCloseId);
    ASSERT_TRUE(owner.link.hiddenByUser);

    dialog.ShowFromStatusArea();
    EXPECT_FALSE(dialog.isHidden());
    EXPECT_EQ(dialog.pos(), Centred());
    EXPECT_FALSE(owner.link.hiddenByUser);
    EXPECT_TRUE(owner.link.openedByUser);
    EXPECT_FALSE(dialog.ShownAutomatically());
}

TEST_F(ConnectDlgTest, TheEndOfASynchronisationSelectsItsPort) {
    AddPort(3);
    AddPort(8);
    app.config.comPortNum = 3;
    CConnectDlg& dialog = Dialog();
    Send(WM_DEVICE_REPLY, 0, 8);
    EXPECT_EQ(dialog.SelectedPort(), 8u);
    Send(WM_DEVICE_REPLY, 0, 30); // not listed: the selection stays
    EXPECT_EQ(dialog.SelectedPort(), 8u);
}

TEST_F(ConnectDlgTest, TextsFollowTheLanguage) {
    const std::string chinese = "[Setting]\nLanguage=Chinese\n[String]\n"
                                "IDD163_Title=连接设置\nIDD163_1370=串口连接\nIDD163_1371=串口\n"
                                "IDD163_1372=波特率\nIDD163_1374=连接\nIDD163_1375=断开\n";
    TempLanguage chineseLanguage("Chinese", {{"Chinese.ini", chinese}});
    chineseLanguage.Select("Chinese");
    CConnectDlg& dialog = Dialog();
    dialog.ApplyLanguage();
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("连接设置"));
    EXPECT_EQ(dialog.findChild<CGroupBox*>()->title(), QString::fromUtf8("串口连接"));
    EXPECT_EQ(Control<QLabel>(CConnectDlg::kBaudLabelId)->text(), QString::fromUtf8("波特率"));
    EXPECT_EQ(Control<QAbstractButton>(CConnectDlg::kDisconnectId)->text(), QString::fromUtf8("断开"));

    owner.link.idle = 1;
    owner.link.connected = 0;
    EXPECT_EQ(dialog.AutoConnectText(), QString::fromUtf8("自动连接..."));
    owner.link.connected = 1;
    EXPECT_TRUE(dialog.AutoConnectText().isEmpty());
    owner.link.connected = 0;
    owner.link.idle = 0;
    EXPECT_TRUE(dialog.AutoConnectText().isEmpty());

    chineseLanguage.Select("English"); // no English.ini: the template's texts come back
    dialog.ApplyLanguage();
    EXPECT_EQ(dialog.windowTitle(), "Connection Setting");
    EXPECT_EQ(Control<QAbstractButton>(CConnectDlg::kDisconnectId)->text(), "DisConnect");
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
    PaintCounter paints(dialog);

    // Not connected: the red square with its diagonals in the red phase, nothing in the other,
    // drawn again every 300 ms.
    owner.main.redPhase = true;
    EXPECT_GT(count(red), 2 * lamp.width());
    EXPECT_EQ(count(green), 0);
    owner.main.redPhase = false;
    EXPECT_EQ(count(red), 0);
    paints.count = 0;
    WaitFor([&] { return paints.count >= 2; }, 1000);
    EXPECT_GE(paints.count, 2);

    // Connected: green, and no more drawing by the timer.
    owner.link.connected = 1;
    dialog.UpdateControls();
    EXPECT_EQ(count(green), lamp.width() * lamp.height());
    EXPECT_TRUE(WaitFor([&] { return !dialog.IsTimerActive(CConnectDlg::kTimerLamp); }, 1000));
    Drain();
    paints.count = 0;
    WaitFor([] { return false; }, CConnectDlg::kLampPeriodMs.count() + 100);
    EXPECT_EQ(paints.count, 0);
    EXPECT_FALSE(dialog.IsTimerActive(CConnectDlg::kTimerLamp));
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
