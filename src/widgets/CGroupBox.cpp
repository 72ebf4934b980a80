#include "widgets/CGroupBox.h"

#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace corvane {

CGroupBox::CGroupBox(QWidget* parent) : QGroupBox(parent), m_fill(255, 255, 255, 6) {}

void CGroupBox::SetFill(const QColor& colour) {
    m_fill = colour;
    update();
}

void CGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = font();
    f.setBold(true);
    const QFontMetrics metrics(f);
    const QString caption = title();
    const int top = caption.isEmpty() ? 1 : metrics.height() / 2;
    const QRectF frame = QRectF(rect()).adjusted(0.5, top + 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(theme::kFrameLine), 1));
    p.setBrush(m_fill);
    if (caption.isEmpty()) {
        p.drawRoundedRect(frame, 4, 4);
        return;
    }
    // The frame leaves a gap for the caption.
    const int gapLeft = 8;
    const int gapWidth = metrics.horizontalAdvance(caption) + 10;
    QPainterPath outline;
    outline.addRoundedRect(frame, 4, 4);
    p.fillPath(outline, m_fill);
    const QRect gap(static_cast<int>(frame.left()) + gapLeft, 0, gapWidth, top + 2);
    p.setClipRegion(QRegion(rect()).subtracted(gap));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame, 4, 4);
    p.setClipping(false);
    p.setFont(f);
    p.setPen(isEnabled() ? QColor(theme::kOrange) : QColor(theme::kDisabledText));
    p.drawText(QRectF(frame.left() + gapLeft + 5, 0, gapWidth, metrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter, caption);
}

} // namespace corvane
