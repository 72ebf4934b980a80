#pragma once

// The value rules of the output page, without windows: what a typed value becomes in the
// resolution, output-window and mosaic boxes, whether it changes anything (an unchanged value
// sends nothing), what a resolution Apply has to do, and the three arrangements of the four
// outputs with the parking of the layers outside the mosaic.

#include "device/DeviceState.h"
#include "device/OutputPicks.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvane {

// Control ids of the output page's value boxes.
enum OutputBox : int {
    kBoxHActive = 1105,
    kBoxVActive = 1106,
    kBoxWinX = 1473,
    kBoxWinY = 1474,
    kBoxWinW = 1475,
    kBoxWinH = 1476,
    kBoxMosaicX = 1482,
    kBoxMosaicY = 1483,
    kBoxMosaicW = 1484,
    kBoxMosaicH = 1485,
};

// The ranges of the boxes (a box corrects a value outside its range itself).
inline constexpr int kHActiveMin = 640;
inline constexpr int kHActiveMax = 2900;
inline constexpr int kVActiveMin = 642;
inline constexpr int kVActiveMax = 2160;
inline constexpr int kWindowPosMax = 59999;
inline constexpr int kWindowSizeMin = 32;
inline constexpr int kWindowSizeMax = 2900;
inline constexpr int kMosaicLimit = 59999; // position plus size on the canvas
inline constexpr int kMosaicSizeMin = 32;
// The processor's scaler takes at most this many active pixels per output.
inline constexpr int kMaxActivePixels = 2304000;

// What the boxes of the current output stand on.
struct OutputBoxValues {
    int hActive = 1920; // the resolution boxes (the custom timing while the custom row is picked)
    int vActive = 1080;
    int winX = 0; // the page's output window
    int winY = 0;
    int winW = 0;
    int winH = 0;
    int canvasX = 0; // the mosaic: the output's place and size on the canvas
    int canvasY = 0;
    int width = 0;
    int height = 0;
    int activeWidth = 0; // the timing the output runs with (as the placement command sends it)
    int activeHeight = 0;
    bool operator==(const OutputBoxValues&) const = default;
};

// The outcome of one typed value.
struct BoxChange {
    int shown = 0;              // what the box shows afterwards
    OutputBoxValues after;      // the values with the change stored
    bool requestWindow = false; // the placement command (0x0009) of the current output is due
    bool tellBlend = false;     // the output's size changed: the edge-blend page re-reads it
};

// H Active: an odd value loses 1; more than kMaxActivePixels with V Active gives
// kMaxActivePixels / V (integer division).
int CheckHActive(int h, int v);
// V Active: more than kMaxActivePixels with H Active gives kMaxActivePixels / H.
int CheckVActive(int v, int h);

// A box of the output window or the mosaic, or a resolution box, changed to `typed`.
// An unknown box id changes nothing.
BoxChange CheckBox(int boxId, int typed, const OutputBoxValues& values);

// What a resolution Apply does before it asks the operator.
enum class ApplyStep {
    NotConnected, // "Please open the serial!"
    Nothing,      // the processor already runs this row
    RepaintOnly,  // the custom timing the processor already runs (its active size and rate)
    Ask,          // "Please select apply to output mode!"
};

struct ApplyCheck {
    std::uint32_t linkState = kLinkClosed;
    int pickedRow = 0;
    int appliedRow = 0;
    int customWidth = 0; // the page's custom timing of the current output
    int customHeight = 0;
    std::uint32_t customTag = 0;
    int hActive = 0; // the timing the processor reports it runs the output with
    int vActive = 0;
    std::uint32_t resTag = 0;
};

ApplyStep CheckApply(const ApplyCheck& check);

// The output window an Apply or Reset gives an output: the whole active picture, and the same
// size for its place on the canvas.
void ResetWindow(OutputPick& pick, OutputInfo& output, int activeWidth, int activeHeight);

// Apply All: an output takes the chosen row, and with the custom row the chosen custom timing
// (with a listed row it keeps its own custom timing).
void TakeChosenPick(OutputPick& pick, const OutputPick& chosen);

// The resolution the processor reports for an output becomes the page's pick again (after an
// output record, and for every output in an arrangement unless an Apply is pending): its row
// and, for the custom row, its custom timing. A row outside the list changes nothing.
void TakeReportedResolution(OutputPick& pick, const OutputInfo& output);

// ---- Arrangement of the four outputs ----

enum ArrangePattern : int { kArrangeGrid = 0, kArrangeRow = 1, kArrangeColumn = 2 };

inline constexpr std::uint32_t kParkedLayerWidth = 960;
inline constexpr std::uint32_t kParkedLayerHeight = 540;
inline constexpr std::uint32_t kParkingGap = 540; // between the mosaic and the parked layers

struct CanvasBox {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    bool operator==(const CanvasBox&) const = default;
};

struct ActiveSize {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

struct Arrangement {
    std::array<CanvasBox, kOutputCount> outputs; // each output's place, sized by its active timing
    std::uint32_t mosaicWidth = 0;               // the largest right and bottom edge of the outputs
    std::uint32_t mosaicHeight = 0;
    std::array<CanvasBox, kLayerCount> layers; // layer 0 covers the mosaic, 1..3 parked outside
};

// The active timing of each output as the page picked it.
std::array<ActiveSize, kOutputCount> ActiveSizes(const DeviceState& state, const OutputPicks& picks);

// The outputs side by side in the pattern, the mosaic they span and the re-placed layers;
// nothing for an unknown pattern.
std::optional<Arrangement> Arrange(int pattern, const std::array<ActiveSize, kOutputCount>& sizes);

// Writes an arrangement into the state: every output's place and size, every layer's window,
// layer 0 switched on. The page then tells the layout page, the layer page and the main window
// and sends the commands.
void ApplyArrangement(DeviceState& state, const Arrangement& arrangement);

} // namespace corvane
