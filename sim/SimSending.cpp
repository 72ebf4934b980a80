// What the processor sends: replies queued with their delays (the drop and delay faults),
// put on the wire (the silent, corrupt and garbage faults), the flood fed to the wire as fast as
// the line takes it, and the pings timed from the moment they are written to their answers.
#include "LinePacing.h"
#include "Simulator.h"
#include "device/ReplyDispatcher.h"

#include <algorithm>
#include <cstdio>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr std::size_t kWireLimit = 256 * 1024; // bytes waiting for a reader that never comes
// How much of the flood waits on the wire ahead of the line, without pacing.
constexpr std::size_t kFloodAheadUnpaced = 4096;

bool IsPingRecord(const std::uint8_t* bytes, std::size_t length) {
    return length == kFrameSize && FrameCode(bytes) == kReplyPing;
}

double Milliseconds(std::chrono::microseconds us) {
    return static_cast<double>(us.count()) / 1000.0;
}

} // namespace

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
    const std::size_t slice = SliceBytes(m_options.baud);
    const std::size_t ahead = m_options.pacing ? std::max(2 * kFrameSize, 2 * slice) : kFloodAheadUnpaced;
    const FloodContext context{m_model.State(), m_model.Versions(), m_model.SysInfo()};
    while (m_wire.size() < ahead && !m_floodPause && (running || m_flood.SplitPending())) {
        const FloodPiece piece = m_flood.Next(context);
        PushToWire(piece.bytes.data(), piece.bytes.size(), piece.endsWithPing);
        m_floodPause = piece.pauseAfter;
    }
}

} // namespace corvane::sim
