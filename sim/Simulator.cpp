#include "Simulator.h"

#include "FrameText.h"
#include "ReplyRecords.h"
#include "device/ReplyDispatcher.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr std::size_t kTrafficLines = 2000;
constexpr std::size_t kWireLimit = 256 * 1024; // bytes waiting for a reader that never comes
constexpr milliseconds kSplitGapMs{2};
constexpr milliseconds kIdleWakeMs{1000};
// How much of the flood waits on the wire ahead of the line, without pacing.
constexpr std::size_t kFloodAheadUnpaced = 4096;
constexpr std::size_t kReceivedLinesDefault = 20;

bool IsPingRecord(const std::uint8_t* bytes, std::size_t length) {
    return length == kFrameSize && FrameCode(bytes) == kReplyPing;
}

double Milliseconds(std::chrono::microseconds us) {
    return static_cast<double>(us.count()) / 1000.0;
}

speed_t SpeedOf(unsigned baud) {
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

unsigned BaudOf(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    case B460800:
        return 460800;
    case B921600:
        return 921600;
    default:
        return 0;
    }
}

// About a millisecond of wire time at `baud`, at least one byte: what is sent or taken at once.
// The read credit a line keeps: a wake-up up to this many slices late loses no time.
constexpr std::size_t kReadCatchUpSlices = 4;

std::size_t SliceBytes(unsigned baud) {
    return std::max<std::size_t>(1, baud / 10 / 1000);
}

// How long `bytes` take on the wire at `baud` (10 bits a byte), rounded up.
Clock::duration WireTime(std::size_t bytes, unsigned baud) {
    return std::chrono::ceil<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) * 10.0 / baud));
}

bool StartsWith(const std::uint8_t* p, std::size_t n, const std::uint8_t* magic, std::size_t m) {
    return std::equal(p, p + std::min(n, m), magic);
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool IsOn(const std::string& w) {
    return w == "on" || w == "1" || w == "yes";
}

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

bool Simulator::OpenTerminal(std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        CloseTerminal();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail("cannot open a pseudo-terminal");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("cannot unlock the pseudo-terminal");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("cannot name the pseudo-terminal");
    m_terminalPath = name;
    m_slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0)
        return fail("cannot open " + m_terminalPath);
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, SpeedOf(m_options.baud));
    tcsetattr(m_slave, TCSANOW, &t);

    MakeFolders(m_options.portsFolder);
    m_linkPath = m_options.portsFolder + "/COM" + std::to_string(m_options.port);
    struct stat st {};
    if (lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        unlink(m_linkPath.c_str());
    if (symlink(m_terminalPath.c_str(), m_linkPath.c_str()) != 0)
        return fail("cannot make the link " + m_linkPath);
    m_vanished = false;
    m_inStart += m_in.size();
    m_in.clear();
    m_slices.clear();
    m_readLine = {};
    return true;
}

void Simulator::CloseTerminal() {
    if (!m_linkPath.empty()) {
        char target[256];
        const ssize_t n = readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_terminalPath)
            unlink(m_linkPath.c_str());
    }
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
    m_slave = m_master = -1;
    m_queue.clear();
    Popped(m_wire.size(), false, Clock::now());
    m_wire.clear();
    m_pingEnds.clear();
    m_pings.unanswered += m_pingsOut.size();
    m_pingsOut.clear();
    m_floodPause = false;
}

