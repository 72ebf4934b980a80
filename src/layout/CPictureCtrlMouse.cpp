#include "layout/CPictureCtrl.h"
#include "layout/CellDeviceRect.h"

#include <QMouseEvent>
#include <algorithm>
#include <vector>

namespace corvane {

Qt::CursorShape CursorForZone(int zone) {
    switch (zone) {
    case kZoneLeft:
    case kZoneRight:
        return Qt::SizeHorCursor;
    case kZoneTop:
    case kZoneBottom:
        return Qt::SizeVerCursor;
    case kZoneInterior:
        return Qt::SizeAllCursor;
    case kZoneTopLeft:
    case kZoneBottomRight:
        return Qt::SizeFDiagCursor;
    case kZoneBottomLeft:
    case kZoneTopRight:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// ---- mouse drags: moving, resizing, the rubber band and the double-click fit

void CPictureCtrl::ScrollParentFor(QPoint point) {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QPoint at = mapTo(parent, point);
    const int dx = at.x() < 0 ? -1 : (at.x() >= parent->width() ? 1 : 0);
    const int dy = at.y() < 0 ? -1 : (at.y() >= parent->height() ? 1 : 0);
    if (dx == 0 && dy == 0)
        return;
    emit ScrollRequested(dx, dy);
    repaint(); // the drag goes on over freshly drawn content
}

void CPictureCtrl::SetZoneCursor(QPoint point) {
    const Point pt{point.x(), point.y()};
    const CCell* c = CellAt(pt);
    int zone = c ? HitZone(c->rect, pt) : kZoneNone;
    if (c && (m_multiSelect != 0 || !c->IsLayer()) && zone != kZoneInterior)
        zone = kZoneNone; // outputs and groups are only moved
    setCursor(CursorForZone(zone));
}

Point CPictureCtrl::Clamp(QPoint p) const {
    Point pt{p.x(), p.y()};
    if (m_captured && !m_confine.IsEmpty()) {
        pt.x = std::clamp(pt.x, m_confine.left, m_confine.right - 1);
        pt.y = std::clamp(pt.y, m_confine.top, m_confine.bottom - 1);
    }
    return pt;
}

void CPictureCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const Point pt{event->position().toPoint().x(), event->position().toPoint().y()};
    CCell* hit = CellAt(pt);
    m_confine = Rect{};

    if (event->modifiers() & Qt::ControlModifier) {
        if (hit) {
            hit->SetSelected(!hit->Selected());
            InvalidateCell(hit);
        }
        ClearCurrent();
        return;
    }

    if (!hit) {
        m_bandActive = 1;
        DeselectAll();
        m_multiSelect = 0;
        ClearCurrent();
    } else {
        if (m_multiSelect != 0) {
            bool dropped = false;
            for (const auto& c : m_cells)
                if (c->Selected() && c->kind != m_editMode) {
                    c->SetSelected(false);
                    dropped = true;
                }
            if (dropped) {
                m_multiSelect = 0;
                update();
            }
        }
        m_dragZone = HitZone(hit->rect, pt);
        if (m_multiSelect != 0) {
            m_current = hit;
            m_dragMode = m_dragZone == kZoneInterior ? kDragMove : kDragResize;
        } else {
            if (m_current && m_current != hit) {
                m_current->SetSelected(false);
                InvalidateCell(m_current);
            }
            m_current = hit;
            hit->SetSelected(true);
            InvalidateCell(hit);
            if (m_dragZone == kZoneInterior)
                m_dragMode = kDragMove;
            else if (m_dragZone != kZoneNone && hit->IsLayer())
                m_dragMode = kDragResize;
            else
                m_dragMode = kDragNone;
            const Rect client = ClientRect();
            const Rect& r = hit->rect;
            if (m_dragMode == kDragMove) {
                // The press point may go only where the whole cell stays inside the client area.
                m_confine = Rect{pt.x - r.left, pt.y - r.top, client.right - (r.right - pt.x) + 1,
                                 client.bottom - (r.bottom - pt.y) + 1};
                if (m_confine.IsEmpty()) {
                    m_confine.right = std::max(m_confine.right, m_confine.left) + 1;
                    m_confine.bottom = std::max(m_confine.bottom, m_confine.top) + 1;
                }
            } else if (m_dragMode == kDragResize) {
                m_confine = client;
            }
        }
    }
    m_captured = true;
    m_anchor = m_bandStart = m_bandEnd = pt;
}

void CPictureCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint raw = event->position().toPoint();
    const Point pt = Clamp(raw);

    if (m_bandActive != 0) {
        m_bandEnd = pt;
        const Rect band = Rect{m_bandStart.x, m_bandStart.y, pt.x, pt.y}.Normalized();
        int selected = 0;
        for (const auto& c : m_cells) {
            const bool in = !c->Hidden() && c->passive == 0 && c->rect.Meets(band);
            c->SetSelected(in);
            selected += in ? 1 : 0;
        }
        // Counted over what is selected now, so a band that shrinks from three cells to two
        // still moves both as a group.
        m_multiSelect = selected > 1 ? 1 : 0;
        update();
        return;
    }

    if (m_multiSelect != 0 && m_dragMode == kDragNone) {
        const CCell* c = CellAt(pt);
        setCursor(c && HitZone(c->rect, pt) == kZoneInterior ? Qt::SizeAllCursor : Qt::ArrowCursor);
        return;
    }

    if (m_multiSelect != 0 && m_dragMode == kDragMove) {
        // The group goes only as far as every cell of it can, so that it keeps its arrangement.
        const std::vector<CCell*> group = MovingCells();
        const Point step = GroupStep(group, {pt.x - m_anchor.x, pt.y - m_anchor.y});
        if (step != Point{})
            for (CCell* c : group) {
                Alignment a;
                const CCell* other = nullptr;
                const Rect proposed = AlignProposed(*c, c->rect.Offset(step.x, step.y), a, other);
                AcceptMove(*c, proposed, a, other);
            }
        ScrollParentFor(raw);
        // The grab point stays on the group: what it could not follow is left for the pointer
        // to come back over, as a single cell's pointer is held at the edge.
        m_anchor.x += step.x;
        m_anchor.y += step.y;
        update();
        return;
    }

    if (!m_captured) {
        SetZoneCursor(raw);
        return;
    }

    if (m_dragMode == kDragMove && m_current) {
        Alignment a;
        const CCell* other = nullptr;
        const Rect proposed =
            AlignProposed(*m_current, m_current->rect.Offset(pt.x - m_anchor.x, pt.y - m_anchor.y), a, other);
        AcceptMove(*m_current, proposed, a, other);
    } else if (m_dragMode == kDragResize && m_current) {
        const Rect proposed = ResizeByZone(m_current->rect, m_dragZone, pt);
        if (proposed != m_current->rect && InsideClient(proposed, ClientRect())) {
            m_current->rect = FitIntoClient(proposed, ClientRect());
            const Rect converted =
                ControlToDevice(m_current->rect, m_current->residual, ScaleFor(*m_current));
            m_current->devRect = UpdateDeviceForZone(m_current->devRect, converted, m_dragZone);
        }
    } else {
        return;
    }
    ScrollParentFor(raw);
    m_anchor = m_bandEnd = pt;
    update();
}

void CPictureCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_alignState = kAlignNone;
    m_bandActive = 0;
    update();
    ReportSelected(false);
    m_dragMode = kDragNone;
    m_captured = false;
    m_confine = Rect{};
}

void CPictureCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const Point pt{event->position().toPoint().x(), event->position().toPoint().y()};
    CCell* layer = CellAt(pt);
    if (!layer || !layer->IsLayer())
        return;
    Rect fit;
    Rect fitDevice;
    for (const auto& c : m_cells)
        if (!c->IsLayer() && c->rect.Meets(layer->rect)) {
            fit = Union(fit, c->rect);
            fitDevice = Union(fitDevice, c->devRect);
        }
    if (fit.IsEmpty())
        return;
    if (fit == layer->rect && !layer->savedRect.IsEmpty()) {
        layer->rect = layer->savedRect;
        layer->devRect = layer->savedDevRect;
    } else {
        layer->savedRect = layer->rect;
        layer->savedDevRect = layer->devRect;
        layer->rect = fit;
        layer->devRect = fitDevice;
    }
    // The residues follow, so that a later move starts from these device values.
    layer->residual = ResidualFor(layer->rect, layer->devRect, ScaleFor(*layer));
    update();
}

} // namespace corvane
