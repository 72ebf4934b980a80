#include "blend/CurveRules.h"

#include <algorithm>
#include <cstdio>

namespace corvane {

namespace {

constexpr char16_t kComma = u',';
constexpr char16_t kFullWidthComma = u'\uFF0C';

int ClampValue(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, kCurveValueMax));
}

std::size_t TableByte(int table, int point) {
    const int t = std::clamp(table, 1, kCurveTableCount) - 1;
    return static_cast<std::size_t>(4 * t + 2 * (point & 1));
}

// num / den to the nearest whole number (num >= 0, den > 0).
long long RoundedQuotient(long long num, long long den) {
    return (2 * num + den) / (2 * den);
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// A whole number as the C library reads one, kept within 0..255 while it is read (so that no
// length of digits can overflow).
int ReadWholeNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        any = true;
        value = std::min<long long>(value * 10 + (text[i] - u'0'), 1000); // past 255 either way
    }
    if (!any)
        return 0;
    return ClampValue(negative ? -value : value);
}

} // namespace

int ScaledLength(int length96, double dpi) {
    if (!(dpi > 0))
        return length96;
    return static_cast<int>(length96 * dpi / 96.0);
}

PlotRect ScaledPlot(double dpiX, double dpiY) {
    return {ScaledLength(kPlotAt96.left, dpiX), ScaledLength(kPlotAt96.top, dpiY),
            ScaledLength(kPlotAt96.right, dpiX), ScaledLength(kPlotAt96.bottom, dpiY)};
}

PlotPixel ValueToPixel(const PlotRect& plot, CurvePoint value) {
    const long long x = ClampValue(value.x), y = ClampValue(value.y);
    return {
        static_cast<int>(plot.left + (static_cast<long long>(plot.right) - plot.left) * x / kCurveValueMax),
        static_cast<int>(plot.bottom -
                         (static_cast<long long>(plot.bottom) - plot.top) * y / kCurveValueMax)};
}

PlotPixel ClampIntoPlot(const PlotRect& plot, PlotPixel pixel) {
    return {std::clamp(pixel.x, std::min(plot.left, plot.right), std::max(plot.left, plot.right)),
            std::clamp(pixel.y, std::min(plot.top, plot.bottom), std::max(plot.top, plot.bottom))};
}

CurvePoint PixelToValue(const PlotRect& plot, PlotPixel pixel) {
    const PlotPixel p = ClampIntoPlot(plot, pixel);
    const long long w = static_cast<long long>(plot.right) - plot.left;
    const long long h = static_cast<long long>(plot.bottom) - plot.top;
    const long long x = w > 0 ? RoundedQuotient((p.x - plot.left) * 255LL, w) : 0;
    const long long y = h > 0 ? RoundedQuotient((plot.bottom - p.y) * 255LL, h) : 0;
    return {ClampValue(x), ClampValue(y)};
}

CurvePoint TablePoint(const OutputInfo& output, int table, int point) {
    const std::size_t b = TableByte(table, point);
    return {output.curve[b], output.curve[b + 1]};
}

void StoreTablePoint(OutputInfo& output, int table, int point, CurvePoint value) {
    const std::size_t b = TableByte(table, point);
    output.curve[b] = static_cast<std::uint8_t>(ClampValue(value.x));
    output.curve[b + 1] = static_cast<std::uint8_t>(ClampValue(value.y));
}

CurvePoint ParseTypedPoint(std::u16string_view text) {
    std::u16string_view before, after;
    auto split = [&](char16_t separator) {
        const std::size_t at = text.find(separator);
        if (at == std::u16string_view::npos) {
            before = after = {};
            return;
        }
        before = text.substr(0, at);
        after = text.substr(at + 1);
    };
    split(kComma);
    if (before.empty() && after.empty())
        split(kFullWidthComma);
    return {ReadWholeNumber(before), ReadWholeNumber(after)};
}

std::string TypedPointText(CurvePoint value) {
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", value.x, value.y);
    return text;
}

std::string PointLabel(CurvePoint value) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d)", value.x, value.y);
    return text;
}

} // namespace corvane
