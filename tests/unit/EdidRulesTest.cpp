#include "picture/EdidRules.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>

using namespace corvane;

namespace {

using F = EdidField;

// The boxes of the processor's default record: 1920 x 1080 at 60 Hz, blanking 280 x 45.
EdidBoxes Defaults() {
    return EdidBoxesOf(EdidTiming{});
}

// 3840 x 2160 with the reset timing's blanking, at `fps`.
EdidBoxes Uhd(int fps) {
    EdidBoxes b = EdidBoxesOf(kEdidResetTiming);
    b[F::Fps] = fps;
    return b;
}

EdidBoxes With(EdidBoxes b, std::initializer_list<std::pair<F, int>> values) {
    for (const auto& [field, value] : values)
        b[field] = value;
    return b;
}

struct RuleCase {
    const char* name;
    EdidBoxes boxes; // the other boxes
    F changed;
    int typed;    // what the box holds after its own clamp
    int expected; // what the rules leave in it
};

} // namespace

TEST(EdidRules, EveryBoxAsTyped) {
    const RuleCase cases[] = {
        // H Active: the pixel rate, then multiples of 4.
        {"H Active 1921 with the default timing", Defaults(), F::HActive, 1921, 1920},
        {"H Active 4092 fits at 60 Hz", Defaults(), F::HActive, 4092, 4092},
        // 594 000 000 / (2222 x 120) - 160 = 2067.7: 2067, rounded down to 4.
        {"H Active 3840 at 120 Hz is cut to 2064", Uhd(120), F::HActive, 3840, 2064},
        // V Active: 594 000 000 / (4000 x 120) - 62 = 1175.5.
        {"V Active 2160 at 120 Hz is cut to 1175", Uhd(120), F::VActive, 2160, 1175},
        {"V Active 2160 fits at 60 Hz", Uhd(60), F::VActive, 2160, 2160},
        // FPS: 594 000 000 / (2222 x 4000) = 66.8.
        {"FPS 120 for 3840 x 2160 is cut to 66", Uhd(120), F::Fps, 120, 66},
        {"FPS 60 for 3840 x 2160 stays", Uhd(60), F::Fps, 60, 60},
        {"FPS 120 for 1920 x 1080 stays", Defaults(), F::Fps, 120, 120},
        // H Blank: 594 000 000 / (2222 x 60) - 3840 = 615.4, rounded down to 4.
        {"H Blank 1000 at 3840 x 2160 is cut to 612", Uhd(60), F::HBlank, 1000, 612},
        {"H Blank 161 rounds down", Uhd(60), F::HBlank, 161, 160},
        // V Blank: 594 000 000 / (4000 x 60) - 2160 = 315.
        {"V Blank 1000 at 3840 x 2160 is cut to 315", Uhd(60), F::VBlank, 1000, 315},
        {"V Blank 301 stays", Uhd(60), F::VBlank, 301, 301},
        // Hfp with H Blank 280 and H Sync 44: below 236, and a multiple of 4.
        {"Hfp 236 becomes 232", Defaults(), F::HFront, 236, 232},
        {"Hfp 230 becomes 228", Defaults(), F::HFront, 230, 228},
        {"Hfp 232 stays", Defaults(), F::HFront, 232, 232},
        // H Sync with H Blank 280 and Hfp 148: below 132.
        {"H Sync 132 becomes 128", Defaults(), F::HSync, 132, 128},
        {"H Sync 45 becomes 44", Defaults(), F::HSync, 45, 44},
        // Vfp with V Blank 45 and V Sync 4: below 41.
        {"Vfp 41 becomes 40", Defaults(), F::VFront, 41, 40},
        {"Vfp 39 stays", Defaults(), F::VFront, 39, 39},
        // V Sync with V Blank 45 and Vfp 4: below 41.
        {"V Sync 41 becomes 40", Defaults(), F::VSync, 41, 40},
        {"V Sync 7 stays", Defaults(), F::VSync, 7, 7},

        // Limits below the box's minimum, or below zero: the box takes its minimum.
        {"H Active with a blanking far too large", With(Uhd(120), {{F::HBlank, 4092}, {F::VBlank, 1024}}),
         F::HActive, 1920, 800},
        {"H Blank with an active size far too large", With(Uhd(120), {{F::HActive, 4092}, {F::VBlank, 1024}}),
         F::HBlank, 200, 96},
        {"V Active with a blanking far too large",
         With(Uhd(120), {{F::HActive, 4092}, {F::HBlank, 4092}, {F::VBlank, 1024}}), F::VActive, 1080, 600},
        {"V Blank with an active size far too large", With(Uhd(120), {{F::HActive, 4092}, {F::HBlank, 4092}}),
         F::VBlank, 100, 16},
        {"Hfp when H Sync is wider than the blanking", With(Defaults(), {{F::HBlank, 96}, {F::HSync, 256}}),
         F::HFront, 100, 4},
        {"Hfp when the room left is exactly 4", With(Defaults(), {{F::HBlank, 100}, {F::HSync, 96}}),
         F::HFront, 8, 4},
        {"H Sync when Hfp is wider than the blanking", With(Defaults(), {{F::HBlank, 96}, {F::HFront, 512}}),
         F::HSync, 44, 4},
        {"Vfp when V Sync is wider than the blanking", With(Defaults(), {{F::VBlank, 16}, {F::VSync, 64}}),
         F::VFront, 10, 4},
        {"Vfp when the room left is 4", With(Defaults(), {{F::VBlank, 16}, {F::VSync, 12}}), F::VFront, 10,
         4},
        {"V Sync when Vfp is wider than the blanking", With(Defaults(), {{F::VBlank, 16}, {F::VFront, 64}}),
         F::VSync, 4, 4},
        // The frame rate's limit never falls below its minimum: 8184 x 3184 x 22 < 594 MHz.
        {"FPS with the largest timing the boxes hold",
         With(Uhd(120), {{F::HActive, 4092}, {F::HBlank, 4092}, {F::VBlank, 1024}}), F::Fps, 120, 22},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        EdidBoxes b = c.boxes;
        b[c.changed] = c.typed;
        EXPECT_EQ(EdidCorrected(b, c.changed), c.expected);
    }
}

