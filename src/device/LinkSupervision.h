#pragma once

// Watches the link to the processor from the main window's timers: the full-state request,
// the end of any wait that lasts too long (timer 2), the keep-alive watchdog (timer 1) and
// the automatic search for the processor on the serial ports (timer 3). Runs on the
// user-interface thread; reaches the rest of the application only through SupervisionHost.

#include "device/DeviceState.h"
#include "device/LinkMembers.h"
#include "device/ReplyDispatcher.h"

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

class SupervisionHost : public DispatcherHost {
public:
    virtual void ShowWait(const std::string& text) = 0;
    // Port numbers of the serial ports present, in the order of the port list.
    virtual std::vector<int> SerialPortNumbers() = 0;
    // The wait ended without an answer: the output page forgets that it was applying, and
    // the operator is told why the link is being dropped.
    virtual void WaitTimedOut() = 0;
    // A line for the diagnostic log.
    virtual void Trace(const std::string& line) = 0;
};

class LinkSupervision {
public:
    LinkSupervision(DeviceState& state, LinkMembers& link, SupervisionHost& host);

    // Asks the processor for its whole state (0x00AF). The first request made before any
    // port was opened is dropped.
    void RequestAll();

    void OnKeepAliveTick(); // timer 1
    void OnWaitTimeout();   // timer 2
    void OnSearchTick();    // timer 3

    std::uint32_t ScanBaud() const { return m_scanBaud; }

private:
    DeviceState& m_state;
    LinkMembers& m_link;
    SupervisionHost& m_host;
    std::uint32_t m_scanBaud = kBaudLow;
};

} // namespace corvane
