#pragma once

// The small button beside the port list that reads the port list again: an image button
// with a circular arrow drawn over its face (light grey, orange under the cursor).

#include "widgets/CGdipButton.h"

namespace corvane {

class CRefreshButton : public CGdipButton {
    Q_OBJECT
public:
    explicit CRefreshButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace corvane
