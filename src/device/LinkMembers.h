#pragma once

// What the application knows about its link to the processor besides DeviceState: the flags of
// the connection and the counters of its supervision. LinkSession owns them and is the only
// writer of the connection's flags (connected, idle, the request gate, the port and rate, the
// connection dialog's user flags); the dispatcher counts records, the supervision its ticks.
// Everything here is touched on the user-interface thread only.

#include <array>
#include <chrono>
#include <cstdint>

namespace corvane {

// Main-window timers and their periods.
inline constexpr int kTimerKeepAlive = 1;
inline constexpr int kTimerWait = 2;
inline constexpr int kTimerSearch = 3;
inline constexpr int kTimerBlink = 6;
inline constexpr std::chrono::milliseconds kKeepAlivePeriodMs{1000};
inline constexpr std::chrono::milliseconds kWaitTimeoutMs{15000};
inline constexpr std::chrono::milliseconds kSearchPeriodMs{1000};
inline constexpr std::chrono::milliseconds kBlinkPeriodMs{300};

inline constexpr int kSysInfoSize = 13;

struct LinkMembers {
    std::uint32_t keepAliveCount = 0; // keep-alive ticks since the last record
    std::uint32_t connectSec = 0;     // keep-alive ticks since the last automatic attempt
    bool connected = false;           // after a synchronisation or boot-loader announce
    bool idle = true;                 // nothing user-started waits and the user did not disconnect
    std::int32_t requestGate = -1;    // drops the first request made before any port was opened
    std::int32_t lastPort = -1;       // port number of the last attempt or connection
    std::int32_t lastScanIndex = -1;  // position in the port list of the last automatic attempt
    std::uint32_t baudRate = 0;       // baud rate of the open port
    std::array<std::uint8_t, kSysInfoSize> sysInfo{}; // presence flags from reply 0xB2
    bool statusFlag = false;                          // the frame-rate warning, set by acknowledgement 8
    bool hiddenByUser = false; // the connection dialog was closed while not synchronised
    bool openedByUser = false; // the connection dialog was opened from the status area
    // After a factory reset the processor restarts on the port and at the rate it had: the
    // search tries that port (restartPort, -1 for none) at that rate for restartTicks more
    // ticks before it walks the port list again.
    std::int32_t restartPort = -1;
    std::uint32_t restartBaud = 0;
    std::uint32_t restartTicks = 0;
};

} // namespace corvane
