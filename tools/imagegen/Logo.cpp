// The logo and the application icon.
#include "Drawing.h"
#include "ImageSets.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace corvane::imagegen {

namespace {

// ---- the logo: three stacked layers and the name

void Layers(QPainter& p, QRectF r, bool onDark) {
    const double w = r.width() * 0.62;
    const double h = r.height() * 0.42;
    const QColor colours[3] = {QColor(110, 110, 110), QColor(185, 185, 185), kOrange};
    for (int i = 0; i < 3; ++i) {
        const QRectF layer(r.left() + i * (r.width() - w) / 2, r.top() + i * (r.height() - h) / 2, w, h);
        p.setPen(QPen(onDark ? QColor(16, 16, 16) : QColor(255, 255, 255), r.width() / 40));
        QLinearGradient g(layer.topLeft(), layer.bottomRight());
        g.setColorAt(0, colours[i].lighter(115));
        g.setColorAt(1, colours[i].darker(110));
        p.setBrush(g);
        p.drawRoundedRect(layer, r.width() / 28, r.width() / 28);
    }
}

// The application icon, drawn on 256 x 256 units whatever the size of `r`.
void AppIcon(QPainter& p, QRectF r) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 256.0, r.height() / 256.0);
    const QRectF tile = QRectF(0, 0, 256, 256).adjusted(12, 12, -12, -12);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, QColor(58, 58, 58));
    g.setColorAt(1, QColor(22, 22, 22));
    p.setPen(QPen(QColor(90, 90, 90), 3));
    p.setBrush(g);
    p.drawRoundedRect(tile, 44, 44);
    Layers(p, tile.adjusted(40, 46, -40, -46), true);
    p.restore();
}

} // namespace

void Logo() {
    Draw(124, 40, "144.png", [](QPainter& p, QRectF r) {
        Layers(p, QRectF(r.left() + 2, r.top() + 8, 28, 24), true);
        QFont f("Arial");
        f.setPixelSize(15);
        f.setBold(true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
        p.setFont(f);
        p.setPen(kLight);
        p.drawText(QRectF(r.left() + 34, r.top(), r.width() - 34, r.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, "CORVANE");
    });
    // The application icon.
    Draw(256, 256, "128.png", AppIcon);
}

// The icon in the sizes desktops use, for the installed program's icon theme folders.
void DesktopIcons() {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        Draw(size, size, QString("corvane-%1.png").arg(size), AppIcon);
}

} // namespace corvane::imagegen
