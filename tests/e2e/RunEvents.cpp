#include "RunEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace corvane::test {

namespace {
// Longest a round waits for an event before `done` is asked again.
constexpr int kRoundMs = 5;
} // namespace

bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kRoundMs);
    }
    return true;
}

} // namespace corvane::test
