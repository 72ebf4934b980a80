#pragma once

// What every drawing of the image generator shares: the theme's colours, the output folder
// and the count of images that could not be written, and the helpers that make an image.
//
// Theme: dark greys, orange RGB(239,156,0) for what is active, light grey RGB(235,235,235).

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>

namespace corvane::imagegen {

inline const QColor kOrange(239, 156, 0);
inline const QColor kOrangeLight(255, 190, 64);
inline const QColor kOrangeDark(170, 104, 0);
inline const QColor kLight(235, 235, 235);
inline const QColor kBase(16, 16, 16);
inline const QColor kPanel(46, 46, 46);

// The folder the images are written to, and how many could not be written (or checked).
extern QString g_dir;
extern int g_failures;

// A transparent image of w x h pixels.
QImage NewImage(int w, int h);
// Writes `image` as <g_dir>/<name> (PNG); a failure is reported and counted.
void Save(const QImage& image, const QString& name);
// Draws a w x h image (antialiased) with `draw` and saves it as `name`.
void Draw(int w, int h, const QString& name, const std::function<void(QPainter&, QRectF)>& draw);
// `a` blended towards `b` by t (0..1), alpha included.
QColor Mix(const QColor& a, const QColor& b, double t);
QColor Alpha(QColor c, int alpha);

} // namespace corvane::imagegen
