#include "Flood.h"

#include "device/ReplyDispatcher.h"

#include <algorithm>

namespace corvane::sim {

namespace {

// One group in this many gets noise bytes before it, a torn head, or its first record split.
constexpr int kNoiseOneIn = 4;
constexpr int kTornOneIn = 16;
constexpr int kSplitOneIn = 64;
constexpr int kMostRepeats = 4;

std::uint8_t NoiseByte(std::uint32_t r) {
    const auto b = static_cast<std::uint8_t>(r);
    // Neither the record magic's nor the block magic's first byte: noise never starts a record.
    return b == kFrameMagic[0] || b == 0xD2 ? 0x00 : b;
}

bool IsPing(const Frame& f) {
    return FrameCode(f.data()) == kReplyPing;
}

} // namespace

FloodSource::FloodSource(std::uint32_t seed) : m_random(seed) {}

const std::vector<std::array<std::uint8_t, 2>>& FloodSource::BoxAcknowledgements() {
    static const std::vector<std::array<std::uint8_t, 2>> boxes = {
        {kAckOutput, 0}, {kAckOutput, 1}, {kAckOutputWindow, 1}, {kAckCrop, 1}, {kAckPicture, 0},
        {kAckEdid, 0},   {kAckEdid, 1},   {kAckWifi, 0},         {kAckWifi, 1},
    };
    return boxes;
}

void FloodSource::NewRound(const FloodContext& c) {
    const DeviceState& s = c.state;
    std::vector<Group> round;
    auto add = [&](const Frame& f, int repeats = 1) { round.push_back(Group{f, repeats}); };
    const int input = s.currentInput < 4 ? static_cast<int>(s.currentInput) : 0;
    add(VersionsReply(c.versions));
    add(InputStatusReply(s, input));
    add(EdidReply(s, Below(4)));
    add(CropReply(s, Below(2)));
    add(LayerReply(s, Below(4)));
    add(BlendReply(s, Below(4)));
    add(CurveReply(s, Below(4)));
    add(OutputReply(s, Below(4)));
    add(PictureReply(s, Below(2)));
    add(WifiReply(s));
    add(SimpleReply(kReplyKeepAlive));
    add(SimpleReply(kReplyDone));
    add(SimpleReply(kReplyPing));
    // Every operation once with either result (the output acknowledgement may name all four
    // outputs), then the ones shown in a box, each repeated as a processor that answers
    // more than once does.
    for (std::uint8_t op = kAckOutput; op < kAckTakenOver; ++op)
        add(AckReply(op, static_cast<std::uint8_t>(Below(2)),
                     static_cast<std::uint8_t>(Below(op == kAckOutput ? 5 : 4))));
    for (const auto& [op, status] : BoxAcknowledgements())
        add(AckReply(op, status, static_cast<std::uint8_t>(Below(op == kAckOutput ? 5 : 4))),
            1 + Below(kMostRepeats));
    add(SysInfoReply(c.sysInfo), 1 + Below(kMostRepeats));
    std::shuffle(round.begin(), round.end(), m_random);
    m_round.assign(round.begin(), round.end());
}

FloodPiece FloodSource::Next(const FloodContext& context) {
    FloodPiece piece;
    if (!m_splitRest.empty()) {
        piece.bytes = std::move(m_splitRest);
        m_splitRest.clear();
        ++m_counts.records;
        return piece;
    }
    if (m_round.empty())
        NewRound(context);
    Group group = m_round.front();
    m_round.pop_front();
    std::vector<std::uint8_t>& out = piece.bytes;
    const Frame& f = group.frame;
    const bool ping = IsPing(f);

    if (Below(kNoiseOneIn) == 0) {
        const int n = 1 + Below(7);
        for (int i = 0; i < n; ++i)
            out.push_back(NoiseByte(m_random()));
        m_counts.noiseBytes += static_cast<std::uint64_t>(n);
    }
    if (!ping && Below(kTornOneIn) == 0) {
        // The head of a record whose tail was lost. The 39 bytes it makes with the start of
        // the next record must have a wrong checksum, or the cutter would take them for a
        // record and lose the next one.
        const Frame other = LayerReply(context.state, Below(4));
        const std::size_t k = 7 + static_cast<std::size_t>(Below(24));
        Frame window{};
        std::copy(other.begin(), other.begin() + static_cast<std::ptrdiff_t>(k), window.begin());
        std::copy(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(kFrameSize - k),
                  window.begin() + static_cast<std::ptrdiff_t>(k));
        if (FrameChecksum(window.data()) == window[kChecksumOffset])
            ++window[k - 1];
        out.insert(out.end(), window.begin(), window.begin() + static_cast<std::ptrdiff_t>(k));
        ++m_counts.tornHeads;
    }
    if (!ping && Below(kSplitOneIn) == 0) {
        const std::size_t cut = 1 + static_cast<std::size_t>(Below(static_cast<int>(kFrameSize) - 1));
        out.insert(out.end(), f.begin(), f.begin() + static_cast<std::ptrdiff_t>(cut));
        m_splitRest.assign(f.begin() + static_cast<std::ptrdiff_t>(cut), f.end());
        for (int i = 1; i < group.repeats; ++i)
            m_splitRest.insert(m_splitRest.end(), f.begin(), f.end());
        m_counts.records += static_cast<std::uint64_t>(group.repeats - 1);
        ++m_counts.splitRecords;
        piece.pauseAfter = true;
        return piece;
    }
    for (int i = 0; i < group.repeats; ++i)
        out.insert(out.end(), f.begin(), f.end());
    m_counts.records += static_cast<std::uint64_t>(group.repeats);
    if (ping) {
        ++m_counts.pings;
        piece.endsWithPing = true;
    }
    return piece;
}

} // namespace corvane::sim
