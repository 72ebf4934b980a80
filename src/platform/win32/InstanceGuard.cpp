#include "platform/InstanceGuard.h"

#include "win32/Win32Text.h"

#include <windows.h>

namespace corvane {

std::string UserRuntimeFolder() {
    // The user's temporary folder: per user, and what the system cleans.
    wchar_t path[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, path);
    if (n == 0 || n > MAX_PATH)
        return {};
    std::string folder = win32::Narrow(path, n);
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

InstanceGuard::~InstanceGuard() {
    Release();
}

InstanceGuard::Result InstanceGuard::Acquire(const std::string& name, const std::string& folder) {
    Release();
    // One mutex per user session ("Local\"). A folder scopes the guard as the lock file's
    // folder does on POSIX; backslashes are not allowed in a mutex name.
    std::string mutexName = "Local\\" + name;
    if (!folder.empty()) {
        if (::GetFileAttributesW(win32::WidePath(folder).c_str()) == INVALID_FILE_ATTRIBUTES) {
            m_error = "no folder " + folder;
            return Result::Failed;
        }
        std::string scope = folder;
        for (char& c : scope) {
            if (c == '\\')
                c = '/';
        }
        mutexName += "@" + scope;
    }
    m_path = mutexName;
    ::SetLastError(ERROR_SUCCESS);
    const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, win32::Widen(mutexName).c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        m_error = "cannot create the mutex " + mutexName + ": " + win32::SystemErrorText(error);
        return error == ERROR_ACCESS_DENIED ? Result::AlreadyRunning : Result::Failed;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Result::AlreadyRunning;
    }
    m_mutex = mutex;
    return Result::Acquired;
}

void InstanceGuard::Release() {
    if (m_mutex != nullptr) {
        ::ReleaseMutex(static_cast<HANDLE>(m_mutex)); // fails harmlessly on another thread
        ::CloseHandle(static_cast<HANDLE>(m_mutex));
    }
    m_mutex = nullptr;
}

} // namespace corvane
