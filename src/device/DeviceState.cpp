#include "device/DeviceState.h"

#include <cstdio>

namespace corvane {

namespace {

constexpr const char* kInputNames[kInputCount] = {"HDMI-1", "HDMI-2", "DisplayPort-1", "DisplayPort-2"};

constexpr const char* kColorTempLabels[kColorTempCount] = {
    " 4000K ", " 5000K ", " 6500K ", " 7500K ", " 8200K ", " 9300K ", " 10000K ", " 11500K ", " User "};

struct ResolutionRow {
    std::uint16_t width;
    std::uint16_t height;
    const char* label;
};

// The labels are padded so that their "60Hz" columns line up.
constexpr ResolutionRow kResolutionRows[kResolutionCount] = {
    {1920, 1080, "1920 x 1080     60Hz"}, {1024, 768, "1024 x 768       60Hz"},
    {1366, 768, "1366 x 768       60Hz"}, {1440, 900, "1440 x 900       60Hz"},
    {1280, 1024, "1280 x 1024     60Hz"}, {1680, 1050, "1680 x 1050     60Hz"},
    {1600, 1200, "1600 x 1200     60Hz"}, {2560, 816, "2560 x 816       60Hz"},
    {1440, 1440, "1440 x 1440     60Hz"}, {1024, 768, "Customized  Resolution"},
};

// Blend side defaults, in the order H1, H2, V1, V2.
constexpr std::uint8_t kBlendDirection[kSideCount] = {1, 0, 1, 0};
constexpr std::uint8_t kBlendGamma[kSideCount] = {22, 10, 22, 22};
constexpr std::uint16_t kBlendStart[kSideCount] = {0, 1664, 0, 824};

// User blend tables 1..3: P1 (64, 192), P2 (64, 192); table 4 all zero.
constexpr std::uint8_t kDefaultCurve[16] = {64, 192, 64, 192, 64, 192, 64, 192, 64, 192, 64, 192, 0, 0, 0, 0};

} // namespace

DeviceState::DeviceState() {
    for (int i = 0; i < kInputCount; ++i)
        inputs[i].name = kInputNames[i];
    for (int i = 0; i < kColorTempCount; ++i)
        colorTemps[i].label = kColorTempLabels[i];
    for (int i = 0; i < kResolutionCount; ++i) {
        resolutions[i].width = kResolutionRows[i].width;
        resolutions[i].height = kResolutionRows[i].height;
        resolutions[i].tag = 0;
        resolutions[i].label = kResolutionRows[i].label;
    }
    for (int i = 0; i < kOutputCount; ++i) {
        OutputInfo& o = outputs[i];
        o.canvasX = 125 + 1920u * static_cast<std::uint32_t>(i);
        o.canvasY = 198;
        for (int s = 0; s < kSideCount; ++s) {
            o.blend[s].enable = 0;
            o.blend[s].direction = kBlendDirection[s];
            o.blend[s].gamma = kBlendGamma[s];
            o.blend[s].table = 0;
            o.blend[s].start = kBlendStart[s];
            o.blend[s].size = 256;
        }
        for (int b = 0; b < 16; ++b)
            o.curve[b] = kDefaultCurve[b];
    }
    for (int i = 0; i < kLayerCount; ++i) {
        layers[i].x = 125 + 960u * static_cast<std::uint32_t>(i % 2);
        layers[i].y = 198 + 540u * static_cast<std::uint32_t>(i / 2);
    }
    wifi.ip = kDefaultWifiAddress;
    wifi.ssid = "QLW_Z3_0";
    wifi.password = "58204173";
    for (int i = 0; i < kPresetCount; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "Preset %d", i + 1);
        presets[i].name = text;
        std::snprintf(text, sizeof text, "P%02d.bin", i + 1);
        presets[i].file = text;
    }
    verPrimary = "00";
    verSecondary = "0000";
}

} // namespace corvane
