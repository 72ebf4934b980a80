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
        // Each declares its own language, the name of its file.
        EXPECT_EQ(keys.at("setting/language") + ".ini", name);
    }
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

// ---- one name for each page and function

namespace {

struct PageNames {
    int tab;          // the main window's tab (IDD102_<tab>), 0 for a window without tab
    int dialog;       // the page's caption IDD<dialog>_Title
    int messageTitle; // the message table's title of the page, SIDS_<n>
};

// The pages and floating windows, with the message-table entry that titles their messages.
constexpr PageNames kPages[] = {
    {1001, 183, 0}, {1002, 166, 1},  {1003, 179, 2}, {1004, 155, 3}, {1005, 146, 4}, {1006, 152, 5},
    {1007, 187, 7}, {1008, 189, 51}, {1009, 165, 6}, {0, 163, 8},    {0, 172, 10},   {0, 191, 55},
};

std::string Text(const Keys& keys, const std::string& key) {
    const auto it = keys.find("string/" + Lower(key));
    EXPECT_NE(it, keys.end()) << key;
    return it == keys.end() ? std::string() : it->second;
}

} // namespace

// A page is called the same on its tab, in its caption and in the titles of its messages: the
// caption is the title of its messages, and holds the tab's word.
TEST(LanguageFiles, APageHasOneNameOnItsTabItsCaptionAndItsMessages) {
    for (const std::string& name : ShippedFiles()) {
        SCOPED_TRACE(name);
        const Keys keys = KeysOf(kSourceFolder + "/" + name);
        for (const PageNames& page : kPages) {
            const std::string caption = Text(keys, "IDD" + std::to_string(page.dialog) + "_Title");
            EXPECT_EQ(caption, Text(keys, "SIDS_" + std::to_string(page.messageTitle))) << page.dialog;
            if (page.tab != 0) {
                const std::string tab = Text(keys, "IDD102_" + std::to_string(page.tab));
                EXPECT_NE(caption.find(tab), std::string::npos) << caption << " does not say " << tab;
            }
        }
    }
}

// Wherever an English text names a page or a function, the Chinese text at that key uses the one
// Chinese word for it: the page's tab word (画质 for the picture page, 裁剪 for crop, ...), 缩放
// for zoom, and 设备 for the processor ("Machine", "Desitination"), never 机器.
TEST(LanguageFiles, ChineseUsesOneWordForEachPageAndFunction) {
    const Keys english = KeysOf(kSourceFolder + "/English.ini");
    const Keys chinese = KeysOf(kSourceFolder + "/Chinese.ini");
    struct Term {
        std::vector<std::string> english; // lower case
        std::string chinese;
    };
    std::vector<Term> terms;
    for (const PageNames& page : kPages)
        if (page.tab != 0) {
            const std::string key = "IDD102_" + std::to_string(page.tab);
            terms.push_back({{Lower(Text(english, key))}, Text(chinese, key)});
        }
    terms.push_back({{"intercept"}, Text(chinese, "IDD102_1006")}); // the processor's word for crop
    terms.push_back({{"zoom"}, "缩放"});
    terms.push_back({{"machine", "desitination"}, "设备"});

    int checked = 0;
    for (const auto& [id, text] : english) {
        const std::string lower = Lower(text);
        for (const Term& term : terms)
            for (const std::string& word : term.english)
                if (lower.find(word) != std::string::npos) {
                    ++checked;
                    ASSERT_TRUE(chinese.count(id)) << id;
                    EXPECT_NE(chinese.at(id).find(term.chinese), std::string::npos)
                        << id << ": \"" << text << "\" is \"" << chinese.at(id) << "\", without "
                        << term.chinese;
                }
    }
    EXPECT_GT(checked, 30); // the rule sees the texts it is about
    for (const auto& [id, text] : chinese)
        EXPECT_EQ(text.find("机器"), std::string::npos) << id << ": the processor is 设备";
}
