#include "widgets/LampPainter.h"

#include <QPainter>

namespace corvane {

namespace {

const QColor kLampGreen(0, 255, 0);
const QColor kLampGreenEdge(0, 120, 0);
const QColor kLampRed(255, 0, 0);
const QColor kLampRedFill(255, 0, 0, 60);
constexpr qreal kRedPenWidth = 1.5;

} // namespace

void PaintLamp(QPainter& p, const QRect& rect, LampPhase phase, LampStyle style) {
    if (phase == LampPhase::Dark)
        return;
    p.save();
    if (phase == LampPhase::Green) {
        if (style == LampStyle::Framed) {
            p.setPen(QPen(kLampGreenEdge, 1));
            p.setBrush(kLampGreen);
            p.drawRect(QRectF(rect));
        } else {
            p.fillRect(rect, kLampGreen);
        }
    } else {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kLampRed, kRedPenWidth));
        const QRectF square = style == LampStyle::Framed
                                  ? QRectF(rect)
                                  : QRectF(rect).adjusted(kRedPenWidth / 2, kRedPenWidth / 2,
                                                          -kRedPenWidth / 2, -kRedPenWidth / 2);
        if (style == LampStyle::Framed)
            p.setBrush(kLampRedFill);
        else
            p.setBrush(Qt::NoBrush);
        p.drawRect(square);
        p.drawLine(square.topLeft(), square.bottomRight());
        p.drawLine(square.topRight(), square.bottomLeft());
    }
    p.restore();
}

} // namespace corvane
