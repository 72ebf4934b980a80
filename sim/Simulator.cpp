// The simulator's life and its line's thread: starting and stopping it, the loop that sends,
// reads and sleeps until the next thing is due, and the calls other threads make into it.
#include "Simulator.h"

#include "FrameText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr milliseconds kIdleWakeMs{1000};

} // namespace

Simulator::Simulator(SimOptions options)
    : m_options(std::move(options)), m_random(m_options.seed), m_flood(m_options.seed + 1) {
    m_model.SetRefuseUpgrade(m_options.faults.refuseUpgrade);
    m_model.SetUpgradeFaults(m_options.faults.upgrade);
    m_model.SetRefuseResolution(m_options.faults.refuseResolution);
}

Simulator::~Simulator() {
    Stop();
}

std::string Simulator::LinkPath() const {
    return m_linkPath;
}
std::string Simulator::TerminalPath() const {
    return m_terminalPath;
}

bool Simulator::Start(std::string* error) {
    if (m_thread.joinable())
        return true;
    if (!RateSupported(m_options.baud)) {
        if (error)
            *error = "unsupported baud rate " + std::to_string(m_options.baud);
        return false;
    }
    if (pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error)
            *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (!OpenTerminal(error))
        return false;
    if (!m_options.trafficLogPath.empty())
        m_logFile = std::fopen(m_options.trafficLogPath.c_str(), "a");
    m_started = Clock::now();
    m_stallUntil =
        m_options.faults.stall.count() > 0 ? m_started + m_options.faults.stall : Clock::time_point{};
    m_floodArmed = m_options.faults.flood.count() > 0;
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void Simulator::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        Wake();
        m_thread.join();
    }
    CloseTerminal();
    for (int& fd : m_wake) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    if (m_logFile) {
        std::fclose(m_logFile);
        m_logFile = nullptr;
    }
}

void Simulator::Wake() {
    if (m_wake[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = write(m_wake[1], &c, 1);
    }
}

std::string Simulator::Execute(const std::string& line) {
    if (!m_thread.joinable())
        return Control(line);
    Command command{line, {}, false};
    std::unique_lock lock(m_commandLock);
    if (!m_running)
        return "error: the simulator has stopped\n";
    m_commands.push_back(&command);
    Wake();
    m_commandDone.wait(lock, [&] { return command.done; });
    return command.answer;
}

void Simulator::Inspect(const std::function<void(const ProcessorModel&)>& look) {
    RunOnLine([&] { look(m_model); });
}

PingStats Simulator::Pings() {
    PingStats stats;
    RunOnLine([&] {
        stats = m_pings;
        stats.waiting = m_pingsOut.size();
    });
    return stats;
}

std::vector<ReceivedItem> Simulator::Received(std::size_t last) {
    std::vector<ReceivedItem> items;
    RunOnLine([&] {
        const std::size_t n = std::min(last, m_receivedItems.size());
        items.assign(m_receivedItems.end() - static_cast<std::ptrdiff_t>(n), m_receivedItems.end());
    });
    return items;
}

FloodStatus Simulator::Flood() {
    FloodStatus status;
    RunOnLine([&] {
        const Clock::time_point now = Clock::now();
        status.running = FloodRunning(now);
        if (status.running)
            status.remaining = std::chrono::duration_cast<milliseconds>(m_floodUntil - now);
        status.counts = m_flood.Counts();
    });
    return status;
}

void Simulator::RunOnLine(const std::function<void()>& task) {
    if (!m_thread.joinable()) {
        task();
        return;
    }
    Command command{{}, {}, false, &task};
    std::unique_lock lock(m_commandLock);
    if (!m_running)
        return;
    m_commands.push_back(&command);
    Wake();
    m_commandDone.wait(lock, [&] { return command.done; });
}

void Simulator::Log(bool toProcessor, const std::uint8_t* bytes, std::size_t length, const char* note) {
    const double seconds = std::chrono::duration<double>(Clock::now() - m_started).count();
    char head[48];
    std::snprintf(head, sizeof head, "%10.3f %s ", seconds, toProcessor ? "rx" : "tx");
    std::string line = head + FrameText(bytes, length, toProcessor) + note;
    if (m_logFile) {
        std::fprintf(m_logFile, "%s\n", line.c_str());
        std::fflush(m_logFile);
    }
    m_traffic.push_back(std::move(line));
    if (m_traffic.size() > kTrafficLines)
        m_traffic.pop_front();
}

void Simulator::Run() {
    const Clock::time_point start = Clock::now();
    m_nextKeepAlive = start + m_options.keepAlivePeriodMs;
    m_nextPing = start + m_options.pingPeriodMs;
    if (m_options.bootLoader) {
        std::vector<Outgoing> announce = m_model.EnterBootLoader();
        announce[0].reply = false;
        Queue(announce);
    }
    while (!m_stop) {
        {
            std::unique_lock lock(m_commandLock);
            while (!m_commands.empty()) {
                Command* c = m_commands.front();
                m_commands.pop_front();
                lock.unlock();
                std::string answer;
                if (c->task)
                    (*c->task)();
                else
                    answer = Control(c->line);
                lock.lock();
                c->answer = std::move(answer);
                c->done = true;
            }
            m_commandDone.notify_all();
        }
        Clock::time_point now = Clock::now();
        if (!m_vanished && !Restarting(now)) {
            if (m_options.keepAlivePeriodMs.count() > 0 && now >= m_nextKeepAlive) {
                QueueNow(SimpleReply(0xAD), false);
                m_nextKeepAlive = std::max(m_nextKeepAlive + m_options.keepAlivePeriodMs, now);
            }
            if (m_options.pingPeriodMs.count() > 0 && now >= m_nextPing) {
                QueueNow(SimpleReply(0xB3), false);
                m_nextPing = std::max(m_nextPing + m_options.pingPeriodMs, now);
            }
            MoveDueToWire(now);
            FeedFlood(now);
            WriteToLine(now);
        }
        now = Clock::now();
        m_readBaud = ApplicationBaud();
        // The terminal is watched only while a slice may be taken: otherwise the bytes waiting
        // in it would wake the loop without end.
        const bool reading = m_master >= 0 && MayRead(now);
        // Sleeps to the microsecond, so that pacing neither spins nor falls behind the line.
        const auto wait = std::clamp<std::chrono::nanoseconds>(NextWake(now) - now,
                                                               std::chrono::nanoseconds(0), kIdleWakeMs);
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {reading ? m_master : -1, POLLIN, 0}};
        const timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                               static_cast<long>(wait.count() % 1000000000)};
        ppoll(fds, 2, &timeout, nullptr);
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (reading && m_master >= 0 && (fds[1].revents & POLLIN))
            ReadFromLine(Clock::now());
    }
    std::lock_guard lock(m_commandLock);
    m_running = false;
    for (Command* c : m_commands) {
        c->answer = "error: the simulator has stopped\n";
        c->done = true;
    }
    m_commands.clear();
    m_commandDone.notify_all();
}

