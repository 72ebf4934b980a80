#include "link/AsyDevice.h"

namespace corvane {

AsyDevice::~AsyDevice() = default;

AsyIODevice::~AsyIODevice() = default; // the read pool goes first, then the write pool

void AsyIODevice::OnIoCompleted(IoBuffer* buffer) {
    IoInfo info = MakeIoInfo(buffer);
    switch (buffer->operation) {
    case kIoOperationWrite:
        OnWriteCompleted(&info);
        ReleaseWriteBuffer(buffer);
        break;
    case kIoOperationRead:
        if (info.bytes == 0)
            OnReadEmpty();
        else
            OnReadCompleted(&info);
        PostRead(buffer); // only now: reads never overlap
        break;
    default:
        OnOtherCompleted(buffer);
        break;
    }
}

void AsyIODevice::OnIoFailed(std::uint32_t error, IoBuffer* buffer) {
    IoInfo info = MakeIoInfo(buffer);
    switch (buffer->operation) {
    case kIoOperationWrite:
        OnWriteFailed(error, &info);
        ReleaseWriteBuffer(buffer);
        break;
    case kIoOperationRead:
        OnReadFailed(error, &info);
        ReleaseReadBuffer(buffer); // no new read: the device is silent until opened again
        break;
    default:
        OnOtherFailed(error, buffer);
        break;
    }
}

void AsyIODevice::OnOtherCompleted(IoBuffer*) {}
void AsyIODevice::OnWriteFailed(std::uint32_t, IoInfo*) {}
void AsyIODevice::OnReadFailed(std::uint32_t, IoInfo*) {}
void AsyIODevice::OnOtherFailed(std::uint32_t, IoBuffer*) {}

void AsyIODevice::PostRead(IoBuffer* buffer) {
    buffer->overlapped = Overlapped{};
    buffer->operation = kIoOperationRead;
    buffer->owner = this;
    if (!Read(buffer))
        ReleaseReadBuffer(buffer);
}

IoBuffer* AsyIODevice::AcquireWriteBuffer() {
    IoBuffer* buffer = m_writePool.Take();
    if (buffer != nullptr)
        buffer->operation = kIoOperationWrite;
    return buffer;
}

IoBuffer* AsyIODevice::AcquireReadBuffer() {
    IoBuffer* buffer = m_readPool.Take();
    if (buffer != nullptr)
        buffer->operation = kIoOperationRead;
    return buffer;
}

void AsyIODevice::ReleaseWriteBuffer(IoBuffer* buffer) {
    m_writePool.Release(buffer);
}

void AsyIODevice::ReleaseReadBuffer(IoBuffer* buffer) {
    m_readPool.Release(buffer);
}

void AsyIODevice::StartReading() {
    if (IoBuffer* buffer = AcquireReadBuffer())
        PostRead(buffer);
}

void AsyIODevice::WaitIdle() {
    m_readPool.WaitAllReleased();
    m_writePool.WaitAllReleased();
}

} // namespace corvane
