#pragma once

// The edge blend page's rules, without widgets: which axis a side belongs to, the extent its
// zone must stay within (the output's active width or height as the output page picked it),
// the zone values the operator commits, which controls are enabled, the gamma list and the
// labels of the direction buttons.

#include "device/DeviceState.h"
#include "device/OutputPicks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A zone is at least this many pixels wide when the operator types its width.
inline constexpr int kZoneMinSize = 256;
// The largest start or width a box takes (the processor's 16-bit fields).
inline constexpr int kZoneValueMax = 65535;

enum class BlendAxis { Horizontal, Vertical };

// H1 and H2 are horizontal zones (columns), V1 and V2 vertical ones (lines).
BlendAxis AxisOf(int side);

// The active width (horizontal sides) or height (vertical sides) of `output` as the output page
// currently picked it (the custom timing's size for the customised row); 0 when unknown.
int ZoneExtent(const DeviceState& state, const OutputPicks& picks, int output, int side);

struct BlendZone {
    std::uint16_t start = 0;
    std::uint16_t size = kZoneMinSize;
    friend bool operator==(const BlendZone&, const BlendZone&) = default;
};

// The start box committed `value`: the zone keeps its width and its start moves back so that it
// ends at the output's edge `extent` (never before pixel 0). An extent of 0 (not known) cuts
// nothing.
BlendZone CommitZoneStart(BlendZone zone, double value, int extent);

// The width box committed `value`: below kZoneMinSize it becomes kZoneMinSize; then a zone that
// leaves the output is cut back to its edge (the cut may end below the minimum). A zone whose
// start already lies outside the output (it became smaller) is moved to end at the edge instead.
BlendZone CommitZoneSize(BlendZone zone, double value, int extent);

// What is enabled while the side's switch shows `on`.
struct BlendEnabling {
    bool horizontalBoxes = false; // 1538, 1539
    bool verticalBoxes = false;   // 1540, 1541
    bool sideControls = false;    // direction, gamma, table buttons, Tables, Set Data, the curve editor
};
BlendEnabling EnablingFor(int side, bool on);

// The gamma list: "1.0" .. "5.0", each with the gamma in tenths (10..50).
struct GammaItem {
    std::string text;
    int tenths = 0;
};
const std::vector<GammaItem>& GammaItems();
// The item showing `gamma` (tenths); a value outside the list shows its nearest end.
int GammaItemFor(int gamma);
// The gamma (tenths) of the item picked; none for an index no item has.
std::optional<int> GammaOfItem(std::intptr_t item);

// The captions of the two direction buttons of `side` in the language `languageName`.
struct DirectionLabels {
    std::string first;  // direction 0
    std::string second; // direction 1
};
DirectionLabels DirectionLabelsFor(int side, const std::string& languageName);

// The table choice a side shows: 0 "TableOff", 1..4 "Table1".."Table4"; -1 for a value the
// processor reported outside them (no choice marked).
int TableChoiceOf(const BlendSide& side);

} // namespace corvane
