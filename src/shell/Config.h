#pragma once

// The application's own settings in "Config.ini" (the "Ini" folder beside the executable):
// the serial-port settings, the names of the ten preset slots, the switch of the upgrade
// page's read-back button and the colours of the four layers on the layout canvas. The
// language name in the same file belongs to the language code (Language.h). The section
// "Control" switches on the local control interface (off unless Enabled=1): Address, Port,
// Token, RatePerSecond, AllowedOrigins and ConnectionsPerClient; it is only read, never
// written, so the operator's file keeps it as typed.
//
// Every value is decimal text read the way C's atoi reads it: text that is not a number
// reads as 0, and a key that is missing or empty reads as 0.

#include "control/ControlAccess.h"
#include "device/DeviceState.h"
#include "device/LinkSession.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

struct LayerColor {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0; // only the low 8 bits of each are used
};

// The values as the program starts, which are also what a new Config.ini is given.
struct Config {
    std::uint32_t comPortNum = 1;
    std::uint32_t comBaudRate = 115200;
    std::uint32_t comByteSize = 8;
    std::uint32_t comStopBits = 1;
    std::uint32_t comParity = 0; // stored only: the port is always opened without parity
    std::uint32_t showUpgradeLoadBtn = 0;
    std::array<LayerColor, kLayerCount> layerColors{
        {{32, 178, 170}, {128, 128, 128}, {128, 128, 200}, {128, 128, 100}}};
    control::ControlSettings control;
};

using PresetSlots = std::array<PresetSlot, kPresetCount>;

// Creates the file from `config` and the slots' names when it does not exist, then reads
// every key: the numbers into `config` (a missing key reads as 0, so a file without the
// "LAYERCLR" section gives black layers), a non-empty name into its slot. When the file
// can neither be created nor read, nothing is changed and the result is false.
bool LoadConfig(const std::string& path, Config& config, PresetSlots& presets);

// Writes the "ComSet" keys and the ten preset names, leaving every other line as it is.
// False when the file could not be written (the old one then stays).
bool SaveConfig(const std::string& path, const Config& config, const PresetSlots& presets);

// C's atoi on a text: leading blanks, an optional sign, then digits up to the first other
// character; 0 when there are none. Values beyond the range of a 32-bit int are clamped to
// it.
std::int32_t TextToInt(std::string_view text);

// The data and stop bits a port is opened with: the stored ones, or 8 and 1 where the file
// holds values no port takes (5 to 8 data bits, 1 or 2 stop bits). A Config.ini made by hand,
// with only its Control section, reads them as 0, and then no port could ever be opened.
LineSettings PortLineSettings(const Config& config);

} // namespace corvane
