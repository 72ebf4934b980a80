#pragma once

// What travels through the completion port besides the system's own packets: every
// operation of this layer's files and every posted packet that carries more than a key is
// one of these, its OVERLAPPED first, so the pointer the port hands back leads to it.

#include "platform/CompletionQueue.h"

#include <windows.h>

namespace corvane::win32 {

struct QueuedOperation {
    OVERLAPPED overlapped{};
    // Turns the port's report (its error, 0 on success, and the bytes) into the packet to
    // hand out; false when there is nothing to hand out.
    bool (*finish)(QueuedOperation* operation, DWORD error, DWORD bytes, ULONG_PTR key,
                   CompletionPacket& packet) = nullptr;
    bool posted = false; // made by CompletionQueue::Post
};

} // namespace corvane::win32
