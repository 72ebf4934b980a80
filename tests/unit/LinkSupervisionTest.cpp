#include "device/LinkSupervision.h"

#include "RecordingHost.h"
#include "link/CommandFrame.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

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

    // The port list as the watcher reports it.
    void PortsNow(std::vector<int> ports) {
        host.ports = std::move(ports);
        supervision.OnPortListChanged(host.ports);
    }

    // One second of the main window's life: timer 1 then timer 3.
    void Second() {
        supervision.OnKeepAliveTick();
        supervision.OnSearchTick();
    }

    // The effects that open a port, and those that open or close one, in order.
    std::vector<std::string> Attempts() const { return Matching({"TRY_PORT"}); }
    std::vector<std::string> PortEffects() const { return Matching({"TRY_PORT", "PORT_CLOSED"}); }
    std::vector<std::string> Matching(std::initializer_list<const char*> parts) const {
        std::vector<std::string> out;
        for (const std::string& e : host.effects)
            if (std::any_of(parts.begin(), parts.end(), [&](const char* p) { return e.find(p) != e.npos; }))
                out.push_back(e);
        return out;
    }

    DeviceState state;
    RecordingHost host;
    LinkSession session{state, host};
    LinkMembers& link = session.Link();
    Line line{&state, &link};
    LinkSupervision supervision{session, host};
};

// The walk of the list by silent ports: each attempt, abandoned two seconds after it was made,
// with the second of each.
TEST_F(Supervision, SilentPortsAreTriedEveryThreeSecondsAtAlternatingRates) {
    const struct {
        std::vector<int> ports;
        int seconds;
        std::vector<std::string> attempts;
    } cases[] = {
        // Several ports: each once, then the walk stops. (Nothing is open at 2: the close changes nothing.)
        {{3, 7},
         30,
         {"2 PORT_CLOSED(0,0)", "3 TRY_PORT(921600,3)", "5 PORT_CLOSED(0,0)", "6 TRY_PORT(115200,7)",
          "8 PORT_CLOSED(0,0)"}},
        // One port: retried.
        {{1},
         12,
         {"2 PORT_CLOSED(0,0)", "3 TRY_PORT(921600,1)", "5 PORT_CLOSED(0,0)", "6 TRY_PORT(115200,1)",
          "8 PORT_CLOSED(0,0)", "9 TRY_PORT(921600,1)", "11 PORT_CLOSED(0,0)", "12 TRY_PORT(115200,1)"}},
    };
    for (const auto& c : cases) {
        host.effects.clear();
        link = LinkMembers();
        host.ports = c.ports;
        std::vector<std::string> attempts;
        for (int s = 1; s <= c.seconds; ++s) {
            const std::size_t before = PortEffects().size();
            Second();
            for (std::size_t i = before; i < PortEffects().size(); ++i)
                attempts.push_back(std::to_string(s) + " " +
                                   PortEffects()[i].substr(sizeof "send ConnectDialog " - 1));
        }
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(std::tie(link.lastPort, link.lastScanIndex),
                  std::tuple(c.ports.back(), c.ports.size() - 1));
    }
}

