#include "layout/ZoomPreview.h"

#include <algorithm>

namespace corvane {

// Preview pixels that stand for `size` of `source` source pixels (truncated), at least the
// drawable minimum; the whole area while the source is unknown (0).
int PreviewLength(int areaLength, std::int64_t size, std::int64_t source, int minimum) {
    if (areaLength <= 0)
        return 0;
    if (source <= 0)
        return areaLength;
    const std::int64_t length = areaLength * size / source;
    return static_cast<int>(std::clamp<std::int64_t>(length, std::min(minimum, areaLength), areaLength));
}

// Offset of the zoom window in the preview for a window starting at `start` source pixels: the
// room left in the preview shared out as the room left in the source.
int PreviewOffset(int areaLength, int length, std::int64_t start, std::int64_t source, std::int64_t size) {
    const std::int64_t room = areaLength - length;
    const std::int64_t sourceRoom = source - size;
    if (room <= 0 || sourceRoom <= 0)
        return 0;
    return static_cast<int>(std::clamp<std::int64_t>(room * start / sourceRoom, 0, room));
}

// The start in source pixels of a zoom window `offset` pixels into the preview (the inverse of
// PreviewOffset); 0 when the window leaves no room on either side.
int SourceStart(std::int64_t source, std::int64_t size, int offset, int areaLength, int length) {
    const std::int64_t room = areaLength - length;
    const std::int64_t sourceRoom = source - size;
    if (room <= 0 || sourceRoom <= 0)
        return 0;
    return static_cast<int>(sourceRoom * std::clamp<std::int64_t>(offset, 0, room) / room);
}

// Source pixels of a zoom window `length` preview pixels long.
int SourceSize(int length, std::int64_t source, int areaLength) {
    if (areaLength <= 0)
        return static_cast<int>(source);
    return static_cast<int>(length * source / areaLength);
}

} // namespace corvane
