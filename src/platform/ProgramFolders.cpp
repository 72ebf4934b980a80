// Where the program's files live, from the folders the system names (Paths.cpp and
// win32/Paths.cpp say where those are).

#include "platform/Files.h"
#include "platform/Paths.h"

namespace corvane {

namespace {

constexpr const char* kProgramName = "corvane";

} // namespace

bool IsInstalledProgram(const std::string& exeFolder) {
    return !exeFolder.empty() && IsRegularFile(JoinPath(exeFolder, kInstalledMarker));
}

ProgramFolders ProgramFoldersFor(const std::string& exeFolder) {
    ProgramFolders f;
    f.exe = exeFolder;
    f.installed = IsInstalledProgram(exeFolder);
    if (!f.installed) {
        f.ini = JoinPath(exeFolder, "Ini");
        f.data = JoinPath(exeFolder, "DataFile");
        f.upgrade = JoinPath(exeFolder, "UpgradeFile");
        f.ports = JoinPath(exeFolder, "Ports");
        return f;
    }
    // Without any home folder there is nowhere to write: the folders stay empty and the
    // start-up says it cannot make them.
    const std::string config = UserConfigHome();
    const std::string data = UserDataHome();
    if (!config.empty()) {
        f.ini = JoinPath(config, kProgramName);
        f.ports = JoinPath(f.ini, "Ports");
    }
    if (!data.empty()) {
        f.data = JoinPath(JoinPath(data, kProgramName), "DataFile");
        f.upgrade = JoinPath(JoinPath(data, kProgramName), "UpgradeFile");
    }
    return f;
}

} // namespace corvane
