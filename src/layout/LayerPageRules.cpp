#include "layout/LayerPageRules.h"

#include "device/ReplyCodes.h"
#include "layout/ZoomPreview.h"

#include <algorithm>

namespace corvane {

namespace {

// Replies carry the layer in the tens for some senders: 20 is layer index 2.
constexpr std::intptr_t kReplyIndexTens = 9;

} // namespace

std::optional<std::uint32_t> LayerOfReply(std::uintptr_t code, std::intptr_t index) {
    if (code != kReplyLayer && code != kReplyShowLayer)
        return std::nullopt;
    if (index > kReplyIndexTens)
        index /= 10;
    if (index < 0 || index >= kLayerCount)
        return std::nullopt;
    return static_cast<std::uint32_t>(index);
}

bool ZoomSwitchRefused(const DeviceState& state, bool switchingOn) {
    const std::uint32_t input = state.currentInput;
    const bool cropOn = input < static_cast<std::uint32_t>(kInputCount) && state.crop.rects[input].on != 0;
    return switchingOn && cropOn;
}

Rect MoveZoomRect(const Rect& zoom, int dx, int dy, const Rect& area) {
    Rect r = zoom.Offset(dx, dy);
    if (r.right > area.right)
        r = r.Offset(area.right - r.right, 0);
    if (r.left < area.left)
        r = r.Offset(area.left - r.left, 0);
    if (r.bottom > area.bottom)
        r = r.Offset(0, area.bottom - r.bottom);
    if (r.top < area.top)
        r = r.Offset(0, area.top - r.top);
    return r;
}

Rect ResizeZoomRect(const Rect& zoom, int zone, Point p, const Rect& area, int minimum) {
    const int x = std::clamp(p.x, area.left, area.right);
    const int y = std::clamp(p.y, area.top, area.bottom);
    Rect r = zoom;
    if (zone == kZoneLeft || zone == kZoneTopLeft || zone == kZoneBottomLeft)
        r.left = std::min(x, r.right - minimum);
    if (zone == kZoneRight || zone == kZoneTopRight || zone == kZoneBottomRight)
        r.right = std::max(x, r.left + minimum);
    if (zone == kZoneTop || zone == kZoneTopLeft || zone == kZoneTopRight)
        r.top = std::min(y, r.bottom - minimum);
    if (zone == kZoneBottom || zone == kZoneBottomLeft || zone == kZoneBottomRight)
        r.bottom = std::max(y, r.top + minimum);
    return r;
}

ZoomAxisDrag WidenZoomAxis(ZoomAxisDrag axis, std::uint32_t source, int areaStart, int areaLength,
                           int minSource) {
    if (source == 0 || areaLength <= 0)
        return axis; // nothing to measure the window against
    const int minSize = std::min<int>(minSource, static_cast<int>(source));
    const int minLength = std::min(areaLength * minSize / static_cast<int>(source), areaLength);
    if (axis.rectEnd - axis.rectStart >= minLength)
        return axis;
    axis.rectEnd = axis.rectStart + minLength;
    axis.size = minSize;
    const int areaEnd = areaStart + areaLength;
    if (axis.rectEnd > areaEnd) {
        axis.rectStart = areaEnd - minLength;
        axis.rectEnd = areaEnd;
        axis.start = static_cast<int>(source) - minSize;
    }
    return axis;
}

ZoomAxisDrag KeepZoomAxisInSource(ZoomAxisDrag axis, std::uint32_t source, int areaStart, int areaLength) {
    const ZoomSpan span = ZoomSpanInSource({axis.start, axis.size}, static_cast<int>(source));
    if (span.start == axis.start)
        return axis;
    axis.start = span.start;
    const int length = axis.rectEnd - axis.rectStart;
    axis.rectStart = areaStart + PreviewOffset(areaLength, length, span.start, source, span.size);
    axis.rectEnd = axis.rectStart + length;
    return axis;
}

} // namespace corvane
