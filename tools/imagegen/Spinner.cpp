#include "Drawing.h"
#include "GifWriter.h"
#include "ImageSets.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <climits>
#include <cstdio>

namespace corvane::imagegen {

// ---- the wait overlay's animation: a ring of twelve bars, the lit one orange with a fading tail

void Spinner() {
    const int size = 48, steps = 12;
    const QColor background = kPanel; // the overlay's panel colour
    const QColor idle(84, 84, 84);
    // Palette: the background, then idle grey to orange in 16 steps, each at 16 coverages.
    QVector<QRgb> palette{background.rgb()};
    for (int tone = 0; tone < 15; ++tone)
        for (int cover = 1; cover <= 17; ++cover)
            palette.push_back(Mix(background, Mix(idle, kOrange, tone / 14.0), cover / 17.0).rgb());
    auto nearest = [&](QRgb c) {
        int best = 0, bestDistance = INT_MAX;
        for (int i = 0; i < palette.size(); ++i) {
            const int dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]),
                      db = qBlue(c) - qBlue(palette[i]);
            const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return static_cast<std::uint8_t>(best);
    };

    std::vector<GifFrameData> frames;
    std::vector<QImage> drawn;
    for (int step = 0; step < steps; ++step) {
        QImage image(size, size, QImage::Format_RGB32);
        image.fill(background);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(size / 2.0, size / 2.0);
        for (int bar = 0; bar < steps; ++bar) {
            const int age = (step - bar + steps) % steps; // 0: the lit bar
            const double t = age < 6 ? 1.0 - age / 6.0 : 0.0;
            p.save();
            p.rotate(bar * 360.0 / steps);
            p.setPen(Qt::NoPen);
            p.setBrush(Mix(idle, kOrange, t));
            p.drawRoundedRect(QRectF(-2.4, -21, 4.8, 11), 2.4, 2.4);
            p.restore();
        }
        p.end();
        GifFrameData frame;
        frame.delay = 8;
        frame.disposal = 1;
        frame.indices.reserve(size * size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                frame.indices.push_back(nearest(image.pixel(x, y)));
        frames.push_back(std::move(frame));
        drawn.push_back(image);
    }
    const QByteArray gif = WriteGif(size, size, palette, frames);

    // Read it back with Qt's reader: every frame must come out as drawn (after the palette).
    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    for (int i = 0; i < steps; ++i) {
        QImage read = reader.read();
        if (read.isNull() || read.size() != QSize(size, size)) {
            std::fprintf(stderr, "spinner frame %d does not read back\n", i);
            ++g_failures;
            break;
        }
        read = read.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (read.pixel(x, y) != (palette[frames[i].indices[y * size + x]] | 0xFF000000u)) {
                    std::fprintf(stderr, "spinner frame %d differs at %d,%d\n", i, x, y);
                    ++g_failures;
                    x = y = size;
                }
    }
    QFile file(g_dir + "/171.gif");
    if (!file.open(QIODevice::WriteOnly) || file.write(gif) != gif.size()) {
        std::fprintf(stderr, "cannot write 171.gif\n");
        ++g_failures;
    }
    std::printf("171.gif: %lld bytes, %d frames\n", static_cast<long long>(gif.size()), steps);
}

} // namespace corvane::imagegen
