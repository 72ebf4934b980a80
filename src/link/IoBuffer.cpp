#include "link/IoBuffer.h"

#include <algorithm>
#include <type_traits>

namespace corvane {

static_assert(std::is_standard_layout_v<IoBuffer>, "the Overlapped must lead to its buffer");
static_assert(offsetof(IoBuffer, overlapped) == 0, "the Overlapped must be the first member");

IoBuffer* IoBuffer::FromOverlapped(Overlapped* overlapped) {
    return reinterpret_cast<IoBuffer*>(overlapped);
}

IoInfo MakeIoInfo(IoBuffer* buffer) {
    IoInfo info;
    info.data = buffer->data.data();
    info.bytes = buffer->overlapped.bytes;
    info.status = buffer->overlapped.status;
    info.operation = buffer->operation;
    info.length = buffer->length;
    info.ticket = buffer->ticket;
    return info;
}

BufferPool::BufferPool() {
    m_buffers.reserve(kPoolCapacity);
    std::lock_guard lock(m_lock);
    Grow();
}

BufferPool::~BufferPool() {
    std::lock_guard lock(m_lock);
    m_freeCount = 0;
    m_buffers.clear();
}

void BufferPool::Grow() {
    const std::size_t index = m_buffers.size();
    m_free[(m_freeHead + m_freeCount) % kPoolCapacity] = static_cast<std::uint32_t>(index);
    ++m_freeCount;
    m_isFree[index] = true;
    auto buffer = std::make_unique<IoBuffer>();
    buffer->owner = nullptr;
    buffer->operation = kIoOperationNone;
    buffer->drain = false;
    buffer->length = 0;
    buffer->ticket = 0;
    m_buffers.push_back(std::move(buffer));
}

IoBuffer* BufferPool::Take() {
    std::lock_guard lock(m_lock);
    if (m_freeCount == 0) {
        if (m_buffers.size() >= kPoolCapacity)
            return nullptr;
        Grow();
    }
    const std::uint32_t index = m_free[m_freeHead];
    m_freeHead = (m_freeHead + 1) % kPoolCapacity;
    --m_freeCount;
    m_isFree[index] = false;
    IoBuffer* buffer = m_buffers[index].get();
    buffer->overlapped = Overlapped{};
    buffer->owner = nullptr;
    buffer->operation = kIoOperationNone;
    buffer->drain = false;
    buffer->length = 0;
    buffer->ticket = 0;
    return buffer;
}

bool BufferPool::Release(IoBuffer* buffer) {
    if (buffer == nullptr)
        return false;
    // Notified under the lock: the owner's WaitAllReleased may destroy the pool as soon as
    // it sees the last buffer back.
    std::lock_guard lock(m_lock);
    const auto it = std::find_if(m_buffers.begin(), m_buffers.end(),
                                 [buffer](const std::unique_ptr<IoBuffer>& b) { return b.get() == buffer; });
    if (it == m_buffers.end())
        return false;
    const auto index = static_cast<std::size_t>(it - m_buffers.begin());
    // A second release of the same buffer would queue it twice and hand it to two
    // operations at once.
    if (m_isFree[index])
        return false;
    m_isFree[index] = true;
    m_free[(m_freeHead + m_freeCount) % kPoolCapacity] = static_cast<std::uint32_t>(index);
    ++m_freeCount;
    m_released.notify_all();
    return true;
}

std::size_t BufferPool::Size() const {
    std::lock_guard lock(m_lock);
    return m_buffers.size();
}

std::size_t BufferPool::InUse() const {
    std::lock_guard lock(m_lock);
    return m_buffers.size() - m_freeCount;
}

void BufferPool::WaitAllReleased() {
    std::unique_lock lock(m_lock);
    m_released.wait(lock, [this] { return m_freeCount == m_buffers.size(); });
}

} // namespace corvane
