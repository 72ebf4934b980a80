// The controls' images: button faces, page tabs, layer switches, switches, check boxes,
// selection marks, the title band's buttons and the slider's parts.
#include "Drawing.h"
#include "ImageSets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace corvane::imagegen {

namespace {

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

} // namespace

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

} // namespace corvane::imagegen
