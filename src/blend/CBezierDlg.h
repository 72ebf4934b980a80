#pragma once

// The curve editor (dialog 178), a child of the edge blend page: one user blend table of one
// output, drawn as the cubic Bezier curve from (0, 0) to (255, 255) through its two control
// points P1 and P2. The operator drags a point (kept inside the plot), types its values into the
// coordinate box that a double click on its label opens, or places the next point (P1, P2, P1,
// ...) with a double click elsewhere. Every change is written straight into the output's
// `curve` in DeviceState; the editor sends nothing (the page sends the tables).
//
// Coordinate box: Enter, a press elsewhere in the editor or the box losing the focus commits
// ("x,y", also with the full-width comma, each kept within 0..255); Esc closes it and keeps the
// old values. Esc while no box is open goes on to the page. A table shown again while the box is
// open (a reply) refreshes the box too, unless the operator is typing into it: then the typing
// stays, and a press elsewhere or the lost focus with the text as it was shown closes the box
// on the table's values, committing nothing.
//
// The plot and the window follow the screen's pixels per inch (SetPixelsPerInch, called at
// set-up with the screen's logical resolution).

#include "blend/CurveRules.h"
#include "widgets/CBaseDialog.h"

#include <array>

namespace corvane {

class CMyEdit;
struct DeviceState;

class CBezierDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 178;
    static constexpr int kCoordinateBoxId = 61183;
    static constexpr int kHandleHalf = 12; // the handle square: the point's position +- 12 pixels
    static constexpr int kLabelWidth = 70;
    static constexpr int kLabelHeight = 20;
    static constexpr int kWidthAt96 = 340; // the window at 96 pixels per inch
    static constexpr int kHeightAt96 = 226;
    static constexpr int kNone = -1;

    CBezierDlg(DeviceState& state, QWidget* parent);

    // Table `table` (1..4) of `output` (0..3): the points are placed from its four bytes.
    void ShowTable(int output, int table);
    int ShownOutput() const { return m_output; }
    int ShownTable() const { return m_table; }

    // Scales the plot and the window for a screen of this many pixels per inch.
    void SetPixelsPerInch(double dpiX, double dpiY);
    const PlotRect& Plot() const { return m_plot; }

    // The parts tests look at: a point's position (0 = P1, 1 = P2), its handle square and its
    // label rectangle, in the editor's pixels; the point selected, the one the next double click
    // places; the coordinate box (null before its first use).
    QPoint PointPixel(int point) const;
    QRect HandleRect(int point) const;
    QRect LabelRect(int point) const;
    int Selected() const { return m_selected; }
    int NextPlaced() const { return m_nextPlaced; }
    bool Dragging() const { return m_dragging; }
    CMyEdit* CoordinateBox() const { return m_box; }
    bool BoxOpen() const { return m_boxPoint != kNone; }

    std::intptr_t WindowProc(const WindowMessage& message) override;

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::intptr_t OnEditFinished(std::uintptr_t, std::intptr_t);
    // The point taken to `pixel` (clamped into the plot), its values stored.
    void DragTo(const QPoint& pixel);
    void PlacePoint(int point, PlotPixel pixel);
    int PointAt(const QPoint& pixel) const;
    int LabelAt(const QPoint& pixel) const;
    CurvePoint Stored(int point) const;
    void OpenBox(int point);
    void CommitBox();
    void CloseBox();
    // A press elsewhere or the lost focus: commits the box when its text changed, else closes it.
    void EndBox();

    DeviceState& m_state;
    int m_output = 0;
    int m_table = 1;
    PlotRect m_plot = kPlotAt96;
    std::array<PlotPixel, 2> m_points{};
    bool m_dragging = false;
    int m_selected = kNone;
    int m_nextPlaced = 0;
    CMyEdit* m_box = nullptr;
    int m_boxPoint = kNone;
};

} // namespace corvane
