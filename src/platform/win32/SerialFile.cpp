#include "platform/SerialFile.h"

#include "SerialFileSystem.h"
#include "platform/IoStatus.h"
#include "win32/QueuedOperation.h"
#include "win32/Win32Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <vector>

namespace corvane {

std::string SystemErrorReason(int systemError) {
    return win32::SystemErrorText(static_cast<std::uint32_t>(systemError));
}

// Windows guards COM ports with no group: nothing to advise.
std::string PermissionAdvice() {
    return {};
}

namespace {

// The rates the line is offered at: the same list as on POSIX, so that a setting means the
// same on both systems.
constexpr std::array<int, 26> kBaudRates{
    50,    75,    110,   134,    150,    200,    300,    600,    1200,   1800,    2400,    4800,    9600,
    19200, 38400, 57600, 115200, 230400, 460800, 500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000};

// The quiet time after a byte that ends a read: short, so that a record is handed on as
// soon as it is complete (a 39-byte record takes 0.4 ms at 921600 baud, 3.4 ms at 115200).
constexpr DWORD kReadIntervalTimeoutMs = 1;

// How long the destructor waits for the system to hand back operations still in flight.
constexpr DWORD kDrainTimeoutMs = 2000;

bool ValidSettings(const SerialSettings& settings) {
    return IsSupportedBaudRate(settings.baudRate) && settings.dataBits >= 5 && settings.dataBits <= 8 &&
           (settings.stopBits == 1 || settings.stopBits == 2);
}

SerialOpenFailure FailureFromError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
        return SerialOpenFailure::NoSuchDevice;
    case ERROR_ACCESS_DENIED: // what Windows answers for a COM port another handle holds
    case ERROR_SHARING_VIOLATION:
        return SerialOpenFailure::Busy;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_HANDLE:
        return SerialOpenFailure::NotASerialPort;
    default:
        return SerialOpenFailure::SystemError;
    }
}

DWORD Milliseconds(std::chrono::milliseconds ms) {
    const auto count = ms.count();
    if (count <= 0)
        return 1; // 0 would mean "no time-out" for a read
    return count >= static_cast<long long>(MAXDWORD) ? MAXDWORD - 1 : static_cast<DWORD>(count);
}

} // namespace

// Every operation handed to the system, and the packets the file posts itself, are one of
// these. They are pooled per file and live as long as the file's state does.
struct SerialFile::Win32State {
    struct Operation : win32::QueuedOperation {
        Win32State* state = nullptr;
        Overlapped* user = nullptr;
        bool read = false;
        DWORD ownError = 0; // the error of a completion the file posted itself
    };

    std::mutex mutex;
    std::condition_variable drained;
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool open = false;
    std::string device;
    CompletionQueue* queue = nullptr;
    std::uintptr_t key = 0;
    bool attached = false;
    bool readPending = false;
    // As on POSIX: the read whose completion was handed out and that has not been started
    // again; when the file is closed meanwhile, its restart reports the close.
    Overlapped* readOut = nullptr;
    Overlapped* abortOnRestart = nullptr;
    std::vector<std::unique_ptr<Operation>> operations;
    std::vector<Operation*> free;
    std::size_t inFlight = 0; // operations handed to the system or posted, not yet finished

    Operation* Take(Overlapped* user, bool read) {
        if (free.empty()) {
            operations.push_back(std::make_unique<Operation>());
            free.push_back(operations.back().get());
        }
        Operation* op = free.back();
        free.pop_back();
        op->overlapped = OVERLAPPED{};
        op->finish = &Finish;
        op->posted = false;
        op->state = this;
        op->user = user;
        op->read = read;
        op->ownError = 0;
        ++inFlight;
        return op;
    }

    void Give(Operation* op) {
        free.push_back(op);
        if (--inFlight == 0)
            drained.notify_all();
    }

    // Hands out a completion the system will not queue (an operation that failed to
    // start, or the aborted restart of a read): through the port like the others. False
    // when it cannot be posted (the operation is then dropped).
    bool PostOwn(Operation* op, DWORD error) {
        op->ownError = error;
        if (::PostQueuedCompletionStatus(static_cast<HANDLE>(queue->Port()), 0, key, &op->overlapped))
            return true;
        if (op == readOp) {
            readPending = false;
            readOp = nullptr;
        }
        Give(op);
        return false;
    }