bool Simulator::Start(std::string* error) {
    if (m_thread.joinable())
        return true;
    if (SpeedOf(m_options.baud) == B0) {
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

bool Simulator::BaudMatches() const {
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return true;
    return cfgetospeed(&t) == SpeedOf(m_options.baud);
}

unsigned Simulator::ApplicationBaud() const {
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return m_options.baud;
    const unsigned baud = BaudOf(cfgetospeed(&t));
    return baud != 0 ? baud : m_options.baud;
}

bool Simulator::MayRead(Clock::time_point now) const {
    return !Stalled(now) && (!m_options.pacing || ReadDue() <= now);
}

Clock::time_point Simulator::ReadDue() const {
    return m_readLine + WireTime(SliceBytes(m_readBaud), m_readBaud);
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

void Simulator::ReadFromLine(Clock::time_point now) {
    // Paced, a slice at a time: what the line has carried since the last slice. A late wake-up
    // is caught up (the line went on carrying bytes meanwhile, as a UART's receiver does), but
    // an idle line saves no more than kReadCatchUpSlices slices of credit. Unpaced, everything
    // that waits.
    std::uint8_t buffer[4096];
    // The rate as the application set it now: it may have changed it while the loop slept, and
    // bytes at the new rate must not be taken at the old one.
    m_readBaud = ApplicationBaud();
    const bool matches = BaudMatches();
    do {
        std::size_t want = sizeof buffer;
        if (m_options.pacing) {
            const std::size_t most = SliceBytes(m_readBaud) * kReadCatchUpSlices;
            m_readLine = std::max(m_readLine, now - WireTime(most, m_readBaud));
            const double due = std::chrono::duration<double>(now - m_readLine).count() * m_readBaud / 10.0;
            want = std::min(most, static_cast<std::size_t>(due));
            if (want == 0)
                return;
        }
        const ssize_t n = read(m_master, buffer, want);
        if (n <= 0)
            break;
        const Clock::time_point taken = Clock::now();
        if (m_options.pacing)
            m_readLine += WireTime(static_cast<std::size_t>(n), m_readBaud);
        if (m_options.faults.silent || Restarting(taken))
            continue;
        if (!matches) {
            // Bytes sent at another rate arrive as noise.
            m_notUnderstood += static_cast<std::uint64_t>(n);
            continue;
        }
        m_in.insert(m_in.end(), buffer, buffer + n);
        m_slices.emplace_back(m_inStart + m_in.size(), taken);
        Cut();
    } while (!m_options.pacing);
}

Clock::time_point Simulator::TakenAt(std::uint64_t offset) const {
    const auto it = std::upper_bound(m_slices.begin(), m_slices.end(), offset,
                                     [](std::uint64_t o, const auto& slice) { return o < slice.first; });
    return it == m_slices.end() ? Clock::now() : it->second;
}

void Simulator::Remember(const std::uint8_t* bytes, std::size_t length, std::size_t at) {
    ReceivedItem item;
    if (length == kFrameSize)
        item.code = FrameCode(bytes);
    else
        item.kind = IsDataPacket(bytes) ? ReceivedItem::Kind::DataPacket : ReceivedItem::Kind::PresetFile;
    item.first = TakenAt(m_inStart + at);
    item.last = TakenAt(m_inStart + at + length - 1);
    m_receivedItems.push_back(item);
    if (m_receivedItems.size() > kReceivedItemsKept)
        m_receivedItems.pop_front();
}

std::string Simulator::ReceivedLines(std::size_t last) const {
    // Times in seconds since the start; the quiet is the time from the previous item's last
    // byte to this one's first byte.
    const std::size_t n = std::min(last, m_receivedItems.size());
    std::string lines;
    for (std::size_t i = m_receivedItems.size() - n; i < m_receivedItems.size(); ++i) {
        const ReceivedItem& item = m_receivedItems[i];
        char quiet[32] = "-";
        if (i > 0)
            std::snprintf(
                quiet, sizeof quiet, "%.3f",
                std::chrono::duration<double, std::milli>(item.first - m_receivedItems[i - 1].last).count());
        char what[32];
        if (item.kind == ReceivedItem::Kind::Frame)
            std::snprintf(what, sizeof what, "frame 0x%04X", item.code);
        else
            std::snprintf(what, sizeof what, "block %s",
                          item.kind == ReceivedItem::Kind::DataPacket ? "data-packet" : "preset-file");
        char line[160];
        std::snprintf(line, sizeof line, "received first-s=%.6f last-s=%.6f quiet-ms=%s %s\n",
                      std::chrono::duration<double>(item.first - m_started).count(),
                      std::chrono::duration<double>(item.last - m_started).count(), quiet, what);
        lines += line;
    }
    return lines;
}

void Simulator::Cut() {
    const std::uint8_t* frameMagic = kFrameMagic.data();
    const std::uint8_t* blockMagic = kBlockMagic.data();
    std::size_t pos = 0;
    while (pos < m_in.size()) {
        const std::size_t avail = m_in.size() - pos;
        const std::uint8_t* p = m_in.data() + pos;
        const bool frame = StartsWith(p, avail, frameMagic, 4);
        const bool block = StartsWith(p, avail, blockMagic, 8);
        if (frame && avail >= 4) {
            if (avail < kFrameSize)
                break;
            Remember(p, kFrameSize, pos);
            Handle(p, kFrameSize);
            pos += kFrameSize;
            if (Restarting(Clock::now())) {
                pos = m_in.size(); // what came after the reset is lost with the restart
                break;
            }
        } else if (block && avail >= 8) {
            if (avail < kBlockSize)
                break;
            Remember(p, kBlockSize, pos);
            Handle(p, kBlockSize);
            pos += kBlockSize;
        } else if (frame || block) {
            break; // the start of a magic: wait for more
        } else {
            ++pos;
            ++m_notUnderstood;
        }
    }
    m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(pos));
    m_inStart += pos;
    while (!m_slices.empty() && m_slices.front().first <= m_inStart)
        m_slices.pop_front();
}

void Simulator::Handle(const std::uint8_t* bytes, std::size_t length) {
    Log(true, bytes, length);
    if (length == kFrameSize) {
        ++m_received[FrameCode(bytes)];
        if (FrameCode(bytes) == kCmdPing)
            PingAnswered(Clock::now());
        if (FrameCode(bytes) == kCmdRequestAll && m_floodArmed && !m_model.InBootLoader()) {
            m_floodArmed = false;
            StartFlood(m_options.faults.flood); // after the state it asked for
        }
        Queue(m_model.OnCommand(bytes));
        if (m_model.TakeRestart())
            StartRestart(Clock::now());
    } else {
        ++m_received[IsDataPacket(bytes) ? 0xD47A : 0xB10C];
        Queue(m_model.OnBlock(bytes));
        const int vanishAfter = m_options.faults.vanishAfterPackets;
        if (vanishAfter > 0 && IsDataPacket(bytes) &&
            m_model.PacketsReceived() >= static_cast<std::uint64_t>(vanishAfter)) {
            m_options.faults.vanishAfterPackets = 0;
            CloseTerminal();
            m_vanished = true;
        }
    }
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

void Simulator::QueueNow(const Frame& f, bool reply) {
    Outgoing o{milliseconds(0), std::vector<std::uint8_t>(f.begin(), f.end()), reply};
    Queue({o});
}

void Simulator::Queue(std::vector<Outgoing> out) {
    const Clock::time_point now = Clock::now();
    for (Outgoing& o : out) {
        Clock::time_point due = now + o.delay;
        if (o.reply) {
            if (m_options.faults.drop > 0) {
                --m_options.faults.drop;
                Log(false, o.bytes.data(), o.bytes.size(), " DROPPED");
                continue;
            }
            due += m_options.faults.delay;
        }
        Scheduled s{due, std::move(o.bytes), o.reply};
        auto at = std::upper_bound(m_queue.begin(), m_queue.end(), s.due,
                                   [](Clock::time_point t, const Scheduled& e) { return t < e.due; });
        m_queue.insert(at, std::move(s));
    }
    Wake();
}

void Simulator::MoveDueToWire(Clock::time_point now) {
    if (m_floodPause)
        return; // nothing comes between the head of a split record and its rest
    while (!m_queue.empty() && m_queue.front().due <= now) {
        Scheduled s = std::move(m_queue.front());
        m_queue.erase(m_queue.begin());
        if (m_options.faults.silent)
            continue;
        const char* note = "";
        if (m_options.faults.corrupt > 0 && s.bytes.size() == kFrameSize) {
            --m_options.faults.corrupt;
            s.bytes[kChecksumOffset] ^= 0xA5;
            note = " (checksum corrupted)";
        }
        if (m_options.faults.garbage && m_random() % 3 == 0) {
            const int n = 1 + static_cast<int>(m_random() % 7);
            for (int i = 0; i < n; ++i) {
                std::uint8_t b = static_cast<std::uint8_t>(m_random());
                if (b == 0xED || b == 0xD2)
                    b = 0x00;
                m_wire.push_back(b);
            }
        }
        Log(false, s.bytes.data(), s.bytes.size(), note);
        PushToWire(s.bytes.data(), s.bytes.size(), IsPingRecord(s.bytes.data(), s.bytes.size()));
    }
    if (m_wire.size() > kWireLimit) {
        const std::size_t excess = m_wire.size() - kWireLimit;
        m_wire.erase(m_wire.begin(), m_wire.begin() + static_cast<std::ptrdiff_t>(excess));
        Popped(excess, false, now);
    }
}

void Simulator::PushToWire(const std::uint8_t* bytes, std::size_t length, bool endsWithPing) {
    m_wire.insert(m_wire.end(), bytes, bytes + length);
    m_wirePushed += length;
    if (endsWithPing)
        m_pingEnds.push_back(m_wirePushed);
}

void Simulator::Popped(std::size_t length, bool written, Clock::time_point now) {
    m_wirePopped += length;
    while (!m_pingEnds.empty() && m_pingEnds.front() <= m_wirePopped) {
        m_pingEnds.pop_front();
        if (written) {
            m_pingsOut.push_back(now);
            ++m_pings.sent;
        }
    }
}

void Simulator::PingAnswered(Clock::time_point now) {
    while (!m_pingsOut.empty() && now - m_pingsOut.front() > kPingAnswerWindowMs) {
        m_pingsOut.pop_front();
        ++m_pings.unanswered;
    }
    if (m_pingsOut.empty()) {
        ++m_pings.unexpected;
        return;
    }
    const auto trip = std::chrono::duration_cast<std::chrono::microseconds>(now - m_pingsOut.front());
    m_pingsOut.pop_front();
    ++m_pings.answered;
    m_pings.last = trip;
    m_pings.longest = std::max(m_pings.longest, trip);
}

std::string Simulator::PingLine() const {
    char line[200];
    std::snprintf(line, sizeof line,
                  "pings sent=%llu answered=%llu waiting=%zu unanswered=%llu unexpected=%llu longest-ms=%.3f "
                  "last-ms=%.3f\n",
                  static_cast<unsigned long long>(m_pings.sent),
                  static_cast<unsigned long long>(m_pings.answered), m_pingsOut.size(),
                  static_cast<unsigned long long>(m_pings.unanswered),
                  static_cast<unsigned long long>(m_pings.unexpected), Milliseconds(m_pings.longest),
                  Milliseconds(m_pings.last));
    return line;
}

void Simulator::StartFlood(milliseconds duration) {
    const Clock::time_point now = Clock::now();
    m_floodArmed = false;
    m_floodUntil = duration.count() > 0 ? now + duration : Clock::time_point{};
    char note[96];
    std::snprintf(note, sizeof note, "flood %s (%.3f s)", duration.count() > 0 ? "starts" : "stops",
                  static_cast<double>(duration.count()) / 1000.0);
    const double seconds = std::chrono::duration<double>(now - m_started).count();
    char line[160];
    std::snprintf(line, sizeof line, "%10.3f -- %s", seconds, note);
    if (m_logFile) {
        std::fprintf(m_logFile, "%s\n", line);
        std::fflush(m_logFile);
    }
    m_traffic.emplace_back(line);
    if (m_traffic.size() > kTrafficLines)
        m_traffic.pop_front();
    Wake();
}

void Simulator::FeedFlood(Clock::time_point now) {
    // The flood is not in the traffic log record by record: at line rate that would be most
    // of the simulator's work. Its start and end are, and `state` counts what it sent.
    const bool running = FloodRunning(now);
    if ((!running && !m_flood.SplitPending()) || m_master < 0 || m_options.faults.silent)
        return;
    if (m_floodPause) {
        // The head of a split record is on the line; its rest follows after a pause.
        if (!m_wire.empty())
            return;
        if (m_floodResume == Clock::time_point{}) {
            m_floodResume = std::max(now, m_lineFree) + kSplitGapMs;
            return;
        }
        if (now < m_floodResume)
            return;
        m_floodPause = false;
        m_floodResume = {};
    }
    // Only a little ahead of the line: the flood goes at the speed the line takes it, and
    // what the application has not read yet waits in the terminal, not here.
    const std::size_t slice = std::max<std::size_t>(1, m_options.baud / 10 / 1000);
    const std::size_t ahead = m_options.pacing ? std::max(2 * kFrameSize, 2 * slice) : kFloodAheadUnpaced;
    const FloodContext context{m_model.State(), m_model.Versions(), m_model.SysInfo()};
    while (m_wire.size() < ahead && !m_floodPause && (running || m_flood.SplitPending())) {
        const FloodPiece piece = m_flood.Next(context);
        PushToWire(piece.bytes.data(), piece.bytes.size(), piece.endsWithPing);
        m_floodPause = piece.pauseAfter;
    }
}

void Simulator::WriteToLine(Clock::time_point now) {
    while (!m_wire.empty() && now >= m_lineFree && m_master >= 0) {
        std::size_t chunk = m_wire.size();
        if (m_options.faults.split)
            chunk = std::min<std::size_t>(chunk, 1 + m_random() % 20);
        else if (m_options.pacing)
            chunk = std::min<std::size_t>(chunk, std::max<std::size_t>(1, m_options.baud / 10 / 1000));
        std::uint8_t buffer[4096];
        chunk = std::min(chunk, sizeof buffer);
        std::copy(m_wire.begin(), m_wire.begin() + static_cast<std::ptrdiff_t>(chunk), buffer);
        if (!BaudMatches()) {
            // Read at another rate, every byte arrives as something else.
            for (std::size_t i = 0; i < chunk; ++i)
                buffer[i] = (buffer[i] & 0x10) ? 0xFF : 0x00;
        }
        const ssize_t n = write(m_master, buffer, chunk);
        if (n <= 0)
            return; // nobody reads the line: try again later
        m_wire.erase(m_wire.begin(), m_wire.begin() + n);
        Popped(static_cast<std::size_t>(n), true, Clock::now());
        const auto wire = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(n) * 10.0 / m_options.baud));
        if (m_options.faults.split)
            m_lineFree = now + std::max<Clock::duration>(wire, kSplitGapMs);
        else if (m_options.pacing)
            m_lineFree = std::max(m_lineFree, now) + wire;
        if (m_options.pacing || m_options.faults.split)
            return;
    }
}

std::string Simulator::Help() {
    return "state                         the processor's state\n"
           "log [N]                       the last N lines of the traffic log (default 20)\n"
           "count CODE                    frames received with CODE (hex, e.g. 0x0006)\n"
           "received [N]                  the last N items received, when read, the quiet before each\n"
           "signal INPUT on|off [W H HZx10] change the signal on input 0..3\n"
           "fault silent on|off           send nothing, ignore everything (link loss)\n"
           "fault drop N                  drop the next N replies\n"
           "fault delay MS                delay every reply by MS milliseconds\n"
           "fault corrupt N               corrupt the checksum of the next N records\n"
           "fault split on|off            write records in small pieces\n"
           "fault garbage on|off          put garbage bytes between records\n"
           "fault refuse-upgrade on|off   every image ends with a failed result\n"
           "fault refuse-resolution on|off every change of an output's resolution is refused\n"
           "fault no-announce on|off      the boot loader does not announce itself\n"
           "fault no-result on|off        an image is taken but its result never comes\n"
           "fault damage-packet N         the Nth data packet of each image arrives damaged (0: none)\n"
           "fault readback-damage N       read-back block N goes out with a bad checksum (0: none)\n"
           "fault readback-skip N         read-back block N is not sent (0: none)\n"
           "fault vanish-after-packets N  the cable is pulled after N data packets (0: never)\n"
           "fault stall MS                stop reading for MS milliseconds (0 ends it)\n"
           "image TARGET                  size and FNV-1a hash of the stored image (fpga, mcu, hdmirx)\n"
           "image TARGET damage BLOCK     flip a byte of block BLOCK (from 0) of the stored image\n"
           "fault flood SECONDS           every reply kind at line rate for SECONDS (0 stops)\n"
           "fault clear                   no faults\n"
           "preset store SLOT             store the setting the processor runs as its preset SLOT (0..9)\n"
           "takeover                      acknowledgement 11: another client took the processor\n"
           "announce [STATUS]             boot-loader announce 0x8002 (0 enters the boot loader)\n"
           "ping                          send a ping now\n"
           "pings [reset]                 pings sent and answered, the longest round trip\n"
           "sysinfo FLAGS                 presence flags of the 13 components, e.g. 1111111111110\n"
           "vanish                        close the line and remove the COM link (cable pulled)\n"
           "appear                        open a new line and link again\n"
           "port                          the COM link and the terminal behind it\n"
           "quit                          end the simulator\n";
}

std::string Simulator::Control(const std::string& line) {
    const std::vector<std::string> w = Words(line);
    if (w.empty())
        return "ok\n";
    const std::string& verb = w[0];
    auto arg = [&](std::size_t i) { return i < w.size() ? w[i] : std::string(); };
    auto number = [&](std::size_t i, long fallback) {
        if (i >= w.size())
            return fallback;
        return std::strtol(w[i].c_str(), nullptr, 0);
    };
    std::ostringstream out;
    if (verb == "help") {
        out << Help();
    } else if (verb == "state") {
        out << m_model.Describe();
        out << "line "
            << (m_vanished                 ? "vanished"
                : Restarting(Clock::now()) ? "restarting"
                                           : "up")
            << " restarts=" << m_restarts << " baud=" << m_options.baud
            << " application-baud-matches=" << (BaudMatches() ? 1 : 0)
            << " not-understood=" << m_notUnderstood << "\n";
        const Faults& f = m_options.faults;
        out << "faults silent=" << (f.silent ? 1 : 0) << " drop=" << f.drop << " delay-ms=" << f.delay.count()
            << " corrupt=" << f.corrupt << " split=" << (f.split ? 1 : 0)
            << " garbage=" << (f.garbage ? 1 : 0) << " refuse-upgrade=" << (f.refuseUpgrade ? 1 : 0)
            << " refuse-resolution=" << (f.refuseResolution ? 1 : 0)
            << " no-announce=" << (f.upgrade.noAnnounce ? 1 : 0)
            << " no-result=" << (f.upgrade.noResult ? 1 : 0) << " damage-packet=" << f.upgrade.damagePacket
            << " readback-damage=" << f.upgrade.damageReadBack << " readback-skip=" << f.upgrade.skipReadBack
            << " vanish-after-packets=" << f.vanishAfterPackets << " stall-ms="
            << (Stalled(Clock::now()) ? std::chrono::ceil<milliseconds>(m_stallUntil - Clock::now()).count()
                                      : 0)
            << "\n";
        const FloodCounts& fc = m_flood.Counts();
        const Clock::time_point now = Clock::now();
        out << "flood " << (FloodRunning(now) ? "on" : (m_floodArmed ? "armed" : "off")) << " remaining-ms="
            << (FloodRunning(now) ? std::chrono::duration_cast<milliseconds>(m_floodUntil - now).count() : 0)
            << " records=" << fc.records << " pings=" << fc.pings << " noise-bytes=" << fc.noiseBytes
            << " torn=" << fc.tornHeads << " split=" << fc.splitRecords << "\n";
        out << PingLine();
    } else if (verb == "log") {
        const std::size_t n = static_cast<std::size_t>(number(1, 20));
        const std::size_t first = m_traffic.size() > n ? m_traffic.size() - n : 0;
        for (std::size_t i = first; i < m_traffic.size(); ++i)
            out << m_traffic[i] << "\n";
    } else if (verb == "received") {
        out << ReceivedLines(static_cast<std::size_t>(number(1, kReceivedLinesDefault)));
    } else if (verb == "count") {
        const auto code = static_cast<std::uint16_t>(number(1, 0));
        const auto it = m_received.find(code);
        out << "count " << arg(1) << " " << (it == m_received.end() ? 0 : it->second) << "\n";
    } else if (verb == "signal") {
        const int input = static_cast<int>(number(1, -1));
        if (input < 0 || input > 3)
            return "error: signal needs an input 0..3\n";
        Queue(m_model.SetInputSignal(input, IsOn(arg(2)), static_cast<std::uint16_t>(number(3, 0)),
                                     static_cast<std::uint16_t>(number(4, 0)),
                                     static_cast<std::uint16_t>(number(5, 0))));
    } else if (verb == "fault") {
        Faults& f = m_options.faults;
        const std::string what = arg(1);
        if (what == "silent")
            f.silent = IsOn(arg(2));
        else if (what == "drop")
            f.drop = static_cast<int>(number(2, 1));
        else if (what == "delay")
            f.delay = milliseconds(number(2, 0));
        else if (what == "corrupt")
            f.corrupt = static_cast<int>(number(2, 1));
        else if (what == "split")
            f.split = IsOn(arg(2));
        else if (what == "garbage")
            f.garbage = IsOn(arg(2));
        else if (what == "refuse-upgrade")
            f.refuseUpgrade = IsOn(arg(2));
        else if (what == "refuse-resolution")
            f.refuseResolution = IsOn(arg(2));
        else if (what == "no-announce")
            f.upgrade.noAnnounce = IsOn(arg(2));
        else if (what == "no-result")
            f.upgrade.noResult = IsOn(arg(2));
        else if (what == "damage-packet")
            f.upgrade.damagePacket = static_cast<int>(number(2, 0));
        else if (what == "readback-damage")
            f.upgrade.damageReadBack = static_cast<int>(number(2, 0));
        else if (what == "readback-skip")
            f.upgrade.skipReadBack = static_cast<int>(number(2, 0));
        else if (what == "vanish-after-packets")
            f.vanishAfterPackets = static_cast<int>(number(2, 0));
        else if (what == "stall") {
            if (arg(2).empty() || number(2, -1) < 0)
                return "error: fault stall needs MS\n";
            f.stall = milliseconds(number(2, 0));
            m_stallUntil = Clock::now() + f.stall;
        } else if (what == "flood") {
            const double seconds = std::strtod(arg(2).c_str(), nullptr);
            if (arg(2).empty() || !(seconds >= 0))
                return "error: fault flood needs SECONDS\n";
            f.flood = milliseconds(static_cast<long long>(seconds * 1000.0));
            StartFlood(f.flood);
        } else if (what == "clear") {
            f = Faults{};
            m_stallUntil = {};
            if (FloodRunning(Clock::now()))
                StartFlood(milliseconds(0));
            m_floodArmed = false;
        } else
            return "error: unknown fault '" + what + "'\n";
        m_model.SetRefuseUpgrade(f.refuseUpgrade);
        m_model.SetRefuseResolution(f.refuseResolution);
        m_model.SetUpgradeFaults(f.upgrade);
    } else if (verb == "preset") {
        if (arg(1) != "store" || w.size() != 3)
            return "error: preset store SLOT\n";
        if (!m_model.StorePreset(static_cast<int>(number(2, -1))))
            return "error: the slot is 0..9\n";
    } else if (verb == "takeover") {
        QueueNow(AckReply(kAckTakenOver, 1, 0), false);
    } else if (verb == "announce") {
        const auto status = static_cast<std::uint8_t>(number(1, 0));
        if (status == 0) {
            std::vector<Outgoing> a = m_model.EnterBootLoader();
            a[0].reply = false;
            Queue(a);
        } else {
            QueueNow(AnnounceReply(status), false);
        }
    } else if (verb == "ping") {
        QueueNow(SimpleReply(0xB3), false);
    } else if (verb == "pings") {
        if (arg(1) == "reset") {
            // Pings on their way count as sent from now on.
            m_pings = PingStats{};
            m_pings.sent = m_pingsOut.size();
        }
        out << PingLine();
    } else if (verb == "sysinfo") {
        const std::string flags = arg(1);
        if (flags.size() != 13 || flags.find_first_not_of("01") != std::string::npos)
            return "error: sysinfo needs 13 flags, each 0 or 1\n";
        std::array<std::uint8_t, 13> v{};
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i] = flags[i] == '1' ? 1 : 0;
        m_model.SetSysInfo(v);
    } else if (verb == "image") {
        const std::string which = arg(1);
        const Target target = which == "mcu"      ? Target::Mcu
                              : which == "hdmirx" ? Target::HdmiRx
                                                  : Target::Fpga;
        if (which != "fpga" && which != "mcu" && which != "hdmirx")
            return "error: image needs fpga, mcu or hdmirx\n";
        if (arg(2) == "damage") {
            if (!m_model.DamageImage(target, static_cast<std::size_t>(number(3, 0))))
                return "error: the image has no such block\n";
        } else {
            const std::vector<std::uint8_t>& image = m_model.Image(target);
            std::uint64_t hash = 1469598103934665603ull;
            for (std::uint8_t b : image)
                hash = (hash ^ b) * 1099511628211ull;
            char line[96];
            std::snprintf(line, sizeof line, "image %s size=%zu fnv1a=%016llx\n", which.c_str(), image.size(),
                          static_cast<unsigned long long>(hash));
            out << line;
        }
    } else if (verb == "vanish") {
        CloseTerminal();
        m_vanished = true;
    } else if (verb == "appear") {
        if (m_vanished) {
            std::string error;
            if (!OpenTerminal(&error))
                return "error: " + error + "\n";
        }
    } else if (verb == "port") {
        out << "link " << m_linkPath << " terminal " << m_terminalPath << "\n";
    } else if (verb == "quit") {
        m_stop = true;
    } else {
        return "error: unknown command '" + verb + "' (try help)\n";
    }
    out << "ok\n";
    return out.str();
}

} // namespace corvane::sim
