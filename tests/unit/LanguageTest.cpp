#include "shell/Language.h"

#include "ScratchFolder.h"
#include "platform/IniFile.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::FileExists;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

namespace {

class LanguageTest : public ::testing::Test {
protected:
    ScratchFolder m_folder;
    std::string m_languageFolder = m_folder.File("Language");

    void SetUp() override {
        std::filesystem::create_directory(m_folder.File("Ini"));
        std::filesystem::create_directory(m_languageFolder);
        exeFolder = m_folder.Path();
        configFile = m_folder.File("Ini/Config.ini");
        languageFile.clear();
        ResetMessageTable();
    }
    void TearDown() override {
        exeFolder.clear();
        configFile.clear();
        languageFile.clear();
        ResetMessageTable();
    }

    void LanguageFileNamed(const std::string& name, const std::string& declared,
                           const std::string& strings = "") {
        WriteBytes(m_languageFolder + "/" + name,
                   "[Setting]\r\nLanguage=" + declared + "\r\n[String]\r\n" + strings);
    }
    std::string ConfigLanguage() {
        return GetPrivateProfileString("Setting", "Language", "<none>", 100, configFile);
    }
};

} // namespace

TEST_F(LanguageTest, FilesAreTriedInNameOrder) {
    // Made in the opposite order, so that the file system's own order would differ; the order
    // is blind to case as on Windows (C.ini comes after b.ini).
    LanguageFileNamed("C.ini", "English");
    LanguageFileNamed("b.ini", "English");
    LanguageFileNamed("a.ini", "Chinese");
    SelectLanguage("English");
    EXPECT_EQ(languageFile, m_languageFolder + "/b.ini");
    EXPECT_EQ(ConfigLanguage(), "English");

    SelectLanguage("Chinese");
    EXPECT_EQ(languageFile, m_languageFolder + "/a.ini");
    EXPECT_EQ(ConfigLanguage(), "Chinese");

    LanguageFileNamed("0.ini", "English");
    SelectLanguage("English");
    EXPECT_EQ(languageFile, m_languageFolder + "/0.ini");
}

TEST_F(LanguageTest, AnEmptyNameTakesConfigsAndANameNotMatchedExactlyFallsBackToEnglishIni) {
    LanguageFileNamed("Chinese.ini", "Chinese");
    LanguageFileNamed("English.ini", "English");
    const struct {
        const char* configured;
        const char* asked;
        const char* chosen;
    } cases[] = {
        {"Chinese", "", "Chinese.ini"}, {"", "", "English.ini"}, {"english", "english", "English.ini"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WritePrivateProfileString("Setting", "Language", c.configured, configFile));
        SelectLanguage(c.asked);
        EXPECT_EQ(languageFile, m_languageFolder + "/" + c.chosen) << c.configured;
    }
    EXPECT_EQ(ConfigLanguage(), "English");
}

TEST_F(LanguageTest, OnlyUsableIniFilesAreChosen) {
    // Not chosen: a text file, a folder named like a language file, an empty declaration.
    WriteBytes(m_languageFolder + "/Deutsch.txt", "[Setting]\r\nLanguage=Deutsch\r\n");
    std::filesystem::create_directory(m_languageFolder + "/Folder.ini");
    LanguageFileNamed("Empty.ini", "");
    SelectLanguage("Deutsch");
    EXPECT_EQ(languageFile, m_languageFolder + "/English.ini");
    EXPECT_EQ(ConfigLanguage(), "English");

    // The extension is matched without regard to case, as on Windows.
    LanguageFileNamed("DEUTSCH.INI", "Deutsch");
    SelectLanguage("Deutsch");
    EXPECT_EQ(languageFile, m_languageFolder + "/DEUTSCH.INI");
    EXPECT_EQ(ConfigLanguage(), "Deutsch");
}

