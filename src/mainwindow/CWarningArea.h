#pragma once

// The frame-rate warning in the column of the main window: while the processor reports that
// the output may not follow the input's frame rate (acknowledgement 8), it shows "Output
// synchronization issue may occur because of input FPS difference!" and a click on it is
// reported (the main window shows the frame sync page). Paints only the link's status flag.

#include <QWidget>

namespace corvane {

struct LinkMembers;

class CWarningArea : public QWidget {
    Q_OBJECT
public:
    CWarningArea(const LinkMembers& link, QWidget* parent);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const LinkMembers& m_link;
};

} // namespace corvane
