#pragma once

// Devices whose overlapped operations finish on the I/O engine's completion queue.
//
// A worker thread of the engine hands each finished operation to its buffer's owner:
// OnIoCompleted or OnIoFailed, which turn it into the device's own handlers by the
// buffer's operation. Reads run one at a time per device: a completed read buffer is
// started again (PostRead) by the worker that handled it, only after the handler has
// returned, so received data is delivered strictly in order. A failed read is not started
// again: the device receives nothing more until it is opened again. Write completions may
// run on any worker, at the same time as a read's.

#include "link/IoBuffer.h"

#include <cstdint>

namespace corvane {

class SerialFile;

class AsyDevice {
public:
    virtual ~AsyDevice();
    virtual void OnIoCompleted(IoBuffer* buffer) = 0;
    virtual void OnIoFailed(std::uint32_t error, IoBuffer* buffer) = 0;
    // The open file, or null when the device is closed.
    virtual SerialFile* GetHandle() = 0;
    virtual std::uintptr_t GetCompletionKey() = 0;
};

class AsyIODevice : public AsyDevice {
public:
    AsyIODevice() = default;
    ~AsyIODevice() override;

    void OnIoCompleted(IoBuffer* buffer) override;
    void OnIoFailed(std::uint32_t error, IoBuffer* buffer) override;

    virtual void OnReadCompleted(IoInfo* info) = 0;
    virtual void OnWriteCompleted(IoInfo* info) = 0;
    virtual void OnReadEmpty() = 0; // a read completed with zero bytes
    virtual void OnOtherCompleted(IoBuffer* buffer);
    virtual void OnWriteFailed(std::uint32_t error, IoInfo* info);
    virtual void OnReadFailed(std::uint32_t error, IoInfo* info);
    virtual void OnOtherFailed(std::uint32_t error, IoBuffer* buffer);
    // Starts the next read in `buffer`; when it cannot be started the buffer goes back to
    // the pool and reading stops.
    virtual void PostRead(IoBuffer* buffer);
    // Start an operation; true when it was started and its completion will come.
    virtual bool Write(IoBuffer* buffer, std::uint32_t length) = 0;
    virtual bool Read(IoBuffer* buffer) = 0;

    IoBuffer* AcquireWriteBuffer();
    IoBuffer* AcquireReadBuffer();
    void ReleaseWriteBuffer(IoBuffer* buffer);
    void ReleaseReadBuffer(IoBuffer* buffer);

    // Takes a read buffer and starts the first read; called once, right after the device
    // was attached to the completion queue.
    void StartReading();

    // Waits until every buffer of both pools is back: no operation of the device is in
    // flight or being handled any more. Only call it when the device's file is closed.
    void WaitIdle();

    CompletionQueue* CompletionPort() const { return m_completionPort; }

    std::size_t WriteBuffersInUse() const { return m_writePool.InUse(); }
    std::size_t ReadBuffersInUse() const { return m_readPool.InUse(); }

protected:
    void SetCompletionPort(CompletionQueue* port) { m_completionPort = port; }

private:
    CompletionQueue* m_completionPort = nullptr; // null until attached to the engine
    BufferPool m_writePool;
    BufferPool m_readPool;
};

} // namespace corvane
