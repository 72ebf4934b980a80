#pragma once

// A page that scrolls its content: a scrolled area (set once by the owner) larger than the
// page, two scroll bars along the right and bottom edges, and the scroll position. Scroll
// requests arrive as WM_HSCROLL / WM_VSCROLL (from the bars, or sent by code, for example by
// a canvas that is dragged past the page's edge); the content - every child but the bars - is
// moved by the difference.
//
// Both bars run from 0 to the area's width or height, with a page equal to the client width or
// height (reset whenever the page is resized). Line requests move 1 pixel, page requests one
// page, thumb tracking to the track position, top and bottom to the ends; the thumb-position
// and end-scroll requests change nothing. The position stays between 0 and the largest
// position (area - page + 1).

#include "widgets/CBaseDialog.h"

#include <QRect>

class QScrollBar;

namespace corvane {

class CScrollDialog : public CBaseDialog {
    Q_OBJECT
public:
    // Width of the scroll bars.
    static constexpr int kBarSize = 14;

    CScrollDialog(int dialogId, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;

    // The area the page scrolls over, in content pixels.
    void SetScrollArea(const QRect& area);
    QRect ScrollArea() const { return m_area; }
    // Current positions.
    QPoint ScrollPosition() const { return m_pos; }
    // The part of the page the content shows in (without the bars).
    QSize ClientSize() const;
    // Scrolls to `x` / `y` (kept inside the limits), moving the content.
    void ScrollTo(int x, int y);

    QScrollBar* HorizontalBar() const { return m_hBar; }
    QScrollBar* VerticalBar() const { return m_vBar; }

protected:
    // After the position changed.
    virtual void Scrolled() {}

    void resizeEvent(QResizeEvent* event) override;

private:
    std::intptr_t OnHScroll(std::uintptr_t request, std::intptr_t);
    std::intptr_t OnVScroll(std::uintptr_t request, std::intptr_t);
    int Request(std::uintptr_t request, int now, int page, int largest) const;
    int LargestX() const;
    int LargestY() const;
    void UpdateBars();
    void OnBarAction(QScrollBar* bar, int action);

    QRect m_area;
    QPoint m_pos;
    QScrollBar* m_hBar = nullptr;
    QScrollBar* m_vBar = nullptr;
    bool m_updatingBars = false;
};

} // namespace corvane
