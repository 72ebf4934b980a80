// The rules of the slots' names: what a rename stores, the language's default names, and a
// name made safe to draw.

#include "presets/PresetNames.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(PresetNames, ARenameStoresTheNameWithoutBlanksAroundIt) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"Show", "Show"},
        {"  Show  ", "Show"},
        {"\tA B\t", "A B"},
        {"\xE3\x80\x80"
         "演出\xE3\x80\x80",
         "演出"},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"\t \xE3\x80\x80", std::nullopt},
    };
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        EXPECT_EQ(RenamedPresetName(typed), stored);
    }
}

TEST(PresetNames, DefaultNamesFollowTheLanguage) {
    struct Case {
        std::string name;
        int slot;
        std::string language;
        std::string shown;
    };
    const Case cases[] = {
        {"预设 4", 3, "English", "Preset 4"},
        {"Preset 4", 3, "Chinese", "预设 4"},
        {"Preset 4", 3, "English", "Preset 4"},
        {"预设 4", 3, "Chinese", "预设 4"},
        {"预设 4", 2, "English", "预设 4"}, // not this slot's default
        {"Preset 10", 9, "Chinese", "预设 10"},
        {"Preset 4 ", 3, "Chinese", "Preset 4 "}, // only the default itself
        {"Preset 4", 3, "French", "Preset 4"},
        {"Stage", 0, "Chinese", "Stage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " / " + c.language);
        EXPECT_EQ(PresetNameForLanguage(c.name, c.slot, c.language), c.shown);
    }
}

TEST(PresetNames, NamesAreDrawnSafely) {
    EXPECT_EQ(DisplayablePresetName("Preset 1"), "Preset 1");
    EXPECT_EQ(DisplayablePresetName("预设 1"), "预设 1");
    EXPECT_EQ(DisplayablePresetName("a\tb\nc\x7f"), "a?b?c?");
    EXPECT_EQ(DisplayablePresetName("ab\xE2\x80\xAE"
                                    "cd"),
              "ab?cd")
        << "no direction override";
    EXPECT_EQ(DisplayablePresetName("x\xFF\xFEy"), "x\xEF\xBF\xBD\xEF\xBF\xBDy") << "invalid UTF-8";
    EXPECT_EQ(DisplayablePresetName(std::string(300, 'W'), 12), std::string(12, 'W') + "...");
    EXPECT_EQ(DisplayablePresetName("一二三四五六七八九十", 9), "一二三四五六七八九...");
    EXPECT_EQ(DisplayablePresetName("一二三四五六七八九", 9), "一二三四五六七八九");
}
