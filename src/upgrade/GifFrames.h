#pragma once

// The frame list of an animated GIF: the walk over its blocks (extensions, image descriptors,
// trailer) that finds each frame with its place, delay and disposal method, and the making of a
// one-frame GIF from each frame, which an ordinary image reader then decodes. No Qt here: the
// walk reads bytes of a file and is fuzzed on its own.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane {

// Frames beyond this many are not listed.
inline constexpr std::size_t kMaxGifFrames = 4096;

// GIF disposal methods (what becomes of a frame's area before the next frame).
enum GifDisposal : std::uint8_t {
    kGifDisposalNone = 0,
    kGifDisposalKeep = 1,
    kGifDisposalBackground = 2,
    kGifDisposalPrevious = 3,
};

struct GifFrame {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t delay = 0;   // hundredths of a second, from the graphic control extension before it
    std::uint8_t disposal = 0; // GifDisposal (0..7)
    // Where the frame lies in the data: its graphic control extension (length 0 when it has
    // none) and its image (descriptor, colour table and data, up to the data's terminator).
    std::size_t controlOffset = 0;
    std::size_t controlLength = 0;
    std::size_t imageOffset = 0;
    std::size_t imageLength = 0;
};

struct GifInfo {
    std::uint16_t width = 0; // logical screen
    std::uint16_t height = 0;
    std::vector<GifFrame> frames; // in file order
    bool complete = false;        // the trailer was reached
};

// True when the data begins with "GIF87a" or "GIF89a".
bool IsGifSignature(const std::uint8_t* data, std::size_t size);

// Walks the blocks of a GIF. A block that is cut off or unknown ends the walk: the frames read
// whole before it stand. Nothing when the data is no GIF, its header is cut off, or no frame
// could be read whole. Never reads outside data[0, size).
std::optional<GifInfo> WalkGif(const std::uint8_t* data, std::size_t size);

// A GIF file of frame `index` alone, on a screen of the frame's own size with the frame at 0, 0:
// the header and global colour table of the data, the frame's graphic control extension and
// image, and a trailer. Empty when `index` is not a frame of `info`.
std::vector<std::uint8_t> SingleFrameGif(const std::uint8_t* data, std::size_t size, const GifInfo& info,
                                         std::size_t index);

// How long a frame stays: its delay in hundredths of a second, 100 ms when the delay is below 5.
std::chrono::milliseconds FrameDelay(std::uint16_t delay);

} // namespace corvane