TEST(EdidRules, OnlyTheChangedBoxMovesAndACorrectValueStays) {
    // A timing that satisfies every rule: each rule leaves its own box as it is.
    for (const EdidBoxes& b : {Defaults(), With(Uhd(60), {{F::VFront, 4}}), With(Uhd(30), {{F::VFront, 4}})})
        for (F f : kEdidFields)
            EXPECT_EQ(EdidCorrected(b, f), b[f]) << static_cast<int>(f);
    // The reset timing as shown: an untouched Vfp of 3, below its box's range, disturbs no rule
    // of another box; typed, it is first taken as 4 by the box, which its rule keeps.
    const EdidBoxes reset = EdidBoxesOf(kEdidResetTiming);
    ASSERT_EQ(reset[F::VFront], 3);
    for (F f : kEdidFields) {
        if (f != F::VFront) {
            EXPECT_EQ(EdidCorrected(reset, f), reset[f]) << static_cast<int>(f);
        }
    }
    EXPECT_EQ(EdidCorrected(With(reset, {{F::VFront, 4}}), F::VFront), 4);
}

TEST(EdidRules, ABoxNeverLeavesItsRangeAndARateWithinTheLimitStaysThere) {
    std::mt19937 random(146);
    auto in = [&](F f) {
        const EdidRange r = EdidRangeOf(f);
        return std::uniform_int_distribution<int>(r.min, r.max)(random);
    };
    for (int round = 0; round < 20000; ++round) {
        EdidBoxes b;
        for (F f : kEdidFields)
            b[f] = in(f);
        const bool within = EdidWithinPixelRate(b);
        for (F changed : kEdidFields) {
            EdidBoxes typed = b;
            typed[changed] = in(changed);
            const int v = EdidCorrected(typed, changed);
            const EdidRange r = EdidRangeOf(changed);
            ASSERT_GE(v, r.min) << static_cast<int>(changed);
            ASSERT_LE(v, r.max) << static_cast<int>(changed);
            typed[changed] = v;
            // From a timing within the limit, a size or a rate typed is cut to stay within it.
            if (within) {
                ASSERT_TRUE(EdidWithinPixelRate(typed)) << static_cast<int>(changed) << " round " << round;
            }
        }
    }
}

