// Draws the application's images: the background, the button faces, switches, marks, icons and
// pictures numbered as the program's resources, the two check-box images that lie beside the
// executable, and the wait overlay's animation (GIF). The output is committed under
// resources/images; run this again after changing a drawing:
//
//   corvane-imagegen <repository>/resources/images
//
// Theme: dark greys, orange RGB(239,156,0) for what is active, light grey RGB(235,235,235).

#include "GifWriter.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace corvane::imagegen {

namespace {

const QColor kOrange(239, 156, 0);
const QColor kOrangeLight(255, 190, 64);
const QColor kOrangeDark(170, 104, 0);
const QColor kLight(235, 235, 235);
const QColor kBase(16, 16, 16);
const QColor kPanel(46, 46, 46);

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

// ---- button faces (drawn stretchable: the program keeps 6-pixel corners when it scales them)

enum class Face { Normal, Hot, Checked, Secondary, SecondaryHot };

void ButtonFace(QPainter& p, QRectF r, Face face) {
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = 4;
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    QColor border;
    switch (face) {
    case Face::Normal:
        g.setColorAt(0, QColor(66, 66, 66));
        g.setColorAt(1, QColor(40, 40, 40));
        border = QColor(84, 84, 84);
        break;
    case Face::Hot:
        g.setColorAt(0, QColor(82, 82, 82));
        g.setColorAt(1, QColor(52, 52, 52));
        border = Alpha(kOrange, 200);
        break;
    case Face::Checked:
        g.setColorAt(0, QColor(44, 40, 34));
        g.setColorAt(1, QColor(28, 26, 22));
        border = kOrange;
        break;
    case Face::Secondary:
        g.setColorAt(0, QColor(36, 36, 36));
        g.setColorAt(1, QColor(26, 26, 26));
        border = QColor(96, 96, 96);
        break;
    case Face::SecondaryHot:
        g.setColorAt(0, QColor(48, 48, 48));
        g.setColorAt(1, QColor(34, 34, 34));
        border = kOrange;
        break;
    }
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(body, radius, radius);
    // A soft highlight along the top edge.
    p.setPen(QPen(QColor(255, 255, 255, face == Face::Checked ? 14 : 28), 1));
    p.drawLine(QPointF(body.left() + radius, body.top() + 1), QPointF(body.right() - radius, body.top() + 1));
    if (face == Face::Checked) {
        // The orange bar of the chosen item.
        QRectF bar(body.left() + 5, body.bottom() - 3.5, body.width() - 10, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kOrange);
        p.drawRoundedRect(bar, 1.2, 1.2);
    }
}

void Buttons() {
    auto face = [](Face f) { return [f](QPainter& p, QRectF r) { ButtonFace(p, r, f); }; };
    Draw(55, 30, "130.png", face(Face::Normal));
    Draw(55, 30, "131.png", face(Face::Checked));
    Draw(55, 30, "132.png", face(Face::Hot));
    Draw(100, 30, "136.png", face(Face::Normal));
    Draw(100, 30, "137.png", face(Face::Hot));
    Draw(100, 30, "150.png", face(Face::Checked));
    Draw(100, 30, "138.png", face(Face::Secondary));
    Draw(100, 30, "139.png", face(Face::SecondaryHot));
    Draw(220, 30, "158.png", face(Face::Normal));
    Draw(220, 30, "168.png", face(Face::Hot));
}

// ---- page tabs and layer switches of the main window

void Tabs() {
    auto tab = [](bool selected) {
        return [selected](QPainter& p, QRectF r) {
            QPainterPath path;
            const QRectF b = r.adjusted(0.5, 0.5, -0.5, 0);
            path.moveTo(b.bottomLeft());
            path.lineTo(b.left(), b.top() + 4);
            path.quadTo(b.topLeft(), QPointF(b.left() + 4, b.top()));
            path.lineTo(b.right() - 4, b.top());
            path.quadTo(b.topRight(), QPointF(b.right(), b.top() + 4));
            path.lineTo(b.bottomRight());
            QLinearGradient g(b.topLeft(), b.bottomLeft());
            g.setColorAt(0, selected ? QColor(58, 52, 42) : QColor(54, 54, 54));
            g.setColorAt(1, selected ? QColor(34, 30, 24) : QColor(32, 32, 32));
            p.setPen(QPen(selected ? kOrange : QColor(78, 78, 78), 1));
            p.setBrush(g);
            p.drawPath(path);
            if (selected) {
                p.setPen(Qt::NoPen);
                p.setBrush(kOrange);
                p.drawRect(QRectF(b.left() + 1, b.top() + 0.5, b.width() - 2, 2.5));
            }
        };
    };
    Draw(100, 28, "148.png", tab(false));
    Draw(100, 28, "149.png", tab(true));

    auto layer = [](bool on) {
        return [on](QPainter& p, QRectF r) {
            ButtonFace(p, r, on ? Face::Checked : Face::Normal);
            // The indicator lamp at the left.
            const QPointF c(r.left() + 13, r.center().y());
            if (on) {
                QRadialGradient glow(c, 8);
                glow.setColorAt(0, Alpha(kOrange, 150));
                glow.setColorAt(1, Alpha(kOrange, 0));
                p.setPen(Qt::NoPen);
                p.setBrush(glow);
                p.drawEllipse(c, 8, 8);
            }
            QRadialGradient lamp(c - QPointF(1, 1), 4.5);
            lamp.setColorAt(0, on ? kOrangeLight : QColor(110, 110, 110));
            lamp.setColorAt(1, on ? kOrange : QColor(62, 62, 62));
            p.setPen(QPen(on ? kOrangeDark : QColor(30, 30, 30), 1));
            p.setBrush(lamp);
            p.drawEllipse(c, 4, 4);
        };
    };
    Draw(90, 28, "145.png", layer(false));
    Draw(90, 28, "147.png", layer(true));
}

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

void AppIcon(QPainter& p, QRectF r);

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

// The icon in the sizes desktops use, for the installed program's icon theme folders.
void DesktopIcons() {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        Draw(size, size, QString("corvane-%1.png").arg(size), AppIcon);
}

// ---- switches, check boxes, selection marks

void Switches() {
    auto toggle = [](bool on) {
        return [on](QPainter& p, QRectF r) {
            const QRectF track = r.adjusted(2.5, 3.5, -2.5, -3.5);
            const double radius = track.height() / 2;
            QLinearGradient g(track.topLeft(), track.bottomLeft());
            g.setColorAt(0, on ? kOrangeDark : QColor(30, 30, 30));
            g.setColorAt(1, on ? kOrange : QColor(52, 52, 52));
            p.setPen(QPen(on ? kOrangeDark.darker(120) : QColor(90, 90, 90), 1));
            p.setBrush(g);
            p.drawRoundedRect(track, radius, radius);
            QFont f("Arial");
            f.setPixelSize(9);
            f.setBold(true);
            p.setFont(f);
            p.setPen(on ? QColor(40, 24, 0) : QColor(150, 150, 150));
            const QRectF label =
                on ? track.adjusted(6, 0, -track.height(), 0) : track.adjusted(track.height(), 0, -5, 0);
            p.drawText(label, Qt::AlignCenter, on ? "ON" : "OFF");
            const QPointF c(on ? track.right() - radius : track.left() + radius, track.center().y());
            QRadialGradient knob(c - QPointF(2, 2), radius);
            knob.setColorAt(0, QColor(250, 250, 250));
            knob.setColorAt(1, QColor(190, 190, 190));
            p.setPen(QPen(QColor(0, 0, 0, 120), 1));
            p.setBrush(knob);
            p.drawEllipse(c, radius - 2.5, radius - 2.5);
        };
    };
    Draw(56, 26, "153.png", toggle(false));
    Draw(56, 26, "154.png", toggle(true));

    auto check = [](bool ticked) {
        return [ticked](QPainter& p, QRectF r) {
            const QRectF box = r.adjusted(1.5, 1.5, -1.5, -1.5);
            QLinearGradient g(box.topLeft(), box.bottomLeft());
            g.setColorAt(0, ticked ? kOrangeLight : QColor(26, 26, 26));
            g.setColorAt(1, ticked ? kOrange : QColor(40, 40, 40));
            p.setPen(QPen(ticked ? kOrangeDark : QColor(130, 130, 130), 1));
            p.setBrush(g);
            p.drawRoundedRect(box, 3, 3);
            if (ticked) {
                QPen pen(QColor(32, 20, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
                p.setPen(pen);
                QPainterPath tick;
                tick.moveTo(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
                tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.72);
                tick.lineTo(box.left() + box.width() * 0.78, box.top() + box.height() * 0.28);
                p.setBrush(Qt::NoBrush);
                p.drawPath(tick);
            }
        };
    };
    Draw(18, 18, "checkin.png", check(true));
    Draw(18, 18, "checkout.png", check(false));

    auto mark = [](bool selected) {
        return [selected](QPainter& p, QRectF r) {
            const QPointF c = r.center();
            const double radius = r.width() / 2 - 1.5;
            p.setPen(QPen(selected ? kOrange : QColor(140, 140, 140), 1.6));
            p.setBrush(QColor(24, 24, 24));
            p.drawEllipse(c, radius, radius);
            if (selected) {
                QRadialGradient dot(c - QPointF(1, 1), radius * 0.6);
                dot.setColorAt(0, kOrangeLight);
                dot.setColorAt(1, kOrange);
                p.setPen(Qt::NoPen);
                p.setBrush(dot);
                p.drawEllipse(c, radius * 0.5, radius * 0.5);
            }
        };
    };
    Draw(20, 20, "1700.png", mark(false));
    Draw(20, 20, "1701.png", mark(true));
}

// ---- title-band buttons

void TitleButtons() {
    auto button = [](int kind, bool hot) { // 0 close, 1 maximise, 2 restore
        return [kind, hot](QPainter& p, QRectF r) {
            if (hot) {
                p.setPen(Qt::NoPen);
                p.setBrush(kind == 0 ? QColor(196, 43, 28) : QColor(70, 70, 70));
                p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3, 3);
            }
            const QColor ink = hot ? QColor(255, 255, 255) : QColor(200, 200, 200);
            QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const QRectF g = r.adjusted(7.5, 7.5, -7.5, -7.5);
            if (kind == 0) {
                p.drawLine(g.topLeft(), g.bottomRight());
                p.drawLine(g.topRight(), g.bottomLeft());
            } else if (kind == 1) {
                p.drawRect(g);
                p.drawLine(QPointF(g.left(), g.top() + 1.5), QPointF(g.right(), g.top() + 1.5));
            } else {
                const QRectF back = g.adjusted(3, 0, 0, -3);
                const QRectF front = g.adjusted(0, 3, -3, 0);
                p.drawLine(QPointF(back.left(), back.top()), back.topRight());
                p.drawLine(back.topRight(), QPointF(back.right(), back.bottom()));
                p.drawRect(front);
            }
        };
    };
    Draw(24, 24, "1202.png", button(0, false));
    Draw(24, 24, "173.png", button(0, true));
    Draw(24, 24, "1203.png", button(1, false));
    Draw(24, 24, "174.png", button(1, true));
    Draw(24, 24, "175.png", button(2, false));
    Draw(24, 24, "176.png", button(2, true));
}

// ---- slider channel and thumb, drop-down arrow

void SliderParts() {
    auto channel = [](bool filled, bool vertical) {
        return [filled, vertical](QPainter& p, QRectF r) {
            const QRectF groove = r.adjusted(0.5, 0.5, -0.5, -0.5);
            const double radius = (vertical ? groove.width() : groove.height()) / 2;
            QLinearGradient g(groove.topLeft(), vertical ? groove.topRight() : groove.bottomLeft());
            if (filled) {
                g.setColorAt(0, kOrangeLight);
                g.setColorAt(1, kOrangeDark);
                p.setPen(QPen(kOrangeDark.darker(130), 1));
            } else {
                g.setColorAt(0, QColor(6, 6, 6));
                g.setColorAt(1, QColor(34, 34, 34));
                p.setPen(QPen(QColor(74, 74, 74), 1));
            }
            p.setBrush(g);
            p.drawRoundedRect(groove, radius, radius);
        };
    };
    Draw(40, 8, "156.png", channel(false, false));
    Draw(40, 8, "157.png", channel(true, false));
    Draw(8, 40, "161.png", channel(false, true));
    Draw(8, 40, "162.png", channel(true, true));

    auto thumb = [](bool active) {
        return [active](QPainter& p, QRectF r) {
            const QRectF body = r.adjusted(1.5, 1.5, -1.5, -1.5);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 110));
            p.drawRoundedRect(body.translated(0, 1), 3, 3);
            QLinearGradient g(body.topLeft(), body.bottomLeft());
            g.setColorAt(0, active ? kOrangeLight : QColor(232, 232, 232));
            g.setColorAt(1, active ? kOrange : QColor(168, 168, 168));
            p.setPen(QPen(active ? kOrangeDark : QColor(90, 90, 90), 1));
            p.setBrush(g);
            p.drawRoundedRect(body, 3, 3);
            // Grip lines.
            p.setPen(QPen(active ? QColor(120, 72, 0) : QColor(110, 110, 110), 1));
            for (int i = -1; i <= 1; ++i) {
                const double x = body.center().x() + i * 3;
                p.drawLine(QPointF(x, body.top() + 6), QPointF(x, body.bottom() - 6));
            }
        };
    };
    Draw(16, 22, "159.png", thumb(false));
    Draw(16, 22, "160.png", thumb(true));

