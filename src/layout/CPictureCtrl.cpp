#include "layout/CPictureCtrl.h"

#include "layout/LayoutLog.h"
#include "pages/EditAction.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

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

int Trunc(float v) {
    return static_cast<int>(v);
}

// The residues with which `control` converts back to exactly `device`.
Residual ResidualFor(const Rect& control, const Rect& device, Scale scale) {
    const float sx = static_cast<float>(scale.x);
    const float sy = static_cast<float>(scale.y);
    Residual r;
    r.left = control.left > 1 ? device.left - Trunc(static_cast<float>(control.left) * sx) : 0;
    r.top = control.top > 1 ? device.top - Trunc(static_cast<float>(control.top) * sy) : 0;
    r.width = device.Width() - Trunc(static_cast<float>(control.Width()) * sx);
    r.height = device.Height() - Trunc(static_cast<float>(control.Height()) * sy);
    return r;
}

// Left and top not below 0: a rectangle that would start left of (above) the canvas is
// shifted onto it with its size kept.
Rect OnCanvas(const Rect& device) {
    Rect d = device.Normalized();
    if (d.left < 0)
        d = d.Offset(-d.left, 0);
    if (d.top < 0)
        d = d.Offset(0, -d.top);
    return d;
}

} // namespace

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

CPictureCtrl::CPictureCtrl(const Config& config, QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < 4; ++i) {
        const LayerColor& c = config.layerColors[static_cast<std::size_t>(i)];
        m_layerColors[i] = QColor(static_cast<int>(c.red & 0xFF), static_cast<int>(c.green & 0xFF),
                                  static_cast<int>(c.blue & 0xFF));
    }
    m_labelFont = QFont(QStringLiteral("Arial"));
    m_labelFont.setStyleHint(QFont::SansSerif);
    m_labelFont.setPixelSize(16);
    m_labelFont.setBold(true);
    setAttribute(Qt::WA_OpaquePaintEvent); // the whole canvas is painted, black where empty
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

CPictureCtrl::~CPictureCtrl() = default;

Scale CPictureCtrl::ScaleFor(const CCell& cell) const {
    return (cell.IsLayer() || cell.passive != 0) ? m_layerScale : m_outputScale;
}

CCell* CPictureCtrl::AddLayerCell(int w, int h, int x, int y, const std::string& name, int layerId) {
    for (const auto& c : m_cells)
        if (c->IsLayer() && c->layerId == layerId)
            return nullptr;
    const Rect device = OnCanvas(Rect{x, y, x + w, y + h});
    const Placement placed = DeviceToControl(device, m_layerScale, ClientRect());
    auto cell = std::make_unique<CCell>(placed.control, CCell::kLayer);
    cell->name = name;
    cell->layerId = layerId;
    cell->devRect = device;
    cell->residual = placed.residual;
    cell->SetHidden(false);
    // Layer cells stay in ascending layerId order, all before the outputs.
    auto at = std::find_if(m_cells.begin(), m_cells.end(),
                           [layerId](const auto& c) { return !c->IsLayer() || c->layerId > layerId; });
    CCell* added = cell.get();
    m_cells.insert(at, std::move(cell));
    update();
    return added;
}

CCell* CPictureCtrl::AddOutputCell(int w, int h, int x, int y, const std::string& name) {
    const Rect device = OnCanvas(Rect{x, y, x + w, y + h});
    const Placement placed = DeviceToControl(device, m_outputScale, ClientRect());
    auto cell = std::make_unique<CCell>(placed.control, CCell::kOutput);
    cell->name = name;
    cell->devRect = device;
    cell->residual = placed.residual;
    CCell* added = cell.get();
    m_cells.push_back(std::move(cell));
    update();
    return added;
}

void CPictureCtrl::SetCellDeviceRect(const Rect& device, CCell* cell) {
    if (!cell)
        return;
    Rect d = device.Normalized();
    d.left = std::max(d.left, 0);
    d.top = std::max(d.top, 0);
    cell->devRect = d;
    const Placement placed = DeviceToControl(d, ScaleFor(*cell), ClientRect());
    cell->rect = FitIntoClient(placed.control, ClientRect());
    cell->residual = placed.residual;
    update();
}

void CPictureCtrl::RelayoutAll() {
    for (const auto& c : m_cells)
        SetCellDeviceRect(c->devRect, c.get());
}

void CPictureCtrl::SetLayerVisible(int layerId, bool visible) {
    for (const auto& c : m_cells)
        if (c->IsLayer() && c->layerId == layerId) {
            c->SetHidden(!visible);
            // A layer switched off is no longer edited: the arrow keys must not move it unseen.
            if (!visible) {
                c->SetSelected(false);
                if (m_current == c.get())
                    m_current = nullptr;
            }
        }
    update();
}

