#pragma once

// Members of the main window that watch the link to the processor. The reply dispatcher
// and the link supervision (timers 1, 2 and 3) read and write them; both run on the
// user-interface thread.

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
    std::uint32_t connected = 0;      // 1 after a synchronisation or boot-loader announce
    std::uint32_t idle = 1;           // 1 when nothing user-started waits and the user did not disconnect
    std::int32_t requestGate = -1;    // drops the first request made before any port was opened
    std::int32_t lastPort = -1;       // port number of the last attempt or connection
    std::int32_t lastScanIndex = -1;  // position in the port list of the last automatic attempt
    std::uint32_t baudRate = 0;       // baud rate of the open port
    std::array<std::uint8_t, kSysInfoSize> sysInfo{}; // presence flags from reply 0xB2
    std::uint32_t statusFlag = 0;                     // look of the status area, set by acknowledgement 8
};

} // namespace corvane
