#include "device/DeviceState.h"

#include "device/OutputPicks.h"
#include "device/SystemInfo.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

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

namespace {

TEST(SystemInformation, OneLinePerComponentWithItsMark) {
    std::array<std::uint8_t, kSysInfoSize> flags{};
    flags[0] = 1;
    flags[12] = 1;
    flags[5] = 2; // only 1 means present
    const std::string text = SystemInformationText(flags);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kSysInfoSize);
    // Each name padded to 25 characters, a tab, then the mark.
    auto line = [](const std::string& name, const std::string& mark) {
        return name + std::string(25 - name.size(), ' ') + "\t: " + mark + "\n";
    };
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), line("1. SYS_DEV_Sii9777", "√ "));
    EXPECT_NE(text.find(line("6. SYS_DEV_Sii9134_2", "X")), std::string::npos);
    EXPECT_NE(text.find(line("13. SYS_DEV_wifi", "√ ")), std::string::npos);
}

TEST(OutputPicks, AnOutputThePageDidNotPickForKeepsWhatTheStateHolds) {
    DeviceState s;
    s.outputs[2].resIndex = 4;
    s.outputs[2].winX = 10;
    s.outputs[2].winW = 1900;
    s.customResolution.hActive = 2000;
    s.customResolution.tag = 7;
    OutputPicks picks;
    const OutputPick kept = PickFor(picks, s, 2);
    EXPECT_EQ(kept.row, 4);
    EXPECT_EQ(kept.winX, 10.0);
    EXPECT_EQ(kept.winW, 1900.0);
    EXPECT_EQ(kept.customWidth, 2000);
    EXPECT_EQ(kept.customTag, 7u);

    OutputPick chosen;
    chosen.row = 9;
    picks[2] = chosen;
    EXPECT_EQ(PickFor(picks, s, 2).row, 9);
    EXPECT_EQ(PickFor(picks, s, 1).row, 0);
}

TEST(OutputPicks, WindowValuesBecomeTheProcessorsFields) {
    const struct {
        double value;
        std::uint16_t field;
    } cases[] = {{-3.0, 0}, {0.0, 0}, {100.7, 100}, {65534.9, 65534}, {65535.0, 65535}, {1e12, 65535}};
    for (const auto& c : cases)
        EXPECT_EQ(WholeWindowValue(c.value), c.field) << c.value;
    EXPECT_EQ(WholeWindowValue(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace
