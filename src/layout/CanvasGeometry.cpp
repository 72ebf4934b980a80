#include "layout/CanvasGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace corvane {

namespace {

// Conversions run in single precision; trunc() as the C cast does.
int Trunc(float v) {
    return static_cast<int>(v);
}

bool Near(int a, int b, int tolerance) {
    return std::abs(a - b) <= tolerance;
}

// Zone rectangles are inclusive on all four sides.
bool InsideInclusive(int l, int t, int r, int b, Point p) {
    const Rect n = Rect{l, t, r, b}.Normalized();
    return p.x >= n.left && p.x <= n.right && p.y >= n.top && p.y <= n.bottom;
}

} // namespace

Rect Rect::Normalized() const {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

bool Rect::Meets(const Rect& o) const {
    return std::max(left, o.left) < std::min(right, o.right) &&
           std::max(top, o.top) < std::min(bottom, o.bottom);
}

Rect Union(const Rect& a, const Rect& b) {
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Placement DeviceToControl(const Rect& device, Scale scale, const Rect& client) {
    Placement out;
    const float sx = static_cast<float>(scale.x);
    const float sy = static_cast<float>(scale.y);
    // One axis: start, end, scale, client end -> control start, control end, start and size residues.
    auto axis = [](int d0, int d1, float s, int clientEnd, int& c0, int& c1, int& res0, int& resSize) {
        float f0 = 0;
        if (d0 <= 1) {
            c0 = 0;
            res0 = 0;
        } else {
            f0 = static_cast<float>(d0) / s;
            c0 = Trunc(f0 + 0.5f);
            res0 = d0 - Trunc(static_cast<float>(c0) * s);
            if (c0 < 0)
                c0 = 0;
        }
        const float size = static_cast<float>(d1 - d0) / s;
        c1 = Trunc(f0 + size + 0.5f);
        resSize = (d1 - d0) - Trunc(static_cast<float>(c1 - c0) * s);
        if (c1 >= clientEnd - 1)
            c1 = clientEnd;
    };
    Rect& c = out.control;
    axis(device.left, device.right, sx, client.right, c.left, c.right, out.residual.left, out.residual.width);
    axis(device.top, device.bottom, sy, client.bottom, c.top, c.bottom, out.residual.top,
         out.residual.height);
    c = c.Normalized();
    return out;
}

Rect ControlToDevice(const Rect& c, const Residual& r, Scale scale) {
    const float sx = static_cast<float>(scale.x);
    const float sy = static_cast<float>(scale.y);
    int left = c.left > 1 ? Trunc(static_cast<float>(c.left) * sx) + r.left : 0;
    int top = c.top > 1 ? Trunc(static_cast<float>(c.top) * sy) + r.top : 0;
    left = std::max(left, 0);
    top = std::max(top, 0);
    const int right = left + Trunc(static_cast<float>(c.right - c.left) * sx) + r.width;
    const int bottom = top + Trunc(static_cast<float>(c.bottom - c.top) * sy) + r.height;
    return Rect{left, top, right, bottom}.Normalized();
}

Rect FitIntoClient(const Rect& proposed, const Rect& client) {
    Rect r = proposed.Normalized();
    if (r.Width() > client.Width())
        r.right = r.left + client.Width();
    if (r.Height() > client.Height())
        r.bottom = r.top + client.Height();
    if (r.left <= client.left)
        r = r.Offset(client.left - r.left, 0);
    if (r.top <= client.top)
        r = r.Offset(0, client.top - r.top);
    if (r.right >= client.right)
        r = r.Offset(client.right - r.right, 0);
    if (r.bottom >= client.bottom)
        r = r.Offset(0, client.bottom - r.bottom);
    return r;
}

bool InsideClient(const Rect& r, const Rect& client) {
    return r.left >= client.left && r.top >= client.top && r.right <= client.right &&
           r.bottom <= client.bottom;
}

Point GroupOffset(std::span<const Rect> cells, Point wanted, const Rect& client) {
    // How far every cell can still go in each direction (left and up negative).
    int lowestX = std::numeric_limits<int>::min(), highestX = std::numeric_limits<int>::max();
    int lowestY = lowestX, highestY = highestX;
    for (const Rect& r : cells) {
        lowestX = std::max(lowestX, client.left - r.left);
        highestX = std::min(highestX, client.right - r.right);
        lowestY = std::max(lowestY, client.top - r.top);
        highestY = std::min(highestY, client.bottom - r.bottom);
    }
    auto cut = [](int want, int lowest, int highest) {
        return want < 0 ? std::min(0, std::max(want, lowest)) : std::max(0, std::min(want, highest));
    };
    return {cut(wanted.x, lowestX, highestX), cut(wanted.y, lowestY, highestY)};
}

int HitZone(const Rect& c, Point p) {
    const int L = c.left, T = c.top, R = c.right, B = c.bottom, b = kZoneBand;
    const int zones[9][4] = {
        {L, T + b, L + b, B - b}, {L + b, T, R - b, T + b},     {R - b, T + b, R, B - b},
        {L + b, B - b, R - b, B}, {L + b, T + b, R - b, B - b}, {L, T, L + b, T + b},
        {L, B - b, L + b, B},     {R - b, T, R, T + b},         {R - b, B - b, R, B},
    };
    for (int z = 0; z < 9; ++z)
        if (InsideInclusive(zones[z][0], zones[z][1], zones[z][2], zones[z][3], p))
            return z;
    return kZoneNone;
}

Rect ResizeByZone(const Rect& cell, int zone, Point p) {
    Rect r = cell;
    switch (zone) {
    case kZoneLeft:
        r.left = p.x;
        break;
    case kZoneTop:
        r.top = p.y;
        break;
    case kZoneRight:
        r.right = p.x;
        break;
    case kZoneBottom:
        r.bottom = p.y;
        break;
    case kZoneTopLeft:
        r.left = p.x;
        r.top = p.y;
        break;
    case kZoneBottomLeft:
        r.left = p.x;
        r.bottom = p.y;
        break;
    case kZoneTopRight:
        r.right = p.x;
        r.top = p.y;
        break;
    case kZoneBottomRight:
        r.right = p.x;
        r.bottom = p.y;
        break;
    default:
        break;
    }
    r = r.Normalized();
    if (r.Width() < kMinCellSize + 1)
        r.right = r.left + kMinCellSize;
    if (r.Height() < kMinCellSize + 1)
        r.bottom = r.top + kMinCellSize;
    return r;
}

Rect UpdateDeviceForZone(const Rect& previous, const Rect& converted, int zone) {
    Rect d = previous;
    switch (zone) {
    case kZoneLeft:
        d.left = converted.left;
        break;
    case kZoneTop:
        d.top = converted.top;
        break;
    case kZoneRight:
        d.right = converted.right;
        break;
    case kZoneBottom:
        d.bottom = converted.bottom;
        break;
    case kZoneTopLeft:
        d.left = converted.left;
        d.top = converted.top;
        break;
    case kZoneBottomLeft:
        d.left = converted.left;
        d.bottom = converted.bottom;
        break;
    case kZoneTopRight:
        d.right = converted.right;
        d.top = converted.top;
        break;
    case kZoneBottomRight:
        d.right = converted.right;
        d.bottom = converted.bottom;
        break;
    case kZoneInterior:
        d = {converted.left, converted.top, converted.left + previous.Width(),
             converted.top + previous.Height()};
        break;
    default:
        break;
    }
    return d;
}

Alignment Align(const Rect& p, const Rect& o) {
    Alignment a;
    a.rect = p;
    // Moves P so that its corner (x, y) lands on (tx, ty).
    auto corner = [&](int state, int x, int y, int tx, int ty, EdgeMatch mx, EdgeMatchY my) {
        a.state = state;
        a.rect = p.Offset(tx - x, ty - y);
        a.x = mx;
        a.y = my;
        return a;
    };
    if (Near(p.right, o.left, 1) && Near(p.bottom, o.top, 1))
        return corner(kAlignTopLeft, p.right, p.bottom, o.left, o.top, EdgeMatch::MineRightToTheirLeft,
                      EdgeMatchY::MineBottomToTheirTop);
    if (Near(p.left, o.left, 1) && Near(p.bottom, o.top, 1))
        return corner(kAlignTopLeft, p.left, p.bottom, o.left, o.top, EdgeMatch::MineLeftToTheirLeft,
                      EdgeMatchY::MineBottomToTheirTop);
    if (Near(p.right, o.left, 1) && Near(p.bottom, o.bottom, 1))
        return corner(kAlignBottomLeft, p.right, p.bottom, o.left, o.bottom, EdgeMatch::MineRightToTheirLeft,
                      EdgeMatchY::MineBottomToTheirBottom);
    if (Near(p.left, o.left, 1) && Near(p.bottom, o.bottom, 1))
        return corner(kAlignBottomLeft, p.left, p.bottom, o.left, o.bottom, EdgeMatch::MineLeftToTheirLeft,
                      EdgeMatchY::MineBottomToTheirBottom);
    if (Near(p.right, o.right, 1) && Near(p.bottom, o.top, 1))
        return corner(kAlignTopRight, p.right, p.bottom, o.right, o.top, EdgeMatch::MineRightToTheirRight,
                      EdgeMatchY::MineBottomToTheirTop);
    if (Near(p.right, o.right, 1) && Near(p.top, o.top, 1))
        return corner(kAlignTopRight, p.right, p.top, o.right, o.top, EdgeMatch::MineRightToTheirRight,
                      EdgeMatchY::MineTopToTheirTop);
    if (Near(p.left, o.right, 1) && Near(p.bottom, o.bottom, 1))
        return corner(kAlignBottomRight, p.left, p.bottom, o.right, o.bottom, EdgeMatch::MineLeftToTheirRight,
                      EdgeMatchY::MineBottomToTheirBottom);
    if (Near(p.right, o.right, 1) && Near(p.bottom, o.bottom, 1))
        return corner(kAlignBottomRight, p.right, p.bottom, o.right, o.bottom,
                      EdgeMatch::MineRightToTheirRight, EdgeMatchY::MineBottomToTheirBottom);

    const bool overlapV =
        (o.top < p.bottom && p.bottom < o.bottom) || (p.top < o.bottom && o.bottom < p.bottom);
    const bool overlapH = (o.left < p.right && p.right < o.right) || (p.left < o.right && o.right < p.right);
    auto edgeX = [&](int state, int mine, int target, EdgeMatch m) {
        a.state = state;
        a.rect = p.Offset(target - mine, 0);
        a.x = m;
        return a;
    };
    auto edgeY = [&](int state, int mine, int target, EdgeMatchY m) {
        a.state = state;
        a.rect = p.Offset(0, target - mine);
        a.y = m;
        return a;
    };
    // Integer edges within 0.5 of each other are equal.
    if (overlapV && p.right == o.left)
        return edgeX(kAlignLeft, p.right, o.left, EdgeMatch::MineRightToTheirLeft);
    if (overlapV && p.left == o.left)
        return edgeX(kAlignLeft, p.left, o.left, EdgeMatch::MineLeftToTheirLeft);
    if (overlapV && p.left == o.right)
        return edgeX(kAlignRight, p.left, o.right, EdgeMatch::MineLeftToTheirRight);
    if (overlapV && p.right == o.right)
        return edgeX(kAlignRight, p.right, o.right, EdgeMatch::MineRightToTheirRight);
    if (overlapH && p.bottom == o.top)
        return edgeY(kAlignTop, p.bottom, o.top, EdgeMatchY::MineBottomToTheirTop);
    if (overlapH && p.top == o.top)
        return edgeY(kAlignTop, p.top, o.top, EdgeMatchY::MineTopToTheirTop);
    if (overlapH && p.bottom == o.bottom)
        return edgeY(kAlignBottom, p.bottom, o.bottom, EdgeMatchY::MineBottomToTheirBottom);
    if (overlapH && p.top == o.bottom)
        return edgeY(kAlignBottom, p.top, o.bottom, EdgeMatchY::MineTopToTheirBottom);
    return a;
}

Rect AlignDevice(const Rect& device, int width, int height, const Rect& od, const Alignment& a) {
    Rect d{device.left, device.top, device.left + width, device.top + height};
    switch (a.x) {
    case EdgeMatch::MineLeftToTheirLeft:
        d.left = od.left;
        break;
    case EdgeMatch::MineRightToTheirLeft:
        d.left = od.left - width;
        break;
    case EdgeMatch::MineLeftToTheirRight:
        d.left = od.right;
        break;
    case EdgeMatch::MineRightToTheirRight:
        d.left = od.right - width;
        break;
    case EdgeMatch::None:
        break;
    }
    switch (a.y) {
    case EdgeMatchY::MineTopToTheirTop:
        d.top = od.top;
        break;
    case EdgeMatchY::MineBottomToTheirTop:
        d.top = od.top - height;
        break;
    case EdgeMatchY::MineTopToTheirBottom:
        d.top = od.bottom;
        break;
    case EdgeMatchY::MineBottomToTheirBottom:
        d.top = od.bottom - height;
        break;
    case EdgeMatchY::None:
        break;
    }
    d.right = d.left + width;
    d.bottom = d.top + height;
    return d;
}

ZoomSpan ZoomSpanInSource(ZoomSpan span, int source) {
    if (span.start + span.size > source)
        span.start = std::max(0, source - span.size);
    return span;
}

ZoomSpan ZoomSizeTyped(int start, int typed, int source, int minimum) {
    const int size = std::max(std::min(typed, source - start), minimum);
    return ZoomSpanInSource({start, size}, source);
}

WindowSpan WindowSpanOnCanvas(WindowSpan typed, int minimum, int limit) {
    WindowSpan s = typed;
    if (s.value + s.partner > limit) {
        s.value = std::max(limit - s.partner, minimum);
        if (s.value + s.partner > limit)
            s.partner = limit - s.value;
    }
    return s;
}

double ZoomStep(double scale, bool forward) {
    const double next = forward ? scale - 0.5 : scale + 0.5;
    return next <= 0 ? 1.0 : next;
}

int WheelNotches::Add(int delta) {
    if ((delta > 0 && m_rest < 0) || (delta < 0 && m_rest > 0))
        m_rest = 0;
    m_rest += delta;
    const int notches = m_rest / kWheelNotch; // towards 0: the rest keeps the turn's sign
    m_rest -= notches * kWheelNotch;
    return notches;
}

} // namespace corvane
