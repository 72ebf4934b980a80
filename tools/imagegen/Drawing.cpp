#include "Drawing.h"

#include <cstdio>

namespace corvane::imagegen {

QString g_dir;
int g_failures = 0;

QImage NewImage(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Save(const QImage& image, const QString& name) {
    const QString path = g_dir + "/" + name;
    if (!image.save(path, "PNG", 9)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
}

void Draw(int w, int h, const QString& name, const std::function<void(QPainter&, QRectF)>& draw) {
    QImage image = NewImage(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    draw(p, QRectF(0, 0, w, h));
    p.end();
    Save(image, name);
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t,
                            a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QColor Alpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

} // namespace corvane::imagegen
