#include "platform/SerialFile.h"

#include "SerialFileSystem.h"
#include "platform/IoStatus.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace corvane {

std::string SystemErrorReason(int systemError) {
    return std::string(std::strerror(systemError));
}

std::string PermissionAdvice() {
    return " On Linux serial ports belong to the group dialout; add the user to it (sudo usermod -aG "
           "dialout $USER), then log out and in again.";
}

namespace {

using Clock = std::chrono::steady_clock;

struct BaudEntry {
    int rate;
    speed_t speed;
};

constexpr std::array<BaudEntry, 26> kBaudRates{{
    {50, B50},           {75, B75},         {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000},
}};

bool SpeedFor(int rate, speed_t& speed) {
    for (const BaudEntry& e : kBaudRates) {
        if (e.rate == rate) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

SerialOpenFailure FailureFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return SerialOpenFailure::NoSuchDevice;
    case EACCES:
    case EPERM:
        return SerialOpenFailure::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return SerialOpenFailure::Busy;
    case ENOTTY:
        return SerialOpenFailure::NotASerialPort;
    default:
        return SerialOpenFailure::SystemError;
    }
}

int MillisecondsUntil(Clock::time_point deadline, Clock::time_point now) {
    if (deadline <= now)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(ms, 60'000));
}

} // namespace

bool IsSupportedBaudRate(int baudRate) {
    speed_t speed;
    return SpeedFor(baudRate, speed);
}

bool MakeLineSettings(const termios& current, const SerialSettings& settings, termios& line) {
    speed_t speed;
    if (!SpeedFor(settings.baudRate, speed) || settings.dataBits < 5 || settings.dataBits > 8 ||
        (settings.stopBits != 1 && settings.stopBits != 2))
        return false;
    line = current;
    ::cfmakeraw(&line);
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    static constexpr std::array<tcflag_t, 4> kSizes{CS5, CS6, CS7, CS8};
    line.c_cflag |= CLOCAL | CREAD | kSizes[static_cast<std::size_t>(settings.dataBits - 5)];
    if (settings.stopBits == 2)
        line.c_cflag |= CSTOPB;
    // VMIN 1 makes a read without data say EAGAIN (the descriptor is non-blocking) and a
    // read of a hung-up line say end of file; the service thread waits in poll.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    return ::cfsetispeed(&line, speed) == 0 && ::cfsetospeed(&line, speed) == 0;
}

SerialFile::~SerialFile() {
    Close();
}

SerialOpenError SerialFile::Open(const std::string& device, const SerialSettings& settings) {
    SerialOpenError error;
    error.device = device;
    std::lock_guard lock(m_mutex);
    if (m_open || m_fd >= 0) {
        error.failure = SerialOpenFailure::AlreadyOpen;
        return error;
    }
    termios unused{};
    if (!MakeLineSettings(termios{}, settings, unused)) {
        error.failure = SerialOpenFailure::InvalidSettings;
        return error;
    }

    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error.systemError = errno;
        error.failure = FailureFromErrno(errno);
        return error;
    }
    bool exclusive = false;
    auto fail = [&](SerialOpenFailure failure, int systemError) {
        if (exclusive)
            ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        error.failure = failure;
        error.systemError = systemError;
        return error;
    };

    // The lock keeps out every other opener that locks (this program, and root, which
    // TIOCEXCL does not stop); TIOCEXCL keeps out other programs that do not lock. The lock
    // comes first so that a refused opener never touches the holder's TIOCEXCL.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? SerialOpenFailure::Busy : SerialOpenFailure::SystemError, errno);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return fail(errno == ENOTTY ? SerialOpenFailure::NotASerialPort : SerialOpenFailure::SystemError,
                    errno);
    if (::ioctl(fd, TIOCEXCL) != 0)
        return fail(SerialOpenFailure::SystemError, errno);
    exclusive = true;

    termios line{};
    if (!MakeLineSettings(tio, settings, line) || ::tcsetattr(fd, TCSANOW, &line) != 0)
        return fail(SerialOpenFailure::InvalidSettings, errno);

    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0)
        return fail(SerialOpenFailure::SystemError, errno);

    m_fd = fd;
    m_wakeFd = wakeFd;
    m_device = device;
    m_timeouts = settings.timeouts;
    m_baudRate = settings.baudRate;
    m_open = true;
    m_stopping = false;
    m_attached = false;
    m_readPending = false;
    m_readOut = nullptr;
    try {
        m_service = std::thread(&SerialFile::Service, this);
    } catch (const std::system_error& e) {
        m_open = false;
        m_fd = -1;
        m_wakeFd = -1;
        ::close(wakeFd);
        return fail(SerialOpenFailure::SystemError, e.code().value());
    }
    return error;
}

