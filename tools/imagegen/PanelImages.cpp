// The pictures of the main window's panels and the dialogs: preset slots, input boxes, quick set
// arrangements and the background of every dialog.
#include "Drawing.h"
#include "ImageSets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace corvane::imagegen {

// ---- preset slots: light tiles, the slot number is written on them by the page

void PresetSlots() {
    auto slot = [](bool hasFile) {
        return [hasFile](QPainter& p, QRectF r) {
            const QRectF b = r.adjusted(4.5, 2.5, -4.5, -2.5);
            const double fold = 14;
            QPainterPath sheet;
            sheet.moveTo(b.topLeft());
            sheet.lineTo(b.right() - fold, b.top());
            sheet.lineTo(b.right(), b.top() + fold);
            sheet.lineTo(b.bottomRight());
            sheet.lineTo(b.bottomLeft());
            sheet.closeSubpath();
            // Shadow.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 90));
            p.drawPath(sheet.translated(1.5, 2));
            QLinearGradient g(b.topLeft(), b.bottomLeft());
            if (hasFile) {
                g.setColorAt(0, QColor(236, 236, 236));
                g.setColorAt(1, QColor(196, 196, 196));
            } else {
                g.setColorAt(0, QColor(150, 150, 150));
                g.setColorAt(1, QColor(118, 118, 118));
            }
            p.setBrush(g);
            p.setPen(QPen(hasFile ? QColor(120, 120, 120) : QColor(90, 90, 90), 1));
            p.drawPath(sheet);
            // The folded corner.
            QPainterPath corner;
            corner.moveTo(b.right() - fold, b.top());
            corner.lineTo(b.right() - fold, b.top() + fold);
            corner.lineTo(b.right(), b.top() + fold);
            corner.closeSubpath();
            p.setBrush(hasFile ? QColor(170, 170, 170) : QColor(96, 96, 96));
            p.drawPath(corner);
            if (hasFile) {
                // The orange band of a stored preset, and two ruled lines.
                p.setPen(Qt::NoPen);
                p.setBrush(kOrange);
                p.drawRect(QRectF(b.left() + 0.5, b.bottom() - 9, b.width() - 1, 8.5));
                p.setPen(QPen(QColor(150, 150, 150), 1));
                p.drawLine(QPointF(b.left() + 7, b.top() + 9.5),
                           QPointF(b.right() - fold - 4, b.top() + 9.5));
                p.drawLine(QPointF(b.left() + 7, b.top() + 13.5),
                           QPointF(b.right() - fold - 8, b.top() + 13.5));
            } else {
                // An empty slot: a dashed inner outline.
                QPen dash(QColor(96, 96, 96), 1, Qt::DashLine);
                p.setPen(dash);
                p.setBrush(Qt::NoBrush);
                p.drawRect(b.adjusted(6, fold + 4, -6, -6));
            }
        };
    };
    Draw(64, 64, "134.png", slot(false));
    Draw(64, 64, "135.png", slot(true));
}

// ---- input boxes of the main window: a video connector, by signal and current input

void InputIcons() {
    auto icon = [](bool signal, bool current) {
        return [signal, current](QPainter& p, QRectF r) {
            const QColor body = current ? kOrange : (signal ? QColor(205, 205, 205) : QColor(92, 92, 92));
            const QColor inner = current ? QColor(60, 38, 0) : QColor(24, 24, 24);
            // Connector shell: a trapezoid.
            const QRectF b = r.adjusted(3.5, 7.5, -3.5, -7.5);
            QPainterPath shell;
            shell.moveTo(b.topLeft());
            shell.lineTo(b.topRight());
            shell.lineTo(b.right(), b.center().y() + 2);
            shell.lineTo(b.right() - 6, b.bottom());
            shell.lineTo(b.left() + 6, b.bottom());
            shell.lineTo(b.left(), b.center().y() + 2);
            shell.closeSubpath();
            QLinearGradient g(b.topLeft(), b.bottomLeft());
            g.setColorAt(0, body.lighter(112));
            g.setColorAt(1, body.darker(118));
            p.setPen(QPen(body.darker(160), 1));
            p.setBrush(g);
            p.drawPath(shell);
            // The contact row.
            const QRectF slot = b.adjusted(5, 4, -5, -6);
            p.setPen(Qt::NoPen);
            p.setBrush(inner);
            p.drawRoundedRect(slot, 1.5, 1.5);
            p.setBrush(Alpha(body, 160));
            for (int i = 0; i < 7; ++i)
                p.drawRect(QRectF(slot.left() + 2.5 + i * (slot.width() - 5) / 7.0, slot.top() + 2, 1.6,
                                  slot.height() - 4));
            // The signal lamp above the connector.
            const QPointF lamp(r.right() - 6, r.top() + 4);
            p.setPen(QPen(QColor(0, 0, 0, 160), 1));
            p.setBrush(signal ? QColor(40, 220, 80) : QColor(70, 70, 70));
            p.drawEllipse(lamp, 3, 3);
        };
    };
    Draw(48, 36, "140.png", icon(false, false));
    Draw(48, 36, "141.png", icon(true, false));
    Draw(48, 36, "142.png", icon(true, true));
    Draw(48, 36, "143.png", icon(false, true));
}

