#pragma once

// The start of the benchmarks that run the whole application (the end-to-end harness) against
// the simulator over a pseudo-terminal.

#include "AppHarness.h"

namespace corvane::bench {

// Adds a simulator on port 1 at 921600 baud, starts the application and waits for the link
// to be synchronised; nullptr (and a line on stderr) when it is not within 15 s.
sim::Simulator* StartSynchronised(test::AppHarness& h);

} // namespace corvane::bench
