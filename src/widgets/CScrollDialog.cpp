#include "widgets/CScrollDialog.h"

#include "platform/ui/MessageMap.h"
#include "widgets/Theme.h"

#include <QScrollBar>
#include <algorithm>

namespace corvane {

CScrollDialog::CScrollDialog(int dialogId, QWidget* parent) : CBaseDialog(dialogId, parent, Frame::Page) {
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_vBar = new QScrollBar(Qt::Vertical, this);
    // Dark bars with a lighter handle that turns orange under the pointer, as the rest of the
    // program's controls.
    const QString style =
        QStringLiteral("QScrollBar { background: %1; border: 1px solid %2; }"
                       "QScrollBar::handle { background: #5a5a5a; border-radius: 3px; margin: 2px; }"
                       "QScrollBar::handle:horizontal { min-width: 24px; }"
                       "QScrollBar::handle:vertical { min-height: 24px; }"
                       "QScrollBar::handle:hover { background: %3; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
            .arg(QColor::fromRgb(theme::kPanel).name(), QColor::fromRgb(theme::kFrameLine).name(),
                 QColor::fromRgb(theme::kOrange).name());
    for (QScrollBar* bar : {m_hBar, m_vBar}) {
        bar->setStyleSheet(style);
        bar->setSingleStep(1);
        bar->setFocusPolicy(Qt::NoFocus);
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar](int action) { OnBarAction(bar, action); });
    }
}

std::intptr_t CScrollDialog::WindowProc(const WindowMessage& m) {
    using Map = MessageMap<CScrollDialog, CBaseDialog>;
    static const Map map{
        Map::Message(WM_HSCROLL, &CScrollDialog::OnHScroll),
        Map::Message(WM_VSCROLL, &CScrollDialog::OnVScroll),
    };
    return map.Dispatch(*this, m);
}

void CScrollDialog::SetScrollArea(const QRect& area) {
    m_area = area;
    UpdateBars();
}

QSize CScrollDialog::ClientSize() const {
    return {std::max(0, width() - kBarSize), std::max(0, height() - kBarSize)};
}

int CScrollDialog::LargestX() const {
    return std::max(m_area.left(), m_area.left() + m_area.width() - ClientSize().width() + 1);
}

int CScrollDialog::LargestY() const {
    return std::max(m_area.top(), m_area.top() + m_area.height() - ClientSize().height() + 1);
}

int CScrollDialog::Request(std::uintptr_t request, int now, int page, int largest) const {
    switch (LowWord(request)) {
    case SB_LINEUP:
        return now - 1;
    case SB_LINEDOWN:
        return now + 1;
    case SB_PAGEUP:
        return now - page;
    case SB_PAGEDOWN:
        return now + page;
    case SB_THUMBTRACK:
        return HighWord(request);
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return largest;
    default: // thumb position, end scroll
        return now;
    }
}

std::intptr_t CScrollDialog::OnHScroll(std::uintptr_t request, std::intptr_t) {
    const int x = Request(request, m_pos.x(), ClientSize().width(), LargestX());
    ScrollTo(x, m_pos.y());
    return 0;
}

std::intptr_t CScrollDialog::OnVScroll(std::uintptr_t request, std::intptr_t) {
    const int y = Request(request, m_pos.y(), ClientSize().height(), LargestY());
    ScrollTo(m_pos.x(), y);
    return 0;
}

void CScrollDialog::ScrollTo(int x, int y) {
    x = std::clamp(x, m_area.left(), LargestX());
    y = std::clamp(y, m_area.top(), LargestY());
    const int dx = x - m_pos.x(), dy = y - m_pos.y();
    if (dx == 0 && dy == 0)
        return;
    m_pos = QPoint(x, y);
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w != m_hBar && w != m_vBar && !w->isWindow())
            w->move(w->pos() - QPoint(dx, dy));
    }
    UpdateBars();
    Scrolled();
}

void CScrollDialog::UpdateBars() {
    m_updatingBars = true;
    const QSize client = ClientSize();
    m_hBar->setRange(m_area.left(), LargestX());
    m_hBar->setPageStep(std::max(1, client.width()));
    m_hBar->setValue(m_pos.x());
    m_vBar->setRange(m_area.top(), LargestY());
    m_vBar->setPageStep(std::max(1, client.height()));
    m_vBar->setValue(m_pos.y());
    m_updatingBars = false;
}

void CScrollDialog::OnBarAction(QScrollBar* bar, int action) {
    if (m_updatingBars)
        return;
    std::uint16_t request = SB_ENDSCROLL;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        request = SB_LINEUP;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        request = SB_LINEDOWN;
        break;
    case QAbstractSlider::SliderPageStepSub:
        request = SB_PAGEUP;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        request = SB_PAGEDOWN;
        break;
    case QAbstractSlider::SliderMove:
        request = SB_THUMBTRACK;
        break;
    case QAbstractSlider::SliderToMinimum:
        request = SB_TOP;
        break;
    case QAbstractSlider::SliderToMaximum:
        request = SB_BOTTOM;
        break;
    default:
        return;
    }
    const auto position = static_cast<std::uint16_t>(std::clamp(bar->sliderPosition(), 0, 0xFFFF));
    SendWindowMessage(this, bar == m_hBar ? WM_HSCROLL : WM_VSCROLL, MakeWParam(request, position), 0);
}

void CScrollDialog::resizeEvent(QResizeEvent* event) {
    CBaseDialog::resizeEvent(event);
    m_hBar->setGeometry(0, height() - kBarSize, std::max(0, width() - kBarSize), kBarSize);
    m_vBar->setGeometry(width() - kBarSize, 0, kBarSize, std::max(0, height() - kBarSize));
    m_hBar->raise();
    m_vBar->raise();
    // A larger page may leave the position past the new largest one.
    const QPoint keep = m_pos;
    UpdateBars();
    ScrollTo(keep.x(), keep.y());
}

} // namespace corvane
