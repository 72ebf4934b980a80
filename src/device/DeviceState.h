#pragma once

// The application's picture of the processor: plain data, one instance for the whole
// run, owned by the application object. The reply dispatcher writes it from the
// processor's records; pages read it when told, write a field when the operator changes
// it and then send the matching command. Only touched on the user-interface thread
// (records are handed to that thread before they are decoded).
//
// Texts are UTF-8.

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

inline constexpr int kInputCount = 4;
inline constexpr int kOutputCount = 4;
inline constexpr int kLayerCount = 4;
inline constexpr int kEdidSlotCount = 4;
inline constexpr int kColorTempCount = 9;
inline constexpr int kResolutionCount = 10;
inline constexpr int kPresetCount = 10;
inline constexpr int kCustomResolutionRow = 9;

// linkState values.
enum LinkState : std::uint32_t { kLinkClosed = 0, kLinkOpen = 1, kLinkSynchronised = 2 };

struct InputInfo {
    std::uint8_t isCurrent = 1;
    std::string name;
    std::uint8_t signal = 0;
    std::uint16_t width = 1920;
    std::uint16_t height = 1080;
    std::uint16_t refreshX10 = 600;
};

struct ColorTempPreset {
    std::string label;
};

struct PictureSettings {
    std::uint8_t brightness = 128;
    std::uint8_t contrast = 128;
    std::uint8_t gamma = 10;
    std::uint8_t colorTemp = 0;
    std::uint8_t red = 128;
    std::uint8_t green = 128;
    std::uint8_t blue = 128;
    std::uint8_t aux0 = 10;
    std::uint8_t aux1 = 10;
    std::uint8_t aux2 = 10;
    std::uint8_t aux3 = 10;
};

struct CustomResolution {
    std::uint8_t mode = 0;
    std::uint32_t tag = 0;
    std::uint16_t hActive = 1920;
    std::uint16_t vActive = 1080;
};

struct ResolutionEntry {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t tag = 0;
    std::string label;
};

enum BlendSideIndex { kSideH1 = 0, kSideH2 = 1, kSideV1 = 2, kSideV2 = 3, kSideCount = 4 };

struct BlendSide {
    std::uint8_t enable = 0;
    std::uint8_t direction = 0;
    std::uint8_t gamma = 0;
    std::uint8_t table = 0;
    std::uint16_t start = 0;
    std::uint16_t size = 256;
};

struct OutputInfo {
    std::uint32_t canvasX = 0;
    std::uint32_t canvasY = 198;
    std::uint16_t width = 1920;
    std::uint16_t height = 1080;
    std::uint16_t winX = 0;
    std::uint16_t winY = 0;
    std::uint16_t winW = 0;
    std::uint16_t winH = 0;
    std::uint32_t resIndex = 0;
    std::uint16_t hActive = 0;
    std::uint16_t vActive = 0;
    std::uint32_t resTag = 0;
    std::array<BlendSide, kSideCount> blend{};
    std::array<std::uint8_t, 16> curve{};
};

struct LayerInfo {
    std::uint32_t source = 0;
    std::uint8_t zoomOn = 0;
    std::uint16_t zoomX = 0;
    std::uint16_t zoomY = 0;
    std::uint16_t zoomW = 1920;
    std::uint16_t zoomH = 1080;
    std::uint16_t srcW = 1920;
    std::uint16_t srcH = 1080;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t w = 960;
    std::uint32_t h = 540;
    std::uint8_t visible = 0;
};

struct CropRect {
    std::uint8_t on = 0;
    std::uint16_t hStart = 0;
    std::uint16_t vStart = 0;
    std::uint16_t hSize = 0;
    std::uint16_t vSize = 0;
    std::uint16_t hTotal = 0;
    std::uint16_t vTotal = 0;
};

struct CropState {
    std::uint8_t cropInput = 0;
    std::uint32_t frameMode = 0;
    std::uint16_t inputFpsX100 = 0;
    std::uint16_t outputFpsX100 = 0;
    // One per input: HDMI-1, HDMI-2 (group 0), DisplayPort-1, DisplayPort-2 (group 1).
    std::array<CropRect, kInputCount> rects{};
    std::uint8_t inputBackup = 0;
};

struct EdidTiming {
    std::uint16_t hBlank = 280;
    std::uint16_t vBlank = 45;
    std::uint16_t hActive = 1920;
    std::uint16_t vActive = 1080;
    std::uint16_t hSync = 44;
    std::uint16_t vSync = 4;
    std::uint16_t hFront = 148;
    std::uint16_t vFront = 4;
    std::uint16_t refreshX10 = 600;
};

struct WifiConfig {
    std::string ip;
    std::string ssid;
    std::string password;
};

struct PresetSlot {
    std::string name;
    std::string file;
};

struct DeviceState {
    DeviceState(); // every default of the processor before any reply

    std::uint32_t currentInput = 0;
    std::array<InputInfo, kInputCount> inputs;
    std::array<ColorTempPreset, kColorTempCount> colorTemps;
    std::uint32_t pictureAllOutputs = 0;
    std::array<PictureSettings, kOutputCount> picture;
    CustomResolution customResolution;
    std::array<ResolutionEntry, kResolutionCount> resolutions;
    std::array<OutputInfo, kOutputCount> outputs;
    std::array<LayerInfo, kLayerCount> layers;
    CropState crop;
    std::array<EdidTiming, kEdidSlotCount> edidTimings;
    WifiConfig wifi;
    std::array<PresetSlot, kPresetCount> presets;
    std::string verPrimary;
    std::string verSecondary;
    std::uint32_t linkState = kLinkClosed;
};

// The processor's WiFi address before it has reported its own.
inline constexpr const char* kDefaultWifiAddress = "192.168.4.1";

} // namespace corvane
