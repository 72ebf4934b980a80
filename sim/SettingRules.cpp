#include "SettingRules.h"

#include "link/ByteOrder.h"

namespace corvane::sim {

namespace {

// What the processor accepts in an EDID it presents: each value within its bounds and a pixel
// rate, (H active + H blank) x (V active + V blank) x frame rate, of at most 594 MHz.
struct EdidBound {
    std::uint16_t EdidTiming::*field;
    std::uint16_t min;
    std::uint16_t max;
};
constexpr EdidBound kEdidBounds[] = {
    {&EdidTiming::hBlank, 96, 4092},   {&EdidTiming::vBlank, 16, 1024}, {&EdidTiming::hActive, 800, 4092},
    {&EdidTiming::vActive, 600, 2160}, {&EdidTiming::hSync, 4, 256},    {&EdidTiming::vSync, 4, 64},
    {&EdidTiming::hFront, 4, 512},     {&EdidTiming::vFront, 4, 64},    {&EdidTiming::refreshX10, 200, 1200},
};
constexpr std::uint64_t kEdidPixelRateMaxX10 = 5940000000; // 594 MHz, with the rate in tenths of a hertz

bool EdidRuns(const EdidTiming& t) {
    for (const EdidBound& b : kEdidBounds)
        if (t.*b.field < b.min || t.*b.field > b.max)
            return false;
    const std::uint64_t rateX10 = static_cast<std::uint64_t>(t.hActive + t.hBlank) *
                                  static_cast<std::uint64_t>(t.vActive + t.vBlank) * t.refreshX10;
    return rateX10 <= kEdidPixelRateMaxX10;
}

} // namespace

std::optional<EdidTiming> EdidAfter(const EdidTiming& current, const std::uint8_t* f) {
    EdidTiming t = current;
    switch (f[7]) {
    case 0: // back to the built-in timing
        return kBuiltInEdid;
    case 1: // the active size and frame rate; the blanking stays
    case 2: // the whole timing
        t.hActive = GetLE16(f + 8);
        t.vActive = GetLE16(f + 10);
        t.refreshX10 = GetLE16(f + 12);
        if (f[7] == 2) {
            t.hBlank = GetLE16(f + 14);
            t.vBlank = GetLE16(f + 16);
            t.hSync = GetLE16(f + 18);
            t.vSync = GetLE16(f + 20);
            t.hFront = GetLE16(f + 22);
            t.vFront = GetLE16(f + 24);
        }
        if (!EdidRuns(t))
            return std::nullopt;
        return t;
    default:
        return std::nullopt;
    }
}

bool CropFits(const CropRect& r) {
    return r.hSize != 0 && r.vSize != 0 && std::uint32_t{r.hStart} + r.hSize <= r.hTotal &&
           std::uint32_t{r.vStart} + r.vSize <= r.vTotal;
}

Resolution ReadResolution(const std::uint8_t* p) {
    return Resolution{p[0], GetLE16(p + 1), GetLE16(p + 3), p[5]};
}

bool CanRun(const Resolution& r) {
    return r.row <= kLastResolutionRow && r.width != 0 && r.height != 0 &&
           std::uint32_t{r.width} * r.height <= kMaxOutputPixels;
}

bool Runs(const OutputInfo& o, const Resolution& r) {
    return o.resIndex == r.row && o.hActive == r.width && o.vActive == r.height && o.resTag == r.tag;
}

void TakeResolution(OutputInfo& o, const Resolution& r) {
    o.resIndex = r.row;
    o.hActive = r.width;
    o.vActive = r.height;
    o.resTag = r.tag;
}

} // namespace corvane::sim
