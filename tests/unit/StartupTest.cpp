#include "ScratchFolder.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace corvane;
using corvane::test::FileExists;
using corvane::test::ModeOf;
using corvane::test::ReadBytes;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

namespace {

class FakeUi : public StartupUi {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
    }
    void RunMainWindow(CCorvaneApp& app) override {
        ++runs;
        language = GetLanguageSetting();
        ctrlId = languageCtrlId;
        portNum = app.config.comPortNum;
    }
    std::vector<std::string> messages;
    int runs = 0;
    std::string language;
    std::uint32_t ctrlId = 0;
    std::uint32_t portNum = 0;
};

TEST(Startup, FreshFolderGetsItsWorkingFoldersAndConfig) {
    ScratchFolder exe, guard;
    CCorvaneApp app;
    FakeUi ui;
    EXPECT_EQ(app.InitInstance(ui, exe.Path(), guard.Path()), StartupResult::Ran);
    EXPECT_EQ(ui.runs, 1);
    EXPECT_TRUE(ui.messages.empty());
    for (const char* f : {"Ini", "DataFile", "UpgradeFile", "Language"})
        EXPECT_TRUE(IsFolder(exe.File(f))) << f;
    EXPECT_TRUE(FileExists(exe.File("Ini/Config.ini")));
    EXPECT_EQ(app.configPath, exe.File("Ini/Config.ini"));
    EXPECT_EQ(configFile, app.configPath);
    EXPECT_EQ(ui.portNum, 1u);
    // No language file in the folder: English, and the choice is written down.
    EXPECT_EQ(ui.language, "English");
    EXPECT_EQ(ui.ctrlId, kLanguageCtrlEnglish);
    EXPECT_NE(ReadBytes(app.configPath).find("Language=English"), std::string::npos);
}

TEST(Startup, SecondCopyIsRefusedAndTheFirstKeepsRunning) {
    ScratchFolder exe, guard;
    CCorvaneApp first;
    FakeUi ui1;
    // The first copy holds the guard while its main window runs: start the second inside it.
    class Nested : public FakeUi {
    public:
        Nested(const std::string& e, const std::string& g) : exe(e), guard(g) {}
        void RunMainWindow(CCorvaneApp&) override {
            CCorvaneApp second;
            result = second.InitInstance(secondUi, exe, guard);
        }
        std::string exe, guard;
        FakeUi secondUi;
        StartupResult result = StartupResult::Ran;
    } nested(exe.Path(), guard.Path());
    EXPECT_EQ(first.InitInstance(nested, exe.Path(), guard.Path()), StartupResult::Ran);
    EXPECT_EQ(nested.result, StartupResult::AlreadyRunning);
    EXPECT_EQ(nested.secondUi.messages, std::vector<std::string>{"温馨提示: 软件已经启动！"});
    EXPECT_EQ(nested.secondUi.runs, 0);
}

TEST(Startup, AFolderThatCannotBeMadeStopsWithItsMessage) {
    struct Case {
        const char* blocked;
        StartupResult result;
        const char* message;
    };
    const Case cases[] = {
        {"Ini", StartupResult::IniFolder, "警告: 建立Ini文件夹失败！"},
        {"DataFile", StartupResult::DataFolder, "警告: 建立DataFile文件夹失败！"},
        {"UpgradeFile", StartupResult::UpgradeFolder, "警告: 建立UpgradeFile文件夹失败！"},
        {"Language", StartupResult::LanguageFolder, "警告: 建立Language文件夹失败！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocked);
        ScratchFolder exe, guard;
        WriteBytes(exe.File(c.blocked), "a file where the folder belongs");
        CCorvaneApp app;
        FakeUi ui;
        EXPECT_EQ(app.InitInstance(ui, exe.Path(), guard.Path()), c.result);
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(ui.runs, 0);
    }
}

// The choice among the files is LanguageTest's; here it is made at start-up from Config.ini.
TEST(Startup, LanguageFromConfig) {
    ScratchFolder exe, guard;
    ASSERT_TRUE(EnsureFolder(exe.File("Ini")));
    ASSERT_TRUE(EnsureFolder(exe.File("Language")));
    WriteBytes(exe.File("Language/Chinese.ini"),
               "[Setting]\r\nLanguage=Chinese\r\n[String]\r\nSIDS_11=提示\r\n");
    WriteBytes(exe.File("Ini/Config.ini"), "[ComSet]\r\nPortNum=4\r\n[Setting]\r\nLanguage=Chinese\r\n");
    CCorvaneApp app;
    FakeUi ui;
    app.InitInstance(ui, exe.Path(), guard.Path());
    EXPECT_EQ(ui.language, "Chinese");
    EXPECT_EQ(ui.ctrlId, kLanguageCtrlChinese);
    EXPECT_EQ(ui.portNum, 4u);
    EXPECT_EQ(GetLangString("SIDS_11"), "提示");
}

#ifndef _WIN32 // POSIX permissions and the XDG folders
using corvane::test::Environment;

TEST(Startup, AnInstalledProgramWritesOnlyIntoTheFakeHome) {
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
        FakeUi ui;
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
#endif

} // namespace
