#pragma once

// The single-instance guard: a named lock, one per user session, held for the life of the
// process. It is a lock file in the user's runtime folder, locked with flock: the system
// releases it when the process ends, also when it crashes, so a stale file never blocks a
// start. On Windows it is a named mutex (the folder, when given, becomes part of its name);
// the system closes it when the process ends.

#include <string>

namespace corvane {

class InstanceGuard {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    InstanceGuard() = default;
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // Takes the lock `name` in `folder` (empty: the user's runtime folder).
    Result Acquire(const std::string& name, const std::string& folder = {});
    void Release();

    const std::string& Path() const { return m_path; }
    // Why Acquire failed, for the log.
    const std::string& Error() const { return m_error; }

private:
#ifdef _WIN32
    void* m_mutex = nullptr; // the mutex's HANDLE
#else
    int m_fd = -1;
#endif
    std::string m_path;
    std::string m_error;
};

// The user's runtime folder: $XDG_RUNTIME_DIR when it is a folder. Without it (remote X
// sessions, some containers), /tmp/corvane-<uid>, made when missing, but only when it is a
// private folder of the user's (see IsPrivateFolder): one that another user made first could
// let that user hold the lock or place links in it. Otherwise the private folder corvane in
// the user's cache folder (~/.cache/corvane, made with mode 0700). Empty when there is none.
std::string UserRuntimeFolder();
// The same choice with another shared temporary folder than /tmp and no $XDG_RUNTIME_DIR
// (tests).
std::string FallbackRuntimeFolder(const std::string& tmpFolder);

// True when `path` is a real folder (not a link), owned by this user, with no access for
// the group or others.
bool IsPrivateFolder(const std::string& path);

} // namespace corvane
