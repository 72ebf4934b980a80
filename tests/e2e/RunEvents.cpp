#include "RunEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

namespace corvane::test {

namespace {
// Longest a round waits for an event before `done` is asked again.
constexpr int kRoundMs = 5;
} // namespace

void ShownMainWindow::ShowMessage(const std::string& text, const std::string&) {
    std::printf("message: %s\n", text.c_str());
}

void ShownMainWindow::RunMainWindow(CCorvaneApp& app) {
    main = std::make_unique<CMainDlg>(app);
    main->Create();
    main->show();
    (void)QTest::qWaitForWindowExposed(main.get(), 5000);
}

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    // The loop sleeps until an event comes, as the application's does (a record handed over by
    // the link's worker is one), and at least every kRoundMs to ask `done` again: a condition on
    // another thread's state (the simulator's) brings no event. processEvents with a time limit
    // would not sleep at all and keep a core busy, which a loaded two-core machine feels.
    QTimer round;
    round.start(kRoundMs);
    while (!done()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace corvane::test
