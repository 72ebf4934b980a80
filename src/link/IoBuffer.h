#pragma once

// The fixed-size buffers of overlapped operations and the pools that keep them.
//
// A buffer cycles free -> taken -> in flight -> completion handled -> free. A pool makes
// buffers one at a time as they are needed, never more than kPoolCapacity, and frees none
// of them before the pool itself goes: the steady state allocates nothing.

#include "platform/CompletionQueue.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace corvane {

class AsyIODevice;

inline constexpr std::size_t kIoBufferSize = 4096;
inline constexpr std::size_t kPoolCapacity = 100;

enum IoOperation : std::uint16_t {
    kIoOperationNone = 0,
    kIoOperationWrite = 1,
    kIoOperationRead = 2,
};

// One overlapped operation. `overlapped` is the first member, so the Overlapped pointer a
// completion packet carries is the buffer's address.
struct IoBuffer {
    Overlapped overlapped;
    std::array<std::uint8_t, kIoBufferSize> data;
    AsyIODevice* owner; // device whose handlers receive the completion; null: nobody
    std::uint16_t operation;
    // A write whose leaving the port someone waits for: the port's output is drained before the
    // write completes, and its completion reports the ticket (0: nobody waits).
    bool drain;
    std::uint32_t length; // bytes asked to be written
    std::uint64_t ticket;

    static IoBuffer* FromOverlapped(Overlapped* overlapped);
};

// What a device's handlers are told about a completion; made on the stack from the buffer.
struct IoInfo {
    std::uint8_t* data = nullptr;
    std::uint32_t bytes = 0;  // bytes transferred
    std::uint32_t status = 0; // the operation's status
    std::uint16_t operation = kIoOperationNone;
    std::uint32_t length = 0; // of a write: the bytes asked to be written
    std::uint64_t ticket = 0; // of a write: who waits for it to leave the port (0: nobody)
};

IoInfo MakeIoInfo(IoBuffer* buffer);

class BufferPool {
public:
    BufferPool(); // makes the first buffer
    ~BufferPool();
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;

    // A free buffer with its Overlapped, owner and operation cleared; a new one when none
    // is free and the pool is below kPoolCapacity; null when all are taken.
    IoBuffer* Take();

    // Gives a buffer back. Null, a buffer the pool did not make and a buffer that is
    // already free are ignored (false).
    bool Release(IoBuffer* buffer);

    std::size_t Size() const;  // buffers made
    std::size_t InUse() const; // buffers taken and not given back

    // Waits until every buffer is back.
    void WaitAllReleased();

private:
    void Grow(); // by one; m_lock held

    mutable std::mutex m_lock;
    std::condition_variable m_released;
    std::vector<std::unique_ptr<IoBuffer>> m_buffers;  // index = identity
    std::array<std::uint32_t, kPoolCapacity> m_free{}; // ring of free indices, first in first out
    std::size_t m_freeHead = 0;
    std::size_t m_freeCount = 0;
    std::array<bool, kPoolCapacity> m_isFree{};
};

} // namespace corvane
