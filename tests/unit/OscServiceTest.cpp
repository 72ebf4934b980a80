// OSC messages as the interface runs them: who is heard, the same refusals as HTTP (and
// nothing reaches the target then), the rate limit, and a log line that says why.

#include "control/OscService.h"

#include "RecordingTarget.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::control;

namespace {

ControlSettings On(const char* address, std::uint32_t rate = kDefaultRatePerSecond) {
    ControlSettings s;
    s.address = address;
    s.oscPort = 53000;
    s.ratePerSecond = rate;
    return s;
}

OscMessage Input(std::int64_t n) {
    return {"/corvane/input", {{'i', n, 0.0, {}}}};
}

TEST(OscService, LoopbackHearsEveryoneAnotherAddressOnlyTheListedSenders) {
    RecordingTarget target;
    const OscService loopback(On("127.0.0.1"), {}, target);
    EXPECT_TRUE(loopback.Hears("127.0.0.1"));
    EXPECT_TRUE(loopback.Hears("127.0.0.2"));
    EXPECT_TRUE(OscService(On("localhost"), {}, target).Hears("::1"));

    const OscService none(On("0.0.0.0"), {}, target);
    for (const char* sender : {"127.0.0.1", "192.168.10.20", "::1"})
        EXPECT_FALSE(none.Hears(sender)) << sender << ": none is listed by default";

    const OscService listed(On("192.168.10.5"), {"192.168.10.20", "fe80::1"}, target);
    EXPECT_TRUE(listed.Hears("192.168.10.20"));
    EXPECT_TRUE(listed.Hears("fe80::1"));
    // Near misses of a listed address are other senders.
    for (const char* sender : {"192.168.10.2", "192.168.10.200", "192.168.10.20 ", "127.0.0.1", ""})
        EXPECT_FALSE(listed.Hears(sender)) << "'" << sender << "'";
    // An address that only looks like loopback opens nothing.
    EXPECT_FALSE(OscService(On("127.0.0.1.example"), {}, target).Hears("192.168.10.20"));
}

TEST(OscService, EachRefusalIsTheHttpInterfacesAndReachesNothing) {
    struct Case {
        const char* what;
        OscMessage message;
        std::uint32_t linkState;
        bool waiting;
        bool transfer;
        const char* logged; // part of the log line
    };
    const std::vector<Case> cases = {
        {"out of range", Input(5), kLinkSynchronised, false, false, "400 input: out of range 1..4"},
        {"unknown address", {"/corvane/inputs", {}}, kLinkSynchronised, false, false, "404"},
        {"wrong type",
         {"/corvane/input", {{'s', 0, 0.0, "2"}}},
         kLinkSynchronised,
         false,
         false,
         "400 input: takes a number"},
        {"not synchronised", Input(2), kLinkOpen, false, false,
         "refused, the processor is not synchronised: nothing was sent"},
        {"a wait is shown", Input(2), kLinkSynchronised, true, false,
         "refused, the processor is answering an earlier change"},
        {"a transfer runs", Input(2), kLinkOpen, true, true, "refused, a firmware transfer is running"},
    };
    for (const Case& c : cases) {
        RecordingTarget target;
        target.state.linkState = c.linkState;
        target.waiting = c.waiting;
        target.transfer = c.transfer;
        OscService service(On("127.0.0.1"), {}, target);
        const OscResult r = service.Handle(c.message, "127.0.0.1", 0);
        EXPECT_TRUE(r.refused) << c.what;
        EXPECT_FALSE(r.ran) << c.what;
        EXPECT_TRUE(target.executed.empty()) << c.what;
        EXPECT_NE(r.logLine.find(c.logged), std::string::npos) << c.what << ": " << r.logLine;
        EXPECT_EQ(r.logLine.rfind("127.0.0.1 OSC " + c.message.address + ": ", 0), 0u) << r.logLine;
    }
}

TEST(OscService, AGoodMessageRunsAndTheTargetsOutcomeIsLogged) {
    RecordingTarget target;
    OscService service(On("127.0.0.1"), {}, target);
    OscResult r =
        service.Handle({"/corvane/layer/2/window",
                        {{'i', 10, 0, {}}, {'i', 20, 0, {}}, {'f', 0, 640.0, {}}, {'i', 360, 0, {}}}},
                       "127.0.0.1", 0);
    EXPECT_TRUE(r.ran);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(target.executed, std::vector<std::string>{"layer"});
    EXPECT_NE(r.logLine.find("layer sent"), std::string::npos) << r.logLine;

    target.outcome = Outcome::Unchanged;
    r = service.Handle(Input(1), "127.0.0.1", 0);
    EXPECT_TRUE(r.ran) << "nothing to change is no refusal";
    target.outcome = Outcome::NoPresetFile;
    r = service.Handle({"/corvane/preset/load", {{'i', 4, 0, {}}}}, "127.0.0.1", 0);
    EXPECT_TRUE(r.refused);
    EXPECT_NE(r.logLine.find("no readable preset file"), std::string::npos) << r.logLine;
}

TEST(OscService, AFloodingSenderIsLimitedAndOthersGoOn) {
    RecordingTarget target;
    OscService service(On("127.0.0.1", 10), {}, target);
    int ran = 0;
    for (int i = 0; i < 50; ++i)
        ran += service.Handle(Input(1 + i % 4), "127.0.0.2", 0).ran ? 1 : 0;
    EXPECT_EQ(ran, 20) << "a burst of twice the rate";
    const OscResult limited = service.Handle(Input(1), "127.0.0.2", 0);
    EXPECT_TRUE(limited.limited);
    EXPECT_NE(limited.logLine.find("too many messages"), std::string::npos);
    EXPECT_TRUE(service.Handle(Input(1), "127.0.0.3", 0).ran) << "another sender has its own share";
    EXPECT_TRUE(service.Handle(Input(1), "127.0.0.2", 1000).ran) << "a second later it is heard again";
}

TEST(OscService, TheLogLineEscapesWhatTheSenderWrote) {
    RecordingTarget target;
    OscService service(On("127.0.0.1"), {}, target);
    const OscResult r = service.Handle({"/corvane/\x1b[2Jinput\n", {}}, "127.0.0.1", 0);
    EXPECT_EQ(r.logLine.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.logLine.find('\n'), std::string::npos);
    EXPECT_NE(r.logLine.find("\\x1b"), std::string::npos) << r.logLine;
}

} // namespace
