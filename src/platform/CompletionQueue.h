#pragma once

// The completion queue that the I/O engine's worker threads wait on. An asynchronous file
// attached to the queue reports each finished operation as one packet; anyone may post a
// packet of their own (the engine posts its stop key this way).

#include "platform/RingQueue.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvane {

// The state of one asynchronous operation. The file fills it in when the operation has
// finished, before the packet is queued; it is the first member of the I/O engine's
// buffers, so the pointer in a packet leads back to its buffer.
struct Overlapped {
    std::uint32_t status = 0; // kIoSuccess or the error the operation ended with
    std::uint32_t bytes = 0;  // bytes transferred
};

struct CompletionPacket {
    std::uint32_t bytes = 0;
    std::uintptr_t key = 0;           // the key the file was attached with, or a posted key
    Overlapped* overlapped = nullptr; // the finished operation; null for a posted key
    std::uint32_t status = 0;         // kIoSuccess or the operation's error
};

class CompletionQueue {
public:
    CompletionQueue();
    CompletionQueue(const CompletionQueue&) = delete;
    CompletionQueue& operator=(const CompletionQueue&) = delete;

    // Queues a packet and wakes one waiting thread. Never blocks on the consumers.
    void Post(const CompletionPacket& packet);

    // Waits without time limit for the next packet. Returns true when the packet reports
    // success, false when it reports a failed operation (its status says why).
    bool Wait(CompletionPacket& packet);

    // As Wait, but gives up after `timeout`; `timedOut` tells which happened.
    bool WaitFor(CompletionPacket& packet, std::chrono::milliseconds timeout, bool& timedOut);

    std::size_t Pending() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    RingQueue<CompletionPacket> m_packets;
};

} // namespace corvane
