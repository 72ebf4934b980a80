#pragma once

// The serial port: the one concrete device of the I/O engine. It opens and configures a
// COM port, starts overlapped reads and writes, and hands every completed read to its
// listeners, under the listener lock, on the worker thread that completed it.

#include "link/AsyDevice.h"
#include "platform/SerialFile.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace corvane {

// Bytes asked for by each read: the largest record, a read-back block.
inline constexpr std::uint32_t kReadSize = 1039;

// Time-outs of the port. A read completes as soon as bytes have come; one that sees no
// byte for kReadTotalTimeoutMs completes empty and is started again at once. A write that
// has not gone out after kWriteTotalTimeoutConstantMs + kWriteTotalTimeoutMultiplierMs per
// byte completes with what went out.
inline constexpr std::chrono::milliseconds kReadTotalTimeoutMs{1000};
inline constexpr std::chrono::milliseconds kWriteTotalTimeoutConstantMs{1000};
inline constexpr std::chrono::milliseconds kWriteTotalTimeoutMultiplierMs{40};

// Told about what the port receives. Both run on an I/O worker thread inside the port's
// listener lock.
class SerialPort_Event {
public:
    virtual ~SerialPort_Event();
    virtual void OnReceive(const std::uint8_t* data, std::uint32_t length) = 0;
    virtual void OnError(std::uint32_t error, const std::uint8_t* data, std::uint32_t length) = 0;
    // A write with a ticket has ended: `status` kIoSuccess and `bytes` == `length` when all of it
    // left the port. Runs on an I/O worker thread, outside the listener lock.
    virtual void OnWritten(std::uint64_t /*ticket*/, std::uint32_t /*status*/, std::uint32_t /*bytes*/,
                           std::uint32_t /*length*/) {}
};

class AsySerialPort : public AsyIODevice {};

class CSerialPort : public AsySerialPort {
public:
    CSerialPort() = default;
    // Closes the port and waits until its operations in flight have been handled, so no
    // completion can reach the port after it is gone.
    ~CSerialPort() override;

    // Opens COM<portNumber> from the port list and configures it: the time-outs above,
    // baudRate, dataBits, stopBits, never parity; then throws away what was waiting in
    // both directions. Port number 0 or below fails without touching the system.
    bool Open(int portNumber, int baudRate, int dataBits, int stopBits);

    // Why the last Open failed (failure None after a successful one).
    const SerialOpenError& LastOpenError() const { return m_lastOpenError; }

    void AddListener(SerialPort_Event* listener);

    // Closes the port; the read in flight completes with 995 (kIoErrorOperationAborted).
    void Close();

    // Closes the port and waits until its operations in flight have been handled (not when
    // the engine has been stopped: nothing would handle them any more).
    void CloseAndWait();

    bool IsOpen() const { return m_file.IsOpen(); }

    SerialFile* GetHandle() override;
    std::uintptr_t GetCompletionKey() override;

    // Attaches the open port to the engine's queue.
    void AttachTo(CompletionQueue& port);

    void OnReadCompleted(IoInfo* info) override;
    void OnWriteCompleted(IoInfo* info) override;
    void OnReadEmpty() override;
    void OnOtherCompleted(IoBuffer* buffer) override;
    void OnWriteFailed(std::uint32_t error, IoInfo* info) override;
    void OnReadFailed(std::uint32_t error, IoInfo* info) override;
    void OnOtherFailed(std::uint32_t error, IoBuffer* buffer) override;
    // Writes the buffer's bytes; a buffer marked `drain` completes only once they have left the
    // port (SerialFile::WriteDrained).
    bool Write(IoBuffer* buffer, std::uint32_t length) override;
    bool Read(IoBuffer* buffer) override;

private:
    void ReportWritten(const IoInfo& info, std::uint32_t status);

    SerialFile m_file;
    std::vector<SerialPort_Event*> m_listeners; // not owned
    std::mutex m_listenerLock;                  // guards m_listeners and every call to them
    SerialOpenError m_lastOpenError;
};

} // namespace corvane
