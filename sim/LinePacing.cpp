// The pace of a real line: what is sent goes out at the wire speed of the processor's rate,
// and what is received is taken off the terminal no faster than the application's rate carries
// it (10 bits a byte, in slices of about a millisecond of wire time).
#include "LinePacing.h"

#include "Simulator.h"

#include <algorithm>
#include <unistd.h>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::size_t SliceBytes(unsigned baud) {
    return std::max<std::size_t>(1, baud / 10 / 1000);
}

Clock::duration WireTime(std::size_t bytes, unsigned baud) {
    return std::chrono::ceil<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) * 10.0 / baud));
}

bool Simulator::MayRead(Clock::time_point now) const {
    return !Stalled(now) && (!m_options.pacing || ReadDue() <= now);
}

Clock::time_point Simulator::ReadDue() const {
    return m_readLine + WireTime(SliceBytes(m_readBaud), m_readBaud);
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

void Simulator::WriteToLine(Clock::time_point now) {
    while (!m_wire.empty() && now >= m_lineFree && m_master >= 0) {
        std::size_t chunk = m_wire.size();
        if (m_options.faults.split)
            chunk = std::min<std::size_t>(chunk, 1 + m_random() % 20);
        else if (m_options.pacing)
            chunk = std::min(chunk, SliceBytes(m_options.baud));
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

} // namespace corvane::sim
