#include "StateText.h"

#include <sstream>

namespace corvane::linktool {

std::string DescribeState(const DeviceState& s) {
    std::ostringstream t;
    t << "versions primary=" << s.verPrimary << " secondary=" << s.verSecondary << "\n";
    t << "input current=" << s.currentInput << "\n";
    for (int i = 0; i < kLayerCount; ++i) {
        const LayerInfo& l = s.layers[i];
        t << "layer " << i << " source=" << l.source << " x=" << l.x << " y=" << l.y << " w=" << l.w
          << " h=" << l.h << " visible=" << int(l.visible) << " zoom=" << int(l.zoomOn) << "\n";
    }
    for (int i = 0; i < kOutputCount; ++i) {
        const OutputInfo& o = s.outputs[i];
        t << "output " << i << " x=" << o.canvasX << " y=" << o.canvasY << " width=" << o.width
          << " height=" << o.height << " window=" << o.winX << "," << o.winY << "," << o.winW << "," << o.winH
          << " res=" << o.resIndex << " active=" << o.hActive << "x" << o.vActive << " tag=" << o.resTag
          << "\n";
    }
    for (int i = 0; i < kOutputCount; ++i) {
        const PictureSettings& p = s.picture[i];
        t << "picture " << i << " brightness=" << int(p.brightness) << " contrast=" << int(p.contrast)
          << " gamma=" << int(p.gamma) << " colortemp=" << int(p.colorTemp) << " gains=" << int(p.red) << ","
          << int(p.green) << "," << int(p.blue) << "\n";
    }
    for (int i = 0; i < kInputCount; ++i) {
        const CropRect& c = s.crop.rects[i];
        t << "crop " << i << " on=" << int(c.on) << " start=" << c.hStart << "," << c.vStart
          << " size=" << c.hSize << "x" << c.vSize << " total=" << c.hTotal << "x" << c.vTotal << "\n";
    }
    for (int i = 0; i < kEdidSlotCount; ++i) {
        const EdidTiming& e = s.edidTimings[i];
        t << "edid " << i << " active=" << e.hActive << "x" << e.vActive << " fps-x10=" << e.refreshX10
          << " blank=" << e.hBlank << "," << e.vBlank << " sync=" << e.hSync << "," << e.vSync
          << " front=" << e.hFront << "," << e.vFront << "\n";
    }
    t << "frame mode=" << s.crop.frameMode << " input-fps=" << s.crop.inputFpsX100
      << " output-fps=" << s.crop.outputFpsX100 << " backup=" << int(s.crop.inputBackup) << "\n";
    t << "wifi ssid=" << s.wifi.ssid << " ip=" << s.wifi.ip << "\n";
    return t.str();
}

} // namespace corvane::linktool