Clock::time_point Simulator::NextWake(Clock::time_point now) const {
    Clock::time_point next = now + kIdleWakeMs;
    if (m_vanished)
        return next;
    // What waits in the terminal is taken when the stall ends, or when the next slice is due.
    if (m_master >= 0 && Stalled(now))
        next = std::min(next, m_stallUntil);
    else if (m_master >= 0 && !MayRead(now))
        next = std::min(next, ReadDue());
    if (Restarting(now))
        return std::min(next, m_restartUntil);
    if (m_options.keepAlivePeriodMs.count() > 0)
        next = std::min(next, m_nextKeepAlive);
    if (m_options.pingPeriodMs.count() > 0)
        next = std::min(next, m_nextPing);
    if (!m_queue.empty())
        next = std::min(next, m_queue.front().due);
    if (!m_wire.empty())
        next = std::min(next, std::max(m_lineFree, now + milliseconds(1)));
    if (m_floodPause && m_floodResume != Clock::time_point{})
        next = std::min(next, m_floodResume);
    else if (FloodRunning(now) || m_floodPause)
        next = std::min(next, now + milliseconds(1));
    return next;
}

void Simulator::StartRestart(Clock::time_point now) {
    // What was waiting to be sent is lost with the restart (and what came after the reset, which
    // Cut drops); the keep-alive and the ping start again when it is over.
    m_queue.clear();
    m_restartUntil = now + m_options.restartMs;
    m_nextKeepAlive = m_restartUntil + m_options.keepAlivePeriodMs;
    m_nextPing = m_restartUntil + m_options.pingPeriodMs;
    ++m_restarts;
    const double seconds = std::chrono::duration<double>(now - m_started).count();
    char line[96];
    std::snprintf(line, sizeof line, "%10.3f -- restart after the factory reset: silent for %lld ms", seconds,
                  static_cast<long long>(m_options.restartMs.count()));
    if (m_logFile) {
        std::fprintf(m_logFile, "%s\n", line);
        std::fflush(m_logFile);
    }
    m_traffic.emplace_back(line);
}

} // namespace corvane::sim