    static bool Finish(win32::QueuedOperation* base, DWORD error, DWORD bytes, ULONG_PTR key,
                       CompletionPacket& packet) {
        auto* op = static_cast<Operation*>(base);
        Win32State* state = op->state;
        std::lock_guard lock(state->mutex);
        if (op->ownError != 0)
            error = op->ownError;
        std::uint32_t status = error;
        switch (error) {
        case ERROR_TIMEOUT:
        case WAIT_TIMEOUT:
        case ERROR_SEM_TIMEOUT:
            status = kIoSuccess; // a read or write time-out: what went through, and success
            break;
        case ERROR_HANDLE_EOF:
        case ERROR_BROKEN_PIPE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_NOT_READY:
        case ERROR_IO_DEVICE:
        case ERROR_GEN_FAILURE:
            // The device went away (a hung-up line, an unplugged adapter).
            status = op->read ? kIoErrorDeviceNotConnected : error;
            break;
        default:
            break;
        }
        Overlapped* user = op->user;
        user->status = status;
        user->bytes = status == kIoSuccess || !op->read ? bytes : 0;
        if (op->read) {
            const bool current = op == state->readOp;
            if (current) {
                state->readPending = false;
                state->readOp = nullptr;
            }
            if (op == state->cancelledRead) {
                // It finished before the close could cancel it: its restart reports the close.
                state->cancelledRead = nullptr;
                if (status == kIoSuccess && !state->open)
                    state->abortOnRestart = user;
            } else if (current) {
                state->readOut = status == kIoSuccess ? user : nullptr;
            }
        }
        packet = {user->bytes, key, user, status};
        state->Give(op);
        return true;
    }

    Operation* readOp = nullptr;        // the read in flight
    Operation* cancelledRead = nullptr; // the read in flight when the file was closed
};

SerialFile::Win32State* SerialFile::NewWin32State() {
    return new Win32State;
}

bool IsSupportedBaudRate(int baudRate) {
    return std::find(kBaudRates.begin(), kBaudRates.end(), baudRate) != kBaudRates.end();
}

SerialFile::~SerialFile() {
    Close();
    Win32State* state = m_win;
    bool drained = false;
    {
        std::unique_lock lock(state->mutex);
        drained = state->drained.wait_for(lock, std::chrono::milliseconds(kDrainTimeoutMs),
                                          [state] { return state->inFlight == 0; });
    }
    // Operations the system still holds would write into the state when they finish: when
    // nobody took them from the port, the state is left to the process rather than freed.
    if (drained)
        delete state;
}

SerialOpenError SerialFile::Open(const std::string& device, const SerialSettings& settings) {
    SerialOpenError error;
    error.device = device;
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    if (s.open || s.handle != INVALID_HANDLE_VALUE) {
        error.failure = SerialOpenFailure::AlreadyOpen;
        return error;
    }
    if (!ValidSettings(settings)) {
        error.failure = SerialOpenFailure::InvalidSettings;
        return error;
    }

    // No sharing: a second opener, in this program or another, is refused.
    const HANDLE handle =
        ::CreateFileW(win32::Widen(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        error.systemError = static_cast<int>(e);
        error.failure = FailureFromError(e);
        return error;
    }
    auto fail = [&](SerialOpenFailure failure, DWORD systemError) {
        ::CloseHandle(handle);
        error.failure = failure;
        error.systemError = static_cast<int>(systemError);
        return error;
    };
    if (::GetFileType(handle) != FILE_TYPE_CHAR)
        return fail(SerialOpenFailure::NotASerialPort, 0);

    // A read completes once bytes have come and the line has then been quiet for
    // kReadIntervalTimeoutMs (or its buffer is full); without a byte it completes empty after
    // the read time-out. (Interval 0xFFFFFFFF with multiplier 0xFFFFFFFF, "return at once
    // with what is there", would be closer to a tty, but wine leaves such an overlapped read
    // pending until its buffer is full.) A write may take the constant plus the multiplier
    // for each byte.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalTimeoutMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = Milliseconds(settings.timeouts.readTotal);
    timeouts.WriteTotalTimeoutMultiplier =
        static_cast<DWORD>(std::max<long long>(0, settings.timeouts.writeMultiplier.count()));
    timeouts.WriteTotalTimeoutConstant =
        static_cast<DWORD>(std::max<long long>(0, settings.timeouts.writeConstant.count()));
    if (!::SetCommTimeouts(handle, &timeouts)) {
        const DWORD e = ::GetLastError();
        return fail(e == ERROR_INVALID_FUNCTION || e == ERROR_INVALID_HANDLE
                        ? SerialOpenFailure::NotASerialPort
                        : SerialOpenFailure::SystemError,
                    e);
    }

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return fail(SerialOpenFailure::NotASerialPort, ::GetLastError());
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = NOPARITY;
    dcb.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(handle, &dcb))
        return fail(SerialOpenFailure::InvalidSettings, ::GetLastError());
    // Nothing is in flight yet: throw away what waited in both directions.
    ::PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);

    s.handle = handle;
    s.device = device;
    s.open = true;
    s.attached = false;
    s.readPending = false;
    s.readOp = nullptr;
    s.cancelledRead = nullptr;
    s.readOut = nullptr;
    return error;
}

