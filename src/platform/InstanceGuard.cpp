#include "platform/InstanceGuard.h"

#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

std::string FallbackRuntimeFolder(const std::string& tmpFolder) {
    const std::string shared = JoinPath(tmpFolder, "corvane-" + std::to_string(getuid()));
    mkdir(shared.c_str(), 0700); // fails when it is there already: it is checked below
    if (IsPrivateFolder(shared))
        return shared;
    const std::string cache = UserCacheHome();
    if (cache.empty())
        return {};
    const std::string own = JoinPath(cache, "corvane");
    if (!MakeFolders(own, 0700))
        return {};
    // Made earlier with a wider mode (by hand, by an older version): narrowed when it is ours.
    struct stat st {};
    if (lstat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & 077) != 0)
        chmod(own.c_str(), 0700);
    return IsPrivateFolder(own) ? own : std::string();
}

std::string UserRuntimeFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR")) {
        struct stat st {};
        if (*xdg && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode))
            return xdg;
    }
    return FallbackRuntimeFolder("/tmp");
}

InstanceGuard::~InstanceGuard() {
    Release();
}

InstanceGuard::Result InstanceGuard::Acquire(const std::string& name, const std::string& folder) {
    Release();
    const std::string where = folder.empty() ? UserRuntimeFolder() : folder;
    if (where.empty()) {
        m_path.clear();
        m_error = "no private folder for the lock";
        return Result::Failed;
    }
    m_path = JoinPath(where, name + ".lock");
    // Never through a link someone placed under the lock's name.
    m_fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
