#pragma once

// A group box in the application's colours: a thin grey frame with the caption in orange.

#include <QColor>
#include <QGroupBox>

namespace corvane {

class CGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CGroupBox(QWidget* parent = nullptr);

    // Fills the inside of the frame (the wait overlay's panel); none by default.
    void SetFill(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
};

} // namespace corvane