TEST_F(LanguageTest, MissingLanguageFolderChoosesEnglishAndMakesTheFolder) {
    std::filesystem::remove(m_languageFolder);
    SelectLanguage("Chinese");
    EXPECT_EQ(languageFile, m_languageFolder + "/English.ini");
    EXPECT_TRUE(std::filesystem::is_directory(m_languageFolder));
    EXPECT_EQ(ConfigLanguage(), "English");
    // Every lookup then gives nothing.
    EXPECT_EQ(GetLangString("IDD102_Title"), "");
}

TEST_F(LanguageTest, LanguageSettingDefaultsToEnglishWithRoomForAHundred) {
    EXPECT_EQ(GetLanguageSetting(), "English");
    const std::string longName(150, 'x');
    ASSERT_TRUE(WritePrivateProfileString("Setting", "Language", longName, configFile));
    EXPECT_EQ(GetLanguageSetting(), std::string(99, 'x'));
}

TEST_F(LanguageTest, BackslashNBecomesALineBreak) {
    LanguageFileNamed("English.ini", "English",
                      "IDD163_1370=Serial\\nPort\r\nTrail=end\\n\r\nOther=a\\\\nb c\\t\r\n");
    SelectLanguage("English");
    EXPECT_EQ(GetLangString("idd163_1370"), "Serial\nPort");
    EXPECT_EQ(GetLangString("Trail"), "end\n");
    EXPECT_EQ(GetLangString("Other"), "a\\\nb c\\t");
    EXPECT_EQ(GetLangString("IDD163_9999"), "");
}

TEST_F(LanguageTest, ReloadReplacesEverySlotEvenWithNothing) {
    EXPECT_EQ(MessageText(kMsgImageCrop), "Image Crop");
    std::string strings;
    for (int i = 0; i < kMessageCount; ++i)
        if (i != 5)
            strings += "SIDS_" + std::to_string(i) + "=text " + std::to_string(i) + "\\nmore\r\n";
    LanguageFileNamed("English.ini", "English", strings);
    SelectLanguage("English");

    ReloadMessageTable();
    EXPECT_EQ(MessageText(5), "");
    EXPECT_EQ(MessageText(4), "text 4\nmore");
    for (int i = 0; i < kMessageCount; ++i)
        EXPECT_EQ(MessageText(i), GetLangString("SIDS_" + std::to_string(i))) << i;

    ResetMessageTable();
    EXPECT_EQ(MessageText(5), "Image Crop");
}

TEST_F(LanguageTest, NoLanguageFileAtAllKeepsTheBuiltInMessages) {
    // An installation without its Language folder must not show blank message boxes.
    SelectLanguage("English"); // no file in the folder: English.ini that does not exist
    ReloadMessageTable();
    EXPECT_EQ(MessageText(kMsgTips), "Tips");
    EXPECT_EQ(MessageText(kMsgOtherClientConnected), "Other clients have been connected!");
    EXPECT_EQ(GetLangString("SIDS_11"), "");
    // Nothing outside the table's indices (each index's text: LanguageFilesTest).
    EXPECT_EQ(MessageText(-1), "");
    EXPECT_EQ(MessageText(kMessageCount), "");
    EXPECT_STREQ(BuiltInMessageText(kMessageCount), "");
}

TEST_F(LanguageTest, InCodePairsFollowTheConfiguredName) {
    const struct {
        const char* configured;
        const char* expected;
    } cases[] = {{"English", "Auto connect..."},
                 {"Chinese", "自动连接..."},
                 {"chinese", "Auto connect..."},
                 {"Deutsch", "Auto connect..."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configured);
        ASSERT_TRUE(WritePrivateProfileString("Setting", "Language", c.configured, configFile));
        EXPECT_EQ(Tr("Auto connect...", "自动连接..."), c.expected);
    }
    std::filesystem::remove(configFile);
    EXPECT_EQ(Tr("Auto connect...", "自动连接..."), "Auto connect...");
    EXPECT_FALSE(FileExists(configFile));
}

TEST(LanguageCtrlId, ChineseOnlyForChinese) {
    for (const auto& [name, id] :
         {std::pair{"Chinese", 1118u}, {"English", 1117u}, {"", 1117u}, {"chinese", 1117u}})
        EXPECT_EQ(LanguageCtrlIdFor(name), id) << name;
}
