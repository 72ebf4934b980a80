#include "platform/AtomicFile.h"

#include "win32/Win32Text.h"

#include <atomic>
#include <string>
#include <windows.h>

namespace corvane {

namespace {

using win32::WidePath;

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of("\\/");
}

// A new file beside `target` with a name no one else uses.
HANDLE CreateAside(const std::string& target, std::string& asidePath) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = LastSeparator(target);
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        asidePath = folder + "." + base + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(counter++);
        const HANDLE file = ::CreateFileW(WidePath(asidePath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    const auto stage = [&](ReplaceStage s) { return !options.stageHook || options.stageHook(s); };
    if (path.empty())
        return false;
    // A read-only target would be replaced silently by a rename; it is refused instead. A
    // read-only file cannot be replaced by ReplaceFile anyway.
    if (IsReadOnlyFile(path) && options.keepReadOnly)
        return false;

    std::string aside;
    const HANDLE file = CreateAside(path, aside);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring asideWide = WidePath(aside);
    auto fail = [&]() {
        ::CloseHandle(file);
        ::DeleteFileW(asideWide.c_str());
        return false;
    };

    const std::size_t half = bytes.size() / 2;
    if (!WriteAll(file, bytes.data(), half) || !stage(ReplaceStage::HalfWritten))
        return fail();
    if (!WriteAll(file, bytes.data() + half, bytes.size() - half) || !::FlushFileBuffers(file) ||
        !stage(ReplaceStage::Complete))
        return fail();
    if (!::CloseHandle(file)) {
        ::DeleteFileW(asideWide.c_str());
        return false;
    }

    const std::wstring targetWide = WidePath(path);
    const bool exists = ::GetFileAttributesW(targetWide.c_str()) != INVALID_FILE_ATTRIBUTES;
    // ReplaceFile keeps the replaced file's attributes, security and creation time; a new
    // target is simply moved into place. Both are one step for anyone who reads the file.
    bool replaced = exists && ::ReplaceFileW(targetWide.c_str(), asideWide.c_str(), nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!replaced)
        replaced = ::MoveFileExW(asideWide.c_str(), targetWide.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced) {
        ::DeleteFileW(asideWide.c_str());
        return false;
    }
    stage(ReplaceStage::Replaced);
    return true;
}

} // namespace corvane
