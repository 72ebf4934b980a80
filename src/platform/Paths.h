#pragma once

// Where the program lives and where it keeps its files. The executable's folder holds what
// ships with it (the Language and Image folders). Where the files it writes live depends on
// how it was put on the machine:
// - run from a build folder: the Ini (Config.ini), DataFile and UpgradeFile folders and the
//   Ports folder of pinned serial ports sit beside the executable, as always;
// - installed (a file named kInstalledMarker lies beside the executable, put there by the
//   installation): the folder of the executable belongs to the system and is not written;
//   each user's files live in the user's folders:
//     $XDG_CONFIG_HOME/corvane/Config.ini   (default ~/.config/corvane)
//     $XDG_CONFIG_HOME/corvane/Ports/
//     $XDG_DATA_HOME/corvane/DataFile/      (default ~/.local/share/corvane)
//     $XDG_DATA_HOME/corvane/UpgradeFile/
//   (on Windows: %APPDATA%\corvane\Config.ini, DataFile and UpgradeFile; no Ports folder)
// This file is the one place that says so.

#include <string>

namespace corvane {

// Installed beside the executable by `cmake --install` (and the package).
inline constexpr const char* kInstalledMarker = "corvane.installed";

// Folder of the running executable, without a trailing separator; empty when it cannot be
// found.
std::string ExecutableFolder();

// `folder` + separator + `name`. On Windows the separator is a backslash, or a forward slash
// when the folder is written with forward slashes only.
std::string JoinPath(const std::string& folder, const std::string& name);

struct ProgramFolders {
    bool installed = false;
    std::string exe;     // the executable, with Language and Image beside it
    std::string ini;     // Config.ini
    std::string data;    // DataFile: the preset files
    std::string upgrade; // UpgradeFile: firmware files
    std::string ports;   // Ports: COM<n> links to serial devices
};

// The folders of the program whose executable lies in `exeFolder`.
ProgramFolders ProgramFoldersFor(const std::string& exeFolder);

// True when the installation marker lies in `exeFolder`.
bool IsInstalledProgram(const std::string& exeFolder);

// The user's folders by the XDG rules: the variable when it holds an absolute path, else
// the default under the home folder. HomeFolder is $HOME, else the password database's.
std::string HomeFolder();
std::string UserConfigHome(); // $XDG_CONFIG_HOME, ~/.config
std::string UserDataHome();   // $XDG_DATA_HOME, ~/.local/share
std::string UserCacheHome();  // $XDG_CACHE_HOME, ~/.cache

// Makes `path` and the folders above it that are missing (new ones with `mode`). True when
// `path` is a folder afterwards.
bool MakeFolders(const std::string& path, unsigned mode = 0755);

} // namespace corvane
