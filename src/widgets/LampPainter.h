#pragma once

// The link lamp, as the status area and the connection dialog draw it: green while the
// processor is connected; while it is not, the lamp blinks between a red square with both
// diagonals and nothing. The caller keeps the blinking (which phase, when to draw again).

#include <QRect>

class QPainter;

namespace corvane {

enum class LampPhase { Green, Red, Dark };

// Framed: the status area's lamp, a green square with a dark green edge and a red square
// filled with a light red, drawn on the rectangle's edge. Plain: the connection dialog's, a
// filled green square and an unfilled red one drawn just inside the rectangle.
enum class LampStyle { Framed, Plain };

// Paints the lamp into `rect`; the painter's state is as it was afterwards.
void PaintLamp(QPainter& p, const QRect& rect, LampPhase phase, LampStyle style);

} // namespace corvane
