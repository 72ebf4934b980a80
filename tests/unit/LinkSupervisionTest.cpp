#include "device/LinkSupervision.h"

#include "RecordingHost.h"
#include "link/CommandFrame.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Effects;
using corvane::test::RecordingHost;

namespace {

// The connection dialog as the search sees it: every attempt opens the port (linkState 1)
// and asks for the state, nobody answers; closing the port sets linkState 0.
struct Line {
    DeviceState* state;
    LinkMembers* link;
};

std::intptr_t ConnectDialog(RecordingHost& host, Window w, std::uint32_t m, std::uintptr_t, std::intptr_t) {
    auto* line = static_cast<Line*>(host.context);
    if (w != Window::ConnectDialog)
        return 0;
    if (m == WM_TRY_PORT) {
        line->state->linkState = kLinkOpen;
        line->link->idle = true;
    } else if (m == WM_PORT_CLOSED) {
        line->state->linkState = kLinkClosed;
    }
    return 0;
}

class Supervision : public ::testing::Test {
protected:
    Supervision() {
        host.context = &line;
        host.onSend = ConnectDialog;
    }

    // One second of the main window's life: timer 1 then timer 3.
    void Second() {
        supervision.OnKeepAliveTick();
        supervision.OnSearchTick();
    }

    std::vector<std::string> Attempts() const {
        std::vector<std::string> attempts;
        for (const std::string& e : host.effects)
            if (e.find("TRY_PORT") != std::string::npos)
                attempts.push_back(e);
        return attempts;
    }

    DeviceState state;
    RecordingHost host;
    LinkSession session{state, host};
    LinkMembers& link = session.Link();
    Line line{&state, &link};
    LinkSupervision supervision{session, host};
};

TEST_F(Supervision, TwoSilentPortsAreTriedOnceEachWithAlternatingRates) {
    host.ports = {3, 7};
    std::vector<int> attemptSeconds;
    for (int s = 1; s <= 30; ++s) {
        const std::size_t before = Attempts().size();
        Second();
        if (Attempts().size() > before)
            attemptSeconds.push_back(s);
    }
    const std::vector<std::string> expected = {"send ConnectDialog TRY_PORT(921600,3)",
                                               "send ConnectDialog TRY_PORT(115200,7)"};
    EXPECT_EQ(Attempts(), expected);
    ASSERT_EQ(attemptSeconds.size(), 2u);
    EXPECT_EQ(attemptSeconds[1] - attemptSeconds[0], 3);
    EXPECT_EQ(link.lastPort, 7);
    EXPECT_EQ(link.lastScanIndex, 1);
    // Each attempt is abandoned two seconds after it was made.
    const auto closes =
        std::count(host.effects.begin(), host.effects.end(), "send ConnectDialog PORT_CLOSED(0,0)");
    EXPECT_GE(closes, 2);
}

TEST_F(Supervision, OneSilentPortIsRetriedEveryThreeSecondsAtAlternatingRates) {
    host.ports = {1};
    for (int s = 1; s <= 12; ++s)
        Second();
    const std::vector<std::string> expected = {
        "send ConnectDialog TRY_PORT(921600,1)", "send ConnectDialog TRY_PORT(115200,1)",
        "send ConnectDialog TRY_PORT(921600,1)", "send ConnectDialog TRY_PORT(115200,1)"};
    EXPECT_EQ(Attempts(), expected);
}

TEST_F(Supervision, SearchOnlyWhileIdleAndNotConnected) {
    host.ports = {1};
    struct Case {
        bool connected, idle;
        bool searches;
    };
    for (const Case c : {Case{false, true, true}, Case{true, true, false}, Case{false, false, false},
                         Case{true, false, false}}) {
        host.effects.clear();
        link = LinkMembers();
        link.connected = c.connected;
        link.idle = c.idle;
        link.connectSec = 3;
        supervision.OnSearchTick();
        EXPECT_EQ(!Attempts().empty(), c.searches) << c.connected << c.idle;
    }
    host.effects.clear();
    host.ports.clear();
    link = LinkMembers();
    link.connectSec = 3;
    supervision.OnSearchTick();
    EXPECT_TRUE(host.effects.empty()) << "no port, nothing to do";
}

TEST_F(Supervision, KeepAliveWatchdogClosesASilentLinkAfterSevenSeconds) {
    link.connected = true;
    for (int s = 1; s <= 6; ++s)
        supervision.OnKeepAliveTick();
    EXPECT_TRUE(host.effects.empty());
    supervision.OnKeepAliveTick();
    EXPECT_EQ(host.effects, Effects{"post ConnectDialog PORT_CLOSED(0,0)"});
    EXPECT_EQ(link.keepAliveCount, 0u);

    // Records keep it alive; without a connection nothing is closed.
    host.effects.clear();
    for (int s = 1; s <= 20; ++s) {
        supervision.OnKeepAliveTick();
        if (s % 5 == 0)
            link.keepAliveCount = 0; // a record arrived
    }
    EXPECT_TRUE(host.effects.empty());
    link.connected = false;
    for (int s = 1; s <= 20; ++s)
        supervision.OnKeepAliveTick();
    EXPECT_TRUE(host.effects.empty());
    EXPECT_EQ(link.connectSec, 47u);
}

TEST_F(Supervision, WaitTimeoutClosesThePortAndSaysWhy) {
    link.idle = false;
    supervision.OnWaitTimeout();
    const Effects expected = {"stop timer 2",
                              "HideWait",
                              "start timer 1 1000ms",
                              "post ConnectDialog PORT_CLOSED(0,0)",
                              "send OutputPage DEVICE_REPLY(0x8005,0)",
                              "WaitTimedOut"};
    EXPECT_EQ(host.effects, expected);
    EXPECT_TRUE(link.idle);
}

TEST_F(Supervision, RequestBeforeAnyPortWasOpenedIsDroppedOnce) {
    session.RequestAll(); // linkState 0, gate -1: dropped
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(link.requestGate, 0);
    session.RequestAll();
    ASSERT_EQ(host.sent.size(), 1u);
    const Frame expected = MakeFrame(0x00AF);
    EXPECT_EQ(host.sent[0], std::vector<std::uint8_t>(expected.begin(), expected.end()));

    // With a port open the first request goes out at once.
    LinkMembers fresh;
    link = fresh;
    host.sent.clear();
    state.linkState = kLinkOpen;
    session.RequestAll();
    EXPECT_EQ(host.sent.size(), 1u);
}

} // namespace

