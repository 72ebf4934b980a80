// A processor plugged in while the application runs: found by the watching of the ports
// without any click, and again after each pull and replug. No attempt after DisConnect:
// LinkSupervisionTest.

#include "AppHarness.h"
#include "connection/CConnectDlg.h"

#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// How long the processor's cable stays out when it is pulled and plugged in again.
constexpr int kUnpluggedMs = 500;
// Generous limits for what only has to happen at all.
constexpr int kEventLimitMs = 15000;

std::vector<std::uint32_t> Listed(AppHarness& h) {
    return h.Main().ConnectDialog()->ListedPorts();
}

} // namespace

TEST(Hotplug, AProcessorPluggedInLaterIsFoundAtOnceAndAgainAfterEachReplug) {
    AppHarness h;
    // An idle port listed (an on-board UART nobody answers on), numbered after the
    // processor's: the walk alone would never come back to the processor's port.
    ASSERT_TRUE(h.AddIdlePort(60));
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.Main().Link().lastPort == 60; }, kEventLimitMs))
        << "the search walks the list";
    EXPECT_EQ(Listed(h), std::vector<std::uint32_t>{60});

    sim::Simulator* sim = nullptr;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round == 0) {
            sim = &h.AddSimulator(1, 921600);
        } else {
            // Pulled: the link is lost and the list follows.
            sim->Stop();
            ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkClosed && !h.Main().Link().connected; },
                                  kEventLimitMs));
            ASSERT_TRUE(
                h.WaitFor([&] { return Listed(h) == std::vector<std::uint32_t>{60}; }, kEventLimitMs));
            // The cable is out for a moment before it goes back in.
            h.WaitFor([] { return false; }, kUnpluggedMs);
            // Plugged in again.
            std::string error;
            ASSERT_TRUE(sim->Start(&error)) << error;
        }
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kEventLimitMs));
        EXPECT_EQ(h.Main().Link().lastPort, 1);
        EXPECT_EQ(h.Main().Link().baudRate, 921600u);
        EXPECT_EQ(Listed(h), (std::vector<std::uint32_t>{1, 60})) << "the connection dialog's list followed";
    }
}
