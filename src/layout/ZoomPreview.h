#pragma once

// The zoom window's preview on the layer page, without windows: the preview pixels that stand
// for a part of the source, and the source pixels that a part of the preview stands for.
// Nothing here divides by a size (the source the processor reports, the room left in the
// preview or the source) without checking it first.

#include <cstdint>

namespace corvane {

// Preview pixels that stand for `size` of `source` source pixels (truncated), at least
// `minimum` (the drawable minimum); the whole area while the source is unknown (0).
int PreviewLength(int areaLength, std::int64_t size, std::int64_t source, int minimum);

// Offset of the zoom window in the preview for a window starting at `start` source pixels: the
// room left in the preview shared out as the room left in the source.
int PreviewOffset(int areaLength, int length, std::int64_t start, std::int64_t source, std::int64_t size);

// The start in source pixels of a zoom window `offset` pixels into the preview (the inverse of
// PreviewOffset); 0 when the window leaves no room on either side.
int SourceStart(std::int64_t source, std::int64_t size, int offset, int areaLength, int length);

// Source pixels of a zoom window `length` preview pixels long.
int SourceSize(int length, std::int64_t source, int areaLength);

} // namespace corvane
