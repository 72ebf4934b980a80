#include "device/DeviceState.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(DeviceState, DefaultsBeforeAnyReply) {
    const DeviceState s;
    const char* names[] = {"HDMI-1", "HDMI-2", "DisplayPort-1", "DisplayPort-2"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.inputs[i].name, names[i]);
        EXPECT_EQ(s.inputs[i].isCurrent, 1);
        EXPECT_EQ(s.inputs[i].signal, 0);
        EXPECT_EQ(s.inputs[i].width, 1920);
        EXPECT_EQ(s.inputs[i].height, 1080);
        EXPECT_EQ(s.inputs[i].refreshX10, 600);
        // Layers in a 2 x 2 arrangement of 960 x 540 windows from (125, 198), all off.
        EXPECT_EQ(s.layers[i].x, 125u + 960u * (i % 2));
        EXPECT_EQ(s.layers[i].y, 198u + 540u * (i / 2));
        EXPECT_EQ(s.layers[i].w, 960u);
        EXPECT_EQ(s.layers[i].h, 540u);
        EXPECT_EQ(s.layers[i].visible, 0);
        EXPECT_EQ(s.layers[i].zoomW, 1920);
        EXPECT_EQ(s.outputs[i].canvasX, 125u + 1920u * i);
        EXPECT_EQ(s.outputs[i].canvasY, 198u);
        EXPECT_EQ(s.picture[i].gamma, 10);
        EXPECT_EQ(s.picture[i].aux3, 10);
        EXPECT_EQ(s.edidTimings[i].hBlank, 280);
        EXPECT_EQ(s.edidTimings[i].refreshX10, 600);
    }
    EXPECT_EQ(s.linkState, 0u);
    EXPECT_EQ(s.verPrimary, "00");
    EXPECT_EQ(s.verSecondary, "0000");
    EXPECT_EQ(s.wifi.ssid, "QLW_Z3_0");
    EXPECT_EQ(s.wifi.password, "58204173");
    EXPECT_FALSE(s.wifi.ip.empty());
    EXPECT_EQ(s.customResolution.hActive, 1920);
    EXPECT_EQ(s.customResolution.vActive, 1080);
}

TEST(DeviceState, LabelsAndTablesAsQuoted) {
    const DeviceState s;
    EXPECT_EQ(s.colorTemps[0].label, " 4000K ");
    EXPECT_EQ(s.colorTemps[6].label, " 10000K ");
    EXPECT_EQ(s.colorTemps[8].label, " User ");
    EXPECT_EQ(s.resolutions[0].label, "1920 x 1080     60Hz");
    EXPECT_EQ(s.resolutions[1].label, "1024 x 768       60Hz");
    EXPECT_EQ(s.resolutions[7].width, 2560);
    EXPECT_EQ(s.resolutions[7].height, 816);
    EXPECT_EQ(s.resolutions[9].label, "Customized  Resolution");
    EXPECT_EQ(s.presets[0].name, "Preset 1");
    EXPECT_EQ(s.presets[9].name, "Preset 10");
    EXPECT_EQ(s.presets[0].file, "P01.bin");
    EXPECT_EQ(s.presets[9].file, "P10.bin");

    const BlendSide* b = s.outputs[2].blend.data();
    EXPECT_EQ(b[kSideH1].direction, 1);
    EXPECT_EQ(b[kSideH2].direction, 0);
    EXPECT_EQ(b[kSideH2].gamma, 10);
    EXPECT_EQ(b[kSideV1].gamma, 22);
    EXPECT_EQ(b[kSideH2].start, 1664);
    EXPECT_EQ(b[kSideV2].start, 824);
    EXPECT_EQ(b[kSideV2].size, 256);
    const std::array<std::uint8_t, 16> curve = {64, 192, 64, 192, 64, 192, 64, 192,
                                                64, 192, 64, 192, 0,  0,   0,  0};
    EXPECT_EQ(s.outputs[3].curve, curve);
}
