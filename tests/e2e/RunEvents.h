#pragma once

// Running the event loop until something has happened, as the application's own loop runs:
// without pauses between rounds, which would hold back every record the link's worker hands
// to the user-interface thread. Used by the end-to-end harness and by the application's
// benchmark.

#include <chrono>
#include <functional>

namespace corvane::test {

// Runs events until `done` holds (true) or `timeout` has passed (false).
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

} // namespace corvane::test
