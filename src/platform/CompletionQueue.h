#pragma once

// The completion queue that the I/O engine's worker threads wait on. An asynchronous file
// attached to the queue reports each finished operation as one packet; anyone may post a
// packet of their own (the engine posts its stop key this way). On Windows it is an I/O
// completion port.

#include "platform/RingQueue.h"

#include <atomic>
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

    // Packets queued and not taken yet. On Windows: the posted ones (a completion port does
    // not tell how many completions of files it holds).
    std::size_t Pending() const;

#ifdef _WIN32
    ~CompletionQueue();
    // The completion port (a HANDLE) the files of this layer attach to.
    void* Port() const {
        return m_port;
    }

private:
    bool Take(CompletionPacket& packet, unsigned long timeoutMs, bool& timedOut);

    void* m_port = nullptr;
    std::atomic<std::size_t> m_posted{0}; // posted and not yet taken
#else
private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    RingQueue<CompletionPacket> m_packets;
#endif
};

} // namespace corvane
