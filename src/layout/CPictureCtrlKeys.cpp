#include "layout/CPictureCtrl.h"

#include <QKeyEvent>
#include <vector>

namespace corvane {

// ---- keys: the arrows move the selected cells a pixel at a time

void CPictureCtrl::keyPressEvent(QKeyEvent* event) {
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // never closes the page
        return;
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = -1;
        break;
    case Qt::Key_Down:
        dy = 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // Several selected cells move as one: when one of them has no room, none moves.
    const std::vector<CCell*> group = MovingCells();
    const Point step = GroupStep(group, {dx, dy});
    if (step != Point{})
        for (CCell* c : group) {
            Alignment a;
            const CCell* other = nullptr;
            Rect proposed = AlignProposed(*c, c->rect.Offset(step.x, step.y), a, other);
            if (proposed == c->rect) // pulled back by the alignment: one more pixel
                proposed = AlignProposed(*c, c->rect.Offset(2 * step.x, 2 * step.y), a, other);
            AcceptMove(*c, proposed, a, other);
        }
    update();
    event->accept();
}

void CPictureCtrl::keyReleaseEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!event->isAutoRepeat()) {
            m_alignState = kAlignNone; // the guide shows only while a key or button is down
            update();
            ReportSelected(true);
        }
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QWidget::keyReleaseEvent(event);
    }
}

} // namespace corvane
