#pragma once

// The console link: the application's serial link, session and reply dispatcher without a
// window. Records are taken off the I/O worker thread and applied to DeviceState on the
// thread that runs the console (as the application hands them to its user-interface thread).

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"
#include "link/FXSerialPort.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace corvane::linktool {

// How long a synchronisation may take before the next baud rate is tried.
inline constexpr std::chrono::milliseconds kSyncTimeoutMs{4000};
// The processor sends a keep-alive every second: this long without any record is a lost link
// (the application's watchdog: more than six ticks of a second).
inline constexpr std::chrono::milliseconds kSilenceTimeoutMs{7000};
// How long the read of a closed port may take to report the close.
inline constexpr std::chrono::milliseconds kCloseReportTimeoutMs{1000};
// How long one measured round trip may take.
inline constexpr std::chrono::milliseconds kRoundTripTimeoutMs{2000};

enum class Outcome { Synchronised, NoSuchPort, CannotOpen, NoAnswer };

struct Attempt {
    Outcome outcome = Outcome::NoAnswer;
    int baudRate = 0;                      // the rate that answered
    std::chrono::microseconds syncTime{0}; // from the opening to the last state record
    std::string error;                     // why the port could not be opened
};

struct RoundTrips {
    std::vector<double> ms; // each answered round trip, in milliseconds
    int lost = 0;           // requests without an answer in time
};

// The median and the 95th percentile (nearest rank) of `values`; 0 when empty.
double Percentile(std::vector<double> values, double fraction);

class LinkConsole final : private LinkOwner {
public:
    using Log = std::function<void(const std::string&)>;

    explicit LinkConsole(Log log);
    ~LinkConsole() override;

    // Opens COM<port> at each rate in turn until the processor's whole state has come.
    Attempt Synchronise(int port, const std::vector<int>& baudRates);

    const DeviceState& State() const { return m_state; }

    // Asks for EDID slot 0 `count` times, one request at a time, and times each answer.
    RoundTrips MeasureRoundTrips(int count);

    // Keeps the link (answering the processor's pings) until it is lost: the port went away
    // or nothing came for kSilenceTimeoutMs. Returns why.
    std::string WatchUntilLost(std::chrono::milliseconds limit);

    void Close();

private:
    class Host final : public NullDispatcherHost {
    public:
        Host(FXSerialPort& link, Log& log) : m_link(link), m_log(log) {}
        void SendToDevice(const std::uint8_t* data, std::size_t length) override;
        void Pause(std::chrono::milliseconds duration) override;
        void ShowWait(const std::string& text) override;
        void Trace(const std::string& line) override;

    private:
        FXSerialPort& m_link;
        Log& m_log;
    };

    struct Received {
        std::array<std::uint8_t, 39> record{};
        std::chrono::steady_clock::time_point at;
    };

    // LinkOwner, on an I/O worker thread.
    void OnDeviceRecord(const std::uint8_t* record) override;
    void OnReadBackBlock(const std::uint8_t* block) override;
    void OnPortClosed() override;

    // Applies the records that came, waiting up to `timeout` for the first. Returns the
    // receipt time of the last one applied.
    std::optional<std::chrono::steady_clock::time_point> Pump(std::chrono::milliseconds timeout,
                                                              std::uint16_t* lastCode = nullptr);

    Log m_log;
    DeviceState m_state;
    FXSerialPort m_link;
    Host m_host;
    SerialSessionPort m_sessionPort;
    LinkSession m_session;
    ReplyDispatcher m_dispatcher;

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Received> m_records;
    bool m_portClosed = false;
    std::chrono::steady_clock::time_point m_lastRecord;
};

} // namespace corvane::linktool
