#include "layout/CellDeviceRect.h"

namespace corvane {

namespace {

int Trunc(float v) {
    return static_cast<int>(v);
}

} // namespace

Residual ResidualFor(const Rect& control, const Rect& device, Scale scale) {
    const float sx = static_cast<float>(scale.x);
    const float sy = static_cast<float>(scale.y);
    Residual r;
    r.left = control.left > 1 ? device.left - Trunc(static_cast<float>(control.left) * sx) : 0;
    r.top = control.top > 1 ? device.top - Trunc(static_cast<float>(control.top) * sy) : 0;
    r.width = device.Width() - Trunc(static_cast<float>(control.Width()) * sx);
    r.height = device.Height() - Trunc(static_cast<float>(control.Height()) * sy);
    return r;
}

Rect OnCanvas(const Rect& device) {
    Rect d = device.Normalized();
    if (d.left < 0)
        d = d.Offset(-d.left, 0);
    if (d.top < 0)
        d = d.Offset(0, -d.top);
    return d;
}

} // namespace corvane
