#pragma once

// What the layout pages' sources share when they read their value boxes and colour their
// buttons.

#include "widgets/ValueEdit.h"

#include <QColor>

namespace corvane {

// The whole number a value box holds (the boxes take digits only).
inline int BoxInt(const oRealEdit* box) {
    return static_cast<int>(box->GetValue());
}

// A theme colour (0xAARRGGBB).
inline QColor Colour(QRgb rgb) {
    return QColor::fromRgba(rgb);
}

} // namespace corvane
