#pragma once

// The rules of the preset slots' names: what a rename stores, the language's default names,
// and a name made safe to draw.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The name box takes at most this many characters.
inline constexpr int kPresetNameMaxChars = 9;

// `typed` without blanks before and after it (spaces, tabs, the ideographic space); none when
// nothing is left, so the slot keeps its old name.
std::optional<std::string> RenamedPresetName(std::string_view typed);

// The name slot `slot` (0..9) shows under `language`: in "English" the Chinese default name
// "预设 N" becomes "Preset N", in "Chinese" "Preset N" becomes "预设 N" (N the slot's number);
// every other name, and every name under another language, stays as it is.
std::string PresetNameForLanguage(const std::string& name, int slot, const std::string& language);

// `name` as it can be drawn safely: valid UTF-8, control and direction-changing characters
// replaced by '?', at most `maxChars` characters (a longer name ends in "..."). The slot's
// name itself is not changed.
std::string DisplayablePresetName(std::string_view name, std::size_t maxChars = 32);

} // namespace corvane
