#pragma once

// The layout canvas: a scaled drawing of the processor's canvas on which the operator places
// the layers (and, in output editing, the outputs) with the mouse and the arrow keys.
//
// Every layer and output is a CCell in the canvas's list: layer cells in ascending layerId
// order, then the output cells in creation order. Drawing follows the list, hit testing runs
// from its tail. The canvas sends nothing to the processor: when a drag or an arrow key ends
// it reports each selected cell to its notify window with WM_LAYOUT_COMMAND (wParam 0 and the
// layerId for a layer, 1 and the output's position among the output cells for an output).
//
// Two things differ from a window system that can clip the cursor and scroll its parent by
// messages:
// - The pointer cannot be confined; instead the drag position is clamped to the same
//   rectangle, so a moved cell cannot leave the client area and a resize stays inside it.
// - Scrolling the parent during a drag is asked for with the ScrollRequested signal: dx and
//   dy are -1 (line left / up), 0 or +1 (line right / down); the canvas repaints at once after
//   each request.

#include "layout/CanvasGeometry.h"
#include "shell/Config.h"

#include <QColor>
#include <QFont>
#include <QWidget>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace corvane {

class MessageWindow;
class PageContext;

// One layer or output on the canvas. Plain data: the canvas owns it, draws it and moves it.
struct CCell {
    static constexpr std::uint32_t kSelected = 1u << 0;
    static constexpr std::uint32_t kHidden = 1u << 1;
    // What a cell stands for; the same numbers as the canvas's edit mode and as the wParam of
    // WM_LAYOUT_COMMAND.
    static constexpr std::uint32_t kLayer = 0;
    static constexpr std::uint32_t kOutput = 1;

    CCell(Rect control, std::uint32_t cellKind) : rect(control), kind(cellKind) {}

    bool IsLayer() const { return kind == kLayer; }

    bool Selected() const { return (flags & kSelected) != 0; }
    bool Hidden() const { return (flags & kHidden) != 0; }
    void SetSelected(bool on) { flags = on ? (flags | kSelected) : (flags & ~kSelected); }
    void SetHidden(bool on) { flags = on ? (flags | kHidden) : (flags & ~kHidden); }

    std::uint32_t flags = 0;     // bit 0 selected, bit 1 hidden (not drawn, not hit)
    Rect rect;                   // control pixels
    Residual residual;           // device pixels lost by rounding
    std::uint32_t outlined = 0;  // drawn as an outline instead of a filled box
    std::uint32_t kind = kLayer; // kLayer or kOutput, for the cell's whole life
    std::uint32_t passive = 0;   // not hit, not taken by the rubber band; text green
    std::string name;
    int layerId = 255;
    Rect savedRect;       // control rectangle before the last double-click fit
    Rect devRect;         // device pixels, normalised, left and top not below 0
    Rect savedDevRect;    // device rectangle before the last double-click fit
    std::string posText;  // the last drawn "Pos:[%d,%d]"
    std::string sizeText; // the last drawn "Size:[%d,%d]"
};

// The cursor over a hit zone (CanvasGeometry's Zone): arrows along the edges the zone drags.
Qt::CursorShape CursorForZone(int zone);

class CPictureCtrl : public QWidget {
    Q_OBJECT

public:
    enum DragMode : std::uint32_t { kDragNone = 0, kDragMove = 2, kDragResize = 3 };

    explicit CPictureCtrl(const Config& config = Config{}, QWidget* parent = nullptr);
    ~CPictureCtrl() override;

    // A layer cell from its device geometry; none when a cell with that layerId exists.
    CCell* AddLayerCell(int w, int h, int x, int y, const std::string& name, int layerId);
    CCell* AddOutputCell(int w, int h, int x, int y, const std::string& name);
    // Normalises `device` (left and top at least 0), stores it and places the cell from it.
    void SetCellDeviceRect(const Rect& device, CCell* cell);
    void RelayoutAll();
    void SetLayerVisible(int layerId, bool visible);
    void SetLayersPassive(std::uint32_t flag);
    void InvalidateCell(const CCell* cell);
    // Makes `cell` the current and selected cell: the previous current cell and every other
    // cell of the same kind are deselected; both are repainted.
    void SelectCell(CCell* cell);
    // The topmost cell at `p` that is neither hidden nor passive.
    CCell* CellAt(Point p) const;

