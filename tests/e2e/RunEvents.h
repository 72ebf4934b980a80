#pragma once

// Running the application in the end-to-end tests and the benchmarks: the event loop until
// something has happened, as the application's own loop runs (sleeping until the next event,
// without pauses between rounds, which would hold back every record the link's worker hands to
// the user-interface thread),
// the main window made by the start-up, and the process's resident memory.

#include "mainwindow/CMainDlg.h"
#include "shell/CorvaneApp.h"

#include <chrono>
#include <functional>
#include <memory>

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

} // namespace corvane::test
