#include "presets/PresetStore.h"

#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

std::function<bool(ReplaceStage)>& SaveHook() {
    static std::function<bool(ReplaceStage)> hook;
    return hook;
}

} // namespace

void SetPresetSaveHookForTesting(std::function<bool(ReplaceStage)> hook) {
    SaveHook() = std::move(hook);
}

std::string PresetFilePath(const std::string& dataFolder, const std::string& file) {
    // Without a data folder there is no file: never one in whatever folder the program runs in.
    if (dataFolder.empty() || file.empty())
        return {};
    return JoinPath(dataFolder, file);
}

bool PresetFileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

PresetSaveResult SavePresetFile(const std::string& path, const PresetFile& file) {
    if (path.empty())
        return PresetSaveResult::WriteFailed;
    if (IsReadOnlyFile(path))
        return PresetSaveResult::ReadOnly;
    ReplaceOptions options;
    options.keepReadOnly = true;
    options.stageHook = SaveHook();
    const std::string_view bytes(reinterpret_cast<const char*>(file.data()), file.size());
    return ReplaceFileContents(path, bytes, options) ? PresetSaveResult::Saved
                                                     : PresetSaveResult::WriteFailed;
}

PresetReadResult ReadPresetFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (path.empty())
        return PresetReadResult::Unreadable;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return PresetReadResult::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return PresetReadResult::Unreadable;
    }
    // One byte more than a preset tells a longer file from a preset, whatever its size says.
    std::vector<std::uint8_t> read(kPresetFileSize + 1);
    std::size_t got = 0;
    while (got < read.size()) {
        const ssize_t n = ::read(fd, read.data() + got, read.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return PresetReadResult::Unreadable;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got != kPresetFileSize)
        return PresetReadResult::WrongSize;
    read.resize(kPresetFileSize);
    bytes = std::move(read);
    return PresetReadResult::Read;
}

bool DeletePresetFile(const std::string& path) {
    // A read-only file is not deleted, as the operator's system would refuse it.
    if (path.empty() || IsReadOnlyFile(path))
        return false;
    return ::unlink(path.c_str()) == 0;
}

} // namespace corvane