void SerialFile::Attach(CompletionQueue& queue, std::uintptr_t key) {
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return;
    m_queue = &queue;
    m_key = key;
    m_attached = true;
}

bool SerialFile::Read(Overlapped* overlapped, std::uint8_t* data, std::uint32_t length) {
    if (overlapped == nullptr || data == nullptr || length == 0)
        return false;
    std::lock_guard lock(m_mutex);
    if (overlapped == m_abortOnRestart) {
        // The read was being handled when the file was closed: its restart reports the
        // close. If the file has been opened again meanwhile, the new opening has a read of
        // its own and this one just ends.
        m_abortOnRestart = nullptr;
        if (m_open || m_queue == nullptr)
            return false;
        Complete(overlapped, kIoErrorOperationAborted, 0);
        return true;
    }
    if (overlapped == m_readOut)
        m_readOut = nullptr;
    if (!m_open || !m_attached || m_readPending)
        return false;
    m_read = {overlapped, data, length, Clock::now() + m_timeouts.readTotal};
    m_readPending = true;
    TryRead(false); // bytes that are already waiting complete the read at once
    if (m_readPending)
        Wake();
    return true;
}

bool SerialFile::Write(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length) {
    return StartWrite(overlapped, data, length, false);
}

bool SerialFile::WriteDrained(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length) {
    return StartWrite(overlapped, data, length, true);
}

bool SerialFile::StartWrite(Overlapped* overlapped, const std::uint8_t* data, std::uint32_t length,
                            bool drain) {
    if (overlapped == nullptr || data == nullptr)
        return false;
    std::lock_guard lock(m_mutex);
    if (!m_open || !m_attached)
        return false;
    const bool first = m_writes.Empty();
    PendingWrite write{overlapped, data, length, 0, {}, drain, false};
    if (first)
        write.deadline = Clock::now() + m_timeouts.writeConstant + m_timeouts.writeMultiplier * length;
    m_writes.Push(write);
    if (first)
        TryWrites();
    if (!m_writes.Empty())
        Wake();
    return true;
}

void SerialFile::Purge() {
    std::lock_guard lock(m_mutex);
    if (m_open)
        ::tcflush(m_fd, TCIOFLUSH);
}

bool SerialFile::ClearErrors() {
    std::lock_guard lock(m_mutex);
    return m_open;
}

void SerialFile::Close() {
    std::thread service;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return;
        m_open = false;
        m_stopping = true;
        if (m_readPending)
            CompleteRead(kIoErrorOperationAborted, 0);
        else if (m_readOut != nullptr)
            m_abortOnRestart = m_readOut;
        m_readOut = nullptr;
        while (!m_writes.Empty()) {
            const PendingWrite write = m_writes.Pop();
            Complete(write.overlapped, kIoErrorOperationAborted, write.written);
        }
        Wake();
        service = std::move(m_service);
    }
    if (service.joinable())
        service.join();
    std::lock_guard lock(m_mutex);
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    ::close(m_wakeFd);
    m_fd = -1;
    m_wakeFd = -1;
    m_attached = false;
}

bool SerialFile::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

std::string SerialFile::Device() const {
    std::lock_guard lock(m_mutex);
    return m_device;
}

void SerialFile::Complete(Overlapped* overlapped, std::uint32_t status, std::uint32_t bytes) {
    overlapped->status = status;
    overlapped->bytes = bytes;
    if (m_queue != nullptr)
        m_queue->Post({bytes, m_key, overlapped, status});
}

void SerialFile::CompleteRead(std::uint32_t status, std::uint32_t bytes) {
    m_readPending = false;
    m_readOut = status == kIoSuccess ? m_read.overlapped : nullptr;
    Complete(m_read.overlapped, status, bytes);
}

void SerialFile::TryRead(bool hangUp) {
    const ssize_t n = ::read(m_fd, m_read.data, m_read.length);
    if (n > 0) {
        CompleteRead(kIoSuccess, static_cast<std::uint32_t>(n));
    } else if (n == 0) {
        CompleteRead(kIoErrorDeviceNotConnected, 0); // end of file: the line hung up
    } else if (errno == EAGAIN || errno == EINTR) {
        if (hangUp)
            CompleteRead(kIoErrorDeviceNotConnected, 0);
    } else {
        CompleteRead(IoStatusFromErrno(errno), 0);
    }
}

