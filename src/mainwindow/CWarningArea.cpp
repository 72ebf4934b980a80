#include "mainwindow/CWarningArea.h"

#include "device/LinkMembers.h"
#include "shell/Language.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

namespace corvane {

CWarningArea::CWarningArea(const LinkMembers& link, QWidget* parent) : QWidget(parent), m_link(link) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void CWarningArea::paintEvent(QPaintEvent*) {
    if (!m_link.statusFlag)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor::fromRgb(theme::kOrange), 1));
    p.setBrush(QColor(239, 156, 0, 30));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setFont(theme::ControlFont());
    p.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap,
               QString::fromStdString(MessageText(kMsgFpsDifference)));
}

void CWarningArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_link.statusFlag)
        emit clicked();
}

} // namespace corvane