TEST_F(Supervision, AfterAFactoryResetTheProcessorsPortIsSearchedAtItsRateThenTheListAgain) {
    // Synchronised with the processor on COM7 at 115200 baud, the second of three ports; the
    // search had walked past it (it stops after the last port with several ports).
    host.ports = {3, 7, 9};
    link.lastPort = 7;
    link.baudRate = kBaudLow;
    link.lastScanIndex = 2;
    state.linkState = kLinkSynchronised;
    link.connected = true;
    session.ExpectRestart(12);
    EXPECT_EQ(link.lastScanIndex, -1);
    for (int s = 0; s < 5; ++s)
        Second();
    EXPECT_TRUE(Attempts().empty()) << "no search while connected";

    // The port closes (the misc page tells the connection dialog); the processor is silent.
    session.ClosePort(false);
    for (int s = 0; s < 12; ++s)
        Second();
    const std::vector<std::string> attempts = Attempts();
    ASSERT_GE(attempts.size(), 3u);
    for (const std::string& a : attempts)
        EXPECT_EQ(a, "send ConnectDialog TRY_PORT(115200,7)") << "its port at its rate, every time";

    // Still silent after the restart search: the list is walked again from its first port.
    host.effects.clear();
    for (int s = 0; s < 12; ++s)
        Second();
    const std::vector<std::string> walk = Attempts();
    ASSERT_FALSE(walk.empty());
    EXPECT_NE(walk[0].find(",3)"), std::string::npos) << walk[0];
    EXPECT_EQ(link.restartPort, -1);
}

TEST_F(Supervision, TheRestartSearchEndsWithTheSynchronisationOrTheOperator) {
    host.ports = {3, 7};
    link.lastPort = 3;
    link.baudRate = kBaudHigh;
    session.ExpectRestart(kRestartSearchTicks);
    session.MarkSynchronised();
    EXPECT_EQ(link.restartPort, -1) << "found again";

    link.lastPort = 3;
    session.ExpectRestart(kRestartSearchTicks);
    session.ClosePort(true);
    EXPECT_EQ(link.restartPort, -1) << "DisConnect";
    for (int s = 0; s < 10; ++s)
        Second();
    EXPECT_TRUE(Attempts().empty()) << "after DisConnect the search waits for the operator";
}
