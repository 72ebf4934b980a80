#pragma once

// The rules of a value box without its widget: what a printf-style format shows, which typed
// characters it admits, how many characters its range needs, what typed text commits, and how
// an attached slider's units map to the value.

#include <optional>
#include <string>
#include <string_view>

namespace corvane::valuetext {

// Which characters may be typed.
enum Chars : int { kDigitChars = 1, kMinusChar = 2, kPointChar = 4 };

// What a printf-style format with one conversion shows.
struct FormatSpec {
    bool valid = false;
    bool integer = true;
    bool hasPoint = false; // the format holds a '.'
    int decimals = 0;
};

FormatSpec ParseFormat(std::string_view format);

// `value` as `format` shows it; nothing when the format has not exactly one number conversion.
std::optional<std::string> Formatted(std::string_view format, float value);

// True when `text` holds only what `chars` allows: digits, a minus sign as the first character,
// one decimal point, and no more than `decimals` digits after it (any number when negative).
bool Admits(std::string_view text, int chars, int decimals);

// Room for every value of minimum .. maximum: the digits of the largest magnitude, a sign when
// the range goes below zero, and the point with the decimals when the format has them; at least
// `shownLength`, the text shown now.
int TextLimit(std::string_view format, float minimum, float maximum, int shownLength);

// The value typed text commits, kept in the range; nothing when it is no number.
std::optional<float> TypedValue(std::string_view typed, float minimum, float maximum);

// An attached slider counts from the minimum in `scale` units per value unit.
struct SliderSpan {
    int min = 0;
    int max = 0;
    int page = 0;
    bool operator==(const SliderSpan&) const = default;
};
SliderSpan SpanOf(float minimum, float maximum, float scale);
int SliderPosition(float value, float minimum, float scale);
float SliderValue(int position, float minimum, float maximum, float scale);

} // namespace corvane::valuetext
