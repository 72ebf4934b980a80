// The application against simulated processors over pseudo-terminals, with the real timers:
// the automatic search, the synchronisation, the keep-alive watchdog, the wait time-out, a
// takeover by another client. A pulled cable: HotplugEndToEndTest; a second copy: StartupTest;
// Connect on an open port: LinkSessionTest.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "connection/CConnectDlg.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"

#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

void PressConnect(AppHarness& h) {
    SendWindowMessage(h.Main().ConnectDialog(), WM_COMMAND, MakeWParam(1374, BN_CLICKED), 0);
}

bool Contains(const std::vector<std::string>& v, const std::string& part) {
    for (const std::string& s : v)
        if (s.find(part) != std::string::npos)
            return true;
    return false;
}

TEST(Application, FreshStartFindsTheSimulatorAndSynchronises) {
    AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    s.Execute("signal 1 on 1280 720 500");
    h.StartApplication();
    // The folders of a fresh installation: StartupTest.
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 12000));
    EXPECT_EQ(h.Main().Link().connected, 1u) << "the lamp is green";
    EXPECT_EQ(h.Main().Link().baudRate, 921600u);
    DeviceState model;
    s.Inspect([&](const sim::ProcessorModel& m) { model = m.State(); });
    const DeviceState& app = h.App().state;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(app.layers[i].x, model.layers[i].x);
        EXPECT_EQ(app.layers[i].visible, model.layers[i].visible);
        EXPECT_EQ(app.outputs[i].canvasX, model.outputs[i].canvasX);
    }
    EXPECT_EQ(app.verPrimary, "0102");
    // The search showed the connection dialog; the end of the synchronisation hid it again.
    EXPECT_FALSE(h.Main().ConnectDialog()->isVisible());
    EXPECT_TRUE(h.messages.empty());
}

TEST(Application, SilentProcessorIsDroppedAfterSevenSecondsAndFoundAgain) {
    AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 12000));
    s.Execute("fault silent on");
    // The seven seconds of the keep-alive limit: LinkSupervisionTest.
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkClosed; }, 15000));
    EXPECT_TRUE(h.Main().ConnectDialog()->isVisible()) << "the operator sees the link is lost";
    s.Execute("fault silent off");
    EXPECT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 12000));
}

TEST(Application, SynchronisationThatNeverEndsTimesOutAfterFifteenSeconds) {
    AppHarness h;
    sim::Faults noReplies;
    noReplies.drop = 1000000; // keep-alives still come, answers never
    h.AddSimulator(1, 115200, noReplies);
    h.StartApplication();
    PressConnect(h);
    ASSERT_EQ(h.LinkState(), kLinkOpen);
    EXPECT_TRUE(h.Main().WaitShown());
    ASSERT_TRUE(
        h.WaitFor([&] { return Contains(h.messages, "Get Data From Desitination Timeout!"); }, 25000));
    EXPECT_EQ(h.LinkState(), kLinkClosed);
    EXPECT_FALSE(h.Main().WaitShown());
    EXPECT_TRUE(Contains(h.messages, "Tips: "));
}

TEST(Application, AnotherClientTakingTheProcessorClosesThePort) {
    AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 12000));
    s.Execute("takeover");
    ASSERT_TRUE(h.WaitFor([&] { return Contains(h.messages, "Other clients have been connected!"); }, 3000));
    EXPECT_EQ(h.LinkState(), kLinkClosed);
    // Not idle: no automatic search finds it again (LinkSupervisionTest).
    EXPECT_EQ(h.Main().Link().idle, 0u);
}

} // namespace
