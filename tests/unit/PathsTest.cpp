// Where the program keeps its files: beside the executable in a build folder, in the user's
// own folders when installed (the start-up of an installed program in a fake home:
// StartupTest).

#include "platform/Paths.h"

#include "ScratchFolder.h"
#include "platform/Files.h"

#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <tuple>

using namespace corvane;
using corvane::test::Environment;
using corvane::test::ModeOf;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

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
