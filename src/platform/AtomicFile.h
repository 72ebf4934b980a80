#pragma once

// Replacing a whole file in one step: the new bytes are written to a file beside the target,
// flushed to the disk, and renamed over the target, so that a crash or a failed write at any
// moment leaves the old file or the new one, never neither and never half of one. Used for
// Config.ini, the language files and the preset files.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace corvane {

// Where a replacement has got to, for tests that make it fail or end the process there.
enum class ReplaceStage { HalfWritten, Complete, Replaced };

struct ReplaceOptions {
    // Refuse to replace a target that is read-only (no write permission bit, or not writable
    // by this process), as deleting it would be refused: a rename would replace it silently.
    bool keepReadOnly = false;
    // Called at each stage; returning false makes the replacement fail there (as a full disk
    // would), the target then being untouched. A test may also end the process inside it.
    std::function<bool(ReplaceStage)> stageHook;
};

// Writes `bytes` as the whole content of `path` (through a symbolic link: the file it points
// to). A new file gets the mode an ordinary new file gets; a replaced one keeps its
// permissions and, where allowed, its owner. False on any failure, the old file (or its
// absence) then being untouched and nothing left beside it.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// True when `path` exists and is read-only in the sense of ReplaceOptions::keepReadOnly.
bool IsReadOnlyFile(const std::string& path);

} // namespace corvane
