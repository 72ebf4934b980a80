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

    std::uint32_t ScanBaud() const { return m_scanBaud; }

private:
    // The search for a processor that restarts: its port at its rate, attempt after attempt.
    void SearchRestartPort(const std::vector<int>& ports);

    LinkSession& m_session;
    LinkMembers& m_link;
    SupervisionHost& m_host;
    std::uint32_t m_scanBaud = kBaudLow;
};

} // namespace corvane
