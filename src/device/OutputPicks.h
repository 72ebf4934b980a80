#pragma once

// What the output page has picked for each output, kept beside DeviceState: the row of its
// resolution list, its custom timing and its window values. The output page writes it; the
// dispatcher copies it into the outputs when the processor acknowledges that it applied them.

#include "device/DeviceState.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvane {

struct OutputPick {
    int row = 0; // index into DeviceState::resolutions; kCustomResolutionRow for the custom timing
    std::uint16_t customWidth = 0;
    std::uint16_t customHeight = 0;
    std::uint32_t customTag = 0;
    double winX = 0; // the page keeps its window values as floating-point numbers
    double winY = 0;
    double winW = 0;
    double winH = 0;
};

// Empty for an output the output page has not picked for.
using OutputPicks = std::array<std::optional<OutputPick>, kOutputCount>;

// The pick for `output`: the page's own, or what the state holds for an output it has not
// picked for (its resolution row, the custom timing, its window).
OutputPick PickFor(const OutputPicks& picks, const DeviceState& state, int output);

// What `output` runs as the processor reported it (or acknowledged it): its resolution row
// (row 0 for a row outside the list), for the custom row the output's own active size and rate
// flag, and its window. Whatever the output page picked and did not apply plays no part.
OutputPick AppliedPick(const DeviceState& state, int output);

// The applied pick of every output, as OutputPicks.
OutputPicks AppliedPicks(const DeviceState& state);

// A window value of the output page as the processor's 16-bit field (0..65535, fraction dropped).
std::uint16_t WholeWindowValue(double value);

} // namespace corvane