void SerialFile::Attach(CompletionQueue& queue, std::uintptr_t key) {
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    if (!s.open || queue.Port() == nullptr)
        return;
    // A handle joins a completion port once for its life.
    if (::CreateIoCompletionPort(s.handle, static_cast<HANDLE>(queue.Port()), key, 0) == nullptr)
        return;
    s.queue = &queue;
    s.key = key;
    s.attached = true;
}

bool SerialFile::Read(Overlapped* overlapped, std::uint8_t* data, std::uint32_t length) {
    if (overlapped == nullptr || data == nullptr || length == 0)
        return false;
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    if (overlapped == s.abortOnRestart) {
        // The read was being handled when the file was closed: its restart reports the
        // close. If the file has been opened again meanwhile, this one just ends.
        s.abortOnRestart = nullptr;
        if (s.open || s.queue == nullptr)
            return false;
        return s.PostOwn(s.Take(overlapped, true), kIoErrorOperationAborted);
    }
    if (overlapped == s.readOut)
        s.readOut = nullptr;
    if (!s.open || !s.attached || s.readPending)
        return false;
    Win32State::Operation* op = s.Take(overlapped, true);
    s.readPending = true;
    s.readOp = op;
    if (!::ReadFile(s.handle, data, length, nullptr, &op->overlapped)) {
        const DWORD e = ::GetLastError();
        // Nothing will be queued for it: the failure is reported like a completion.
        if (e != ERROR_IO_PENDING)
            return s.PostOwn(op, e == 0 ? ERROR_GEN_FAILURE : e);
    }
    return true;
}

bool SerialFile::Write(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length) {
    if (overlapped == nullptr || data == nullptr)
        return false;
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    if (!s.open || !s.attached)
        return false;
    Win32State::Operation* op = s.Take(overlapped, false);
    if (!::WriteFile(s.handle, data, length, nullptr, &op->overlapped)) {
        const DWORD e = ::GetLastError();
        if (e != ERROR_IO_PENDING)
            return s.PostOwn(op, e == 0 ? ERROR_GEN_FAILURE : e);
    }
    return true;
}

bool SerialFile::WriteDrained(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length) {
    // A COM port's overlapped write completes once the driver has handed its last byte to the
    // line: its completion is the drain.
    return Write(overlapped, data, length);
}

void SerialFile::Purge() {
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    // Clear only: aborting would end the read in flight as if the file had been closed.
    if (s.open)
        ::PurgeComm(s.handle, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

bool SerialFile::ClearErrors() {
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    if (!s.open)
        return false;
    DWORD errors = 0;
    COMSTAT status{};
    ::ClearCommError(s.handle, &errors, &status);
    return true;
}

void SerialFile::Close() {
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    if (!s.open)
        return;
    s.open = false;
    if (s.readPending)
        s.cancelledRead = s.readOp;
    else if (s.readOut != nullptr)
        s.abortOnRestart = s.readOut;
    s.readOut = nullptr;
    // Every operation in flight completes with ERROR_OPERATION_ABORTED (995) on the port.
    ::CancelIoEx(s.handle, nullptr);
    ::CloseHandle(s.handle);
    s.handle = INVALID_HANDLE_VALUE;
    s.attached = false;
}

bool SerialFile::IsOpen() const {
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    return s.open;
}

std::string SerialFile::Device() const {
    Win32State& s = *m_win;
    std::lock_guard lock(s.mutex);
    return s.device;
}

} // namespace corvane
