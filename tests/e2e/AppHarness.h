#pragma once

// The whole application (application object, main window, serial link) in this process,
// started from a scratch folder as a fresh installation, against simulated processors on
// pseudo-terminals published in that folder's Ports folder. Message boxes are answered (and
// recorded) as they open, so the waits of the tests go on.

#include "Simulator.h"
#include "mainwindow/CMainDlg.h"
#include "shell/CorvaneApp.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane::test {

class AppHarness {
public:
    AppHarness();
    ~AppHarness();

    // A simulated processor on COM<port>.
    sim::Simulator& AddSimulator(int port, unsigned baud, sim::Faults faults = {});
    // A pseudo-terminal nobody answers on, listed as COM<port> (an on-board port, say).
    bool AddIdlePort(int port);

    // Start-up as the program does it, with the main window shown (not run modally).
    void StartApplication();

    bool WaitFor(const std::function<bool()>& done, int timeoutMs);

    CCorvaneApp& App() { return *m_app; }
    CMainDlg& Main() { return *m_main; }
    const std::string& Folder() const { return m_folder; }
    std::uint32_t LinkState() const { return m_app->state.linkState; }

    // Texts of the message boxes that opened ("title: message"), each answered with OK while
    // answerBoxes is set (from the start).
    std::vector<std::string> messages;
    bool answerBoxes = true;

private:
    class Ui;
    std::string m_folder;
    std::string m_guard;
    std::vector<std::unique_ptr<sim::Simulator>> m_sims;
    std::vector<int> m_idleTerminals;
    std::unique_ptr<CCorvaneApp> m_app;
    std::unique_ptr<Ui> m_ui;
    std::unique_ptr<CMainDlg> m_main;
    QTimer m_answer;
};

// The frames of `code` the simulator has received so far, in order, and their number.
std::vector<Frame> ReceivedWithCode(sim::Simulator& sim, std::uint16_t code);
std::size_t CommandsWithCode(sim::Simulator& sim, std::uint16_t code);

} // namespace corvane::test
