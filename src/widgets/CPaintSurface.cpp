#include "widgets/CPaintSurface.h"

#include <QPainter>
#include <utility>

namespace corvane {

CPaintSurface::CPaintSurface(QWidget* parent, std::function<void(QPainter&)> paint)
    : QWidget(parent), m_paint(std::move(paint)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CPaintSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.translate(-geometry().topLeft()); // the page's coordinates
    m_paint(p);
}

} // namespace corvane
