#include "RunEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

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

Watchdog::Watchdog(std::chrono::seconds limit) : m_thread([this, limit] { Run(limit); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Watchdog::Waiting(const std::string& what) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_what = what;
}

void Watchdog::Run(std::chrono::seconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_wake.wait_for(lock, limit, [this] { return m_done; }))
        return;
    std::fprintf(stderr, "the case did not end within %d s; it was waiting for: %s\n",
                 static_cast<int>(limit.count()), m_what.c_str());
    std::fflush(stderr);
    // Where each thread stands, when a debugger is at hand.
    if (access("/usr/bin/gdb", X_OK) == 0)
        std::system(("timeout 30 /usr/bin/gdb -p " + std::to_string(getpid()) +
                     " -batch -ex 'thread apply all bt' 1>&2")
                        .c_str());
    std::abort();
}

} // namespace corvane::test
