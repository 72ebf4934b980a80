#pragma once

// The few file and folder operations the core needs, so that nothing above this layer calls
// the system itself. Paths are UTF-8.

#include <cstddef>
#include <string>

namespace corvane {

enum class FileReadResult {
    Read,       // the whole file is in `bytes`
    Missing,    // there is no such file
    Unreadable, // it cannot be opened or read, or it is no regular file
    TooLarge,   // it holds more than the bytes allowed (`bytes` is then empty)
};

// The whole content of the regular file `path`, at most `maxBytes` of it.
FileReadResult ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

// Makes the folder `path` (not its parents); true when it exists as a folder afterwards.
bool MakeFolder(const std::string& path);

// Deletes the file `path`; false when it cannot.
bool RemoveFile(const std::string& path);

// Whether users other than the file's owner may read it (its group or everyone); false when
// it cannot be told, and always on Windows, whose files inherit their folder's access list.
bool OthersMayRead(const std::string& path);

} // namespace corvane
