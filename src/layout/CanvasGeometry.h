#pragma once

// The geometry of the layout canvas, without windows: rectangles in device pixels (the
// processor's canvas) and in control pixels (the canvas window), the conversions between
// them with per-cell rounding residues, the fitting into the client area, the hit zones of a
// cell, the alignment of a moving cell to the others, and the double-click fit.
//
// The conversions work in single precision, as the processor's original tools did, and keep
// what rounding loses in the residues, so that a cell that has not been moved reports exactly
// the device values it was given.

#include <cstdint>
#include <span>

namespace corvane {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Left and top inside, right and bottom outside (as window rectangles are).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    Rect Normalized() const;
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // True when the two share an area (touching edges do not count).
    bool Meets(const Rect& other) const;
    bool operator==(const Rect&) const = default;
};

Rect Union(const Rect& a, const Rect& b); // bounding box; an empty rectangle adds nothing

// Device pixels lost by rounding, per cell.
struct Residual {
    int left = 0;
    int width = 0;
    int top = 0;
    int height = 0;
    bool operator==(const Residual&) const = default;
};

struct Scale {
    double x = 6.0; // device pixels per control pixel
    double y = 6.0;
};

struct Placement {
    Rect control;
    Residual residual;
};

// Device rectangle to control rectangle inside `client` (whose left and top are 0).
Placement DeviceToControl(const Rect& device, Scale scale, const Rect& client);

// Control rectangle back to device pixels with the cell's residues.
Rect ControlToDevice(const Rect& control, const Residual& residual, Scale scale);

// A proposed control rectangle made to fit the client area.
Rect FitIntoClient(const Rect& proposed, const Rect& client);

// True when `r` lies inside the client area (left and top at least 0, right and bottom at
// most the client's).
bool InsideClient(const Rect& r, const Rect& client);

// The displacement of a group of cells moved together towards `wanted`, cut per direction to
// the room of the cell with the least, so that every cell stays inside `client` and the
// arrangement holds. Never larger than wanted, never against it (0 when a cell has no room).
Point GroupOffset(std::span<const Rect> cells, Point wanted, const Rect& client);

// Hit zones of a cell: 0 left edge, 1 top, 2 right, 3 bottom, 4 interior, 5 top-left
// corner, 6 bottom-left, 7 top-right, 8 bottom-right, 9 none.
enum Zone : int {
    kZoneLeft = 0,
    kZoneTop = 1,
    kZoneRight = 2,
    kZoneBottom = 3,
    kZoneInterior = 4,
    kZoneTopLeft = 5,
    kZoneBottomLeft = 6,
    kZoneTopRight = 7,
    kZoneBottomRight = 8,
    kZoneNone = 9,
};
inline constexpr int kZoneBand = 5;
int HitZone(const Rect& cell, Point p);

// The cell's control rectangle with the edges that `zone` drags moved to `p`, normalised,
// at least kMinCellSize in each direction.
inline constexpr int kMinCellSize = 8;
Rect ResizeByZone(const Rect& cell, int zone, Point p);

// The device rectangle after a drag step in `zone`: only the edges the zone moves are taken
// from `converted` (the new control rectangle in device pixels); a move (zone 4) takes the
// new left and top and keeps the previous width and height.
Rect UpdateDeviceForZone(const Rect& previous, const Rect& converted, int zone);

// Alignment of a proposed rectangle P of a moving cell against the rectangle O of another.
enum AlignState : int {
    kAlignLeft = 0, // to O.left
    kAlignTop = 1,
    kAlignRight = 2,
    kAlignBottom = 3,
    kAlignTopLeft = 5, // to the corner (O.left, O.top)
    kAlignBottomLeft = 6,
    kAlignTopRight = 7,
    kAlignBottomRight = 8,
    kAlignNone = 9,
};

// Which edge of the moving cell was put on which edge of the other, per axis.
enum class EdgeMatch : std::uint8_t {
    None,
    MineLeftToTheirLeft,
    MineRightToTheirLeft,
    MineLeftToTheirRight,
    MineRightToTheirRight
};
enum class EdgeMatchY : std::uint8_t {
    None,
    MineTopToTheirTop,
    MineBottomToTheirTop,
    MineTopToTheirBottom,
    MineBottomToTheirBottom
};

struct Alignment {
    int state = kAlignNone;
    Rect rect; // P, shifted when a rule matched
    EdgeMatch x = EdgeMatch::None;
    EdgeMatchY y = EdgeMatchY::None;
};

Alignment Align(const Rect& p, const Rect& o);

// The moving cell's device rectangle after an alignment: `device` (from the control
// rectangle) keeps its left and top unless an edge matched; the matched edges take the other
// cell's device edges; the width and height stay `width` and `height`.
Rect AlignDevice(const Rect& device, int width, int height, const Rect& otherDevice, const Alignment& a);

// One direction of a layer's zoom window (the part of its source it shows), source pixels.
struct ZoomSpan {
    int start = 0;
    int size = 0;
    bool operator==(const ZoomSpan&) const = default;
};

// The span moved back, keeping its size, so that it ends within a source `source` pixels
// long; it starts at 0 when the source is shorter than it.
ZoomSpan ZoomSpanInSource(ZoomSpan span, int source);

// A size typed for a span starting at `start`: limited to what the source leaves after the
// start, and at least `minimum`; when the source leaves less than the minimum, the start gives
// way so that the span ends with the source (as a window's position gives way to its size at
// the end of the canvas).
ZoomSpan ZoomSizeTyped(int start, int typed, int source, int minimum);

// One direction of a layer's window on the processor's canvas, as its two boxes hold it: the
// value typed (a position or a size) and its partner (the size or the position).
struct WindowSpan {
    int value = 0;
    int partner = 0;
    bool operator==(const WindowSpan&) const = default;
};

// A window value typed on the layer page: the window ends at `limit` (position + size). The
// typed value is cut back for that, never below `minimum` (its box's smallest value); when the
// partner leaves less room than that, the partner gives way instead.
WindowSpan WindowSpanOnCanvas(WindowSpan typed, int minimum, int limit);

// Zoom of the canvas by Ctrl + wheel: a forward turn lowers the scale by 0.5, a backward one
// raises it; 0 or less becomes 1.0.
double ZoomStep(double scale, bool forward);

// A wheel's turns counted in notches of an ordinary wheel (120 units of angle). A fine wheel
// (a touchpad, a high-resolution mouse) sends a notch in parts, which are kept until they make
// a whole one. A turn against the direction of a kept part drops that part first: the operator
// turning back means the new direction, so the old part must neither hold the new turn back
// nor, summed with it, end in a step the old way.
inline constexpr int kWheelNotch = 120;
class WheelNotches {
public:
    // The whole notches that `delta` completes (forward positive); the rest is kept.
    int Add(int delta);
    int Rest() const { return m_rest; }

private:
    int m_rest = 0;
};

} // namespace corvane
