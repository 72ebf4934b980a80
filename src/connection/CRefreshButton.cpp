#include "connection/CRefreshButton.h"

#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace corvane {

CRefreshButton::CRefreshButton(QWidget* parent) : CGdipButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void CRefreshButton::paintEvent(QPaintEvent* event) {
    CGdipButton::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = !isEnabled() ? QColor(theme::kDisabledText)
                       : IsHot()    ? QColor(theme::kOrange)
                                    : QColor(theme::kInactive);
    const qreal side = std::min(width(), height()) * 0.5;
    const QRectF ring(QPointF(width() - side, height() - side) / 2, QSizeF(side, side));
    // Three quarters of a circle, open at the top right, with the arrow head at its end.
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(ring, 60 * 16, 280 * 16);
    const QPointF end(ring.center().x() + side / 2 * 0.5, ring.center().y() - side / 2 * 0.866);
    QPainterPath head;
    head.moveTo(end + QPointF(3.2, -0.6));
    head.lineTo(end + QPointF(-0.8, -3.2));
    head.lineTo(end + QPointF(0.2, 2.4));
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(head);
}

} // namespace corvane
