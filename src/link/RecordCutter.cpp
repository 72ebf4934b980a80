#include "link/RecordCutter.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

// True when the `n` bytes at `p` (n <= 4) are the start of the record magic.
bool IsMagicPrefix(const std::uint8_t* p, std::size_t n) {
    return std::equal(p, p + std::min<std::size_t>(n, kFrameMagic.size()), kFrameMagic.begin());
}

} // namespace

std::size_t RecordCutter::Drain(const std::uint8_t* data, std::size_t length, RecordSink& sink) {
    std::size_t pos = 0;
    while (pos < length) {
        const std::size_t avail = length - pos;
        const std::uint8_t* p = data + pos;
        const bool magic = IsMagicPrefix(p, avail);
        if (magic && avail < kFrameMagic.size())
            break; // could still become a record
        if (magic) {
            if (avail < kFrameSize)
                break;
            if (FrameChecksum(p) != p[kChecksumOffset]) {
                // A record with a wrong checksum is still decoded, unless the magic starts
                // again inside it: then it is the torn head of a record whose rest was lost,
                // and the record that starts inside it is the real one.
                std::size_t inner = 1;
                while (inner + kFrameMagic.size() <= kFrameSize && !HasFrameMagic(p + inner))
                    ++inner;
                if (inner + kFrameMagic.size() <= kFrameSize) {
                    m_skipped += inner;
                    pos += inner;
                    continue;
                }
            }
            sink.OnRecord(p);
            pos += kFrameSize;
            continue;
        }
        if (m_readBack) {
            if (avail < kBlockSize)
                break;
            sink.OnReadBackBlock(p);
            pos += kBlockSize;
            continue;
        }
        // Garbage: skip to the next place where the magic starts, or where the tail
        // could be the beginning of one.
        std::size_t next = pos + 1;
        while (next < length && !IsMagicPrefix(data + next, length - next))
            ++next;
        m_skipped += next - pos;
        pos = next;
    }
    return pos;
}

void RecordCutter::Feed(const std::uint8_t* data, std::size_t length, RecordSink& sink) {
    if (data == nullptr)
        return;
    if (m_length == 0) {
        // Nothing carried over: cut straight from the caller's bytes.
        const std::size_t used = Drain(data, length, sink);
        data += used;
        length -= used;
        if (length <= kCapacity) {
            std::memcpy(m_buffer.data(), data, length);
            m_length = length;
            return;
        }
    }
    while (length > 0) {
        const std::size_t take = std::min(length, kCapacity - m_length);
        std::memcpy(m_buffer.data() + m_length, data, take);
        m_length += take;
        data += take;
        length -= take;
        const std::size_t used = Drain(m_buffer.data(), m_length, sink);
        std::memmove(m_buffer.data(), m_buffer.data() + used, m_length - used);
        m_length -= used;
    }
}

void RecordCutter::Reset() {
    m_length = 0;
}

} // namespace corvane
