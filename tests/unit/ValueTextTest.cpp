#include "widgets/ValueText.h"

#include <gtest/gtest.h>

using namespace corvane::valuetext;

namespace {

constexpr int kNumber = kDigitChars | kMinusChar | kPointChar;

TEST(ValueText, TheFilterAdmitsDigitsALeadingMinusOnePointAndTheFormatsDecimals) {
    const struct {
        const char* text;
        int chars;
        int decimals;
        bool admitted;
    } cases[] = {
        {"15", kDigitChars, 0, true},
        {"1.5", kDigitChars, 0, false},
        {"-7", kDigitChars, 0, false},
        {"7a", kDigitChars, 0, false},
        {"-12", kNumber, 1, true},
        {"1-2", kNumber, 1, false},
        {"1.5.5", kNumber, 1, false},
        {"3.14", kNumber, 2, true},
        {"3.141", kNumber, 2, false},
        {"-.5", kNumber, 1, true},
        {"3.141", kNumber, -1, true},
        {"", kDigitChars, 0, true},
        {"5", kMinusChar | kPointChar, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Admits(c.text, c.chars, c.decimals), c.admitted) << c.text << " " << c.chars;
}

TEST(ValueText, TheTextLimitFitsTheRangeTheSignTheDecimalsAndWhatIsShown) {
    const struct {
        const char* format;
        float minimum, maximum;
        int shown;
        int limit;
    } cases[] = {
        {"%d", 0, 100, 0, 3},  {"%d", 0, 9999, 0, 4}, {"%d", -50, 50, 0, 3},
        {"%d", -1, 9, 0, 2},   {"%d", 0, 9, 0, 1},    {"%.1f", 0, 100, 0, 5},
        {"%.2f", -1, 1, 0, 5}, {"%d", 4, 64, 5, 5},   {"%d", -0.5f, 9, 0, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextLimit(c.format, c.minimum, c.maximum, c.shown), c.limit)
            << c.format << " " << c.minimum;
}

TEST(ValueText, TypedTextCommitsKeptInTheRangeAndNoNumberCommitsNothing) {
    const struct {
        const char* typed;
        std::optional<float> value;
    } cases[] = {{"50", 50.0f},      {"100", 100.0f},    {"120", 100.0f}, {"-5", 0.0f},
                 {"0", 0.0f},        {"25.5", 25.5f},    {".5", 0.5f},    {"-", std::nullopt},
                 {"", std::nullopt}, {".", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(TypedValue(c.typed, 0, 100), c.value) << c.typed;
}

// The slider counts from the minimum, in `scale` units per value unit; its page is half the span.
TEST(ValueText, TheSliderSpansTheRangeFromTheMinimum) {
    EXPECT_EQ(SpanOf(0, 100, 1), (SliderSpan{0, 100, 50}));
    EXPECT_EQ(SpanOf(-50, 50, 10), (SliderSpan{0, 1000, 500}));
    EXPECT_EQ(SpanOf(0, 100, -1), (SliderSpan{-100, 0, 50}));
    EXPECT_EQ(SliderPosition(25.5f, -50, 10), 755);
    EXPECT_EQ(SliderPosition(0, -50, 10), 500);
    const struct {
        int position;
        float value;
    } back[] = {{0, -50}, {755, 25.5f}, {1000, 50}, {1200, 50}, {-10, -50}};
    for (const auto& c : back)
        EXPECT_FLOAT_EQ(SliderValue(c.position, -50, 50, 10), c.value) << c.position;
}

} // namespace
