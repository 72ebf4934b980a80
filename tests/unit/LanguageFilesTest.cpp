// The language files that ship with the program: every file holds exactly the keys of
// English.ini, declares its own language, and the build has put the current copies in the
// Language folder beside the executables.

#include "ScratchFolder.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "shell/Language.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

using namespace corvane;
using corvane::test::ReadBytes;

namespace {

const std::string kSourceFolder = CORVANE_LANGUAGE_SOURCE_DIR;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return s;
}

// section/key (as names are compared, without regard to case) -> value
using Keys = std::map<std::string, std::string>;

Keys KeysOf(const std::string& path) {
    IniText text;
    EXPECT_EQ(IniText::Load(path, text), IniLoad::Loaded) << path;
    Keys keys;
    for (const IniEntry& e : text.Entries()) {
        const std::string id = Lower(e.section) + "/" + Lower(e.key);
        EXPECT_TRUE(keys.emplace(id, e.value).second) << path << ": " << id << " appears twice";
    }
    return keys;
}

std::set<std::string> IdsOf(const Keys& keys) {
    std::set<std::string> ids;
    for (const auto& [id, value] : keys)
        ids.insert(id);
    return ids;
}

std::vector<std::string> ShippedFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kSourceFolder))
        if (entry.path().extension() == ".ini")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(LanguageFiles, EveryFileHoldsTheKeysOfEnglish) {
    const Keys english = KeysOf(kSourceFolder + "/English.ini");
    const std::vector<std::string> files = ShippedFiles();
    ASSERT_GE(files.size(), 2u);
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        const Keys keys = KeysOf(kSourceFolder + "/" + name);
        const std::set<std::string> want = IdsOf(english);
        const std::set<std::string> have = IdsOf(keys);
        std::vector<std::string> missing, extra;
        std::set_difference(want.begin(), want.end(), have.begin(), have.end(), std::back_inserter(missing));
        std::set_difference(have.begin(), have.end(), want.begin(), want.end(), std::back_inserter(extra));
        EXPECT_TRUE(missing.empty()) << "missing: " << ::testing::PrintToString(missing);
        EXPECT_TRUE(extra.empty()) << "not in English.ini: " << ::testing::PrintToString(extra);
        for (const auto& [id, value] : keys)
            EXPECT_FALSE(value.empty()) << id << " has no text";
    }
}

TEST(LanguageFiles, EachDeclaresItsLanguage) {
    EXPECT_EQ(GetPrivateProfileString("Setting", "Language", "", 100, kSourceFolder + "/English.ini"),
              "English");
    EXPECT_EQ(GetPrivateProfileString("Setting", "Language", "", 100, kSourceFolder + "/Chinese.ini"),
              "Chinese");
}

TEST(LanguageFiles, MessageTableIsCompleteAndEnglishIsTheBuiltInText) {
    const Keys english = KeysOf(kSourceFolder + "/English.ini");
    const Keys chinese = KeysOf(kSourceFolder + "/Chinese.ini");
    for (int i = 0; i < kMessageCount; ++i) {
        const std::string id = "string/sids_" + std::to_string(i);
        ASSERT_TRUE(english.count(id)) << id;
        EXPECT_EQ(english.at(id), BuiltInMessageText(i)) << id;
        ASSERT_TRUE(chinese.count(id)) << id;
        EXPECT_NE(chinese.at(id), BuiltInMessageText(i)) << id << " is not translated";
    }
    EXPECT_FALSE(english.count("string/sids_" + std::to_string(kMessageCount)));
}

TEST(LanguageFiles, TheBuildPutsCurrentCopiesBesideTheExecutables) {
    const std::string installed = JoinPath(ExecutableFolder(), "Language");
    for (const std::string& name : ShippedFiles()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(installed + "/" + name), ReadBytes(kSourceFolder + "/" + name));
    }
}