    // Which kind of cell is edited: 0 layers, 1 outputs. The layout page sets it with its mode.
    void SetEditMode(std::uint32_t mode) { m_editMode = mode; }
    std::uint32_t EditMode() const { return m_editMode; }
    // The window that gets WM_LAYOUT_COMMAND; by default the nearest message window above.
    void SetNotifyWindow(MessageWindow* window) { m_notify = window; }
    // Where a drag's commands become one undo step (none: nothing is recorded).
    void SetEditContext(PageContext* context) { m_editContext = context; }

    const std::list<std::unique_ptr<CCell>>& Cells() const { return m_cells; }
    CCell* Current() const { return m_current; }
    std::uint32_t DragModeNow() const { return m_dragMode; }
    int DragZone() const { return m_dragZone; }
    bool BandActive() const { return m_bandActive != 0; }
    bool MultiSelect() const { return m_multiSelect != 0; }
    int AlignState() const { return m_alignState; }
    Rect AlignRect() const { return m_alignRect; }
    Rect ClientRect() const { return {0, 0, width(), height()}; }

    // The scales (device pixels per control pixel) and the grid, set by the layout page. A new
    // scale takes effect for a cell when it is placed again (RelayoutAll).
    void SetLayerScale(Scale scale) { m_layerScale = scale; }
    void SetOutputScale(Scale scale) { m_outputScale = scale; }
    Scale LayerScale() const { return m_layerScale; }
    Scale OutputScale() const { return m_outputScale; }
    void SetGridOn(bool on);
    bool GridOn() const { return m_gridOn; }

    // Draws the whole canvas (as a paint does) into `painter`, over `area`.
    void Render(QPainter& painter, const QRect& area);

signals:
    void ScrollRequested(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    Scale ScaleFor(const CCell& cell) const;
    void DrawCell(QPainter& p, CCell& cell);
    void DrawText(QPainter& p, CCell& cell);
    void DrawGuide(QPainter& p) const;
    // Runs `proposed` through the alignment test against every other visible cell.
    Rect AlignProposed(const CCell& cell, const Rect& proposed, Alignment& alignment, const CCell*& other);
    // Moves `cell` to `proposed` when it differs and lies inside; true when it moved.
    bool AcceptMove(CCell& cell, const Rect& proposed, const Alignment& alignment, const CCell* other);
    // The selected cells that a move takes along: the visible ones.
    std::vector<CCell*> MovingCells() const;
    // How far `group` can move together towards `wanted` inside the client area.
    Point GroupStep(const std::vector<CCell*>& group, Point wanted) const;
    void DeselectAll();
    void ClearCurrent();
    void ReportSelected(bool post);
    void ScrollParentFor(QPoint point);
    void SetZoneCursor(QPoint point);
    Point Clamp(QPoint p) const;
    MessageWindow* NotifyWindow() const;

    std::list<std::unique_ptr<CCell>> m_cells;
    CCell* m_current = nullptr;
    std::uint32_t m_dragMode = kDragNone;
    int m_dragZone = kZoneNone;
    Point m_anchor;
    std::uint32_t m_bandActive = 0;
    Point m_bandStart;
    Point m_bandEnd;
    std::uint32_t m_multiSelect = 0;
    int m_alignState = kAlignNone;
    Rect m_alignRect;
    std::uint32_t m_editMode = 0;
    bool m_captured = false;
    Rect m_confine; // inclusive bounds of the drag position while captured
    PageContext* m_editContext = nullptr;
    MessageWindow* m_notify = nullptr;
    Scale m_layerScale;
    Scale m_outputScale;
    bool m_gridOn = false;
    int m_gridStepX = 40;
    int m_gridStepY = 40;

    QColor m_layerColors[4];
    QColor m_outputColor{0, 192, 192};
    QColor m_selectedColor{0, 128, 255};
    QFont m_labelFont;
};

} // namespace corvane
