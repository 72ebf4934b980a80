#pragma once

// The picture command (0x000B): the brightness, contrast, gamma and colour temperature of one
// output, or of all four at once, as the picture page sends them after every committed change.
// A pure function over DeviceState; the picture page and the preset file use the same builder,
// each with its own rules for the bytes that are not in the record (7, 8, 12 and 20).
//
// Beside it the picture page's value rules that need no widget: the gains of the colour
// temperature presets, the gamma as the box shows it and as the record keeps it, and which
// output a command is for.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvane {

// What the last edit changed (byte 20 of the command).
enum PictureItem : std::uint32_t {
    kPictureBrightness = 0,
    kPictureContrast = 1,
    kPictureGamma = 2,
    kPictureColorTemp = 3, // a colour temperature preset (or " User ") was chosen
    kPictureRed = 4,
    kPictureGreen = 5,
    kPictureBlue = 6,
    kPictureReset = 0x55, // "Reset Picture Settings"
};

// Colour temperature indexes: 0..7 the presets " 4000K " .. " 11500K ", 8 the user gains.
inline constexpr std::uint32_t kUserColorTemp = 8;
inline constexpr int kColorTempPresetCount = 8;

// `gamma` of a record: tenths of the gamma, 5..50 for 0.5..5.0; 255 when gamma is off.
inline constexpr std::uint8_t kGammaOff = 255;
inline constexpr int kGammaTenthsMin = 5;
inline constexpr int kGammaTenthsMax = 50;
// What the gamma box shows while gamma is off.
inline constexpr float kGammaShownWhenOff = 1.0f;

// The value every reset item returns to (brightness, contrast, red, green, blue).
inline constexpr std::uint8_t kPictureResetValue = 128;

// The argument of the reset's WM_DEVICE_COMMAND (the command is for the output shown).
inline constexpr int kPictureResetArgument = 4;

struct ColorGains {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// The gains the processor gets for the presets 0..7.
extern const std::array<ColorGains, kColorTempPresetCount> kColorTempGains;

// The gains of colour temperature `colorTemp` for `record`: the preset's for 0..7, the record's
// own user gains for 8, none for anything else.
std::optional<ColorGains> GainsOf(std::uint32_t colorTemp, const PictureSettings& record);

// The bytes of the command that do not come from the record.
struct PictureFrameArgs {
    int output = 0;                                 // byte 6: the output whose record is sent (0..3)
    std::uint32_t allOutputs = 0;                   // byte 7 (low byte): 1 = apply to all four outputs
    bool reset = false;                             // byte 8: 1 for "Reset Picture Settings"
    std::uint32_t colorTempSel = kUserColorTemp;    // byte 12 (low byte); also picks bytes 13..15
    std::uint32_t changedItem = kPictureBrightness; // byte 20 (low byte)
};

// Command 0x000B: byte 6 the output (kept inside the table), 7 all outputs, 8 reset, 9 brightness,
// 10 contrast, 11 gamma, 12 the colour temperature, 13..15 red, green, blue (the preset's gains
// for 0..7, the record's for 8, left at 0x55 for anything else), 16..19 aux0..aux3, 20 the item
// changed, 21..37 0x55.
Frame BuildPictureFrame(const DeviceState& state, const PictureFrameArgs& args);
// The settings of one output as its record holds them, as a preset file keeps them and an undo
// sends them: not for all outputs, no reset, the record's own colour temperature, no item
// changed (byte 20 stays filler).
Frame BuildPictureRecordFrame(const DeviceState& state, int output);

// The output a picture WM_DEVICE_COMMAND's argument names: 0..3 that output, the reset's 4 the
// output shown; anything else none (nothing is sent).
std::optional<int> PictureCommandOutput(std::intptr_t argument, std::uint32_t currentOutput);

// The gamma box's value for a record's `gamma`: the gamma itself, brought to the nearest end of
// 0.5..5.0 when the processor reported a value outside it, and 1.0 while gamma is off (255).
float GammaShown(std::uint8_t gamma);

// The record's `gamma` for the box's value: tenths, rounded, kept inside 5..50 while the switch
// is on; 255 while it is off.
std::uint8_t GammaTenths(float shown, bool on);

} // namespace corvane
