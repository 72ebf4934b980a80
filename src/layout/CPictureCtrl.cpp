#include "layout/CPictureCtrl.h"

#include "layout/CellDeviceRect.h"
#include "platform/ui/MessageWindow.h"

#include <algorithm>

namespace corvane {

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

} // namespace corvane