TEST(EdidRules, ApplySendsAReportedTimingAsItIsUnlessItIsBeyondTheLimit) {
    // Values of 0..65535 as a processor may report them, mostly beyond the boxes' ranges.
    std::mt19937 random(2367);
    auto any = [&](F f) {
        const int max = f == F::Fps ? 250 : 3 * EdidRangeOf(f).max;
        return std::uniform_int_distribution<int>(0, max)(random);
    };
    int lowered = 0, clamped = 0;
    for (int round = 0; round < 20000; ++round) {
        EdidBoxes b;
        for (F f : kEdidFields)
            b[f] = any(f);
        const EdidBoxes fitted = EdidFitPixelRate(b);
        ASSERT_TRUE(EdidWithinPixelRate(fitted)) << round;
        if (EdidWithinPixelRate(b)) {
            ASSERT_EQ(fitted, b) << "a timing within the limit goes as reported, round " << round;
            continue;
        }
        EdidBoxes others = fitted;
        others[F::Fps] = b[F::Fps];
        if (others == b) {
            ++lowered; // the frame rate alone was enough
            ASSERT_LT(fitted[F::Fps], b[F::Fps]);
        } else {
            ++clamped; // not even 20 Hz fits: the values went into their ranges first
            EdidBoxes inRanges = EdidWithinRanges(b);
            inRanges[F::Fps] = b[F::Fps];
            ASSERT_EQ(others, inRanges) << round;
            ASSERT_FALSE(EdidWithinPixelRate(With(b, {{F::Fps, EdidRangeOf(F::Fps).min}}))) << round;
        }
    }
    EXPECT_GT(lowered, 0);
    EXPECT_GT(clamped, 0);

    // 3840 x 2160 at 144 Hz reported, beyond the FPS box's range: cut to what the rate allows.
    EXPECT_EQ(EdidFitPixelRate(Uhd(144))[F::Fps], 66);
    // 1920 x 1080 at 144 Hz fits the limit and goes as reported.
    EXPECT_EQ(EdidFitPixelRate(With(Defaults(), {{F::Fps, 144}}))[F::Fps], 144);
}

TEST(EdidRules, RecordsAndBoxes) {
    EXPECT_EQ(Defaults().values, (std::array<int, 9>{280, 45, 1920, 1080, 44, 4, 148, 4, 60}));
    // The frame rate in whole hertz, truncated; values the boxes do not take as reported.
    EdidTiming odd{0, 2000, 640, 4000, 300, 0, 600, 65, 599};
    EXPECT_EQ(EdidBoxesOf(odd).values, (std::array<int, 9>{0, 2000, 640, 4000, 300, 0, 600, 65, 59}));
    EXPECT_EQ(EdidWithinRanges(EdidBoxesOf(odd)).values,
              (std::array<int, 9>{96, 1024, 800, 2160, 256, 4, 512, 64, 59}));
    odd.refreshX10 = 1250;
    EXPECT_EQ(EdidBoxesOf(odd)[F::Fps], 125);
    EXPECT_EQ(EdidTimingOf(EdidBoxesOf(odd)).refreshX10, 1250);
    const EdidTiming largest{65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
    const EdidTiming largestBack = EdidTimingOf(EdidBoxesOf(largest));
    EXPECT_EQ(largestBack.hActive, 65535);
    EXPECT_EQ(largestBack.refreshX10, 65530) << "6553 Hz in whole hertz";
    const EdidTiming b = EdidTimingOf(EdidBoxesOf(kEdidResetTiming));
    EXPECT_EQ((std::array<int, 9>{b.hActive, b.vActive, b.refreshX10, b.hBlank, b.vBlank, b.hSync, b.vSync,
                                  b.hFront, b.vFront}),
              (std::array<int, 9>{3840, 2160, 600, 160, 62, 32, 5, 48, 3}))
        << "the reset timing's Vfp of 3, below the box's range, as it is";
}

TEST(EdidRules, AResetEndsWithTheResetTimingOnlyWhileSynchronised) {
    DeviceState s;
    s.linkState = kLinkClosed; // the port closed during the pause
    EXPECT_FALSE(EdidEndReset(s, 1));
    EXPECT_EQ(s.edidTimings[1].hActive, 1920) << "what the processor holds is unknown";
    s.linkState = kLinkSynchronised;
    EXPECT_TRUE(EdidEndReset(s, 1));
    EXPECT_FALSE(EdidEndReset(s, 4));
    EXPECT_EQ(std::make_tuple(s.edidTimings[1].vFront, s.edidTimings[0].vFront), std::make_tuple(3, 4))
        << "only the slot reset";
}
