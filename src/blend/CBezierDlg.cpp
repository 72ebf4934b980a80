#include "blend/CBezierDlg.h"

#include "device/DeviceState.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "ui_dialog178.h"
#include "widgets/CMyEdit.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace corvane {

namespace {

// COLORREF colours of the editor: the plot's frame and the labels, the curve, the crosses.
constexpr std::uint32_t kFrameColour = 0xEBEBEB;
constexpr std::uint32_t kCurveColour = 0x009CEF;
constexpr std::uint32_t kCrossColour = 0x0000FF;
constexpr int kCrossPen = 3;
// Quarter lines inside the plot, dim so that the curve stands out.
constexpr QRgb kGridColour = 0xFF2A2A2A;
// The coordinate box's longest text: far more than "255,255", bounded all the same.
constexpr int kBoxMaxLength = 32;

QPoint ToQt(PlotPixel p) {
    return {p.x, p.y};
}

PlotPixel FromQt(const QPoint& p) {
    return {p.x(), p.y()};
}

} // namespace

CBezierDlg::CBezierDlg(DeviceState& state, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_state(state) {
    Ui::Dialog178().setupUi(this);
    SetHasTitleBand(false);
    SetCloseBox(false);
    setMouseTracking(false);
}

bool CBezierDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    SetPixelsPerInch(logicalDpiX(), logicalDpiY());
    return true;
}

std::intptr_t CBezierDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CBezierDlg, CBaseDialog>;
    static const Map map{
        Map::Message(WM_EDIT_FINISHED, &CBezierDlg::OnEditFinished),
    };
    return map.Dispatch(*this, message);
}

void CBezierDlg::SetPixelsPerInch(double dpiX, double dpiY) {
    m_plot = ScaledPlot(dpiX, dpiY);
    resize(ScaledLength(kWidthAt96, dpiX), ScaledLength(kHeightAt96, dpiY));
    ShowTable(m_output, m_table);
}

void CBezierDlg::ShowTable(int output, int table) {
    output = std::clamp(output, 0, kOutputCount - 1);
    table = std::clamp(table, 1, kCurveTableCount);
    // An open box belongs to the table it was opened on.
    if (BoxOpen() && (output != m_output || table != m_table))
        EndBox();
    m_output = output;
    m_table = table;
    for (int i = 0; i < 2; ++i)
        m_points[static_cast<std::size_t>(i)] = ValueToPixel(m_plot, Stored(i));
    // The open box shows the values too, unless the operator is typing into it.
    if (BoxOpen())
        m_box->RefreshText(QString::fromStdString(TypedPointText(Stored(m_boxPoint))));
    update();
}

CurvePoint CBezierDlg::Stored(int point) const {
    return TablePoint(m_state.outputs[static_cast<std::size_t>(m_output)], m_table, point);
}

QPoint CBezierDlg::PointPixel(int point) const {
    return ToQt(m_points[static_cast<std::size_t>(point & 1)]);
}

QRect CBezierDlg::HandleRect(int point) const {
    const QPoint p = PointPixel(point);
    return {p.x() - kHandleHalf, p.y() - kHandleHalf, 2 * kHandleHalf + 1, 2 * kHandleHalf + 1};
}

QRect CBezierDlg::LabelRect(int point) const {
    // Above and to the right of the cross; moved to the other side where the window ends.
    const QPoint p = PointPixel(point);
    QRect r(p.x() + kHandleHalf, p.y() - kHandleHalf - kLabelHeight + 4, kLabelWidth, kLabelHeight);
    if (r.right() >= width())
        r.moveRight(p.x() - kHandleHalf);
    if (r.top() < 0)
        r.moveTop(p.y() + kHandleHalf - 4);
    return r;
}

int CBezierDlg::PointAt(const QPoint& pixel) const {
    // The point selected last lies on top.
    const int first = m_selected == 1 ? 1 : 0;
    for (int i : {first, 1 - first})
        if (HandleRect(i).contains(pixel))
            return i;
    return kNone;
}

int CBezierDlg::LabelAt(const QPoint& pixel) const {
    const int first = m_selected == 1 ? 1 : 0;
    for (int i : {first, 1 - first})
        if (LabelRect(i).contains(pixel))
            return i;
    return kNone;
}

void CBezierDlg::PlacePoint(int point, PlotPixel pixel) {
    const PlotPixel p = ClampIntoPlot(m_plot, pixel);
    m_points[static_cast<std::size_t>(point)] = p;
    StoreTablePoint(m_state.outputs[static_cast<std::size_t>(m_output)], m_table, point,
                    PixelToValue(m_plot, p));
    update();
}

void CBezierDlg::DragTo(const QPoint& pixel) {
    if (m_selected != kNone)
        PlacePoint(m_selected, FromQt(pixel));
}

// ---- mouse and keyboard

void CBezierDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (BoxOpen())
        EndBox(); // a press elsewhere in the editor
    setFocus(Qt::MouseFocusReason);
    const int point = PointAt(event->position().toPoint());
    if (point == kNone)
        return;
    m_selected = point;
    m_dragging = true; // the widget keeps the mouse until the release
}

void CBezierDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        DragTo(event->position().toPoint());
}

void CBezierDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    DragTo(event->position().toPoint());
    m_dragging = false;
}

void CBezierDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    const QPoint at = event->position().toPoint();
    if (const int label = LabelAt(at); label != kNone) {
        m_selected = label;
        OpenBox(label);
        return;
    }
    const int point = m_nextPlaced;
    m_selected = point;
    m_nextPlaced = 1 - m_nextPlaced;
    PlacePoint(point, FromQt(at));
}

void CBezierDlg::keyPressEvent(QKeyEvent* event) {
    // Nothing here uses Enter or Esc: they go on to the page (Esc closes it).
    event->ignore();
}

// ---- the coordinate box

void CBezierDlg::OpenBox(int point) {
    if (!m_box) {
        m_box = new CMyEdit(this);
        SetControlId(m_box, kCoordinateBoxId);
        m_box->setMaxLength(kBoxMaxLength);
        m_box->installEventFilter(this);
        m_box->setAccessibleName(QStringLiteral("Control point coordinates")); // the language's replaces it
        ApplyDialogNames(this, kDialogId);
    }
    m_boxPoint = point;
    m_box->setGeometry(LabelRect(point));
    m_box->ShowText(QString::fromStdString(TypedPointText(Stored(point))));
    m_box->show();
    m_box->raise();
    m_box->setFocus(Qt::OtherFocusReason);
    m_box->selectAll();
}

void CBezierDlg::CloseBox() {
    m_boxPoint = kNone;
    if (m_box)
        m_box->hide();
    update();
}

void CBezierDlg::CommitBox() {
    if (!BoxOpen())
        return;
    const int point = m_boxPoint;
    const CurvePoint value = ParseTypedPoint(m_box->text().toStdU16String());
    CloseBox();
    // The values are stored as typed; the point goes to the nearest pixel the grid has.
    StoreTablePoint(m_state.outputs[static_cast<std::size_t>(m_output)], m_table, point, value);
    m_points[static_cast<std::size_t>(point)] = ValueToPixel(m_plot, value);
    update();
}

void CBezierDlg::EndBox() {
    // Text as it was shown changes nothing: the values stay as the table holds them, which a
    // reply may have changed while the operator was typing.
    if (m_box && m_box->Changed())
        CommitBox();
    else
        CloseBox();
}

bool CBezierDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            CloseBox(); // the old values stay
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CommitBox();
            return true;
        }
    }
    if (watched == m_box && event->type() == QEvent::FocusOut && BoxOpen())
        EndBox();
    return CBaseDialog::eventFilter(watched, event);
}

std::intptr_t CBezierDlg::OnEditFinished(std::uintptr_t, std::intptr_t) {
    // The box lost the focus. One that was opened again and has the focus is not committed by
    // the notice of an earlier one.
    if (BoxOpen() && !m_box->hasFocus())
        EndBox();
    return 0;
}

// ---- drawing

void CBezierDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(theme::kBackground));
    const bool on = isEnabled();
    const QRect plot(QPoint(m_plot.left, m_plot.top), QPoint(m_plot.right, m_plot.bottom));

    p.setPen(QPen(QColor(kGridColour), 1));
    for (int i = 1; i < 4; ++i) {
        const int x = m_plot.left + (m_plot.right - m_plot.left) * i / 4;
        const int y = m_plot.top + (m_plot.bottom - m_plot.top) * i / 4;
        p.drawLine(x, m_plot.top, x, m_plot.bottom);
        p.drawLine(m_plot.left, y, m_plot.right, y);
    }
    p.setPen(QPen(on ? FromColorRef(kFrameColour) : QColor(theme::kDisabledText), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot.adjusted(0, 0, -1, -1));

    const QPoint p1 = PointPixel(0), p2 = PointPixel(1);
    QPainterPath curve(QPointF(m_plot.left, m_plot.bottom));
    curve.cubicTo(p1, p2, QPointF(m_plot.right, m_plot.top));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(on ? FromColorRef(kCurveColour) : QColor(theme::kDisabledText), 1));
    p.drawPath(curve);
    p.setRenderHint(QPainter::Antialiasing, false);

    const QColor cross = on ? FromColorRef(kCrossColour) : FromColorRef(kCrossColour).darker(250);
    p.setFont(theme::ControlFont());
    for (int i = 0; i < 2; ++i) {
        const QRect h = HandleRect(i);
        p.setPen(QPen(cross, kCrossPen));
        p.drawLine(h.topLeft(), h.bottomRight());
        p.drawLine(h.bottomLeft(), h.topRight());
        if (BoxOpen() && m_boxPoint == i)
            continue; // the box lies over the label
        p.setPen(on ? FromColorRef(kFrameColour) : QColor(theme::kDisabledText));
        p.drawText(LabelRect(i), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(PointLabel(Stored(i))));
    }
}

} // namespace corvane
