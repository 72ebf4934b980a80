// What the processor receives: the bytes taken off the line cut into frames and blocks, each
// kept with the times it was read, and handed to the processor's model.
#include "Simulator.h"

#include <algorithm>
#include <cstdio>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

bool StartsWith(const std::uint8_t* p, std::size_t n, const std::uint8_t* magic, std::size_t m) {
    return std::equal(p, p + std::min(n, m), magic);
}

} // namespace

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

} // namespace corvane::sim
