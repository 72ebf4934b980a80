#include "platform/SerialAccess.h"

#include "win32/Win32Text.h"

#include <cerrno>
#include <windows.h>

// Windows guards COM ports with no group: every user may open them, so no device is refused
// unless a probe says so (tests), and no group is named.

namespace corvane {

SerialAccess CheckSerialAccess(const std::vector<std::string>& devicePaths, const SerialAccessProbe& probe) {
    SerialAccess result;
    result.devices = devicePaths;
    for (const std::string& path : devicePaths) {
        const int error = probe ? probe(path) : 0;
        if (error == EACCES || error == EPERM)
            result.refused.push_back(path);
    }
    return result;
}

std::string GroupOfFile(const std::string& /*path*/) {
    return {};
}

std::string CurrentUserName() {
    wchar_t name[257];
    DWORD size = sizeof name / sizeof name[0];
    if (::GetUserNameW(name, &size) && size > 1)
        return win32::Narrow(name, size - 1);
    return {};
}

} // namespace corvane
