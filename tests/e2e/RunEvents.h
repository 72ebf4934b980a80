#pragma once

// Running the application in the end-to-end tests and the benchmarks: the event loop until
// something has happened, as the application's own loop runs (sleeping until the next event,
// without pauses between rounds, which would hold back every record the link's worker hands to
// the user-interface thread),
// the main window made by the start-up, and the process's resident memory.

#include "mainwindow/CMainDlg.h"
#include "shell/CorvaneApp.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace corvane::test {

// A start-up that shows the main window and returns (the caller runs the events); messages
// of the start-up are printed.
class ShownMainWindow : public StartupUi {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void RunMainWindow(CCorvaneApp& app) override;
    std::unique_ptr<CMainDlg> main;
};

// Resident memory of this process in megabytes (VmRSS).
double ResidentMegabytes();

// Runs events until `done` holds (true) or `timeout` has passed (false).
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Ends the process, saying what the case last waited for, when the case has not ended within
// `limit` (an event handler that never returns, say), before ctest's own limit would end it
// without a word.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit);
    ~Watchdog();
    void Waiting(const std::string& what);

private:
    void Run(std::chrono::seconds limit);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::string m_what = "the start";
    std::thread m_thread;
};

} // namespace corvane::test
