#include "layout/LayerFrames.h"

#include "link/ByteOrder.h"

namespace corvane {

Frame BuildLayerFrame(const DeviceState& state, int layer) {
    const int n = layer & 3;
    const LayerInfo& l = state.layers[static_cast<std::size_t>(n)];
    Frame f = StartFrame(kCmdLayer);
    f[6] = static_cast<std::uint8_t>(n);
    f[7] = static_cast<std::uint8_t>(state.currentInput);
    f[8] = l.zoomOn;
    PutLE16(&f[9], l.zoomX);
    PutLE16(&f[11], l.zoomY);
    PutLE16(&f[13], l.zoomW);
    PutLE16(&f[15], l.zoomH);
    PutLE16(&f[17], l.srcW);
    PutLE16(&f[19], l.srcH);
    PutLE24(&f[21], l.x);
    PutLE24(&f[24], l.y);
    PutLE24(&f[27], l.w);
    PutLE24(&f[30], l.h);
    f[33] = l.visible;
    SealFrame(f);
    return f;
}

} // namespace corvane
