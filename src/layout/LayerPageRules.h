#pragma once

// The layer page's decisions, without windows: which layer a reply names, whether the zoom
// switch may go on, and the zoom window dragged in the preview (moved, resized, and when the
// drag ends widened to its minimum and kept inside the source).

#include "device/DeviceState.h"
#include "layout/CanvasGeometry.h"

#include <cstdint>
#include <optional>

namespace corvane {

// The layer a reply to the layer page names: 0xA8 from the processor, 0xAB from the layout page
// and the main window, the index in the tens from some senders (30 is layer index 3). Nothing for
// another code or an index that names no layer (the page keeps the layer it shows).
std::optional<std::uint32_t> LayerOfReply(std::uintptr_t code, std::intptr_t index);

// Zoom and crop of the same input exclude each other: zoom is not switched on over the current
// input's crop. Switching it off is always possible.
bool ZoomSwitchRefused(const DeviceState& state, bool switchingOn);

// The zoom window moved by (dx, dy), kept inside the preview area.
Rect MoveZoomRect(const Rect& zoom, int dx, int dy, const Rect& area);

// The zoom window's edges of `zone` dragged to `p` (held inside the area); an edge stops
// `minimum` pixels before the opposite one.
Rect ResizeZoomRect(const Rect& zoom, int zone, Point p, const Rect& area, int minimum);

// One direction of a dragged zoom window: its start and size in source pixels (as the boxes
// hold them) and its edges in the preview.
struct ZoomAxisDrag {
    int start = 0;
    int size = 0;
    int rectStart = 0;
    int rectEnd = 0;
    bool operator==(const ZoomAxisDrag&) const = default;
};

// At the end of a drag: a window shorter than `minSource` source pixels (the whole source if it
// is shorter) is lengthened to it, and moved back, with its start, when it then ends past the
// preview. Nothing changes while the source is unknown (0).
ZoomAxisDrag WidenZoomAxis(ZoomAxisDrag axis, std::uint32_t source, int areaStart, int areaLength,
                           int minSource);

// Then the start gives way when the window would end past the source; the window keeps its
// length and moves to the start's place in the preview.
ZoomAxisDrag KeepZoomAxisInSource(ZoomAxisDrag axis, std::uint32_t source, int areaStart, int areaLength);

} // namespace corvane
