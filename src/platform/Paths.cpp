#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

// The variable when it holds an absolute path (the XDG rule: relative ones are ignored).
std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/')
        return value;
    return {};
}

std::string UserFolder(const char* variable, const char* underHome) {
    std::string folder = AbsoluteVariable(variable);
    if (!folder.empty())
        return folder;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : JoinPath(home, underHome);
}

} // namespace

std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string HomeFolder() {
    std::string home = AbsoluteVariable("HOME");
    if (!home.empty())
        return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::string UserConfigHome() {
    return UserFolder("XDG_CONFIG_HOME", ".config");
}

std::string UserDataHome() {
    return UserFolder("XDG_DATA_HOME", ".local/share");
}

std::string UserCacheHome() {
    return UserFolder("XDG_CACHE_HOME", ".cache");
}

bool MakeFolders(const std::string& path, unsigned mode) {
    if (path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash), mode))
        return false;
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0)
        return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace corvane
