#pragma once

// The picture page's edits without widgets: the ranges of its boxes, what a committed value
// becomes in the records, which records an edit writes (all four outputs in "ALL" mode, else the
// output shown), the colour temperature that goes with every edit, the gamma switch, the reset,
// and the bytes of the command each edit ends in. The page holds one PictureEdits over the
// DeviceState and shows what it says.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"
#include "picture/PictureFrames.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

struct PictureBoxRange {
    float min = 0;
    float max = 0;
    friend bool operator==(const PictureBoxRange&, const PictureBoxRange&) = default;
};

// The range of the box of `item`: 0..255 for brightness, contrast and the three gains, 0.5..5.0
// for the gamma; 0..0 for items without a box.
PictureBoxRange PictureBoxRangeOf(std::uint32_t item);

// A byte box's value as the record keeps it: truncated to a whole number, inside 0..255.
std::uint8_t PictureByte(float shown);

// What the page's boxes show when one of them is committed.
struct PictureShown {
    float brightness = 0;
    float contrast = 0;
    float gamma = 0;
    bool gammaOn = false;
    float red = 0;
    float green = 0;
    float blue = 0;
};

// The label of the " User " row in the language `languageName`; none for a language without one
// (the row keeps its label).
std::optional<std::string> UserColorTempLabel(const std::string& languageName);

class PictureEdits {
public:
    explicit PictureEdits(DeviceState& state) : m_state(state) {}

    std::uint32_t CurrentOutput() const { return m_currentOutput; }
    std::uint32_t ColorTempSel(int output) const {
        return m_colorTempSel[static_cast<std::size_t>(output & 3)];
    }
    std::uint32_t ChangedItem() const { return m_changedItem; }
    // The record of the output shown.
    PictureSettings& Shown();
    // The outputs an edit writes: all four in "ALL" mode, else the output shown.
    std::vector<int> AffectedOutputs() const;

    // The box of `item` was committed with the boxes showing `shown` and the colour temperature
    // list showing `listChoice` (-1: no row). A gain makes the user gains the three shown and
    // chooses " User ". The colour temperature chosen goes with every edit into the records
    // written; with none chosen they keep theirs. Returns the row the list shows afterwards.
    int Commit(std::uint32_t item, const PictureShown& shown, int listChoice);
    // Colour temperature `index` chosen: false, and nothing changed, for no row's index.
    bool Pick(std::intptr_t index);
    // The gamma switch turned `on` with the gamma box showing `shown`.
    void SwitchGamma(bool on, float shown);
    // "Reset Picture Settings": every record written returns to the reset values as " User ".
    void Reset();
    // Output `output` (0..3) chosen: "ALL" is left. True when the output shown changed.
    bool Choose(std::uint32_t output);
    void ChooseAll();
    // The record of the output shown is shown again: its colour temperature becomes the output's
    // choice. Returns the gains the page shows, none for a colour temperature no row has.
    std::optional<ColorGains> Refreshed();

    // The command WM_DEVICE_COMMAND (code, argument) asks for: none unless synchronised, for
    // another code or an argument that names no output.
    std::optional<Frame> Command(std::uintptr_t code, std::intptr_t argument) const;
    // One edit of output `output` from outside the page: its record becomes `record`, `item` the
    // item changed, and the command for that output alone, whatever the page shows. None, and
    // nothing changed, unless synchronised or for no output 0..3.
    std::optional<Frame> Edit(int output, std::uint32_t item, const PictureSettings& record);

private:
    void ChooseColorTemp(std::uint32_t colorTemp);

    DeviceState& m_state;
    std::uint32_t m_currentOutput = 0;
    std::array<std::uint32_t, kOutputCount> m_colorTempSel{8, 8, 8, 8};
    std::uint32_t m_changedItem = 0;
};

} // namespace corvane
