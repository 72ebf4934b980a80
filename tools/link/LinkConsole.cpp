#include "LinkConsole.h"

#include "link/CommandCodes.h"
#include "link/CommandFrame.h"
#include "link/PortDiscovery.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace corvane::linktool {

namespace {

using Clock = std::chrono::steady_clock;

// The line's data and stop bits: what Config.ini holds when it is created.
constexpr LineSettings kLine{8, 1};

} // namespace

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with at least `fraction` of them at or below it.
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void LinkConsole::Host::SendToDevice(const std::uint8_t* data, std::size_t length) {
    m_link.SendToDevice(data, length);
}

void LinkConsole::Host::Pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

void LinkConsole::Host::ShowWait(const std::string& text) {
    m_log("wait: " + text);
}

void LinkConsole::Host::Trace(const std::string& line) {
    m_log(line);
}

LinkConsole::LinkConsole(Log log)
    : m_log(std::move(log)), m_host(m_link, m_log), m_sessionPort(m_link),
      m_session(m_state, m_host, &m_sessionPort), m_dispatcher(m_state, m_session, m_host) {
    m_link.SetOwner(this);
}

LinkConsole::~LinkConsole() {
    m_link.SetOwner(nullptr);
    m_link.Close();
}

void LinkConsole::OnDeviceRecord(const std::uint8_t* record) {
    Received r;
    std::memcpy(r.record.data(), record, r.record.size());
    r.at = Clock::now();
    {
        std::lock_guard lock(m_mutex);
        m_records.push_back(r);
    }
    m_ready.notify_one();
}

void LinkConsole::OnReadBackBlock(const std::uint8_t*) {}

void LinkConsole::OnPortClosed() {
    {
        std::lock_guard lock(m_mutex);
        m_portClosed = true;
    }
    m_ready.notify_one();
}

std::optional<Clock::time_point> LinkConsole::Pump(std::chrono::milliseconds timeout,
                                                   std::uint16_t* lastCode) {
    std::deque<Received> batch;
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait_for(lock, timeout, [this] { return !m_records.empty() || m_portClosed; });
        batch.swap(m_records);
    }
    std::optional<Clock::time_point> last;
    const bool wasSynchronised = m_state.linkState == kLinkSynchronised;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const Received& r = batch[i];
        m_dispatcher.OnDeviceRecord(r.record.data());
        m_lastRecord = r.at;
        last = r.at;
        if (lastCode != nullptr)
            *lastCode = FrameCode(r.record.data());
        if (!wasSynchronised && m_state.linkState == kLinkSynchronised) {
            // The record that completed the synchronisation; the rest waits for the next call.
            std::lock_guard lock(m_mutex);
            m_records.insert(m_records.begin(), batch.begin() + static_cast<std::ptrdiff_t>(i + 1),
                             batch.end());
            break;
        }
    }
    return last;
}

Attempt LinkConsole::Synchronise(int port, const std::vector<int>& baudRates) {
    Attempt attempt;
    std::vector<SerialPortEntry> ports;
    EnumerateSerialPorts(ports);
    if (std::none_of(ports.begin(), ports.end(), [port](const SerialPortEntry& e) {
            return e.number == static_cast<std::uint32_t>(port);
        })) {
        attempt.outcome = Outcome::NoSuchPort;
        return attempt;
    }
    for (int baud : baudRates) {
        m_log("trying COM" + std::to_string(port) + " at " + std::to_string(baud));
        {
            std::lock_guard lock(m_mutex);
            m_records.clear();
            m_portClosed = false;
        }
        const Clock::time_point start = Clock::now();
        if (!m_session.TryPort(static_cast<std::uint32_t>(port), static_cast<std::uint32_t>(baud), kLine)) {
            attempt.outcome = Outcome::CannotOpen;
            attempt.error = m_session.OpenErrorText();
            return attempt;
        }
        const Clock::time_point deadline = start + kSyncTimeoutMs;
        while (m_state.linkState != kLinkSynchronised && Clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const auto at = Pump(std::max(left, std::chrono::milliseconds(1)));
            if (m_state.linkState == kLinkSynchronised && at) {
                attempt.outcome = Outcome::Synchronised;
                attempt.baudRate = baud;
                attempt.syncTime = std::chrono::duration_cast<std::chrono::microseconds>(*at - start);
                return attempt;
            }
            std::lock_guard lock(m_mutex);
            if (m_portClosed)
                break;
        }
        m_log("no answer at " + std::to_string(baud));
        m_session.ClosePort(false);
        // The closed port's read reports the close on a worker: it belongs to this attempt,
        // not to the next one.
        std::unique_lock lock(m_mutex);
        m_ready.wait_for(lock, kCloseReportTimeoutMs, [this] { return m_portClosed; });
    }
    attempt.outcome = Outcome::NoAnswer;
    return attempt;
}

RoundTrips LinkConsole::MeasureRoundTrips(int count) {
    RoundTrips trips;
    const Frame request = MakeFrameByte6(kCmdEdidRequest, 0);
    for (int i = 0; i < count; ++i) {
        Pump(std::chrono::milliseconds(0)); // what came unasked is not an answer
        const Clock::time_point sent = Clock::now();
        m_link.SendToDevice(request.data(), request.size());
        bool answered = false;
        while (!answered && Clock::now() - sent < kRoundTripTimeoutMs) {
            std::deque<Received> batch;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait_for(lock, kRoundTripTimeoutMs,
                                 [this] { return !m_records.empty() || m_portClosed; });
                batch.swap(m_records);
                if (m_portClosed)
                    return trips;
            }
            for (const Received& r : batch) {
                m_dispatcher.OnDeviceRecord(r.record.data());
                m_lastRecord = r.at;
                if (!answered && FrameCode(r.record.data()) == kReplyEdid && r.record[6] == 0) {
                    answered = true;
                    trips.ms.push_back(std::chrono::duration<double, std::milli>(r.at - sent).count());
                }
            }
        }
        if (!answered)
            ++trips.lost;
    }
    return trips;
}

std::string LinkConsole::WatchUntilLost(std::chrono::milliseconds limit) {
    const Clock::time_point end = Clock::now() + limit;
    m_lastRecord = std::max(m_lastRecord, Clock::now() - std::chrono::seconds(1));
    while (Clock::now() < end) {
        std::uint16_t code = 0;
        Pump(std::chrono::milliseconds(200), &code);
        {
            std::lock_guard lock(m_mutex);
            if (m_portClosed)
                return "the port went away";
        }
        if (Clock::now() - m_lastRecord > kSilenceTimeoutMs)
            return "nothing came for " + std::to_string(kSilenceTimeoutMs.count() / 1000) + " seconds";
    }
    return {};
}

void LinkConsole::Close() {
    m_session.ClosePort(true);
}

} // namespace corvane::linktool
