#include "picture/EdidRules.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace corvane {

namespace {

constexpr std::array<EdidRange, kEdidFieldCount> kRanges = {{
    {96, 4092},  // H Blank
    {16, 1024},  // V Blank
    {800, 4092}, // H Active
    {600, 2160}, // V Active
    {4, 256},    // H Sync
    {4, 64},     // V Sync
    {4, 512},    // Hfp
    {4, 64},     // Vfp
    {20, 120},   // FPS, whole hertz
}};

constexpr int kTenths = 10;

// Truncated toward zero; none when the divisor is not positive (no limit then).
std::optional<std::int64_t> Quotient(double divisor) {
    if (!(divisor > 0))
        return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(kEdidPixelRateLimit / divisor));
}

// The limit of a size whose pixel rate is P / (other total x F) minus its partner's size.
std::optional<std::int64_t> SizeLimit(double otherTotal, double fps, double partner) {
    const double divisor = otherTotal * fps;
    if (!(divisor > 0))
        return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(kEdidPixelRateLimit / divisor - partner));
}

std::int64_t DownTo4(std::int64_t v) {
    return v - v % 4;
}

// The horizontal sizes: above the limit they become the limit rounded down to 4, else only
// rounded down to 4.
std::int64_t HorizontalSize(std::int64_t value, std::optional<std::int64_t> limit) {
    if (limit && value > *limit)
        return DownTo4(*limit);
    return DownTo4(value);
}

// Hfp and H Sync: the two together stay below the blanking.
std::int64_t HorizontalPorch(std::int64_t value, std::int64_t limit) {
    if (value >= limit) {
        if (limit % 4 == 0)
            --limit;
        return DownTo4(limit);
    }
    return DownTo4(value);
}

// Vfp and V Sync: the two together stay below the blanking.
std::int64_t VerticalPorch(std::int64_t value, std::int64_t limit) {
    return value >= limit ? limit - 1 : value;
}

} // namespace

EdidRange EdidRangeOf(EdidField field) {
    return kRanges[static_cast<std::size_t>(field)];
}

EdidBoxes EdidBoxesOf(const EdidTiming& t) {
    EdidBoxes b;
    b[EdidField::HBlank] = t.hBlank;
    b[EdidField::VBlank] = t.vBlank;
    b[EdidField::HActive] = t.hActive;
    b[EdidField::VActive] = t.vActive;
    b[EdidField::HSync] = t.hSync;
    b[EdidField::VSync] = t.vSync;
    b[EdidField::HFront] = t.hFront;
    b[EdidField::VFront] = t.vFront;
    b[EdidField::Fps] = t.refreshX10 / kTenths;
    return b;
}

EdidBoxes EdidWithinRanges(EdidBoxes b) {
    for (EdidField f : kEdidFields)
        b[f] = std::clamp(b[f], EdidRangeOf(f).min, EdidRangeOf(f).max);
    return b;
}

EdidTiming EdidTimingOf(const EdidBoxes& b) {
    auto field = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF)); };
    EdidTiming t;
    t.hBlank = field(b[EdidField::HBlank]);
    t.vBlank = field(b[EdidField::VBlank]);
    t.hActive = field(b[EdidField::HActive]);
    t.vActive = field(b[EdidField::VActive]);
    t.hSync = field(b[EdidField::HSync]);
    t.vSync = field(b[EdidField::VSync]);
    t.hFront = field(b[EdidField::HFront]);
    t.vFront = field(b[EdidField::VFront]);
    t.refreshX10 = field(b[EdidField::Fps] * kTenths);
    return t;
}

int EdidCorrected(const EdidBoxes& b, EdidField changed) {
    const double ha = b[EdidField::HActive];
    const double va = b[EdidField::VActive];
    const double f = b[EdidField::Fps];
    const double hb = b[EdidField::HBlank];
    const double vb = b[EdidField::VBlank];
    const std::int64_t value = b[changed];
    std::int64_t result = value;
    switch (changed) {
    case EdidField::HActive:
        result = HorizontalSize(value, SizeLimit(vb + va, f, hb));
        break;
    case EdidField::VActive:
        if (const auto limit = SizeLimit(hb + ha, f, vb); limit && value > *limit)
            result = *limit;
        break;
    case EdidField::Fps:
        if (const auto limit = Quotient((vb + va) * (hb + ha)); limit && value > *limit)
            result = *limit;
        break;
    case EdidField::HBlank:
        result = HorizontalSize(value, SizeLimit(vb + va, f, ha));
        break;
    case EdidField::VBlank:
        if (const auto limit = SizeLimit(hb + ha, f, va); limit && value > *limit)
            result = *limit;
        break;
    case EdidField::HFront:
        result = HorizontalPorch(value, b[EdidField::HBlank] - b[EdidField::HSync]);
        break;
    case EdidField::HSync:
        result = HorizontalPorch(value, b[EdidField::HBlank] - b[EdidField::HFront]);
        break;
    case EdidField::VFront:
        result = VerticalPorch(value, b[EdidField::VBlank] - b[EdidField::VSync]);
        break;
    case EdidField::VSync:
        result = VerticalPorch(value, b[EdidField::VBlank] - b[EdidField::VFront]);
        break;
    }
    const EdidRange range = EdidRangeOf(changed);
    return static_cast<int>(std::clamp<std::int64_t>(result, range.min, range.max));
}

double EdidPixelRate(const EdidBoxes& b) {
    return (static_cast<double>(b[EdidField::HActive]) + b[EdidField::HBlank]) *
           (static_cast<double>(b[EdidField::VActive]) + b[EdidField::VBlank]) * b[EdidField::Fps];
}

bool EdidWithinPixelRate(const EdidBoxes& b) {
    return EdidPixelRate(b) <= kEdidPixelRateLimit;
}

EdidBoxes EdidFitPixelRate(EdidBoxes b) {
    if (EdidWithinPixelRate(b))
        return b;
    EdidBoxes lowered = b;
    lowered[EdidField::Fps] = EdidCorrected(b, EdidField::Fps);
    if (EdidWithinPixelRate(lowered))
        return lowered;
    b = EdidWithinRanges(b);
    b[EdidField::Fps] = EdidCorrected(b, EdidField::Fps);
    return b;
}

bool EdidEndReset(DeviceState& state, std::uint32_t slot) {
    if (state.linkState != kLinkSynchronised || slot >= static_cast<std::uint32_t>(kEdidSlotCount))
        return false;
    state.edidTimings[slot] = kEdidResetTiming;
    return true;
}

} // namespace corvane
