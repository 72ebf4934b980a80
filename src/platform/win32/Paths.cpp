#include "platform/Paths.h"

#include "platform/Files.h"
#include "win32/Win32Text.h"

#include <windows.h>

namespace corvane {

namespace {

// A folder the system names in the environment (the user's profile and application data
// folders); empty when it is not set.
std::string EnvironmentFolder(const wchar_t* name) {
    const DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0)
        return {};
    std::wstring value(n, L'\0');
    const DWORD written = ::GetEnvironmentVariableW(name, value.data(), n);
    if (written == 0 || written >= n)
        return {};
    value.resize(written);
    return win32::Narrow(value);
}

} // namespace

std::string ExecutableFolder() {
    // The module file name; a longer path than the buffer gets a larger buffer.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    return win32::Narrow(path.substr(0, slash));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/')
        return folder + name;
    // The folder's own separator: a backslash, unless it is written with forward slashes only.
    const bool forward = folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
    return folder + (forward ? "/" : "\\") + name;
}

// An installed program keeps each user's files in the user's application data folder
// (%APPDATA%\corvane: Config.ini, DataFile, UpgradeFile); Windows has no group that
// guards serial ports.
std::string HomeFolder() {
    return EnvironmentFolder(L"USERPROFILE");
}

std::string UserConfigHome() {
    return EnvironmentFolder(L"APPDATA");
}

std::string UserDataHome() {
    return EnvironmentFolder(L"APPDATA");
}

std::string UserCacheHome() {
    return EnvironmentFolder(L"LOCALAPPDATA");
}

bool MakeFolders(const std::string& path, unsigned /*mode: Windows folders inherit their rights*/) {
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    const std::size_t slash = path.find_last_of("\\/");
    // Not above a drive ("C:") or the root.
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':' &&
        !MakeFolders(path.substr(0, slash), 0))
        return false;
    return MakeFolder(path);
}

} // namespace corvane
