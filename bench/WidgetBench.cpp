#include "WidgetBench.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace corvane::bench {

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace corvane::bench
