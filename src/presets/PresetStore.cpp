#include "presets/PresetStore.h"

#include "platform/Files.h"
#include "platform/Paths.h"

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
    return IsRegularFile(path);
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
    std::string read;
    switch (ReadWholeFile(path, kPresetFileSize, read)) {
    case FileReadResult::Read:
        break;
    case FileReadResult::TooLarge:
        return PresetReadResult::WrongSize;
    case FileReadResult::Missing:
    case FileReadResult::Unreadable:
        return PresetReadResult::Unreadable;
    }
    if (read.size() != kPresetFileSize)
        return PresetReadResult::WrongSize;
    bytes.assign(read.begin(), read.end());
    return PresetReadResult::Read;
}

bool DeletePresetFile(const std::string& path) {
    // A read-only file is not deleted, as the operator's system would refuse it.
    if (path.empty() || IsReadOnlyFile(path))
        return false;
    return RemoveFile(path);
}

} // namespace corvane
