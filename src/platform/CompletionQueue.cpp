#include "platform/CompletionQueue.h"

#include "platform/IoStatus.h"

namespace corvane {

namespace {
// Large enough that a link with every buffer of both pools in flight never grows it.
constexpr std::size_t kInitialPackets = 256;
} // namespace

CompletionQueue::CompletionQueue() : m_packets(kInitialPackets) {}

void CompletionQueue::Post(const CompletionPacket& packet) {
    {
        std::lock_guard lock(m_mutex);
        m_packets.Push(packet);
    }
    m_ready.notify_one();
}

bool CompletionQueue::Wait(CompletionPacket& packet) {
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] { return !m_packets.Empty(); });
    packet = m_packets.Pop();
    return packet.status == kIoSuccess;
}

bool CompletionQueue::WaitFor(CompletionPacket& packet, std::chrono::milliseconds timeout, bool& timedOut) {
    std::unique_lock lock(m_mutex);
    timedOut = !m_ready.wait_for(lock, timeout, [this] { return !m_packets.Empty(); });
    if (timedOut)
        return false;
    packet = m_packets.Pop();
    return packet.status == kIoSuccess;
}

std::size_t CompletionQueue::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_packets.Size();
}

} // namespace corvane
