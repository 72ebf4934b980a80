#pragma once

// Where the program lives. The working folders (Ini, DataFile, UpgradeFile, Language) and
// the Ports folder of pinned serial ports sit beside the executable.

#include <string>

namespace corvane {

// Folder of the running executable, without a trailing separator; empty when it cannot be
// found.
std::string ExecutableFolder();

// `folder` + separator + `name`. On Windows the separator is a backslash, or a forward slash
// when the folder is written with forward slashes only.
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace corvane
