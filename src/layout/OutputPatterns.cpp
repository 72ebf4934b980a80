#include "device/ReplyCodes.h"
#include "layout/COutputDlg.h"
#include "layout/LayoutLog.h"
#include "layout/PageValues.h"
#include "link/CommandCodes.h"
#include "pages/EditAction.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"
#include "widgets/CHotSpot.h"
#include "widgets/Theme.h"

#include <QPainter>
#include <algorithm>

namespace corvane {

namespace {

// A pattern's picture is the top of its hot spot; its caption lies below it.
constexpr int kPatternPictureHeight = 84;
constexpr int kPatternInset = 7;
constexpr int kPatternCellGap = 2;
constexpr int kPatternMarkWidth = 2;
// Outputs in the pictures have the proportions of a 16:9 picture.
constexpr int kCellAspectW = 16;
constexpr int kCellAspectH = 9;
// Below this height a cell of a picture carries no number.
constexpr int kCellNumberMinHeight = 13;
constexpr int kCellNumberPixelSize = 10;

const QColor kPatternFace(28, 28, 28);
const QColor kPatternCell(70, 70, 70);
const QColor kPatternCellMarked(110, 74, 8);

// Columns and rows of the four outputs in each pattern.
struct PatternShape {
    int columns;
    int rows;
};
constexpr PatternShape kPatternShapes[COutputDlg::kPatternCount] = {{2, 2}, {4, 1}, {1, 4}};

} // namespace

// ---- the arrangement of the four outputs in a pattern, and the patterns' pictures

void COutputDlg::SetArrangeMode(bool automatic) {
    m_arrangeAuto = automatic;
    for (int id = kMosaicCaptionFirst; id <= kBoxMosaicH; ++id)
        if (QWidget* w = Control<QWidget>(id))
            w->setVisible(!automatic);
    for (int i = 0; i < kPatternCount; ++i) {
        m_patterns[i]->setVisible(automatic);
        if (QWidget* caption = Control<QWidget>(kPatternCaptionFirst + i))
            caption->setVisible(automatic);
    }
    if (m_patternSurface)
        m_patternSurface->setVisible(automatic);
    m_autoArrange->setChecked(automatic);
    m_manualArrange->setChecked(!automatic);
    m_autoArrange->SetTextColour(Colour(automatic ? theme::kOrange : theme::kInactive));
    m_manualArrange->SetTextColour(Colour(automatic ? theme::kInactive : theme::kOrange));
    update();
}

void COutputDlg::OnAutoArrange() {
    SetArrangeMode(true);
}

void COutputDlg::OnManualArrange() {
    SetArrangeMode(false);
}

void COutputDlg::OnPattern(int id) {
    if (!m_arrangeAuto || m_context.WaitShown())
        return;
    Arrange(id - kPatternFirst);
}

void COutputDlg::Arrange(int pattern) {
    if (pattern < 0 || pattern >= kPatternCount)
        return;
    m_arrangePattern = pattern;
    m_patterns[pattern]->setChecked(true);
    if (m_patternSurface)
        m_patternSurface->update();
    // The outputs are sized by what they run: a pick not applied yet is dropped first.
    const std::array<OutputInfo, kOutputCount> before = m_state.outputs;
    for (int k = 0; k < kOutputCount; ++k)
        TakeReported(k);
    const std::optional<Arrangement> arrangement =
        corvane::Arrange(pattern, ActiveSizes(m_state, m_context.Picks()));
    if (arrangement)
        ApplyArrangement(m_state, *arrangement);
    // A size that changed is re-read by the blend page, as after every other size change.
    for (std::size_t k = 0; k < before.size(); ++k) {
        const OutputInfo& o = m_state.outputs[k];
        if (o.width != before[k].width || o.height != before[k].height || o.winW != before[k].winW ||
            o.winH != before[k].winH) {
            TellBlendPage();
            break;
        }
    }
    if (!arrangement)
        return;
    ShowOutput(m_currentOutput);
    qCInfo(lcLayout) << "outputs arranged in pattern" << pattern << "over" << arrangement->mosaicWidth << "x"
                     << arrangement->mosaicHeight;
    // The outputs and layers the pattern placed are one step to undo.
    const EditAction action(m_context, Tr("Arrange outputs", "排列输出"));
    for (int k = 0; k < kOutputCount; ++k)
        RequestWindowCommand(k);
    // The layers follow, in order, before the end of the arrangement is sent: the layout page
    // places each cell and sends its layer command, the layer page and the main window re-read.
    MessageWindow* layout = m_context.WindowOf(Window::LayoutPage);
    for (int l = 0; l < kLayerCount; ++l) {
        for (Window w : {Window::LayoutPage, Window::LayerPage, Window::MainWindow})
            SendWindowMessage(m_context.WindowOf(w), WM_DEVICE_REPLY, kReplyLayer, l);
        SendWindowMessage(layout, WM_LAYOUT_COMMAND, 0, l);
    }
    if (m_state.linkState == kLinkSynchronised) {
        SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdArrangeDone, 0);
        m_context.ShowWait(Tr("Set Output position...", "设置输出位置..."));
    }
}

