// From a serial port appearing to the link synchronised, with nobody clicking: the simulator
// at 921600 baud is pulled and plugged in again, round after round, while an idle port stays
// listed beside it; each round times the moment its Ports link is made to linkState 2.
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_hotplug [rounds]

#include "AppHarness.h"
#include "connection/CConnectDlg.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace corvane;

namespace {

constexpr int kEventLimitMs = 15000;

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ApplyApplicationTheme(application);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    test::AppHarness h;
    if (!h.AddIdlePort(60))
        return 1;
    h.StartApplication();
    sim::Simulator& sim = h.AddSimulator(1, 921600);
    if (!h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kEventLimitMs)) {
        std::fprintf(stderr, "no link\n");
        return 1;
    }
    std::vector<double> ms;
    for (int round = 0; round < rounds; ++round) {
        sim.Stop();
        if (!h.WaitFor([&] { return h.LinkState() == kLinkClosed && !h.Main().Link().connected; },
                       kEventLimitMs) ||
            !h.WaitFor([&] { return h.Main().ConnectDialog()->ListedPorts().size() == 1; }, kEventLimitMs)) {
            std::fprintf(stderr, "round %d: the pull was not noticed\n", round);
            return 1;
        }
        // Let the search go on with the idle port for a while, as between real plugs.
        h.WaitFor([] { return false; }, 500 + 250 * (round % 5));
        std::string error;
        if (!sim.Start(&error)) {
            std::fprintf(stderr, "round %d: %s\n", round, error.c_str());
            return 1;
        }
        QElapsedTimer appeared;
        appeared.start();
        if (!h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kEventLimitMs)) {
            std::fprintf(stderr, "round %d: not found\n", round);
            return 1;
        }
        ms.push_back(static_cast<double>(appeared.nsecsElapsed()) / 1e6);
    }
    std::printf("port appearing -> synchronised at 921600 baud, %d rounds: median %.0f ms, min %.0f ms, "
                "90th percentile %.0f ms, max %.0f ms\n",
                rounds, Percentile(ms, 0.5), Percentile(ms, 0.0), Percentile(ms, 0.9), Percentile(ms, 1.0));
    return 0;
}
