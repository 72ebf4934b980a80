#pragma once

// The process-wide I/O engine: one completion queue and its worker threads, twice as many
// as there are processors and at most kMaxIoWorkers. It is made on first use (the first
// opening of the serial port) and lives until the process ends.
//
// Each worker waits on the queue and hands every finished operation to its buffer's owner
// (AsyDevice::OnIoCompleted or OnIoFailed); a completion whose buffer has no owner is
// dropped. Stop() ends the workers in order (one stop key per worker) for a clean exit.

#include "platform/CompletionQueue.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace corvane {

inline constexpr unsigned kMaxIoWorkers = 100;
inline constexpr std::uintptr_t kIoStopKey = 0xFFFFFFFF;

class IoEngine {
public:
    // The engine, made on the first call.
    static IoEngine& Instance();

    // Workers for a machine with `processors` processors: twice that, at least 2, at most
    // kMaxIoWorkers.
    static unsigned WorkerCountFor(unsigned processors);

    // The engine's completion queue; null only when it could not be made.
    CompletionQueue* Port() { return &m_port; }

    unsigned ThreadCount() const { return m_threadCount; }
    bool Running() const { return m_running.load(std::memory_order_acquire); }

    // Posts the stop key once per worker and waits for them to end. Completions still
    // queued behind the stop keys are not handled. Call it after every device has been
    // closed and has gone idle, and never from a worker. Later calls do nothing.
    void Stop();

    IoEngine(const IoEngine&) = delete;
    IoEngine& operator=(const IoEngine&) = delete;

private:
    IoEngine();
    ~IoEngine() = default;

    static int WorkerLoop(CompletionQueue* port);

    CompletionQueue m_port;
    std::array<std::thread, kMaxIoWorkers> m_threads;
    unsigned m_threadCount = 0;
    std::atomic<bool> m_running{false};
    std::mutex m_stopMutex;
};

} // namespace corvane
