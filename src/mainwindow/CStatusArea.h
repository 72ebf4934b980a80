#pragma once

// The status area of the main window: the frame around "Connection Status:", the link lamp
// and the port in use. It only paints the link session's state: the lamp is green while the
// processor is connected; otherwise it blinks, each drawing flipping between a red square with
// both diagonals and nothing, and drawing itself again 300 ms later. A click asks for the
// connection dialog, a double click for the system information (signals; the main window acts).

#include <QWidget>

class QTimer;

namespace corvane {

struct DeviceState;
struct LinkMembers;

class CStatusArea : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLampSize = 16;

    CStatusArea(const DeviceState& state, const LinkMembers& link, QWidget* parent);

    // Where the lamp is drawn (this widget's coordinates), right of the label's room.
    QRect LampRect() const;
    // True while the unconnected lamp is in its red phase.
    bool RedPhase() const { return m_red; }
    // The port text beside the lamp; empty while no port is open.
    QString PortText() const;
    // The width the label "Connection Status:" takes before the lamp.
    void SetLabelWidth(int width);

signals:
    void clicked();
    void doubleClicked();
    // The lamp was drawn again after its blink period (the connection dialog's lamp follows).
    void blinked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const DeviceState& m_state;
    const LinkMembers& m_link;
    QTimer* m_blink = nullptr;
    int m_labelWidth = 150;
    bool m_red = false;
};

} // namespace corvane