void CPictureCtrl::SetLayersPassive(std::uint32_t flag) {
    for (const auto& c : m_cells)
        if (c->IsLayer())
            c->passive = flag;
    update();
}

void CPictureCtrl::SetGridOn(bool on) {
    m_gridOn = on;
    update();
}

void CPictureCtrl::InvalidateCell(const CCell* cell) {
    if (!cell)
        return;
    QRect r = ToQRect(cell->rect);
    if (cell->Selected())
        r.adjust(-4, -5, 5, 4);
    update(r);
}

void CPictureCtrl::SelectCell(CCell* cell) {
    if (!cell)
        return;
    if (m_current && m_current != cell) {
        m_current->SetSelected(false);
        InvalidateCell(m_current);
    }
    for (const auto& c : m_cells)
        if (c.get() != cell && c->kind == cell->kind && c->Selected()) {
            c->SetSelected(false);
            InvalidateCell(c.get());
        }
    m_current = cell;
    m_multiSelect = 0;
    cell->SetSelected(true);
    InvalidateCell(cell);
}

CCell* CPictureCtrl::CellAt(Point p) const {
    for (auto it = m_cells.rbegin(); it != m_cells.rend(); ++it) {
        CCell* c = it->get();
        if (!c->Hidden() && c->passive == 0 && c->rect.Contains(p))
            return c;
    }
    return nullptr;
}

MessageWindow* CPictureCtrl::NotifyWindow() const {
    return m_notify ? m_notify : OwnerWindow(this);
}

// ---------------------------------------------------------------------------------------------
// Painting

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

// ---------------------------------------------------------------------------------------------
// Selection, moving and reporting

void CPictureCtrl::DeselectAll() {
    for (const auto& c : m_cells)
        c->SetSelected(false);
    update();
}

void CPictureCtrl::ClearCurrent() {
    if (!m_current)
        return;
    m_current->SetSelected(false);
    InvalidateCell(m_current);
    m_current = nullptr;
}

Rect CPictureCtrl::AlignProposed(const CCell& cell, const Rect& proposed, Alignment& alignment,
                                 const CCell*& other) {
    alignment = Alignment{kAlignNone, proposed};
    other = nullptr;
    for (const auto& c : m_cells) {
        if (c.get() == &cell || c->Hidden())
            continue;
        const Alignment a = Align(proposed, c->rect);
        if (a.state != kAlignNone) {
            alignment = a;
            other = c.get();
            m_alignState = a.state;
            m_alignRect = c->rect;
            return a.rect;
        }
    }
    m_alignState = kAlignNone;
    return proposed;
}

bool CPictureCtrl::AcceptMove(CCell& cell, const Rect& proposed, const Alignment& alignment,
                              const CCell* other) {
    if (proposed == cell.rect || !InsideClient(proposed, ClientRect()))
        return false;
    cell.rect = FitIntoClient(proposed, ClientRect());
    const Rect converted = ControlToDevice(cell.rect, cell.residual, ScaleFor(cell));
    if (other && alignment.state != kAlignNone)
        cell.devRect = OnCanvas(
            AlignDevice(converted, cell.devRect.Width(), cell.devRect.Height(), other->devRect, alignment));
    else
        cell.devRect = UpdateDeviceForZone(cell.devRect, converted, kZoneInterior);
    return true;
}

std::vector<CCell*> CPictureCtrl::MovingCells() const {
    std::vector<CCell*> cells;
    for (const auto& c : m_cells)
        if (c->Selected() && !c->Hidden()) // what the operator cannot see is not moved
            cells.push_back(c.get());
    return cells;
}

Point CPictureCtrl::GroupStep(const std::vector<CCell*>& group, Point wanted) const {
    std::vector<Rect> rects;
    rects.reserve(group.size());
    for (const CCell* c : group)
        rects.push_back(c->rect);
    return GroupOffset(rects, wanted, ClientRect());
}

void CPictureCtrl::ReportSelected(bool post) {
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> reports;
    int output = 0;
    for (const auto& c : m_cells) {
        const bool layer = c->IsLayer();
        if (c->Selected())
            reports.emplace_back(c->kind, layer ? c->layerId : output);
        if (!layer)
            ++output;
    }
    MessageWindow* to = NotifyWindow();
    if (!to)
        return;
    // The cells a drag moved together are one step to undo (commands posted by the arrow keys
    // leave later, each its own step, those in a row merged).
    std::optional<EditAction> action;
    if (m_editContext && !post)
        action.emplace(*m_editContext, std::string());
    for (const auto& [kind, index] : reports) {
        qCDebug(lcLayout) << "cell reported: kind" << kind << "index" << index;
        if (post)
            PostWindowMessage(to, WM_LAYOUT_COMMAND, kind, index);
        else
            SendWindowMessage(to, WM_LAYOUT_COMMAND, kind, index);
    }
}

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

// ---------------------------------------------------------------------------------------------
// Mouse and keys

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
