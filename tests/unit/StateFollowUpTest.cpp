// The read-back after a preset recall or a preset file load: the rule alone, then the
// dispatcher that follows it (the request it sends, the wait it keeps or ends).

#include "device/StateFollowUp.h"

#include "RecordBuilder.h"
#include "RecordingHost.h"
#include "device/ReplyDispatcher.h"
#include "link/CommandCodes.h"
#include "link/CommandFrame.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvane;
using corvane::test::Effects;
using corvane::test::RecordBuilder;
using corvane::test::RecordingHost;

namespace {

using Action = StateFollowUp::Action;

// What happens to the follow-up, as steps: 'c' command sent, 's' the whole state arrived,
// 'x' cancelled (time-out, link closed), 'a' the processor's answer (its action is checked).
struct RuleCase {
    const char* name;
    const char* steps;
    std::vector<Action> answers; // what each 'a' leads to, in order
    bool pendingAfter;
};

TEST(StateFollowUp, RequestsTheStateUnlessItArrivedAfterTheCommand) {
    const RuleCase cases[] = {
        {"no command: the answer ends the wait", "a", {Action::EndWait}, false},
        {"answered without the state: request it", "ca", {Action::RequestState}, true},
        {"the state before the answer: no request", "csa", {Action::EndWait}, false},
        {"the state before the command counts for nothing", "sca", {Action::RequestState}, true},
        {"the requested state ends the follow-up", "cas", {Action::RequestState}, false},
        {"a second answer keeps waiting", "caas", {Action::RequestState, Action::KeepWaiting}, false},
        {"then an ordinary answer", "casa", {Action::RequestState, Action::EndWait}, false},
        {"a new command forgets an earlier state", "csca", {Action::RequestState}, true},
        {"a cancelled command asks for nothing", "cxa", {Action::EndWait}, false},
        {"cancelled while the state is awaited", "caxa", {Action::RequestState, Action::EndWait}, false},
        {"cancelled after the state arrived, then a new command", "csxca", {Action::RequestState}, true},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        StateFollowUp rule;
        std::vector<Action> answers;
        for (const char* step = c.steps; *step; ++step) {
            switch (*step) {
            case 'c':
                rule.CommandSent();
                EXPECT_TRUE(rule.Pending());
                break;
            case 's':
                rule.StateArrived();
                break;
            case 'x':
                rule.Cancel();
                EXPECT_FALSE(rule.Pending());
                break;
            case 'a':
                answers.push_back(rule.Answered());
                break;
            }
        }
        EXPECT_EQ(answers, c.answers);
        EXPECT_EQ(rule.Pending(), c.pendingAfter);
    }
}

class FollowUpDispatch : public ::testing::Test {
protected:
    void SetUp() override { state.linkState = kLinkSynchronised; }
    void Apply(const Frame& r) { dispatcher.OnDeviceRecord(r.data()); }
    void Answer() { Apply(RecordBuilder(0xAE).B(6, 9).B(7, 1).Build()); }
    void LayerRecords() {
        for (int i = 0; i < 4; ++i)
            Apply(RecordBuilder(0xA8).B(6, static_cast<std::uint8_t>(i)).B(33, 1).Build());
    }
    // The whole state's last record.
    void StateEnd() { Apply(RecordBuilder(0xAA).B(6, 3).Build()); }
    int Requests() const {
        const Frame request = MakeFrame(kCmdRequestAll);
        const std::vector<std::uint8_t> bytes(request.begin(), request.end());
        return static_cast<int>(std::count(host.sent.begin(), host.sent.end(), bytes));
    }
    int Count(const std::string& effect) const {
        return static_cast<int>(std::count(host.effects.begin(), host.effects.end(), effect));
    }

    DeviceState state;
    RecordingHost host;
    LinkSession session{state, host};
    ReplyDispatcher dispatcher{state, session, host, &host.picks};
};

TEST_F(FollowUpDispatch, ARecallAnsweredWithoutTheStateAsksForItAndTheWaitLastsUntilItIsIn) {
    session.FollowUp().CommandSent();
    LayerRecords(); // some records are no whole state
    Answer();
    EXPECT_EQ(Requests(), 1) << "one synchronisation request";
    EXPECT_EQ(std::pair(Count("HideWait"), Count("stop timer 2")), std::pair(0, 0))
        << "the answer ends neither the wait nor its time-out";
    Apply(RecordBuilder(0xB0).Build()); // a second answer
    EXPECT_EQ(Count("HideWait"), 0);
    EXPECT_EQ(Requests(), 1);

    StateEnd();
    EXPECT_EQ(std::pair(Count("HideWait"), Count("stop timer 2")), std::pair(1, 1))
        << "the state's end ends both";
    EXPECT_FALSE(session.FollowUp().Pending());
}

TEST_F(FollowUpDispatch, AnyOtherAnswerEndsTheWaitAsBeforeAndAClosedLinkForgetsTheCommand) {
    Answer();
    EXPECT_EQ(Requests(), 0);
    EXPECT_EQ(Count("HideWait"), 1);

    session.FollowUp().CommandSent();
    session.ClosePort(false);
    EXPECT_FALSE(session.FollowUp().Pending());
    state.linkState = kLinkSynchronised;
    host.effects.clear();
    Answer();
    EXPECT_EQ(Requests(), 0);
    EXPECT_EQ(Count("HideWait"), 1);

    session.FollowUp().CommandSent();
    session.MarkWaitTimedOut();
    EXPECT_FALSE(session.FollowUp().Pending()) << "the wait's time-out";
}

} // namespace
