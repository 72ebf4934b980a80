#include "blend/BlendRules.h"

#include "layout/OutputFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvane {

namespace {

// A box value as a whole number inside the 16-bit fields (the fraction is dropped).
int WholeZoneValue(double value) {
    if (!(value > 0))
        return 0;
    if (value >= kZoneValueMax)
        return kZoneValueMax;
    return static_cast<int>(value);
}

BlendZone Zone(int start, int size) {
    return {static_cast<std::uint16_t>(std::clamp(start, 0, kZoneValueMax)),
            static_cast<std::uint16_t>(std::clamp(size, 0, kZoneValueMax))};
}

} // namespace

BlendAxis AxisOf(int side) {
    return side == kSideV1 || side == kSideV2 ? BlendAxis::Vertical : BlendAxis::Horizontal;
}

int ZoneExtent(const DeviceState& state, const OutputPicks& picks, int output, int side) {
    const ActiveTiming t = ActiveTimingOf(state, PickFor(picks, state, output & 3));
    return AxisOf(side) == BlendAxis::Horizontal ? t.width : t.height;
}

BlendZone CommitZoneStart(BlendZone zone, double value, int extent) {
    int start = WholeZoneValue(value);
    const int size = zone.size;
    if (extent > 0 && start + size > extent)
        start = std::max(0, extent - size);
    return Zone(start, size);
}

BlendZone CommitZoneSize(BlendZone zone, double value, int extent) {
    int start = zone.start;
    int size = std::max(WholeZoneValue(value), kZoneMinSize);
    if (extent > 0 && start + size > extent) {
        if (start < extent)
            size = extent - start;
        else
            start = std::max(0, extent - size);
    }
    return Zone(start, size);
}

BlendEnabling EnablingFor(int side, bool on) {
    BlendEnabling e;
    e.sideControls = on;
    if (AxisOf(side) == BlendAxis::Horizontal)
        e.horizontalBoxes = on;
    else
        e.verticalBoxes = on;
    return e;
}

const std::vector<GammaItem>& GammaItems() {
    static const std::vector<GammaItem> items = [] {
        std::vector<GammaItem> list;
        for (int tenths = 10; tenths <= 50; ++tenths) {
            char text[8];
            std::snprintf(text, sizeof text, "%d.%d", tenths / 10, tenths % 10);
            list.push_back({text, tenths});
        }
        return list;
    }();
    return items;
}

int GammaItemFor(int gamma) {
    return std::clamp(gamma, 10, 50) - 10;
}

std::optional<int> GammaOfItem(std::intptr_t item) {
    const auto& items = GammaItems();
    if (item < 0 || item >= static_cast<std::intptr_t>(items.size()))
        return std::nullopt;
    return items[static_cast<std::size_t>(item)].tenths;
}

DirectionLabels DirectionLabelsFor(int side, const std::string& languageName) {
    const bool chinese = languageName == "Chinese";
    if (AxisOf(side) == BlendAxis::Horizontal)
        return chinese ? DirectionLabels{"从左到右", "从右到左"}
                       : DirectionLabels{"Left To Right", "Right To Left"};
    return chinese ? DirectionLabels{"从上到下", "从下到上"}
                   : DirectionLabels{"Top To Bottom", "Bottom To Top"};
}

int TableChoiceOf(const BlendSide& side) {
    return side.table <= 4 ? side.table : -1;
}

} // namespace corvane
