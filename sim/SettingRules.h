#pragma once

// What the processor accepts of a setting: an EDID timing it presents, a crop window, a
// resolution an output runs. Pure rules on the state's fields.

#include "device/DeviceState.h"

#include <cstdint>
#include <optional>

namespace corvane::sim {

// The built-in EDID timing of every input, which an EDID command of mode 0 returns to:
// 3840 x 2160 at 60 Hz.
inline constexpr EdidTiming kBuiltInEdid{160, 62, 3840, 2160, 32, 5, 48, 3, 600};

// The timing an input presents after the EDID command `frame` (byte 7: 0 the built-in timing, 1
// the active size and frame rate of bytes 8..13 with the blanking kept, 2 the whole timing); none
// when the processor refuses it: another mode, a value outside its bounds, or a pixel rate above
// 594 MHz.
std::optional<EdidTiming> EdidAfter(const EdidTiming& current, const std::uint8_t* frame);

// A crop window the processor can use: not empty, inside the picture the record describes.
bool CropFits(const CropRect& r);

// The resolutions an output can run: a row of its list (the last one the custom timing) and
// an active picture of at most 2304000 pixels.
inline constexpr std::uint8_t kLastResolutionRow = kResolutionCount - 1;
inline constexpr std::uint32_t kMaxOutputPixels = 2304000;

// A resolution as the output commands carry it: the row, then the active width and height
// (16 bits each), then the rate flag or the row's tag. 0x0009 has it at byte 25, 0x000D at 7.
struct Resolution {
    std::uint8_t row = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t tag = 0;
};

Resolution ReadResolution(const std::uint8_t* p);
bool CanRun(const Resolution& r);
// The output runs `r` already.
bool Runs(const OutputInfo& o, const Resolution& r);
void TakeResolution(OutputInfo& o, const Resolution& r);

} // namespace corvane::sim