void SerialFile::TryWrites() {
    while (!m_writes.Empty()) {
        PendingWrite& write = m_writes.Front();
        if (write.draining)
            return; // the service thread watches the queue
        if (write.written < write.length) {
            const ssize_t n = ::write(m_fd, write.data + write.written, write.length - write.written);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return;
                const std::uint32_t status = IoStatusFromErrno(errno);
                const PendingWrite failed = m_writes.Pop();
                Complete(failed.overlapped, status, failed.written);
                continue;
            }
            write.written += static_cast<std::uint32_t>(n);
            if (write.written < write.length)
                return; // the driver is full; the rest goes when it takes more
        }
        if (write.drain) {
            write.draining = true;
            if (CheckDrain().count() > 0)
                return;
            continue; // drained already: completed
        }
        CompleteFirstWrite(kIoSuccess, Clock::now());
    }
}

void SerialFile::CompleteFirstWrite(std::uint32_t status, Clock::time_point now) {
    const PendingWrite done = m_writes.Pop();
    Complete(done.overlapped, status, done.written);
    // The next write's time-out starts when it becomes the first.
    if (!m_writes.Empty()) {
        PendingWrite& next = m_writes.Front();
        next.deadline = now + m_timeouts.writeConstant + m_timeouts.writeMultiplier * next.length;
    }
}

std::chrono::milliseconds SerialFile::CheckDrain() {
    using std::chrono::milliseconds;
    int queued = 0;
    // A driver that cannot tell (ENOTTY, EINVAL) counts as drained.
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
        CompleteFirstWrite(kIoSuccess, Clock::now());
        return milliseconds{0};
    }
    // Looked at again when the queued bytes should have gone out at the line's rate (10 bits a
    // byte), between 1 and 20 ms from now.
    const long long ms = m_baudRate > 0 ? static_cast<long long>(queued) * 10'000 / m_baudRate : 1;
    return milliseconds{std::clamp<long long>(ms, 1, 20)};
}

void SerialFile::ExpireWrites(Clock::time_point now) {
    // A write whose time-out has passed completes with the bytes taken so far, like a COM
    // port's write time-out; the next write starts its own time-out then.
    while (!m_writes.Empty() && m_writes.Front().deadline <= now) {
        // Taken by the driver but not drained: the write did not leave the port in time.
        CompleteFirstWrite(m_writes.Front().draining ? kIoErrorTimeout : kIoSuccess, now);
    }
}

void SerialFile::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void SerialFile::Service() {
    for (;;) {
        pollfd fds[2] = {{-1, POLLIN, 0}, {-1, 0, 0}};
        int timeoutMs = -1;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            const Clock::time_point now = Clock::now();
            fds[0].fd = m_wakeFd;
            fds[1].fd = m_fd;
            if (m_readPending) {
                fds[1].events |= POLLIN;
                timeoutMs = MillisecondsUntil(m_read.deadline, now);
            }
            if (!m_writes.Empty()) {
                int ms = MillisecondsUntil(m_writes.Front().deadline, now);
                if (m_writes.Front().draining) {
                    // No event tells that the output queue drained: it is looked at again.
                    const std::chrono::milliseconds again = CheckDrain();
                    if (again.count() == 0) {
                        TryWrites();
                        continue;
                    }
                    ms = std::min(ms, static_cast<int>(again.count()));
                } else {
                    fds[1].events |= POLLOUT;
                }
                timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
            }
        }
        // The device is only watched while something waits for it: a hung-up line would
        // otherwise wake the thread for ever.
        const nfds_t count = fds[1].events != 0 ? 2 : 1;
        if (::poll(fds, count, timeoutMs) < 0 && errno != EINTR)
            fds[1].revents = POLLERR;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &value, sizeof value);
        }

        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        const short events = count == 2 ? fds[1].revents : 0;
        const bool hangUp = (events & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (m_readPending && (events & (POLLIN | POLLHUP | POLLERR | POLLNVAL)))
            TryRead(hangUp);
        const Clock::time_point now = Clock::now();
        if (m_readPending && m_read.deadline <= now)
            CompleteRead(kIoSuccess, 0); // nothing came within the read time-out
        if (!m_writes.Empty() && m_writes.Front().draining && CheckDrain().count() == 0)
            TryWrites();
        if (!m_writes.Empty() && (events & (POLLOUT | POLLHUP | POLLERR | POLLNVAL)))
            TryWrites();
        ExpireWrites(now);
    }
}

} // namespace corvane
