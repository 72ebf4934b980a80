#pragma once

// An asynchronous serial file: a POSIX tty, or a COM handle opened for overlapped I/O on
// Windows. Reads and writes are started with an
// Overlapped and finish later as a packet on the completion queue the file is attached to,
// the way an overlapped COM handle behaves on a completion port:
//
// - The file is opened exclusively: a second opener fails as busy (flock on the open file,
//   plus TIOCEXCL against other programs).
// - The line is raw 8-bit with the requested baud rate, data bits and stop bits, never
//   parity, no flow control.
// - A read completes as soon as at least one byte has arrived, with every byte that is
//   there (up to the requested length). A read that sees no byte within the read total
//   time-out completes with zero bytes.
// - A write completes when the driver has taken all its bytes, or when its write time-out
//   has passed (with the bytes taken so far). Writes go out in the order they were started.
// - Close makes every operation in flight complete with kIoErrorOperationAborted (995).
//   The read that a worker is still handling when the file is closed gets its 995 when it
//   is started again, so one close reports exactly one aborted read.
// - A device that goes away (hang-up, unplugged adapter, the far end of a pseudo-terminal
//   closed) fails the read with kIoErrorDeviceNotConnected.
//
// On POSIX one service thread per open file waits on the descriptor and finishes the
// operations; on Windows the system completes them on the completion port. All members are
// safe to call from any thread.

#include "platform/CompletionQueue.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#ifndef _WIN32
#include <termios.h>
#include <thread>
#endif

namespace corvane {

struct SerialTimeouts {
    std::chrono::milliseconds readTotal{1000};     // a read with no byte completes empty after this
    std::chrono::milliseconds writeConstant{1000}; // write time-out = constant + multiplier * bytes
    std::chrono::milliseconds writeMultiplier{40};
};

struct SerialSettings {
    int baudRate = 115200;
    int dataBits = 8; // 5 to 8
    int stopBits = 1; // 1 or 2; parity is always none
    SerialTimeouts timeouts;
};

// Why a port could not be opened, for the connection dialog and the log.
enum class SerialOpenFailure {
    None,
    InvalidPortNumber, // 0 or negative: nothing on the system was touched
    NoSuchPort,        // the number is not in the port list
    NoSuchDevice,      // the device file does not exist (any more)
    Busy,              // another program, or this one, has it open
    PermissionDenied,  // usually: the user is not in the dialout group
    NotASerialPort,    // the file is no tty
    InvalidSettings,   // the line settings were refused
    AlreadyOpen,       // this port object already has a device open
    SystemError,       // anything else; systemError tells what
};

struct SerialOpenError {
    SerialOpenFailure failure = SerialOpenFailure::None;
    int systemError = 0; // errno of the failed call, 0 when none
    std::string port;    // "COM3", when known
    std::string device;  // the file that was opened, when known
};

// One English sentence for the operator, with what to do about it where there is a remedy.
std::string DescribeOpenError(const SerialOpenError& error);

// True when `baudRate` is one the line can be set to.
bool IsSupportedBaudRate(int baudRate);

#ifndef _WIN32
// The line settings for `settings`, starting from the device's `current` ones: raw 8-bit
// transfer, the baud rate, data bits and stop bits, no parity, no flow control. False when
// a value is not supported.
bool MakeLineSettings(const termios& current, const SerialSettings& settings, termios& line);
#endif

class SerialFile {
public:
    SerialFile() = default;
    ~SerialFile(); // closes the file
    SerialFile(const SerialFile&) = delete;
    SerialFile& operator=(const SerialFile&) = delete;

    // Opens and configures the device. On failure the file stays closed and the result
    // tells why (failure None on success).
    SerialOpenError Open(const std::string& device, const SerialSettings& settings);

    // Attaches the open file to a queue; every operation finishes there with `key`.
    // Operations started on a file that is not attached fail at once.
    void Attach(CompletionQueue& queue, std::uintptr_t key);

    // Starts a read of at most `length` bytes into `data`. Returns true when it was started
    // (its completion comes on the queue), false when it could not be (file closed, not
    // attached, a read already in flight).
    bool Read(Overlapped* overlapped, std::uint8_t* data, std::uint32_t length);

    // Starts a write of `length` bytes from `data`; the bytes must stay untouched until
    // the completion. Returns true when it was started.
    bool Write(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length);

    // As Write, but the write completes only once its bytes have left the port: the driver took
    // them and its output queue has drained (tcdrain's condition on POSIX, watched without
    // blocking; on Windows the overlapped write's own completion). Writes started after it wait
    // behind it. The write time-out covers the drain too.
    bool WriteDrained(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length);

    // Throws away bytes received and not yet read, and bytes written and not yet sent.
    void Purge();

    // Clears the line's error state. A tty keeps no error state that stops its I/O, so
    // there is nothing to clear; returns whether the file is open.
    bool ClearErrors();

    // Completes every operation in flight with kIoErrorOperationAborted and closes the
    // device. Does nothing when the file is not open.
    void Close();

    bool IsOpen() const;
    std::string Device() const;

private:
#ifdef _WIN32
    struct Win32State; // the COM handle and the operations in flight
    static Win32State* NewWin32State();
    Win32State* m_win = NewWin32State();
#else
    struct PendingRead {
        Overlapped* overlapped = nullptr;
        std::uint8_t* data = nullptr;
        std::uint32_t length = 0;
        std::chrono::steady_clock::time_point deadline;
    };
    struct PendingWrite {
        Overlapped* overlapped = nullptr;
        const std::uint8_t* data = nullptr;
        std::uint32_t length = 0;
        std::uint32_t written = 0;
        std::chrono::steady_clock::time_point deadline;
        bool drain = false;    // completes once the output queue is empty
        bool draining = false; // every byte was taken; the queue is not empty yet
    };

    void Service();
    // The rest run with m_mutex held.
    void Complete(Overlapped* overlapped, std::uint32_t status, std::uint32_t bytes);
    void CompleteRead(std::uint32_t status, std::uint32_t bytes);
    // Tries the pending read once; `hangUp` says that poll reported a hang-up or an error.
    void TryRead(bool hangUp);
    bool StartWrite(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length, bool drain);
    void TryWrites();
    // Completes the first write with the bytes it wrote; the next one's time-out starts `now`.
    void CompleteFirstWrite(std::uint32_t status, std::chrono::steady_clock::time_point now);
    // The time to look again at a draining write's queue; 0 when it has drained (and the write
    // was completed).
    std::chrono::milliseconds CheckDrain();
    void ExpireWrites(std::chrono::steady_clock::time_point now);
    void Wake();

    mutable std::mutex m_mutex;
    int m_fd = -1;
    int m_wakeFd = -1;
    bool m_open = false;
    bool m_stopping = false;
    std::string m_device;
    SerialTimeouts m_timeouts;
    int m_baudRate = 0;
    CompletionQueue* m_queue = nullptr;
    std::uintptr_t m_key = 0;
    bool m_attached = false;
    bool m_readPending = false;
    PendingRead m_read;
    RingQueue<PendingWrite> m_writes{128};
    // The read whose completion was delivered and that has not been started again: the
    // worker handling it owns it. When the file is closed meanwhile, it becomes
    // m_abortOnRestart and its next start reports the close.
    Overlapped* m_readOut = nullptr;
    Overlapped* m_abortOnRestart = nullptr;
    std::thread m_service;
#endif
};

} // namespace corvane
