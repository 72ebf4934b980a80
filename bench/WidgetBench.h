#pragma once

// The input of the benchmarks that drive a widget offscreen (QtBenchMain.cpp makes the
// application): mouse events sent straight to the widget, as a drag makes them.

#include <QEvent>
#include <QPoint>

class QWidget;

namespace corvane::bench {

// A mouse event of the left button at `p` (widget coordinates) with `buttons` held.
void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons);

} // namespace corvane::bench
