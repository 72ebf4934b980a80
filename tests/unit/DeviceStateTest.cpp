#include "device/DeviceState.h"

#include "device/OutputPicks.h"
#include "device/SystemInfo.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

using namespace corvane;

TEST(DeviceState, DefaultsBeforeAnyReply) {
    const DeviceState s;
    const char* names[] = {"HDMI-1", "HDMI-2", "DisplayPort-1", "DisplayPort-2"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const InputInfo& in = s.inputs[i];
        EXPECT_EQ(std::tie(in.name, in.isCurrent, in.signal, in.width, in.height, in.refreshX10),
                  std::tuple(names[i], 1, 0, 1920, 1080, 600));
        // Layers in a 2 x 2 arrangement of 960 x 540 windows from (125, 198), all off.
        const LayerInfo& l = s.layers[i];
        EXPECT_EQ(std::tie(l.x, l.y, l.w, l.h, l.visible, l.zoomW),
                  std::tuple(125u + 960u * (i % 2), 198u + 540u * (i / 2), 960u, 540u, 0, 1920));
        EXPECT_EQ(std::tie(s.outputs[i].canvasX, s.outputs[i].canvasY), std::tuple(125u + 1920u * i, 198u));
        EXPECT_EQ(std::tie(s.picture[i].gamma, s.picture[i].aux3, s.edidTimings[i].hBlank,
                           s.edidTimings[i].refreshX10),
                  std::tuple(10, 10, 280, 600));
    }
    EXPECT_EQ(std::tie(s.linkState, s.verPrimary, s.verSecondary, s.wifi.ssid, s.wifi.password),
              std::tuple(0u, "00", "0000", "QLW_Z3_0", "58204173"));
    EXPECT_FALSE(s.wifi.ip.empty());
    EXPECT_EQ(std::tie(s.customResolution.hActive, s.customResolution.vActive), std::tuple(1920, 1080));
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
    EXPECT_EQ(std::tie(b[kSideH1].direction, b[kSideH2].direction, b[kSideH2].gamma, b[kSideV1].gamma,
                       b[kSideH2].start, b[kSideV2].start, b[kSideV2].size),
              std::tuple(1, 0, 10, 22, 1664, 824, 256));
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
    EXPECT_EQ(std::tie(kept.row, kept.winX, kept.winW, kept.customWidth, kept.customTag),
              std::tuple(4, 10.0, 1900.0, 2000, 7u));

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
