#pragma once

// The diagnostic log in a file. A windowed program on Windows has no console to write to, and
// an operator sends a file to support: every Qt log message is appended to the file as one
// line (time, level, category, text), and still goes where it went before (the terminal, or
// the debugger's output). When the file has grown past kLogFileLimitBytes it becomes
// <file>.1 (the one before is dropped) and a new file is begun, so the log never fills a disk.
// Writing is serialised: threads log at once without mixing their lines.

#include <cstdint>
#include <string>

namespace corvane {

inline constexpr std::int64_t kLogFileLimitBytes = 2 * 1024 * 1024;

// Starts writing to `path` (made when missing). False when the file cannot be opened; the log
// then goes where it went before only.
bool StartLogFile(const std::string& path, std::int64_t limitBytes = kLogFileLimitBytes);

// Stops writing to the file (at the end of the program).
void StopLogFile();

} // namespace corvane