// ---- quick set arrangements: four windows on the canvas of four outputs

void Arrangements() {
    auto picture = [](int kind) {
        return [kind](QPainter& p, QRectF r) {
            const QRectF canvas = r.adjusted(1.5, 1.5, -1.5, -1.5);
            p.setPen(QPen(QColor(100, 100, 100), 1));
            p.setBrush(QColor(22, 22, 22));
            p.drawRoundedRect(canvas, 3, 3);
            // The output grid, faint.
            p.setPen(QPen(QColor(52, 52, 52), 1, Qt::DotLine));
            p.drawLine(QPointF(canvas.center().x(), canvas.top() + 2),
                       QPointF(canvas.center().x(), canvas.bottom() - 2));
            p.drawLine(QPointF(canvas.left() + 2, canvas.center().y()),
                       QPointF(canvas.right() - 2, canvas.center().y()));
            const QRectF area = canvas.adjusted(4, 4, -4, -4);
            QRectF windows[4];
            for (int i = 0; i < 4; ++i) {
                if (kind == 0) { // 2 x 2
                    const double w = (area.width() - 4) / 2, h = (area.height() - 4) / 2;
                    windows[i] =
                        QRectF(area.left() + (i % 2) * (w + 4), area.top() + (i / 2) * (h + 4), w, h);
                } else if (kind == 1) { // one row across the middle
                    const double w = (area.width() - 12) / 4, h = area.height() * 0.46;
                    windows[i] = QRectF(area.left() + i * (w + 4), area.center().y() - h / 2, w, h);
                } else { // four full-width rows
                    const double h = (area.height() - 9) / 4;
                    windows[i] = QRectF(area.left(), area.top() + i * (h + 3), area.width(), h);
                }
            }
            const QColor fills[4] = {kOrange, QColor(196, 196, 196), QColor(140, 140, 140),
                                     QColor(214, 132, 0)};
            QFont f("Arial");
            f.setPixelSize(kind == 2 ? 7 : 10);
            f.setBold(true);
            p.setFont(f);
            for (int i = 0; i < 4; ++i) {
                QLinearGradient g(windows[i].topLeft(), windows[i].bottomLeft());
                g.setColorAt(0, fills[i].lighter(110));
                g.setColorAt(1, fills[i].darker(115));
                p.setPen(QPen(fills[i].darker(170), 1));
                p.setBrush(g);
                p.drawRoundedRect(windows[i], 2, 2);
                p.setPen(QColor(24, 24, 24));
                p.drawText(windows[i], Qt::AlignCenter, QString::number(i + 1));
            }
        };
    };
    // Three side by side, with their gaps, inside the quick set page's group.
    Draw(88, 50, "185.png", picture(0));
    Draw(88, 50, "186.png", picture(1));
    Draw(88, 50, "184.png", picture(2));
}

// ---- the background picture of every dialog

void Background() {
    const int w = 2560, h = 1600;
    QImage image(w, h, QImage::Format_RGB888);
    // A quiet radial lift towards the upper left over RGB(16,16,16); the 4 x 4 ordered dither
    // keeps the slow gradient free of bands. No fine pattern: the picture is stretched over
    // dialogs of every size.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const double cx = w * 0.28, cy = h * 0.18, reach = std::hypot(double(w), double(h)) * 0.75;
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - cx, y - cy) / reach;
            double v = 16.0 + 11.0 * std::max(0.0, 1.0 - d) * std::max(0.0, 1.0 - d);
            v += (bayer[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
            const int g = std::clamp(static_cast<int>(std::lround(v)), 0, 255);
            line[3 * x] = static_cast<uchar>(g);
            line[3 * x + 1] = static_cast<uchar>(g);
            line[3 * x + 2] = static_cast<uchar>(std::min(255, g + 1));
        }
    }
    Save(image, "129.png");
}

} // namespace corvane::imagegen
