#pragma once

// The curve editor's rules, without widgets. A user blend table is a cubic Bezier curve from
// (0, 0) to (255, 255) whose two inner control points P1 and P2 the operator places; table t
// (1..4) of an output is four bytes of its `curve`: P1.x, P1.y, P2.x, P2.y.
//
// The plot maps values to pixels: x grows to the right from the plot's left edge, y grows
// upwards from its bottom edge. A value goes to the pixel it falls in (truncated); a pixel back
// to the nearest value, so that a value comes back within one unit however many values share a
// pixel (the plot is 200 pixels high for 256 values).

#include "device/DeviceState.h"

#include <string_view>

namespace corvane {

inline constexpr int kCurveValueMax = 255;
inline constexpr int kCurveTableCount = 4;

// A control point's values, each 0..255.
struct CurvePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CurvePoint&, const CurvePoint&) = default;
};

// A position in the editor's pixels.
struct PlotPixel {
    int x = 0;
    int y = 0;
    friend bool operator==(const PlotPixel&, const PlotPixel&) = default;
};

// The plot's edges in the editor's pixels (right and bottom are the pixels of value 255 and 0).
struct PlotRect {
    int left = 0;
    int top = 10;
    int right = 255;
    int bottom = 210;
    friend bool operator==(const PlotRect&, const PlotRect&) = default;
};

// The plot at 96 pixels per inch.
inline constexpr PlotRect kPlotAt96{0, 10, 255, 210};

// The plot (or any length of the editor) for a screen of `dpiX` x `dpiY` pixels per inch:
// horizontal coordinates times dpiX / 96, vertical ones times dpiY / 96, truncated.
PlotRect ScaledPlot(double dpiX, double dpiY);
int ScaledLength(int length96, double dpi);

// Value to pixel: left + (right - left) * x / 255, bottom - (bottom - top) * y / 255.
PlotPixel ValueToPixel(const PlotRect& plot, CurvePoint value);
// A pixel moved onto the nearest pixel of the plot.
PlotPixel ClampIntoPlot(const PlotRect& plot, PlotPixel pixel);
// Pixel to value, after clamping into the plot: (x - left) * 255 / (right - left),
// (bottom - y) * 255 / (bottom - top), each to the nearest whole number; always 0..255 (also
// for a plot without width or height).
CurvePoint PixelToValue(const PlotRect& plot, PlotPixel pixel);

// Point 0 (P1) or 1 (P2) of table `table` (1..4) of `output`; out-of-range numbers are kept
// inside the table's bytes.
CurvePoint TablePoint(const OutputInfo& output, int table, int point);
// Stores `value` (kept within 0..255) as that point.
void StoreTablePoint(OutputInfo& output, int table, int point, CurvePoint value);

// What the coordinate box's text gives: split at the first ','; when the texts before and after
// it are both empty (no ',' at all, or nothing around it), split at the first full-width comma
// U+FF0C instead; no separator gives two empty parts. Each part reads as a whole number as the
// C library does (leading blanks, a sign, then ASCII digits up to the first other character; no
// digit reads 0), and is kept within 0..255. Any text, of any length, gives values in range.
CurvePoint ParseTypedPoint(std::u16string_view text);

// The text the coordinate box opens with, and the label beside a point: "x,y" and "(x,y)".
std::string TypedPointText(CurvePoint value);
std::string PointLabel(CurvePoint value);

} // namespace corvane
