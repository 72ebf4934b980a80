#include "platform/SerialAccess.h"

#include <cerrno>
#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

int AccessError(const std::string& path) {
    return access(path.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
}

} // namespace

SerialAccess CheckSerialAccess(const std::vector<std::string>& devicePaths, const SerialAccessProbe& probe) {
    SerialAccess result;
    result.devices = devicePaths;
    for (const std::string& path : devicePaths) {
        const int error = probe ? probe(path) : AccessError(path);
        if (error == EACCES || error == EPERM) {
            if (result.refused.empty())
                result.group = GroupOfFile(path);
            result.refused.push_back(path);
        }
    }
    return result;
}

std::string GroupOfFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {};
    struct group entry {};
    struct group* found = nullptr;
    char buffer[4096];
    if (getgrgid_r(st.st_gid, &entry, buffer, sizeof buffer, &found) == 0 && found && found->gr_name)
        return found->gr_name;
    return std::to_string(st.st_gid);
}

std::string CurrentUserName() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return found->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

} // namespace corvane
