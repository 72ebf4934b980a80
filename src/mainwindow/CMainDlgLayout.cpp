#include "mainwindow/CInputBoxes.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/CStatusArea.h"
#include "mainwindow/CWarningArea.h"
#include "pages/CPage.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"
#include "widgets/Theme.h"

#include <QPainter>
#include <algorithm>

namespace corvane {

namespace {

constexpr int kColumnWidth = 110;
constexpr int kTopBand = 96;
constexpr int kPageLeft = 112;
constexpr int kPageTop = 94;
constexpr int kPageWidth = 320;
constexpr int kTabTop = 64;
constexpr int kTabWidth = 98;
constexpr int kTabHeight = 28;

} // namespace

// ---- the layout of the window: the column, the top band, the pages beside the canvas

void CMainDlg::resizeEvent(QResizeEvent* event) {
    CBaseDialog::resizeEvent(event);
    LayOut();
}

void CMainDlg::LayOut() {
    const int W = width(), H = height();
    const int statusWidth = std::min(360, W / 4);
    if (m_inputs)
        m_inputs->setGeometry(kPageLeft, 6, W - statusWidth - 24 - kPageLeft, 52);
    for (int i = 0; i < kPageCount; ++i)
        if (CGdipButton* tab = m_tabs[static_cast<std::size_t>(i)])
            tab->setGeometry(kPageLeft + i * (kTabWidth + 2), kTabTop, kTabWidth, kTabHeight);
    const QRect statusRect(W - statusWidth - 12, 6, statusWidth, 52);
    if (m_status)
        m_status->setGeometry(statusRect);
    if (auto* label = Control<QWidget>(kStatusLabelId))
        label->setGeometry(statusRect.left() + 12, statusRect.top() + 8, 150, 20);
    if (m_warning)
        m_warning->setGeometry(4, H - 190, kColumnWidth - 8, 140);
    for (const PageSet::Entry& e : m_pages.Entries()) {
        if (e.row->placement == PagePlace::Tab) {
            e.page->setGeometry(kPageLeft, kPageTop, kPageWidth, H - kPageTop);
        } else if (e.row->placement == PagePlace::Canvas) {
            const int left = m_currentPage < 0 ? kColumnWidth : kPageLeft + kPageWidth;
            e.page->setGeometry(QRect(QPoint(left, kTopBand), QPoint(W - 24, H - 45)));
        }
    }
    update();
}

bool CMainDlg::ShowBlendPage(bool show) {
    CBaseDialog* page = m_pages.Find(Window::FusePage);
    // A page of its template only has nothing to show yet.
    if (!page || qobject_cast<CPage*>(page))
        return false;
    if (!show) {
        page->ShowPage(false);
        return false;
    }
    // Beside the page column, over the canvas, so that the output page stays in view.
    page->move(mapToGlobal(QPoint(kPageLeft + kPageWidth, kTopBand)));
    page->ShowPage(true);
    page->raise();
    return true;
}

void CMainDlg::paintEvent(QPaintEvent* event) {
    CBaseDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The column and the top band on the panel colour.
    p.fillRect(QRect(0, 0, kColumnWidth, height()), QColor::fromRgb(theme::kPanel));
    p.fillRect(QRect(kColumnWidth, 0, width() - kColumnWidth, kTopBand - 36), QColor::fromRgb(theme::kPanel));
    p.setPen(QColor::fromRgb(theme::kFrameLine));
    p.drawLine(kColumnWidth - 1, 0, kColumnWidth - 1, height());
}

} // namespace corvane
