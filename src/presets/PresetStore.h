#pragma once

// The preset files of the ten slots in the data folder ("DataFile" beside the executable):
// "P01.bin" .. "P10.bin" by default, each exactly one PresetFile.
//
// Saving replaces a slot's file in one step (written beside it, flushed, renamed over it), so
// the slot always holds the old preset or the new one, never neither; a read-only file is
// never replaced.

#include "platform/AtomicFile.h"
#include "presets/PresetFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

// The path of `file` (a slot's file name) in `dataFolder`; empty (no file: nothing exists,
// reads, saves or deletes) when either is empty.
std::string PresetFilePath(const std::string& dataFolder, const std::string& file);

bool PresetFileExists(const std::string& path);

enum class PresetSaveResult {
    Saved,
    ReadOnly,    // the file exists and may not be changed: left as it is
    WriteFailed, // the new file could not be made or written: the old one is left as it is
};

// Writes `file` as the slot's file.
PresetSaveResult SavePresetFile(const std::string& path, const PresetFile& file);

// Test support: called at each stage of every save (see ReplaceOptions::stageHook); returning
// false fails the save there, and a test may end the process inside it. Null: none.
void SetPresetSaveHookForTesting(std::function<bool(ReplaceStage)> hook);

enum class PresetReadResult {
    Read,
    Unreadable, // missing, or it cannot be opened or read
    WrongSize,  // not exactly kPresetFileSize bytes
};

// Reads the slot's file into `bytes` (exactly kPresetFileSize bytes when Read; anything else
// leaves `bytes` empty). A file larger than a preset is not read beyond what tells its size.
PresetReadResult ReadPresetFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// Removes the slot's file; false when it could not be removed (or did not exist).
bool DeletePresetFile(const std::string& path);

} // namespace corvane
