#include "widgets/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvane::valuetext {

namespace {

int DigitCount(double magnitude) {
    int digits = 1;
    for (double n = std::floor(std::fabs(magnitude)); n >= 10; n /= 10)
        ++digits;
    return digits;
}

} // namespace

FormatSpec ParseFormat(std::string_view f) {
    FormatSpec parsed;
    int conversions = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%')
            continue;
        if (i + 1 < f.size() && f[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < f.size() && f[j] != '\0' && std::strchr("-+ 0#", f[j]))
            ++j;
        while (j < f.size() && f[j] >= '0' && f[j] <= '9')
            ++j;
        int precision = -1;
        if (j < f.size() && f[j] == '.') {
            precision = 0;
            for (++j; j < f.size() && f[j] >= '0' && f[j] <= '9'; ++j)
                precision = std::min(precision * 10 + (f[j] - '0'), 99);
        }
        if (j >= f.size() || f[j] == '\0' || !std::strchr("diufFeEgG", f[j]))
            return FormatSpec{};
        parsed.integer = std::strchr("diu", f[j]) != nullptr;
        parsed.decimals = parsed.integer ? 0 : (precision < 0 ? 6 : precision);
        ++conversions;
        i = j;
    }
    parsed.valid = conversions == 1;
    parsed.hasPoint = f.find('.') != std::string_view::npos;
    return parsed;
}

std::optional<std::string> Formatted(std::string_view format, float value) {
    const FormatSpec parsed = ParseFormat(format);
    if (!parsed.valid)
        return std::nullopt;
    const std::string f(format);
    char text[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    // The format has exactly one conversion, checked above, and gets the argument it names.
    if (parsed.integer)
        std::snprintf(text, sizeof text, f.c_str(), static_cast<int>(std::lround(value)));
    else
        std::snprintf(text, sizeof text, f.c_str(), static_cast<double>(value));
#pragma GCC diagnostic pop
    return std::string(text);
}

bool Admits(std::string_view text, int chars, int decimals) {
    bool point = false;
    int afterPoint = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (!(chars & kDigitChars))
                return false;
            if (point)
                ++afterPoint;
        } else if (c == '-') {
            if (!(chars & kMinusChar) || i != 0)
                return false;
        } else if (c == '.') {
            if (!(chars & kPointChar) || point)
                return false;
            point = true;
        } else {
            return false;
        }
    }
    return decimals < 0 || afterPoint <= decimals;
}

int TextLimit(std::string_view format, float minimum, float maximum, int shownLength) {
    const FormatSpec parsed = ParseFormat(format);
    int limit = DigitCount(std::max(std::fabs(minimum), std::fabs(maximum)));
    if (minimum < 0)
        ++limit;
    if (parsed.hasPoint)
        limit += 1 + parsed.decimals;
    return std::max(limit, shownLength);
}

std::optional<float> TypedValue(std::string_view text, float minimum, float maximum) {
    double typed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, typed);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(typed))
        return std::nullopt; // nothing usable was typed
    return std::clamp(static_cast<float>(typed), minimum, maximum);
}

SliderSpan SpanOf(float minimum, float maximum, float scale) {
    const int span = static_cast<int>(std::lround((maximum - minimum) * scale));
    return {std::min(0, span), std::max(0, span), std::abs(span) / 2};
}

int SliderPosition(float value, float minimum, float scale) {
    return static_cast<int>(std::lround((value - minimum) * scale));
}

float SliderValue(int position, float minimum, float maximum, float scale) {
    return std::clamp(static_cast<float>(position) / scale + minimum, minimum, maximum);
}

} // namespace corvane::valuetext