TEST_F(Supervision, SearchOnlyWhileIdleAndNotConnectedAndAPortIsThere) {
    const struct {
        std::vector<int> ports;
        bool connected, idle;
        bool searches;
    } cases[] = {{{1}, false, true, true},
                 {{1}, true, true, false},
                 {{1}, false, false, false},
                 {{1}, true, false, false},
                 {{}, false, true, false}};
    for (const auto& c : cases) {
        host.effects.clear();
        host.ports = c.ports;
        link = LinkMembers();
        link.connected = c.connected;
        link.idle = c.idle;
        link.connectSec = 3;
        supervision.OnSearchTick();
        EXPECT_EQ(host.effects.empty(), !c.searches) << c.connected << c.idle << c.ports.size();
    }
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
    ASSERT_EQ(attempts.size(), 4u) << "one every three seconds";
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

// ---- ports that appear (hotplug)

TEST_F(Supervision, ANewPortIsTriedAtOnceThenAtTheOtherRateAtTheNextAttempt) {
    // On-board COM1 and a second idle port: the walk tries each once, then stops.
    PortsNow({1, 60});
    for (int s = 0; s < 12; ++s)
        Second();
    ASSERT_EQ(Attempts().size(), 2u);
    EXPECT_EQ(state.linkState, kLinkClosed) << "the last attempt was abandoned";

    // A processor's port appears between them: tried before any further tick, fast rate first.
    host.effects.clear();
    PortsNow({1, 11, 60});
    EXPECT_EQ(Attempts(), std::vector<std::string>{"send ConnectDialog TRY_PORT(921600,11)"});
    EXPECT_EQ(link.connectSec, 0u);
    EXPECT_EQ(link.lastPort, 11);

    // Silent at that rate: abandoned after two ticks, tried at the other one at the third.
    Second();
    Second();
    Second();
    const std::vector<std::string> expected = {"send ConnectDialog TRY_PORT(921600,11)",
                                               "send ConnectDialog PORT_CLOSED(0,0)",
                                               "send ConnectDialog TRY_PORT(115200,11)"};
    EXPECT_EQ(PortEffects(), expected);
    EXPECT_EQ(supervision.PendingNewPortAttempts(), 0u);
}

TEST_F(Supervision, AnAutomaticAttemptOnAnotherPortGivesWayToTheNewPort) {
    PortsNow({60});
    for (int s = 0; s < 3; ++s)
        Second();
    ASSERT_EQ(Attempts().size(), 1u);
    ASSERT_EQ(state.linkState, kLinkOpen) << "the attempt on COM60 waits for an answer";

    host.effects.clear();
    PortsNow({1, 60});
    const std::vector<std::string> expected = {"send ConnectDialog PORT_CLOSED(0,0)",
                                               "send ConnectDialog TRY_PORT(921600,1)"};
    EXPECT_EQ(PortEffects(), expected);
}

TEST_F(Supervision, NewPortsAreNotTriedWhileConnectedOrAfterTheOperatorClosedTheLink) {
    struct Case {
        const char* what;
        bool connected, idle;
        bool tried;
    };
    const Case cases[] = {
        {"searching", false, true, true},
        {"synchronised", true, true, false},
        {"DisConnect, or the operator's own Connect waiting", false, false, false},
    };
    for (const Case& c : cases) {
        host.effects.clear();
        LinkSupervision fresh{session, host};
        host.ports = {60};
        fresh.OnPortListChanged(host.ports);
        link.connected = c.connected;
        link.idle = c.idle;
        state.linkState = kLinkClosed;
        host.ports = {1, 60};
        fresh.OnPortListChanged(host.ports);
        EXPECT_EQ(!Attempts().empty(), c.tried) << c.what;
    }
}

TEST_F(Supervision, TheFirstListOnlyTellsWhatIsThereAndAPulledPortLosesItsAttempts) {
    PortsNow({1, 11});
    EXPECT_TRUE(Attempts().empty()) << "the ports at the start are the walk's";

    PortsNow({1, 11, 12});
    ASSERT_EQ(Attempts().size(), 1u);
    EXPECT_EQ(supervision.PendingNewPortAttempts(), 1u) << "its other rate";

    // Pulled again before its second attempt.
    PortsNow({1, 11});
    EXPECT_EQ(supervision.PendingNewPortAttempts(), 0u);
    // Plugged in again: new once more.
    host.effects.clear();
    PortsNow({1, 11, 12});
    EXPECT_EQ(Attempts(), std::vector<std::string>{"send ConnectDialog TRY_PORT(921600,12)"});
}

TEST_F(Supervision, ANewPortThatCannotBeOpenedIsNotTriedAtTheOtherRate) {
    host.onSend = [](RecordingHost& h, Window w, std::uint32_t m, std::uintptr_t p, std::intptr_t port) {
        if (w == Window::ConnectDialog && m == WM_TRY_PORT && port == 12)
            return std::intptr_t{-1}; // no permission, say
        return ConnectDialog(h, w, m, p, port);
    };
    PortsNow({1});
    PortsNow({1, 12, 13});
    // COM12 fails at once and COM13 follows in the same moment.
    const std::vector<std::string> expected = {"send ConnectDialog TRY_PORT(921600,12)",
                                               "send ConnectDialog TRY_PORT(921600,13)"};
    EXPECT_EQ(Attempts(), expected);
    host.effects.clear();
    for (int s = 0; s < 3; ++s)
        Second();
    EXPECT_EQ(Attempts(), std::vector<std::string>{"send ConnectDialog TRY_PORT(115200,13)"});
}

TEST_F(Supervision, DuringTheRestartSearchOnlyTheRestartingPortIsTriedAtOnceAtItsRate) {
    PortsNow({7});
    link.lastPort = 7;
    link.baudRate = kBaudLow;
    state.linkState = kLinkSynchronised;
    link.connected = true;
    session.ExpectRestart(kRestartSearchTicks);
    session.ClosePort(false);
    // Its adapter went with the restart, another came.
    PortsNow({});
    PortsNow({9});
    EXPECT_TRUE(Attempts().empty()) << "not the restarting processor's port";
    PortsNow({7, 9});
    EXPECT_EQ(Attempts(), std::vector<std::string>{"send ConnectDialog TRY_PORT(115200,7)"});
}
