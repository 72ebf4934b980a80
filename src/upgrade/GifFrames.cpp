#include "upgrade/GifFrames.h"

#include <cstring>

namespace corvane {

namespace {

constexpr std::size_t kHeaderSize = 13; // signature (6) and logical screen descriptor (7)
constexpr std::size_t kDescriptorSize = 10;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControl = 0xF9;

std::uint16_t Word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Size in bytes of a colour table announced by a packed field (bit 7 set).
std::size_t ColourTableSize(std::uint8_t packed) {
    return (packed & 0x80) ? std::size_t{3} << ((packed & 0x07) + 1) : 0;
}

// Position after the data sub-blocks starting at `p` and their terminator, or kNotFound when
// they run past the end.
std::size_t SkipSubBlocks(const std::uint8_t* data, std::size_t size, std::size_t p) {
    while (p < size) {
        const std::size_t n = data[p];
        ++p;
        if (n == 0)
            return p;
        if (n > size - p)
            return kNotFound;
        p += n;
    }
    return kNotFound;
}

} // namespace

bool IsGifSignature(const std::uint8_t* data, std::size_t size) {
    return data && size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

std::optional<GifInfo> WalkGif(const std::uint8_t* data, std::size_t size) {
    if (!IsGifSignature(data, size) || size < kHeaderSize)
        return std::nullopt;
    GifInfo info;
    info.width = Word(data + 6);
    info.height = Word(data + 8);
    std::size_t p = kHeaderSize;
    const std::size_t globalTable = ColourTableSize(data[10]);
    if (globalTable > size - p)
        return std::nullopt;
    p += globalTable;

    GifFrame pending; // the graphic control extension waiting for its image
    while (p < size && info.frames.size() < kMaxGifFrames) {
        const std::uint8_t introducer = data[p];
        if (introducer == kTrailer) {
            info.complete = true;
            break;
        }
        if (introducer == kExtension) {
            if (size - p < 2)
                break;
            const std::size_t end = SkipSubBlocks(data, size, p + 2);
            if (end == kNotFound)
                break;
            // A graphic control block is 4 bytes: packed field, delay (2), transparent index.
            if (data[p + 1] == kGraphicControl && data[p + 2] >= 4) {
                pending.disposal = static_cast<std::uint8_t>((data[p + 3] >> 2) & 0x07);
                pending.delay = Word(data + p + 4);
                pending.controlOffset = p;
                pending.controlLength = end - p;
            }
            p = end;
            continue;
        }
        if (introducer != kImage || size - p < kDescriptorSize)
            break;
        GifFrame frame = pending;
        frame.left = Word(data + p + 1);
        frame.top = Word(data + p + 3);
        frame.width = Word(data + p + 5);
        frame.height = Word(data + p + 7);
        const std::size_t localTable = ColourTableSize(data[p + 9]);
        std::size_t q = p + kDescriptorSize;
        // The local colour table, then the LZW minimum code size byte, then the data.
        if (localTable >= size - q)
            break;
        q += localTable + 1;
        const std::size_t end = SkipSubBlocks(data, size, q);
        if (end == kNotFound)
            break;
        frame.imageOffset = p;
        frame.imageLength = end - p;
        info.frames.push_back(frame);
        pending = GifFrame{};
        p = end;
    }
    if (info.frames.empty())
        return std::nullopt;
    return info;
}

std::vector<std::uint8_t> SingleFrameGif(const std::uint8_t* data, std::size_t size, const GifInfo& info,
                                         std::size_t index) {
    if (index >= info.frames.size() || size < kHeaderSize)
        return {};
    const GifFrame& f = info.frames[index];
    const std::size_t globalTable = ColourTableSize(data[10]);
    if (globalTable > size - kHeaderSize || f.imageOffset > size || f.imageLength > size - f.imageOffset ||
        f.imageLength < kDescriptorSize || f.controlOffset > size || f.controlLength > size - f.controlOffset)
        return {};

    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + globalTable + f.controlLength + f.imageLength + 1);
    const std::uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a'};
    out.insert(out.end(), header, header + 6);
    // The screen is the frame's own size.
    out.push_back(static_cast<std::uint8_t>(f.width & 0xFF));
    out.push_back(static_cast<std::uint8_t>(f.width >> 8));
    out.push_back(static_cast<std::uint8_t>(f.height & 0xFF));
    out.push_back(static_cast<std::uint8_t>(f.height >> 8));
    out.insert(out.end(), data + 10, data + kHeaderSize + globalTable);
    out.insert(out.end(), data + f.controlOffset, data + f.controlOffset + f.controlLength);
    const std::size_t image = out.size();
    out.insert(out.end(), data + f.imageOffset, data + f.imageOffset + f.imageLength);
    // The frame at 0, 0.
    for (std::size_t i = 1; i <= 4; ++i)
        out[image + i] = 0;
    out.push_back(kTrailer);
    return out;
}

std::chrono::milliseconds FrameDelay(std::uint16_t delay) {
    return delay < 5 ? std::chrono::milliseconds{100} : std::chrono::milliseconds{delay * 10};
}

} // namespace corvane
