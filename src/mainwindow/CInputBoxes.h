#pragma once

// The four input boxes along the top of the main window, in the order HDMI-1, HDMI-2,
// DisplayPort-1, DisplayPort-2. Each paints its input from DeviceState: an icon by signal and
// whether it is the current input, the name, and "%dx%d %dHz" while it has a signal. A click on
// a box is reported (the main window asks and changes the input).

#include <QWidget>

namespace corvane {

struct DeviceState;

class CInputBoxes : public QWidget {
    Q_OBJECT
public:
    static constexpr int kGap = 6;

    CInputBoxes(const DeviceState& state, QWidget* parent);

    // Box `input` in this widget's coordinates.
    QRect BoxRect(int input) const;
    // The resolution line of box `input`; empty without a signal.
    static QString ResolutionText(const DeviceState& state, int input);

signals:
    void inputClicked(int input);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const DeviceState& m_state;
};

} // namespace corvane
