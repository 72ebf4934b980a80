#include "layout/CLayoutDlg.h"

#include "device/ReplyCodes.h"
#include "device/ReplyDispatcher.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerFrames.h"
#include "layout/LayoutLog.h"
#include "pages/MainWindowCalls.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "shell/Config.h"
#include "ui_dialog151.h"

#include <QApplication>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <string>

namespace corvane {

namespace {

std::string LayerName(int layer) {
    return "Layer-" + std::to_string(layer + 1);
}

std::string OutputName(int output) {
    return "OUTPUT:DVI-" + std::to_string(output + 1);
}

bool ValidIndex(std::intptr_t index) {
    return index >= 0 && index < kLayerCount; // as many layers as outputs
}

} // namespace

CLayoutDlg::CLayoutDlg(PageContext& context, QWidget* parent)
    : CScrollDialog(kDialogId, parent), m_context(context), m_state(context.State()) {
    const Config& config = context.Settings();
    Ui::Dialog151().setupUi(this);
    SetHasTitleBand(false);
    SetCloseBox(false);
    SetNotifyParentOnClose(false);
    m_canvas = new CPictureCtrl(config, this);
    SetControlId(m_canvas, kCanvasId);
    m_canvas->SetNotifyWindow(this);
    m_canvas->SetEditContext(&m_context);
    connect(m_canvas, &CPictureCtrl::ScrollRequested, this, [this](int dx, int dy) {
        if (dx != 0)
            SendWindowMessage(this, WM_HSCROLL, dx < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        if (dy != 0)
            SendWindowMessage(this, WM_VSCROLL, dy < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    });
    SetScrollArea(QRect(0, 0, kCanvasSize, kCanvasSize));
}

bool CLayoutDlg::OnInitDialog() {
    m_canvas->lower(); // the scroll bars stay above it
    return true;
}

std::intptr_t CLayoutDlg::WindowProc(const WindowMessage& m) {
    using Map = MessageMap<CLayoutDlg, CScrollDialog>;
    static const Map map{
        Map::Message(WM_DEVICE_REPLY, &CLayoutDlg::OnDeviceReply),
        Map::Message(WM_LAYOUT_COMMAND, &CLayoutDlg::OnLayoutCommand),
        Map::Message(WM_INPUT_CHANGED, &CLayoutDlg::OnInputChanged),
    };
    return map.Dispatch(*this, m);
}

void CLayoutDlg::InitCanvas() {
    if (m_layerCells[0])
        return; // once
    m_canvas->setGeometry(m_canvasRect.left - ScrollPosition().x(), m_canvasRect.top - ScrollPosition().y(),
                          m_canvasRect.Width(), m_canvasRect.Height());
    m_canvas->SetGridOn(true);
    m_viewScale = kDefaultScale;
    m_canvas->SetLayerScale({m_viewScale, m_viewScale});
    m_canvas->SetOutputScale({m_viewScale, m_viewScale});
    for (int i = 0; i < kLayerCount; ++i) {
        const LayerInfo& l = m_state.layers[static_cast<std::size_t>(i)];
        CCell* c = m_canvas->AddLayerCell(static_cast<int>(l.w), static_cast<int>(l.h), static_cast<int>(l.x),
                                          static_cast<int>(l.y), LayerName(i), i);
        if (c)
            c->SetHidden(i != 0);
        m_layerCells[static_cast<std::size_t>(i)] = c;
    }
    for (int k = 0; k < kOutputCount; ++k) {
        const OutputInfo& o = m_state.outputs[static_cast<std::size_t>(k)];
        CCell* c = m_canvas->AddOutputCell(o.width, o.height, static_cast<int>(o.canvasX),
                                           static_cast<int>(o.canvasY), OutputName(k));
        c->outlined = 1;
        c->passive = 1;
        c->SetHidden(false);
        m_outputCells[static_cast<std::size_t>(k)] = c;
    }
    ApplyScale();
    m_canvas->lower();
}

CCell* CLayoutDlg::LayerCell(int layer) const {
    return ValidIndex(layer) ? m_layerCells[static_cast<std::size_t>(layer)] : nullptr;
}

CCell* CLayoutDlg::OutputCell(int output) const {
    return ValidIndex(output) ? m_outputCells[static_cast<std::size_t>(output)] : nullptr;
}

void CLayoutDlg::ApplyScale() {
    const Scale s{m_viewScale, m_viewScale};
    m_canvas->SetLayerScale(s);
    m_canvas->SetOutputScale(s);
    m_canvas->RelayoutAll();
}

std::uint32_t CLayoutDlg::EditMode() const {
    return m_canvas->EditMode();
}

void CLayoutDlg::SetMode(std::uint32_t mode) {
    const auto& cells = m_canvas->Cells();
    m_canvas->SetEditMode(mode);
    if (mode == 0) {
        const auto* switches = m_context.CallsOf<MainWindowCalls>(Window::MainWindow);
        m_canvas->SetLayersPassive(0);
        for (int i = 0; i < kLayerCount; ++i)
            m_canvas->SetLayerVisible(i, switches && switches->LayerSwitchOn(i));
        for (const auto& c : cells)
            c->outlined = 0;
        for (CCell* c : m_outputCells)
            if (c) {
                c->passive = 1;
                c->outlined = 1;
            }
    } else {
        m_canvas->SetLayersPassive(1);
        for (const auto& c : cells)
            c->outlined = 1;
        for (CCell* c : m_outputCells)
            if (c) {
                c->passive = 0;
                c->outlined = 0;
            }
    }
    m_canvas->update();
}

void CLayoutDlg::EnsureVisible(const CCell* cell) {
    if (!cell)
        return;
    const QSize client = ClientSize();
    const QPoint pos = ScrollPosition();
    // The cell's edges in the page's content pixels.
    const int left = m_canvasRect.left + cell->rect.left;
    const int top = m_canvasRect.top + cell->rect.top;
    int x = pos.x(), y = pos.y();
    if (left < pos.x() || left >= pos.x() + client.width())
        x = left < client.width() ? 0 : left;
    if (top < pos.y() || top >= pos.y() + client.height())
        y = top < client.height() ? 0 : top;
    if (x != pos.x())
        SendWindowMessage(this, WM_HSCROLL, MakeWParam(SB_THUMBTRACK, static_cast<std::uint16_t>(x)), 0);
    if (y != pos.y())
        SendWindowMessage(this, WM_VSCROLL, MakeWParam(SB_THUMBTRACK, static_cast<std::uint16_t>(y)), 0);
}

void CLayoutDlg::SelectLayerCell(int layer) {
    SelectInView(LayerCell(layer));
}

void CLayoutDlg::SelectOutputCell(int output) {
    SelectInView(OutputCell(output));
}

void CLayoutDlg::SelectInView(CCell* cell) {
    if (!cell)
        return;
    EnsureVisible(cell);
    m_canvas->SelectCell(cell);
}

void CLayoutDlg::LayerSwitched(int layer, bool on) {
    CCell* cell = LayerCell(layer);
    if (!cell || EditMode() != 0)
        return;
    m_canvas->SetLayerVisible(layer, on);
    if (on) {
        EnsureVisible(cell);
        m_canvas->SelectCell(cell);
    }
}

std::intptr_t CLayoutDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    if (!ValidIndex(index))
        return 0;
    const auto i = static_cast<std::size_t>(index);
    if (code == kReplyLayer) {
        CCell* cell = m_layerCells[i];
        if (!cell)
            return 0;
        const LayerInfo& l = m_state.layers[i];
        m_canvas->SetCellDeviceRect(Rect{static_cast<int>(l.x), static_cast<int>(l.y),
                                         static_cast<int>(l.x + l.w), static_cast<int>(l.y + l.h)},
                                    cell);
        if (EditMode() == 0)
            m_canvas->SetLayerVisible(static_cast<int>(index), l.visible != 0);
        m_canvas->update();
    } else if (code == kReplyOutput) {
        CCell* cell = m_outputCells[i];
        if (!cell)
            return 0;
        const OutputInfo& o = m_state.outputs[i];
        m_canvas->SetCellDeviceRect(Rect{static_cast<int>(o.canvasX), static_cast<int>(o.canvasY),
                                         static_cast<int>(o.canvasX) + o.width,
                                         static_cast<int>(o.canvasY) + o.height},
                                    cell);
        m_canvas->update();
    }
    return 0;
}

std::intptr_t CLayoutDlg::OnLayoutCommand(std::uintptr_t kind, std::intptr_t index) {
    if (!ValidIndex(index))
        return 0;
    if (kind == 0)
        CommitLayer(static_cast<int>(index));
    else if (kind == 1)
        CommitOutput(static_cast<int>(index));
    return 0;
}

void CLayoutDlg::CommitLayer(int layer) {
    CCell* cell = LayerCell(layer);
    if (!cell)
        return;
    LayerInfo& l = m_state.layers[static_cast<std::size_t>(layer)];
    const Rect& d = cell->devRect;
    l.x = static_cast<std::uint32_t>(std::max(d.left, 0));
    l.y = static_cast<std::uint32_t>(std::max(d.top, 0));
    l.w = static_cast<std::uint32_t>(std::max(d.Width(), 0));
    l.h = static_cast<std::uint32_t>(std::max(d.Height(), 0));
    if (cell->Selected())
        if (MessageWindow* page = m_context.WindowOf(Window::LayerPage))
            SendWindowMessage(page, WM_DEVICE_REPLY, kReplyShowLayer, layer);
    if (m_state.linkState != kLinkSynchronised) {
        qCDebug(lcLayout) << "layer" << layer << "kept, not sent: no processor";
        return;
    }
    const corvane::Frame f = BuildLayerFrame(m_state, layer);
    qCDebug(lcLayout) << "layer" << layer << "sent:" << l.x << l.y << l.w << l.h << "shown" << l.visible;
    m_context.SendToDevice(f.data(), f.size());
}

void CLayoutDlg::CommitOutput(int output) {
    CCell* cell = OutputCell(output);
    if (!cell)
        return;
    OutputInfo& o = m_state.outputs[static_cast<std::size_t>(output)];
    const Rect& d = cell->devRect;
    o.canvasX = static_cast<std::uint32_t>(std::max(d.left, 0));
    o.canvasY = static_cast<std::uint32_t>(std::max(d.top, 0));
    o.width = static_cast<std::uint16_t>(std::max(d.Width(), 0));
    o.height = static_cast<std::uint16_t>(std::max(d.Height(), 0));
    if (MessageWindow* page = m_context.WindowOf(Window::OutputPage)) {
        SendWindowMessage(page, WM_DEVICE_REPLY, kReplyOutput, output);
        SendWindowMessage(page, WM_DEVICE_COMMAND, kCmdOutputWindow, output);
    }
}

std::intptr_t CLayoutDlg::OnInputChanged(std::uintptr_t, std::intptr_t) {
    for (int i = 0; i < kLayerCount; ++i)
        if (CCell* c = LayerCell(i))
            c->name = LayerName(i);
    m_canvas->update();
    return 0;
}

void CLayoutDlg::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (event->modifiers() == Qt::ControlModifier && event->buttons() == Qt::NoButton) {
        // One step per notch, however the wheel sends it.
        const int notches = m_zoomWheel.Add(delta.y());
        if (notches != 0 && !m_canvas->Cells().empty()) {
            for (int k = 0; k < std::abs(notches); ++k)
                m_viewScale = ZoomStep(m_viewScale, notches > 0);
            qCDebug(lcLayout) << "canvas scale" << m_viewScale;
            ApplyScale();
        }
        event->accept();
        return;
    }
    // Each wheel line (120 / wheel-scroll-lines of distance) becomes ten scroll lines; what a fine
    // wheel (a touchpad) turns by less than a line is kept for the next turn.
    const int lines = QApplication::wheelScrollLines();
    auto scrollLines = [lines](int& rest, int distance) {
        rest += distance * lines;
        const int whole = rest / 120;
        rest -= whole * 120;
        return whole * kWheelLineFactor;
    };
    const int up = scrollLines(m_wheelRestY, delta.y());
    for (int k = 0; k < std::abs(up); ++k)
        SendWindowMessage(this, WM_VSCROLL, up > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    const int left = scrollLines(m_wheelRestX, delta.x());
    for (int k = 0; k < std::abs(left); ++k)
        SendWindowMessage(this, WM_HSCROLL, left > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    event->accept();
}

} // namespace corvane
