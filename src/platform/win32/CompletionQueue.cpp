#include "platform/CompletionQueue.h"

#include "platform/IoStatus.h"
#include "win32/QueuedOperation.h"

#include <new>

namespace corvane {

namespace {

// A posted packet with an operation or a status of its own.
struct PostedPacket : win32::QueuedOperation {
    CompletionPacket packet;
};

bool FinishPosted(win32::QueuedOperation* operation, DWORD, DWORD, ULONG_PTR, CompletionPacket& packet) {
    auto* posted = static_cast<PostedPacket*>(operation);
    packet = posted->packet;
    delete posted;
    return true;
}

} // namespace

CompletionQueue::CompletionQueue() {
    // Concurrency 0: as many threads run at once as there are processors.
    m_port = ::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 0);
}

CompletionQueue::~CompletionQueue() {
    if (m_port != nullptr)
        ::CloseHandle(static_cast<HANDLE>(m_port));
}

void CompletionQueue::Post(const CompletionPacket& packet) {
    if (m_port == nullptr)
        return;
    m_posted.fetch_add(1, std::memory_order_relaxed);
    if (packet.overlapped == nullptr && packet.status == kIoSuccess) {
        if (!::PostQueuedCompletionStatus(static_cast<HANDLE>(m_port), packet.bytes, packet.key, nullptr))
            m_posted.fetch_sub(1, std::memory_order_relaxed);
        return;
    }
    auto* posted = new (std::nothrow) PostedPacket;
    if (posted == nullptr) {
        m_posted.fetch_sub(1, std::memory_order_relaxed);
        return;
    }
    posted->finish = &FinishPosted;
    posted->posted = true;
    posted->packet = packet;
    if (!::PostQueuedCompletionStatus(static_cast<HANDLE>(m_port), packet.bytes, packet.key,
                                      &posted->overlapped)) {
        m_posted.fetch_sub(1, std::memory_order_relaxed);
        delete posted;
    }
}

bool CompletionQueue::Take(CompletionPacket& packet, unsigned long timeoutMs, bool& timedOut) {
    timedOut = false;
    if (m_port == nullptr) {
        timedOut = true;
        return false;
    }
    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        const BOOL ok =
            ::GetQueuedCompletionStatus(static_cast<HANDLE>(m_port), &bytes, &key, &overlapped, timeoutMs);
        const DWORD error = ok ? 0 : ::GetLastError();
        if (overlapped == nullptr) {
            if (!ok) {
                // Nothing was taken: the time ran out (or the port is gone).
                timedOut = true;
                return false;
            }
            m_posted.fetch_sub(1, std::memory_order_relaxed);
            packet = {bytes, key, nullptr, kIoSuccess};
            return true;
        }
        auto* operation = reinterpret_cast<win32::QueuedOperation*>(overlapped);
        if (operation->posted)
            m_posted.fetch_sub(1, std::memory_order_relaxed);
        if (operation->finish != nullptr && operation->finish(operation, error, bytes, key, packet))
            return packet.status == kIoSuccess;
    }
}

bool CompletionQueue::Wait(CompletionPacket& packet) {
    if (m_port == nullptr) {
        packet = {0, 0, nullptr, kIoErrorInvalidHandle};
        return false;
    }
    bool timedOut = false;
    for (;;) {
        const bool ok = Take(packet, INFINITE, timedOut);
        if (!timedOut)
            return ok;
    }
}

bool CompletionQueue::WaitFor(CompletionPacket& packet, std::chrono::milliseconds timeout, bool& timedOut) {
    const auto ms = timeout.count() < 0 ? 0 : timeout.count();
    return Take(packet, static_cast<unsigned long>(ms >= INFINITE ? INFINITE - 1 : ms), timedOut);
}

std::size_t CompletionQueue::Pending() const {
    return m_posted.load(std::memory_order_relaxed);
}

} // namespace corvane
