#include "layout/CPictureCtrl.h"
#include "widgets/Theme.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace corvane {

namespace {

constexpr QRgb kLabelGreen = 0xFF008000;  // RGB(0,128,0): output size labels, passive cells
constexpr QRgb kFrameRed = 0xFFFF0000;    // frame of a selected cell
constexpr QRgb kGuideYellow = 0xFFFFFF00; // alignment guide and rubber band
constexpr int kGuideSquare = 10;          // side of the corner guide, control pixels

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// The one-pixel frame on the inside of `r`, as a window frame is drawn.
void Frame(QPainter& p, const Rect& r) {
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    p.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
}

} // namespace

// ---- painting

void CPictureCtrl::InvalidateCell(const CCell* cell) {
    if (!cell)
        return;
    QRect r = ToQRect(cell->rect);
    if (cell->Selected())
        r.adjust(-4, -5, 5, 4);
    update(r);
}

void CPictureCtrl::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    Render(p, event->rect());
}

void CPictureCtrl::Render(QPainter& p, const QRect& area) {
    p.fillRect(area, Qt::black);
    if (m_gridOn && m_gridStepX > 0 && m_gridStepY > 0) {
        QPolygon dots;
        const int x0 = (std::max(area.left(), 0) + m_gridStepX - 1) / m_gridStepX * m_gridStepX;
        const int y0 = (std::max(area.top(), 0) + m_gridStepY - 1) / m_gridStepY * m_gridStepY;
        for (int y = y0; y <= area.bottom(); y += m_gridStepY)
            for (int x = x0; x <= area.right(); x += m_gridStepX)
                dots << QPoint(x, y);
        p.setPen(Qt::white);
        p.drawPoints(dots);
    }
    for (const auto& c : m_cells)
        if (c->IsLayer())
            DrawCell(p, *c);
    p.setFont(m_labelFont);
    for (const auto& c : m_cells) {
        if (c->IsLayer() || c->Hidden())
            continue;
        DrawCell(p, *c);
        // The size label, ending 2 pixels left of and above the cell's bottom-right corner.
        const QString label = QString::fromStdString(c->name) +
                              QStringLiteral("(%1,%2)").arg(c->devRect.Width()).arg(c->devRect.Height());
        p.setPen(QColor::fromRgb(kLabelGreen));
        p.drawText(QRect(c->rect.left, c->rect.top, c->rect.Width() - 2, c->rect.Height() - 2),
                   Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, label);
    }
    DrawGuide(p);
    if (m_bandActive != 0) {
        p.setPen(QPen(QColor::fromRgb(kGuideYellow), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        const Rect band = Rect{m_bandStart.x, m_bandStart.y, m_bandEnd.x, m_bandEnd.y}.Normalized();
        p.drawRect(ToQRect(band));
    }
}

void CPictureCtrl::DrawCell(QPainter& p, CCell& cell) {
    if (cell.Hidden())
        return;
    p.setBrush(Qt::NoBrush);
    if (cell.outlined == 0) {
        QColor fill;
        if (cell.Selected())
            fill = m_selectedColor;
        else if (cell.IsLayer())
            fill = m_layerColors[(cell.layerId >= 0 && cell.layerId < 4) ? cell.layerId : 0];
        else
            fill = m_outputColor;
        p.fillRect(ToQRect(cell.rect), fill);
        DrawText(p, cell);
        p.setPen(QColor::fromRgb(cell.Selected() ? kFrameRed : theme::kOrange));
        Frame(p, cell.rect);
    } else if (cell.passive != 0) {
        p.setPen(QPen(QColor::fromRgb(kLabelGreen), 1, Qt::DotLine));
        Frame(p, cell.rect);
        DrawText(p, cell);
    } else {
        DrawText(p, cell);
        p.setPen(QColor::fromRgb(theme::kOrange));
        Frame(p, cell.rect);
    }
}

void CPictureCtrl::DrawText(QPainter& p, CCell& cell) {
    const Rect& d = cell.devRect;
    cell.posText =
        "Pos:[" + std::to_string(std::max(d.left, 0)) + "," + std::to_string(std::max(d.top, 0)) + "]";
    cell.sizeText = "Size:[" + std::to_string(d.Width()) + "," + std::to_string(d.Height()) + "]";
    if (cell.passive != 0 && !cell.IsLayer())
        return; // a passive output shows only its size label
    QColor colour;
    if (cell.passive != 0)
        colour = QColor::fromRgb(kLabelGreen);
    else if (cell.IsLayer() || cell.Selected())
        colour = Qt::white;
    else
        colour = Qt::black;
    p.save();
    p.setClipRect(ToQRect(cell.rect));
    p.setFont(m_labelFont);
    p.setPen(colour);
    const int line = QFontMetrics(m_labelFont).height();
    const QString lines[3] = {QString::fromStdString(cell.name), QString::fromStdString(cell.posText),
                              QString::fromStdString(cell.sizeText)};
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(cell.rect.left + 2, cell.rect.top + i * line, cell.rect.Width(), line),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, lines[i]);
    p.restore();
}

void CPictureCtrl::DrawGuide(QPainter& p) const {
    if (m_alignState == kAlignNone)
        return;
    const Rect& o = m_alignRect;
    p.setPen(QPen(QColor::fromRgb(kGuideYellow), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    switch (m_alignState) {
    case kAlignLeft:
        p.drawLine(o.left, o.top, o.left, o.bottom);
        break;
    case kAlignTop:
        p.drawLine(o.left, o.top, o.right, o.top);
        break;
    case kAlignRight:
        p.drawLine(o.right, o.top, o.right, o.bottom);
        break;
    case kAlignBottom:
        p.drawLine(o.left, o.bottom, o.right, o.bottom);
        break;
    case kAlignTopLeft:
        p.drawRect(o.left, o.top, kGuideSquare, kGuideSquare);
        break;
    case kAlignBottomLeft:
        p.drawRect(o.left, o.bottom, kGuideSquare, kGuideSquare);
        break;
    case kAlignTopRight:
        p.drawRect(o.right, o.top, kGuideSquare, kGuideSquare);
        break;
    case kAlignBottomRight:
        p.drawRect(o.right, o.bottom, kGuideSquare, kGuideSquare);
        break;
    default:
        break;
    }
}

} // namespace corvane
