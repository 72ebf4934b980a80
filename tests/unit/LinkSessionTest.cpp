// The link session without a user interface: a fake port and a host that records every effect.

#include "device/LinkSession.h"

#include "RecordingHost.h"
#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using corvane::test::Effects;
using corvane::test::RecordingHost;

namespace {

class FakePort : public SessionPort {
public:
    bool Open(int port, int baud, int dataBits, int stopBits) override {
        opened.push_back({port, baud, dataBits, stopBits});
        m_open = opens;
        return opens;
    }
    void Close() override {
        ++closes;
        m_open = false;
    }
    bool IsOpen() const override { return m_open; }
    std::string OpenErrorText() const override { return "the port is busy"; }

    struct Opening {
        int port, baud, dataBits, stopBits;
    };
    std::vector<Opening> opened;
    bool opens = true;
    int closes = 0;

private:
    bool m_open = false;
};

class Session : public ::testing::Test {
protected:
    DeviceState state;
    RecordingHost host;
    FakePort port;
    LinkSession session{state, host, &port};
    LinkMembers& link = session.Link();
    const LineSettings line{8, 2};
};

TEST_F(Session, ConnectOpensShowsTheWaitAndAsksForTheState) {
    link.connected = true; // from an earlier link
    link.openedByUser = true;
    EXPECT_EQ(session.Connect(5, 921600, line, "Getting"), LinkSession::ConnectResult::Opened);
    ASSERT_EQ(port.opened.size(), 1u);
    EXPECT_EQ(std::tie(port.opened[0].port, port.opened[0].baud, port.opened[0].stopBits),
              std::tuple(5, 921600, 2));
    const Effects expected = {"ShowWait Getting", "redraw StatusArea", "SendToDevice 39"};
    EXPECT_EQ(host.effects, expected);
    const Frame request = MakeFrame(kCmdRequestAll);
    EXPECT_EQ(host.sent.at(0), std::vector<std::uint8_t>(request.begin(), request.end()));
    EXPECT_EQ(std::tie(state.linkState, link.baudRate, link.lastPort, link.connected, link.openedByUser),
              std::tuple(kLinkOpen, 921600u, 5, false, false));
    EXPECT_FALSE(link.idle) << "the search waits while the operator's connection is made";
}

TEST_F(Session, ConnectWhileOpenOnlyAsksForTheStateAgain) {
    ASSERT_TRUE(session.TryPort(3, 115200, line));
    host.effects.clear();
    EXPECT_EQ(session.Connect(7, 921600, line, "Getting"), LinkSession::ConnectResult::Resynchronising);
    EXPECT_EQ(port.opened.size(), 1u) << "the open port is not opened again";
    const Effects expected = {"ShowWait Getting", "SendToDevice 39"};
    EXPECT_EQ(host.effects, expected);
    EXPECT_EQ(link.baudRate, 115200u);
    EXPECT_FALSE(link.idle);
}

TEST_F(Session, FailedOpeningsChangeNothing) {
    port.opens = false;
    link.lastPort = 2;
    EXPECT_EQ(session.Connect(5, 115200, line, "Getting"), LinkSession::ConnectResult::OpenFailed);
    EXPECT_FALSE(session.TryPort(6, 921600, line));
    EXPECT_TRUE(host.effects.empty());
    EXPECT_EQ(std::tie(state.linkState, link.lastPort, link.idle), std::tuple(kLinkClosed, 2, true));
    EXPECT_EQ(session.OpenErrorText(), "the port is busy");
}

TEST_F(Session, AnAutomaticAttemptShowsNoWait) {
    link.idle = false;
    ASSERT_TRUE(session.TryPort(4, 921600, line));
    EXPECT_EQ(host.effects, Effects{"SendToDevice 39"});
    EXPECT_EQ(std::tie(state.linkState, link.idle, link.lastPort), std::tuple(kLinkOpen, true, 4));
}

TEST_F(Session, ClosingEndsTheWaitAndItsTimeOut) {
    struct Case {
        const char* name;
        bool byOperator;
        bool upgradeDialog;
        Effects more; // after those of every close
        bool idleAfter;
    };
    const Case cases[] = {
        {"DisConnect", true, true, {}, false},
        {"lost link", false, true, {"post UpgradeDialog DEVICE_REPLY(0x8004,1)"}, true},
        {"lost link, no upgrade dialog", false, false, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(session.TryPort(1, 115200, line));
        session.MarkSynchronised();
        host.effects.clear();
        host.upgradeDialog = c.upgradeDialog;
        const int closesBefore = port.closes;
        session.ClosePort(c.byOperator);
        Effects expected = {"pause 50", "redraw StatusArea", "HideWait", "stop timer 2",
                            "send OutputPage DEVICE_REPLY(0x8005,1)"};
        expected.insert(expected.end(), c.more.begin(), c.more.end());
        EXPECT_EQ(host.effects, expected);
        EXPECT_EQ(std::tie(port.closes, state.linkState, link.connected, link.idle),
                  std::tuple(closesBefore + 1, kLinkClosed, false, c.idleAfter));

        // The read in flight reports the close once more: only the windows follow again.
        host.effects.clear();
        session.ClosePort(false);
        EXPECT_EQ(port.closes, closesBefore + 1);
        EXPECT_EQ(host.effects.front(), "HideWait");
    }
}

TEST_F(Session, TheConnectionDialogsUserFlags) {
    session.DialogOpenedByOperator();
    EXPECT_EQ(std::tie(link.openedByUser, link.hiddenByUser), std::tuple(true, false));
    session.DialogClosedByOperator(); // not synchronised: stays hidden when a port is tried
    EXPECT_EQ(std::tie(link.openedByUser, link.hiddenByUser), std::tuple(false, true));

    session.MarkSynchronised();
    session.DialogClosedByOperator();
    EXPECT_FALSE(link.hiddenByUser);
}

TEST_F(Session, WithoutAPortNothingOpens) {
    LinkSession portless(state, host);
    EXPECT_EQ(portless.Connect(1, 115200, line, "w"), LinkSession::ConnectResult::OpenFailed);
    EXPECT_FALSE(portless.TryPort(1, 115200, line));
    EXPECT_FALSE(portless.PortOpen());
    portless.ClosePort(true);
    EXPECT_EQ(state.linkState, kLinkClosed);
}

} // namespace