QRect COutputDlg::PatternArea(int pattern) const {
    return m_patterns[std::clamp(pattern, 0, kPatternCount - 1)]->geometry();
}

void COutputDlg::PaintPatterns(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < kPatternCount; ++i) {
        const QRect area = PatternArea(i);
        const QRect picture(area.x(), area.y(), area.width(), kPatternPictureHeight);
        const bool marked = i == m_arrangePattern;
        p.fillRect(picture, kPatternFace);
        // The four outputs in the pattern, each 16:9, centred in the picture.
        const PatternShape shape = kPatternShapes[i];
        const QRect inner = picture.adjusted(kPatternInset, kPatternInset, -kPatternInset, -kPatternInset);
        const int byWidth = (inner.width() - (shape.columns - 1) * kPatternCellGap) / shape.columns;
        const int byHeight = (inner.height() - (shape.rows - 1) * kPatternCellGap) / shape.rows;
        const int cellW = std::min(byWidth, byHeight * kCellAspectW / kCellAspectH);
        const int cellH = cellW * kCellAspectH / kCellAspectW;
        const int totalW = shape.columns * cellW + (shape.columns - 1) * kPatternCellGap;
        const int totalH = shape.rows * cellH + (shape.rows - 1) * kPatternCellGap;
        const QPoint origin(inner.x() + (inner.width() - totalW) / 2,
                            inner.y() + (inner.height() - totalH) / 2);
        QFont font = theme::ControlFont();
        font.setPixelSize(kCellNumberPixelSize);
        p.setFont(font);
        for (int k = 0; k < kOutputCount; ++k) {
            const int column = k % shape.columns;
            const int row = k / shape.columns;
            const QRect cell(origin.x() + column * (cellW + kPatternCellGap),
                             origin.y() + row * (cellH + kPatternCellGap), cellW, cellH);
            p.fillRect(cell, marked ? kPatternCellMarked : kPatternCell);
            p.setPen(Colour(marked ? theme::kOrange : theme::kInactive));
            p.drawRect(cell.adjusted(0, 0, -1, -1));
            if (cellH >= kCellNumberMinHeight)
                p.drawText(cell, Qt::AlignCenter, QString::number(k + 1));
        }
        QPen frame(marked ? Colour(theme::kOrange) : Colour(theme::kFrameLine),
                   marked ? kPatternMarkWidth : 1);
        frame.setJoinStyle(Qt::MiterJoin);
        p.setPen(frame);
        p.setBrush(Qt::NoBrush);
        const qreal half = frame.widthF() / 2;
        p.drawRect(QRectF(picture).adjusted(half, half, -half, -half));
    }
}

} // namespace corvane
