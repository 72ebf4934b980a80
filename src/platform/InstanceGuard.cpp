#include "platform/InstanceGuard.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

std::string UserRuntimeFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR")) {
        struct stat st {};
        if (*xdg && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode))
            return xdg;
    }
    std::string folder = "/tmp/corvane-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    return folder;
}

InstanceGuard::~InstanceGuard() {
    Release();
}

InstanceGuard::Result InstanceGuard::Acquire(const std::string& name, const std::string& folder) {
    Release();
    m_path = (folder.empty() ? UserRuntimeFolder() : folder) + "/" + name + ".lock";
    m_fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = "cannot open " + m_path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(m_fd);
        m_fd = -1;
        if (error == EWOULDBLOCK)
            return Result::AlreadyRunning;
        m_error = "cannot lock " + m_path + ": " + std::strerror(error);
        return Result::Failed;
    }
    return Result::Acquired;
}

void InstanceGuard::Release() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

} // namespace corvane
