#pragma once

// The layout page (dialog 151): the layout canvas in a page that scrolls over it, kept in step
// with the layers and outputs of DeviceState. It creates the eight cells, switches the canvas
// between layer editing and output editing, zooms it with Ctrl + wheel, and is where a layer's
// geometry becomes the layer command; an output's geometry is handed to the output page.
//
// Messages:
//   WM_DEVICE_REPLY (0xA8, layer | 0xAB, output)  the cell takes the geometry in DeviceState
//   WM_LAYOUT_COMMAND (0, layer | 1, output)      commits the cell's geometry
//   WM_INPUT_CHANGED                              relabels the layer cells and repaints
//   WM_HSCROLL, WM_VSCROLL                        scrolling (CScrollDialog)

#include "device/DeviceState.h"
#include "layout/CanvasGeometry.h"
#include "layout/LayoutPageCalls.h"
#include "widgets/CScrollDialog.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

struct CCell;
class CPictureCtrl;
class PageContext;

// The page tells the layer page of a changed layer (kReplyShowLayer) and hands an output's
// geometry to the output page (code 9); it asks the main window whether a layer's switch is on.
class CLayoutDlg : public CScrollDialog, public LayoutPageCalls {
    Q_OBJECT
public:
    static constexpr int kDialogId = 151;
    static constexpr int kCanvasId = 1250;
    // The canvas window: 10000 x 10000 canvas pixels, 60000 device pixels at the first scale.
    static constexpr int kCanvasSize = 10000;
    static constexpr double kDefaultScale = 6.0;
    // Scroll lines per wheel line.
    static constexpr int kWheelLineFactor = 10;

    CLayoutDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;

    // Builds the eight cells from DeviceState; once, after the main window's pages exist.
    void InitCanvas();
    // 0 layer editing, 1 output editing.
    void SetMode(std::uint32_t mode);
    // Scrolls the page so that the cell's top-left corner is in view.
    void EnsureVisible(const CCell* cell);
    // Scrolls the cell into view and makes it the canvas's current, only selected cell of its kind.
    void SelectInView(CCell* cell);
    // Scrolls the layer's cell into view and makes it the current, only selected layer cell.
    void SelectLayerCell(int layer) override;
    void SelectOutputCell(int output) override;
    // The main window's switch of `layer` changed: in layer editing the cell is shown or
    // hidden, and selected and brought into view when shown.
    void LayerSwitched(int layer, bool on);

    CPictureCtrl* Canvas() const { return m_canvas; }
    CCell* LayerCell(int layer) const;
    CCell* OutputCell(int output) const;
    double ViewScale() const { return m_viewScale; }
    // The canvas's edit mode, which the canvas alone keeps: 0 layer editing, 1 output editing.
    std::uint32_t EditMode() const;

protected:
    bool OnInitDialog() override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnLayoutCommand(std::uintptr_t kind, std::intptr_t index);
    std::intptr_t OnInputChanged(std::uintptr_t, std::intptr_t);
    void CommitLayer(int layer);
    void CommitOutput(int output);
    void ApplyScale();

    PageContext& m_context;
    DeviceState& m_state;
    CPictureCtrl* m_canvas = nullptr;
    std::array<CCell*, kLayerCount> m_layerCells{};
    std::array<CCell*, kOutputCount> m_outputCells{};
    Rect m_canvasRect{0, 0, kCanvasSize, kCanvasSize};
    double m_viewScale = kDefaultScale;
    int m_wheelRestX = 0; // wheel distance not yet scrolled, times the wheel-scroll lines
    int m_wheelRestY = 0;
    WheelNotches m_zoomWheel; // Ctrl + wheel turns not yet a whole notch
};

} // namespace corvane
