#include "SimModelFixture.h"

#include <cstdio>
#include <tuple>

namespace corvane::sim::modeltest {

std::vector<std::string> Kinds(const std::vector<Outgoing>& out) {
    std::vector<std::string> kinds;
    for (const Outgoing& o : out) {
        char t[32];
        if (o.bytes.size() != kFrameSize)
            std::snprintf(t, sizeof t, "block");
        else if (FrameCode(o.bytes.data()) == 0xAE)
            std::snprintf(t, sizeof t, "ack%d/%d", o.bytes[6], o.bytes[7]);
        else
            std::snprintf(t, sizeof t, "%04X", FrameCode(o.bytes.data()));
        kinds.push_back(t);
    }
    return kinds;
}

void Model::Deliver(const std::vector<Outgoing>& out) {
    for (const Outgoing& o : out)
        if (o.bytes.size() == kFrameSize)
            dispatcher.OnDeviceRecord(o.bytes.data());
}

void ExpectSameState(const DeviceState& a, const DeviceState& b) {
    EXPECT_EQ(a.currentInput, b.currentInput);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.inputs[i].isCurrent, b.inputs[i].isCurrent);
        EXPECT_EQ(a.inputs[i].signal, b.inputs[i].signal);
        const LayerInfo &la = a.layers[i], &lb = b.layers[i];
        EXPECT_EQ(std::tie(la.source, la.zoomOn, la.zoomX, la.zoomY, la.zoomW, la.zoomH, la.srcW, la.srcH,
                           la.x, la.y, la.w, la.h, la.visible),
                  std::tie(lb.source, lb.zoomOn, lb.zoomX, lb.zoomY, lb.zoomW, lb.zoomH, lb.srcW, lb.srcH,
                           lb.x, lb.y, lb.w, lb.h, lb.visible));
        const OutputInfo &oa = a.outputs[i], &ob = b.outputs[i];
        EXPECT_EQ(std::tie(oa.canvasX, oa.canvasY, oa.width, oa.height, oa.winX, oa.winY, oa.winW, oa.winH,
                           oa.resIndex, oa.hActive, oa.vActive, oa.resTag, oa.curve),
                  std::tie(ob.canvasX, ob.canvasY, ob.width, ob.height, ob.winX, ob.winY, ob.winW, ob.winH,
                           ob.resIndex, ob.hActive, ob.vActive, ob.resTag, ob.curve));
        for (int s = 0; s < 4; ++s) {
            const BlendSide &ba = oa.blend[s], &bb = ob.blend[s];
            EXPECT_EQ(std::tie(ba.enable, ba.direction, ba.gamma, ba.table, ba.start, ba.size),
                      std::tie(bb.enable, bb.direction, bb.gamma, bb.table, bb.start, bb.size));
        }
        const PictureSettings &pa = a.picture[i], &pb = b.picture[i];
        EXPECT_EQ(std::tie(pa.brightness, pa.contrast, pa.gamma, pa.colorTemp, pa.red, pa.green, pa.blue,
                           pa.aux0, pa.aux3),
                  std::tie(pb.brightness, pb.contrast, pb.gamma, pb.colorTemp, pb.red, pb.green, pb.blue,
                           pb.aux0, pb.aux3));
        const EdidTiming &ea = a.edidTimings[i], &eb = b.edidTimings[i];
        EXPECT_EQ(std::tie(ea.hBlank, ea.vBlank, ea.hActive, ea.vActive, ea.hSync, ea.vSync, ea.hFront,
                           ea.vFront, ea.refreshX10),
                  std::tie(eb.hBlank, eb.vBlank, eb.hActive, eb.vActive, eb.hSync, eb.vSync, eb.hFront,
                           eb.vFront, eb.refreshX10));
        const CropRect &ca = a.crop.rects[i], &cb = b.crop.rects[i];
        EXPECT_EQ(std::tie(ca.on, ca.hStart, ca.vStart, ca.hSize, ca.vSize, ca.hTotal, ca.vTotal),
                  std::tie(cb.on, cb.hStart, cb.vStart, cb.hSize, cb.vSize, cb.hTotal, cb.vTotal));
    }
    EXPECT_EQ(a.crop.frameMode, b.crop.frameMode);
    EXPECT_EQ(a.crop.inputBackup, b.crop.inputBackup);
    EXPECT_EQ(a.crop.inputFpsX100, b.crop.inputFpsX100);
    EXPECT_EQ(a.wifi.ssid, b.wifi.ssid);
    EXPECT_EQ(a.wifi.password, b.wifi.password);
    EXPECT_EQ(a.wifi.ip, b.wifi.ip);
}

} // namespace corvane::sim::modeltest
