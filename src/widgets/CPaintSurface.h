#pragma once

// A surface a page paints on above its other controls (a preview, pictures inside a group
// box), so that the controls' frames and shading do not cover what the page draws. It paints
// with the page's painting function in the page's coordinates and lets the mouse through to
// whatever lies below it.

#include <QWidget>
#include <functional>

class QPainter;

namespace corvane {

class CPaintSurface : public QWidget {
    Q_OBJECT
public:
    // `paint` draws in `parent`'s coordinates; the surface shows the part it covers.
    CPaintSurface(QWidget* parent, std::function<void(QPainter&)> paint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> m_paint;
};

} // namespace corvane
