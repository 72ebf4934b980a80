#pragma once

// The device rectangle of a canvas cell, without windows: where a rectangle lies on the
// processor's canvas, and the residues that let a control rectangle convert back to it.

#include "layout/CanvasGeometry.h"

namespace corvane {

// The residues with which `control` converts back to exactly `device`.
Residual ResidualFor(const Rect& control, const Rect& device, Scale scale);

// Left and top not below 0: a rectangle that would start left of (above) the canvas is
// shifted onto it with its size kept.
Rect OnCanvas(const Rect& device);

} // namespace corvane
