// Where the program keeps its files: beside the executable in a build folder, in the user's
// own folders when installed; and the start-up of an installed program in a fake home.

#include "platform/Paths.h"

#include "ScratchFolder.h"
#include "platform/Files.h"
#include "shell/CorvaneApp.h"

#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <tuple>

using namespace corvane;
using corvane::test::Environment;
using corvane::test::FileExists;
using corvane::test::ModeOf;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

namespace {

class StartupUi0 : public StartupUi {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
    }
    void RunMainWindow(CCorvaneApp&) override { ++runs; }
    std::vector<std::string> messages;
    int runs = 0;
};

} // namespace

TEST(ProgramFolders, BuildFolderKeepsEverythingBesideTheExecutable) {
    ScratchFolder exe;
    const ProgramFolders f = ProgramFoldersFor(exe.Path());
    EXPECT_FALSE(f.installed);
    EXPECT_EQ(std::tie(f.exe, f.ini, f.data, f.upgrade, f.ports),
              std::make_tuple(exe.Path(), exe.File("Ini"), exe.File("DataFile"), exe.File("UpgradeFile"),
                              exe.File("Ports")));
}

TEST(ProgramFolders, InstalledProgramUsesTheUsersFolders) {
    ScratchFolder exe, home;
    WriteBytes(exe.File(kInstalledMarker), "installed\n");
    struct Case {
        std::optional<std::string> config, data;
        std::string wantIni, wantData;
    };
    const Case cases[] = {
        // The XDG defaults under the home folder.
        {std::nullopt, std::nullopt, home.File(".config/corvane"), home.File(".local/share/corvane")},
        // The variables when they are absolute paths.
        {home.File("cfg"), home.File("dat"), home.File("cfg/corvane"), home.File("dat/corvane")},
        // Relative or empty ones are ignored.
        {std::string("relative/cfg"), std::string(""), home.File(".config/corvane"),
         home.File(".local/share/corvane")},
    };
    for (const Case& c : cases) {
        Environment env;
        env.Set("HOME", home.Path());
        env.Set("XDG_CONFIG_HOME", c.config);
        env.Set("XDG_DATA_HOME", c.data);
        const ProgramFolders f = ProgramFoldersFor(exe.Path());
        EXPECT_EQ(std::tie(f.installed, f.exe, f.ini, f.ports, f.data, f.upgrade),
                  std::make_tuple(true, exe.Path(), c.wantIni, c.wantIni + "/Ports", c.wantData + "/DataFile",
                                  c.wantData + "/UpgradeFile"));
    }
}

TEST(ProgramFolders, MakeFoldersMakesTheMissingParents) {
    ScratchFolder root;
    EXPECT_TRUE(MakeFolders(root.File("a/b/c"), 0700));
    EXPECT_TRUE(IsFolder(root.File("a/b/c")));
    EXPECT_EQ(ModeOf(root.File("a/b")), 0700u);
    EXPECT_TRUE(MakeFolders(root.File("a/b/c"))); // already there
    WriteBytes(root.File("file"), "x");
    EXPECT_FALSE(MakeFolders(root.File("file")));
    EXPECT_FALSE(MakeFolders(root.File("file/below")));
    EXPECT_FALSE(MakeFolders(""));
    // Only a regular marker file means installed.
    ASSERT_TRUE(MakeFolders(root.File(kInstalledMarker)));
    EXPECT_FALSE(IsInstalledProgram(root.Path()));
    EXPECT_FALSE(IsInstalledProgram(""));
}

TEST(ProgramFolders, InstalledStartupWritesOnlyIntoTheFakeHome) {
    ScratchFolder exe, home, guard;
    WriteBytes(exe.File(kInstalledMarker), "installed\n");
    ASSERT_TRUE(MakeFolders(exe.File("Language")));
    // The executable's folder belongs to the system: nothing may be written there.
    ASSERT_EQ(chmod(exe.Path().c_str(), 0555), 0);
    Environment env;
    env.Set("HOME", home.Path());
    env.Set("XDG_CONFIG_HOME", std::nullopt);
    env.Set("XDG_DATA_HOME", std::nullopt);
    {
        CCorvaneApp app;
        StartupUi0 ui;
        EXPECT_EQ(app.InitInstance(ui, exe.Path(), guard.Path()), StartupResult::Ran);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_TRUE(app.installed);
    }
    // The folders are InstalledProgramUsesTheUsersFolders's; here they are made and used.
    EXPECT_TRUE(FileExists(home.File(".config/corvane/Config.ini")));
    for (const char* f :
         {".config/corvane/Ports", ".local/share/corvane/DataFile", ".local/share/corvane/UpgradeFile"})
        EXPECT_TRUE(IsFolder(home.File(f))) << f;
    // Made private to the user.
    EXPECT_EQ(ModeOf(home.File(".config/corvane")), 0700u);
    for (const char* f : {"Ini", "DataFile", "UpgradeFile", "Ports"})
        EXPECT_FALSE(FileExists(exe.File(f))) << f;
    chmod(exe.Path().c_str(), 0755);
}
