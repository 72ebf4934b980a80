#pragma once

// Watches the link to the processor from the main window's timers: the end of any wait that
// lasts too long (timer 2), the keep-alive watchdog (timer 1) and the automatic search for the
// processor on the serial ports (timer 3). Runs on the user-interface thread; reaches the rest
// of the application only through SupervisionHost, and changes the connection's flags only
// through the LinkSession.

#include "device/DeviceState.h"
#include "device/DispatcherHost.h"
#include "device/LinkSession.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace corvane {

// The baud rates the automatic search alternates between.
inline constexpr std::uint32_t kBaudLow = 115200;
inline constexpr std::uint32_t kBaudHigh = 921600;

// Keep-alive ticks without a record after which a synchronised link counts as lost.
inline constexpr std::uint32_t kKeepAliveLimitTicks = 6;
// An automatic attempt is abandoned after this many ticks, and the next made after this many.
inline constexpr std::uint32_t kAttemptAbandonTicks = 2;
inline constexpr std::uint32_t kAttemptIntervalTicks = 3;
// How long the search looks for a restarting processor (factory reset) on its own port before
// it walks the port list again: a minute of search ticks.
inline constexpr std::uint32_t kRestartSearchTicks = 60;

class LinkSupervision {
public:
    LinkSupervision(LinkSession& session, SupervisionHost& host);

    void OnKeepAliveTick(); // timer 1
    void OnWaitTimeout();   // timer 2
    void OnSearchTick();    // timer 3

    // The list of serial ports changed (a device plugged in or pulled, a Ports link made or
    // removed); the first call only tells the list at the start. A port that was not listed
    // before is tried at once, ahead of the walk of the list, while no link is synchronised,
    // no wait of the operator's runs and the operator has not closed the link by hand: at
    // 921600 baud now, at 115200 at the search's next attempt (the attempts of the walk, with
    // its times). An automatic attempt still open on another port is abandoned for it. While
    // a restarting processor is looked for, only its own port coming back is tried at once.
    void OnPortListChanged(const std::vector<int>& ports);
    // Attempts on new ports still to be made.
    std::size_t PendingNewPortAttempts() const { return m_fresh.size(); }

    std::uint32_t ScanBaud() const { return m_scanBaud; }

private:
    struct NewPortAttempt {
        int port;
        std::uint32_t baud;
    };
    // Makes the next attempt on a new port; false when none could be made (none left, or
    // none of their ports could be opened).
    bool TryNewPort();

    // The search for a processor that restarts: its port at its rate, attempt after attempt.
    void SearchRestartPort(const std::vector<int>& ports);

    LinkSession& m_session;
    LinkMembers& m_link;
    SupervisionHost& m_host;
    std::uint32_t m_scanBaud = kBaudLow;
    std::vector<int> m_knownPorts;
    bool m_knowsPorts = false;
    std::deque<NewPortAttempt> m_fresh;
};

} // namespace corvane
