#pragma once

// Writes an animated GIF (89a, looping) from frames of palette indices, with an LZW encoder of
// its own: Qt reads GIF but does not write it.

#include <QByteArray>
#include <QColor>
#include <QVector>
#include <cstdint>
#include <vector>

namespace corvane::imagegen {

struct GifFrameData {
    std::vector<std::uint8_t> indices; // width x height palette indices, row by row
    int delay = 10;                    // hundredths of a second
    int disposal = 1;                  // GIF disposal method
};

// `palette` has at most 256 colours; it is padded to a power of two.
QByteArray WriteGif(int width, int height, const QVector<QRgb>& palette,
                    const std::vector<GifFrameData>& frames);

// The LZW-compressed image data of one frame (the code size byte, sub-blocks, terminator).
QByteArray LzwImageData(const std::vector<std::uint8_t>& indices, int minCodeSize);

} // namespace corvane::imagegen
