#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr)
            return resolved;
    }
    return path;
}

// A new file beside `target`, created with the mode an ordinary new file gets (the umask
// applies) and a name no one else uses.
int CreateAside(const std::string& target, std::string& asidePath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    const std::size_t slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u", static_cast<long>(::getpid()), counter++);
        asidePath = folder + "/." + base + suffix;
        const int fd = ::open(asidePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    // No write bit at all is read-only even for the administrator, who may write anything.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    const auto stage = [&](ReplaceStage s) { return !options.stageHook || options.stageHook(s); };
    const std::string target = ResolveTarget(path);
    if (options.keepReadOnly && IsReadOnlyFile(target))
        return false;

    std::string aside;
    const int fd = CreateAside(target, aside);
    if (fd < 0)
        return false;
    auto fail = [&]() {
        ::close(fd);
        ::unlink(aside.c_str());
        return false;
    };

    // The new file takes over the old one's permissions and, where allowed, its owner.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not allowed for an ordinary user: the new file is then the writer's own.
        }
        ::fchmod(fd, old.st_mode & 07777);
    }

    const std::size_t half = bytes.size() / 2;
    if (!WriteAll(fd, bytes.data(), half) || !stage(ReplaceStage::HalfWritten))
        return fail();
    if (!WriteAll(fd, bytes.data() + half, bytes.size() - half) || ::fsync(fd) != 0 ||
        !stage(ReplaceStage::Complete))
        return fail();
    if (::close(fd) != 0) {
        ::unlink(aside.c_str());
        return false;
    }
    if (::rename(aside.c_str(), target.c_str()) != 0) {
        ::unlink(aside.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    stage(ReplaceStage::Replaced);
    return true;
}

} // namespace corvane
