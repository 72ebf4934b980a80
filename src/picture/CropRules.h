#pragma once

// The crop page's rules without widgets: the limits of the four crop boxes against the size of
// the input picture, the switches of the page, the reset to the whole picture, the switch-off
// before an input change and the preview's outline.
//
// A crop window always stays inside the input picture when the processor has reported the
// picture's size (its totals): the limits never subtract into negative numbers, so a total
// below the window's size (a picture that became smaller, a total of 0) never wraps a 16-bit
// field into a huge start. A total of 0 means the size is not known yet: then only the boxes'
// own limits hold.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <optional>

namespace corvane {

// The boxes' ranges.
inline constexpr int kCropStartMax = 9999;
inline constexpr int kCropSizeMin = 32;
inline constexpr int kCropSizeMax = 9999;

// The preview: a box of this many pixels stands for the whole input picture.
inline constexpr int kCropPreviewWidth = 130;
inline constexpr int kCropPreviewHeight = 100;

enum class CropField { HStart, VStart, Width, Height };

// A crop window as the boxes show it.
struct CropWindow {
    int hStart = 0;
    int vStart = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const CropWindow&, const CropWindow&) = default;
};

CropWindow WindowOf(const CropRect& rect);
// Writes the window into the rectangle (the totals and the switch stay).
void StoreWindow(CropRect& rect, const CropWindow& window);

// The window after the operator committed `field` with the boxes showing `boxes`: every value
// within its box's range; then, along each direction whose total is known (not 0), the window
// inside the picture. A typed start stays as far as it can, and the size gives way only when
// the picture is narrower than the window. A typed size ends at the picture's edge when the
// start leaves room for the smallest window there; otherwise (the start lies in the last
// kCropSizeMin pixels or past the picture) the start gives way to the typed size. Along the
// other direction the size stays and the start gives way. A picture smaller than the smallest
// window (a total of 1 to 31) is cropped to the whole picture.
CropWindow LimitCropWindow(CropField field, const CropWindow& boxes, int hTotal, int vTotal);

// The same limits for a window no one typed (a record about to be sent): the sizes stay as far
// as the picture allows, the starts give way.
CropWindow FitCropWindow(const CropWindow& window, int hTotal, int vTotal);

// A crop command may be sent for `input`: the processor is synchronised, `input` is one of the
// four and has a signal.
bool CropCommandAllowed(const DeviceState& state, int input);

// The first layer (0..3) that zooms, -1 when none does: a crop is not switched on over it.
int FirstZoomedLayer(const DeviceState& state);

// The page's controls for the input it shows (`pageInput`) with the switch state `on`.
struct CropControls {
    bool switchEnabled = false;
    bool editEnabled = false; // the four boxes and Reset
    // The page's switch state becomes `on` and the switch shows `switchShows`; otherwise both
    // stay as they are (the input shown is not the current one).
    bool setsSwitch = false;
    bool switchShows = false;
    friend bool operator==(const CropControls&, const CropControls&) = default;
};
CropControls CropEnabling(const DeviceState& state, int pageInput, bool on);

// Reset to the whole picture of the input's signal: start 0, 0, the size and the totals those of
// the signal (the size within its box). False, and nothing changed, without a signal or for a
// signal without a size.
bool ResetCropToSignal(DeviceState& state, int input);

// Before the current input changes from `previous`: with a synchronised processor, a crop of
// `previous` that is on is switched off and the command that tells the processor is returned
// (whatever the input's signal). Nothing for an input outside 0..3.
std::optional<Frame> CropOffFrame(DeviceState& state, int previous);

// The crop command the page sends for `input` with `argument` (kCropSet or kCropReset), the
// window first fitted into the picture (the record takes the fitted window); nothing unless
// CropCommandAllowed.
std::optional<Frame> CropCommand(DeviceState& state, int input, std::uint8_t argument);

// The outline of `window` in the preview box, in box pixels: each edge is the window's edge
// divided by total / box size (by 1 for a total of 0), rounded to the nearest pixel and kept
// inside the box.
struct CropOutline {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const CropOutline&, const CropOutline&) = default;
};
CropOutline CropPreviewOutline(const CropWindow& window, int hTotal, int vTotal);

} // namespace corvane
