#include "platform/Files.h"

#include "win32/Win32Text.h"

#include <windows.h>

namespace corvane {

using win32::WidePath;

FileReadResult ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    if (path.empty())
        return FileReadResult::Missing;
    // Others may read and even replace the file meanwhile, as with the initialisation-file
    // functions: the handle keeps the content it opened.
    const HANDLE file = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileReadResult::Missing
                                                                              : FileReadResult::Unreadable;
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return FileReadResult::Unreadable;
    }
    char buffer[16384];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
            ::CloseHandle(file);
            bytes.clear();
            return FileReadResult::Unreadable;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
        if (bytes.size() > maxBytes) {
            ::CloseHandle(file);
            bytes.clear();
            return FileReadResult::TooLarge;
        }
    }
    ::CloseHandle(file);
    return FileReadResult::Read;
}

bool IsRegularFile(const std::string& path) {
    if (path.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
}

bool IsFolder(const std::string& path) {
    if (path.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeFolder(const std::string& path) {
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    return ::CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0 || IsFolder(path);
}

bool RemoveFile(const std::string& path) {
    return !path.empty() && ::DeleteFileW(WidePath(path).c_str()) != 0;
}

bool OthersMayRead(const std::string&) {
    return false;
}

} // namespace corvane
