#include "HarnessBench.h"

#include <cstdio>

namespace corvane::bench {

namespace {

constexpr int kSynchronisedLimitMs = 15000;

} // namespace

sim::Simulator* StartSynchronised(test::AppHarness& h) {
    sim::Simulator& sim = h.AddSimulator(1, 921600);
    h.StartApplication();
    if (!h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSynchronisedLimitMs)) {
        std::fprintf(stderr, "no synchronised link\n");
        return nullptr;
    }
    return &sim;
}

} // namespace corvane::bench
