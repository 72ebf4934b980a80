#pragma once

// A first-in first-out queue over one contiguous ring. It allocates only when it has to
// grow past the largest size it ever held, so a queue in steady use allocates nothing.
// Not thread-safe; the owner locks.

#include <cstddef>
#include <utility>
#include <vector>

namespace corvane {

template <typename T> class RingQueue {
public:
    explicit RingQueue(std::size_t initialCapacity = 16) : m_slots(initialCapacity ? initialCapacity : 1) {}

    bool Empty() const { return m_count == 0; }
    std::size_t Size() const { return m_count; }
    T& Front() { return m_slots[m_head]; }

    void Push(T value) {
        if (m_count == m_slots.size())
            Grow();
        m_slots[(m_head + m_count) % m_slots.size()] = std::move(value);
        ++m_count;
    }

    T Pop() {
        T value = std::move(m_slots[m_head]);
        m_head = (m_head + 1) % m_slots.size();
        --m_count;
        return value;
    }

private:
    void Grow() {
        std::vector<T> bigger(m_slots.size() * 2);
        for (std::size_t i = 0; i < m_count; ++i)
            bigger[i] = std::move(m_slots[(m_head + i) % m_slots.size()]);
        m_slots.swap(bigger);
        m_head = 0;
    }

    std::vector<T> m_slots;
    std::size_t m_head = 0;
    std::size_t m_count = 0;
};

} // namespace corvane
