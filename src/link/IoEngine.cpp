#include "link/IoEngine.h"

#include "link/AsyDevice.h"

#include <algorithm>
#include <system_error>

namespace corvane {

IoEngine& IoEngine::Instance() {
    // Made once and never freed: devices may still be closed during the exit of the
    // process, and their last completions must find the queue.
    static IoEngine* engine = new IoEngine();
    return *engine;
}

unsigned IoEngine::WorkerCountFor(unsigned processors) {
    return std::clamp(2 * std::max(processors, 1u), 2u, kMaxIoWorkers);
}

IoEngine::IoEngine() {
    const unsigned count = WorkerCountFor(std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i) {
        try {
            m_threads[i] = std::thread(&IoEngine::WorkerLoop, &m_port);
        } catch (const std::system_error&) {
            break; // run with the workers that could be started
        }
        ++m_threadCount;
    }
    m_running.store(m_threadCount > 0, std::memory_order_release);
}

int IoEngine::WorkerLoop(CompletionQueue* port) {
    if (port == nullptr)
        return -1;
    for (;;) {
        CompletionPacket packet;
        const bool ok = port->Wait(packet);
        if (packet.key == kIoStopKey)
            return 0;
        if (packet.overlapped == nullptr)
            continue; // a failure without an operation
        IoBuffer* buffer = IoBuffer::FromOverlapped(packet.overlapped);
        if (buffer->owner == nullptr)
            continue;
        if (ok)
            buffer->owner->OnIoCompleted(buffer);
        else
            buffer->owner->OnIoFailed(packet.status, buffer);
    }
}

void IoEngine::Stop() {
    std::lock_guard lock(m_stopMutex);
    if (!m_running.exchange(false, std::memory_order_acq_rel))
        return;
    for (unsigned i = 0; i < m_threadCount; ++i)
        m_port.Post({0, kIoStopKey, nullptr, 0});
    for (unsigned i = 0; i < m_threadCount; ++i) {
        if (m_threads[i].joinable())
            m_threads[i].join();
    }
}

} // namespace corvane
