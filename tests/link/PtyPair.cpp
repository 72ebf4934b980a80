#include "PtyPair.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace corvane::test {

PtyPair::PtyPair() {
    m_far = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_far < 0)
        return;
    char name[128];
    if (::grantpt(m_far) != 0 || ::unlockpt(m_far) != 0 || ::ptsname_r(m_far, name, sizeof name) != 0) {
        ::close(m_far);
        m_far = -1;
        return;
    }
    m_device = name;
    ::fcntl(m_far, F_SETFL, ::fcntl(m_far, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    HangUp();
}

void PtyPair::Send(const std::uint8_t* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(m_far, data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{m_far, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

std::vector<std::uint8_t> PtyPair::Receive(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<std::uint8_t> bytes;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{m_far, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::uint8_t chunk[4096];
        const ssize_t n = ::read(m_far, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (n > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return bytes;
}

std::size_t PtyPair::Drain() {
    std::size_t total = 0;
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_far, chunk, sizeof chunk);
        if (n <= 0)
            return total;
        total += static_cast<std::size_t>(n);
    }
}

termios PtyPair::DeviceSettings() const {
    // On the far side of a pseudo-terminal the mode calls act on the device side.
    termios settings{};
    ::tcgetattr(m_far, &settings);
    return settings;
}

void PtyPair::HangUp() {
    if (m_far >= 0)
        ::close(m_far);
    m_far = -1;
}

void PortsFolder::Link(const std::string& name, const std::string& target) {
    if (::symlink(target.c_str(), m_folder.File(name).c_str()) != 0)
        throw std::runtime_error("cannot make link " + name);
}

void PortsFolder::File(const std::string& name) {
    const int fd = ::open(m_folder.File(name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace corvane::test
