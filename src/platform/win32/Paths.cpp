#include "platform/Paths.h"

#include "win32/Win32Text.h"

#include <windows.h>

namespace corvane {

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

} // namespace corvane
