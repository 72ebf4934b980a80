#include "layout/CPictureCtrl.h"
#include "layout/CellDeviceRect.h"
#include "layout/LayoutLog.h"
#include "pages/EditAction.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"

#include <optional>
#include <utility>
#include <vector>

namespace corvane {

// ---- selection, alignment, moving and reporting

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

} // namespace corvane
