#pragma once

// Cuts the bytes received from the processor into whole 39-byte records and, while a
// firmware read-back runs, whole 1039-byte read-back blocks.
//
// Reads may end anywhere: an incomplete record at the end of one read is kept and
// completed by the bytes of the next, so no record is lost however the stream is split.
// A record is recognised by its magic (ED CB 28 38); bytes that cannot start one are
// skipped until the magic appears again. A record with a wrong checksum is still handed
// on and decoded; only when the magic starts again inside such a record is its head taken
// for the torn remains of a record that lost its tail, and skipped.
//
// Read-back blocks carry no usable magic of their own, so they are only expected while
// the upgrade dialog has asked for them (SetReadBackExpected). In that mode, data that
// starts with the record magic is a record, anything else starts a 1039-byte block.
//
// Not thread-safe: one cutter belongs to one port, fed by the single read in flight.

#include "link/CommandFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void OnRecord(const std::uint8_t* record) = 0;       // kFrameSize bytes
    virtual void OnReadBackBlock(const std::uint8_t* block) = 0; // kBlockSize bytes
};

class RecordCutter {
public:
    // Hands every whole record and block in `data` (after any carried tail) to `sink`,
    // in order, and keeps an incomplete tail for the next call.
    void Feed(const std::uint8_t* data, std::size_t length, RecordSink& sink);

    // Drops the carried tail (the port was closed or reopened).
    void Reset();

    void SetReadBackExpected(bool expected) { m_readBack = expected; }
    bool ReadBackExpected() const { return m_readBack; }

    std::size_t PendingBytes() const { return m_length; }
    std::uint64_t SkippedBytes() const { return m_skipped; }

private:
    // Consumes whole units from the front of [data, data + length); returns how many
    // bytes were consumed (records, blocks and skipped garbage).
    std::size_t Drain(const std::uint8_t* data, std::size_t length, RecordSink& sink);

    static constexpr std::size_t kCapacity = 4096;
    std::array<std::uint8_t, kCapacity> m_buffer{};
    std::size_t m_length = 0;
    std::uint64_t m_skipped = 0;
    bool m_readBack = false;
};

} // namespace corvane
