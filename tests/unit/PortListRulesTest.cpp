// The connection dialog's rules, a table per rule: the line selected in the port list, the list
// after an automatic attempt, Connect without a port, the controls, the search's text, the rate.

#include "connection/PortListRules.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(PortListRules, TheSelectedLineIsThePortInUseElseTheChoiceElseTheConfiguredOne) {
    const std::vector<std::uint32_t> ports = {3, 12, 20};
    struct Row {
        bool portOpen;
        int lastPort;
        std::uint32_t chosen, configured;
        int line;
    };
    const Row rows[] = {
        {false, 0, 0, 12, 1}, {false, 0, 0, 3, 0},  {false, 0, 0, 7, 0},   {false, 20, 12, 3, 1},
        {true, 20, 12, 3, 2}, {true, 7, 12, 3, 1},  {true, 0, 0, 20, 2},   {false, 0, 9, 20, 2},
        {true, 20, 0, 0, 2},  {false, 20, 0, 0, 0}, {false, 0, 12, 20, 1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(LineToSelect(ports, r.portOpen, r.lastPort, r.chosen, r.configured), r.line)
            << r.portOpen << " " << r.lastPort << " " << r.chosen << " " << r.configured;
    EXPECT_EQ(LineToSelect({}, true, 3, 3, 3), 0);
}

TEST(PortListRules, AnAttemptRebuildsTheListOnlyWhenTheNumberOfPortsChanged) {
    const std::tuple<std::size_t, std::size_t, bool> counts[] = {{2, 3, true}, {2, 2, false}, {2, 1, true},
                                                                 {0, 1, true}, {1, 0, true},  {0, 0, false}};
    for (const auto& [listed, present, rebuild] : counts)
        EXPECT_EQ(RebuildAfterAttempt(listed, present), rebuild) << listed << " -> " << present;
    EXPECT_EQ(LineAfterAttempt({12, 13, 15}, 13), 1);
    EXPECT_EQ(LineAfterAttempt({12, 15}, 14), 0) << "a port not listed: the first line";
}

TEST(PortListRules, ConnectTheControlsTheShowingAndTheSearchsTextFollowTheLink) {
    EXPECT_TRUE(ConnectNeedsAPort(false, 0));
    EXPECT_FALSE(ConnectNeedsAPort(false, 5));
    EXPECT_FALSE(ConnectNeedsAPort(true, 0)) << "an open port is asked for the state again";
    EXPECT_EQ(ControlsFor(false), (PortControls{true, true, false, false}));
    EXPECT_EQ(ControlsFor(true), (PortControls{false, true, true, false}));
    EXPECT_TRUE(ComesUpByItself(true, false));
    EXPECT_FALSE(ComesUpByItself(true, true)) << "hidden by the operator";
    EXPECT_FALSE(ComesUpByItself(false, false));
    EXPECT_TRUE(ShowsAutoConnect(true, false));
    EXPECT_FALSE(ShowsAutoConnect(true, true));
    EXPECT_FALSE(ShowsAutoConnect(false, false));
}

TEST(PortListRules, TheRateFieldWidensItsRangeForTheConfiguredRate) {
    const std::pair<std::uint32_t, BaudField> rows[] = {{0, {115200, 921600, 115200}},
                                                        {921600, {115200, 921600, 921600}},
                                                        {57600, {57600, 921600, 57600}},
                                                        {1500000, {115200, 1500000, 1500000}}};
    for (const auto& [configured, field] : rows)
        EXPECT_EQ(BaudFieldFor(configured, 115200, 921600), field) << configured;
}

} // namespace
} // namespace corvane