    auto arrow = [](bool hot) {
        return [hot](QPainter& p, QRectF r) {
            QPen pen(hot ? kOrange : QColor(200, 200, 200), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            QPainterPath v;
            v.moveTo(r.left() + 1.5, r.top() + 1.5);
            v.lineTo(r.center().x(), r.bottom() - 1.5);
            v.lineTo(r.right() - 1.5, r.top() + 1.5);
            p.drawPath(v);
        };
    };
    Draw(12, 8, "164.png", arrow(false));
    Draw(12, 8, "167.png", arrow(true));
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

// A contact sheet of every image in `dir`, enlarged `scale` times on the dialog background, with
// its name under it: for looking at the set as a whole.
void Sheet(const QString& dir, const QString& out, int scale) {
    QDir folder(dir);
    const QStringList names = folder.entryList({"*.png", "*.gif"}, QDir::Files, QDir::Name);
    const int cell = 150, columns = 8;
    const int rows = (static_cast<int>(names.size()) + columns - 1) / columns;
    QImage sheet(columns * cell, rows * cell, QImage::Format_RGB32);
    sheet.fill(kBase);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QFont f("Arial");
    f.setPixelSize(11);
    p.setFont(f);
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == "129.png")
            continue;
        QImage image(folder.filePath(names[i]));
        const QRect box((i % columns) * cell, (i / columns) * cell, cell, cell);
        p.fillRect(box.adjusted(2, 2, -2, -2), kPanel);
        QSize size = image.size() * scale;
        if (size.width() > cell - 10 || size.height() > cell - 24)
            size.scale(cell - 10, cell - 24, Qt::KeepAspectRatio);
        const QRect target(box.left() + (cell - size.width()) / 2,
                           box.top() + 6 + (cell - 24 - size.height()) / 2, size.width(), size.height());
        p.drawImage(target, image);
        p.setPen(kLight);
        p.drawText(box.adjusted(0, 0, 0, -4), Qt::AlignHCenter | Qt::AlignBottom,
                   names[i] + QString(" %1x%2").arg(image.width()).arg(image.height()));
    }
    p.end();
    sheet.save(out);
}

} // namespace

} // namespace corvane::imagegen

int main(int argc, char** argv) {
    using namespace corvane::imagegen;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 4 && QString(argv[1]) == "--sheet") {
        Sheet(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), 3);
        return 0;
    }
    if (argc == 3 && QString(argv[1]) == "--icons") {
        g_dir = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(g_dir);
        DesktopIcons();
        return 0;
    }
    if (argc != 2) {
        std::fprintf(
            stderr,
            "usage: %s <output folder> | --icons <output folder> | --sheet <image folder> <sheet.png>\n",
            argv[0]);
        return 2;
    }
    g_dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_dir);
    Buttons();
    Tabs();
    PresetSlots();
    InputIcons();
    Logo();
    Switches();
    TitleButtons();
    SliderParts();
    Arrangements();
    Background();
    Spinner();
    return g_failures == 0 ? 0 : 1;
}
