#pragma once

// The EDID page's value rules, without widgets: the nine boxes of a timing, their ranges, what a
// record looks like in them and back, and the consistency rules that keep a typed timing
// plausible - horizontal sizes multiples of 4, porches and sync widths inside the blanking, and
// a pixel rate of at most 594 MHz.
//
// The rules compute in floating point and truncate every result toward zero; "rounded down to 4"
// subtracts the remainder of the division by 4. Only the box that changed is corrected, and the
// corrected value is always kept inside that box's own range: where a rule's limit lies below
// the box's minimum (possible only when the other boxes already hold a timing beyond the limit,
// as a processor may report one) the box takes its minimum.
//
// The boxes show what the processor reports, also values outside their ranges (the reset timing's
// Vfp of 3); only typed values are kept inside the ranges. Apply sends such untouched values as
// they are, with one exception: a timing beyond the pixel-rate limit goes with its frame rate
// lowered by the FPS rule, which brings any in-range timing under the limit (at 20 Hz even the
// largest timing the boxes can hold runs at 521 MHz); where out-of-range values keep it above
// the limit even then, those values are first brought into their ranges.

#include "device/DeviceState.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

// The nine values in the order the record and reply 0xA2 hold them.
enum class EdidField : int { HBlank, VBlank, HActive, VActive, HSync, VSync, HFront, VFront, Fps };
inline constexpr int kEdidFieldCount = 9;
inline constexpr std::array<EdidField, kEdidFieldCount> kEdidFields = {
    EdidField::HBlank, EdidField::VBlank, EdidField::HActive, EdidField::VActive, EdidField::HSync,
    EdidField::VSync,  EdidField::HFront, EdidField::VFront,  EdidField::Fps};

// The highest pixel rate a timing may ask for, in pixels a second.
inline constexpr double kEdidPixelRateLimit = 594000000.0;

struct EdidRange {
    int min;
    int max;
};

// A box's range; the FPS box's in whole hertz (20..120).
EdidRange EdidRangeOf(EdidField field);

// The nine boxes as the page shows them: whole numbers, the frame rate in whole hertz.
struct EdidBoxes {
    std::array<int, kEdidFieldCount> values{};

    int& operator[](EdidField field) { return values[static_cast<std::size_t>(field)]; }
    int operator[](EdidField field) const { return values[static_cast<std::size_t>(field)]; }
    bool operator==(const EdidBoxes&) const = default;
};

// What the boxes show for a record: the values as reported, the frame rate truncated to whole
// hertz. They may lie outside the boxes' ranges.
EdidBoxes EdidBoxesOf(const EdidTiming& timing);

// Every value brought into its box's range.
EdidBoxes EdidWithinRanges(EdidBoxes boxes);

// The record for the boxes (the frame rate stored in tenths of a hertz).
EdidTiming EdidTimingOf(const EdidBoxes& boxes);

// The value the box `changed` takes after the operator committed it, by the consistency rules
// over the nine boxes (the changed one already kept in its range by the box), kept in its range.
int EdidCorrected(const EdidBoxes& boxes, EdidField changed);

// (H Active + H Blank) x (V Active + V Blank) x FPS, in pixels a second.
double EdidPixelRate(const EdidBoxes& boxes);
bool EdidWithinPixelRate(const EdidBoxes& boxes);

// The boxes as Apply sends them: a timing within the limit unchanged; beyond it, the frame rate
// lowered by the FPS rule, and where that is not enough (values beyond their ranges), every value
// brought into its range first. The result is always within the limit.
EdidBoxes EdidFitPixelRate(EdidBoxes boxes);

// The timing "Reset" writes into the record: 3840 x 2160 at 60 Hz.
inline constexpr EdidTiming kEdidResetTiming{160, 62, 3840, 2160, 32, 5, 48, 3, 600};

// The pause after a reset's frame of `slot` (0..3) ended: with the link synchronised the record
// becomes kEdidResetTiming (true); with the link gone what the processor holds is unknown and
// the record stays (false).
bool EdidEndReset(DeviceState& state, std::uint32_t slot);

} // namespace corvane
