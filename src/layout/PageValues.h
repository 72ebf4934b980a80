#pragma once

// What the layout pages' sources share when they colour their buttons (their value boxes are
// read with BoxInt of widgets/ValueEdit.h).

#include "widgets/ValueEdit.h"

#include <QColor>

namespace corvane {

// A theme colour (0xAARRGGBB).
inline QColor Colour(QRgb rgb) {
    return QColor::fromRgba(rgb);
}

} // namespace corvane
