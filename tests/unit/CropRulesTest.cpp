// The crop page's rules without widgets: the limits of the boxes against the input picture,
// the enabling of the controls, Reset, the switch-off before an input change, the sending gate
// and the preview's outline.

#include "picture/CropRules.h"

#include "picture/CropFrames.h"

#include <gtest/gtest.h>
#include <ostream>
#include <tuple>

using namespace corvane;

namespace corvane {
std::ostream& operator<<(std::ostream& os, const CropWindow& w) {
    return os << "{" << w.hStart << ", " << w.vStart << ", " << w.width << " x " << w.height << "}";
}
std::ostream& operator<<(std::ostream& os, const CropOutline& o) {
    return os << "{" << o.left << ", " << o.top << " - " << o.right << ", " << o.bottom << "}";
}
} // namespace corvane

namespace {

// The window always sits inside a picture of known size, and within the boxes' ranges.
void ExpectInsideThePicture(const CropWindow& w, int hTotal, int vTotal) {
    EXPECT_GE(w.hStart, 0);
    EXPECT_GE(w.vStart, 0);
    EXPECT_LE(w.hStart, kCropStartMax);
    EXPECT_LE(w.vStart, kCropStartMax);
    EXPECT_LE(w.width, kCropSizeMax);
    EXPECT_LE(w.height, kCropSizeMax);
    EXPECT_TRUE(hTotal <= 0 || w.hStart + w.width <= hTotal);
    EXPECT_TRUE(vTotal <= 0 || w.vStart + w.height <= vTotal);
}

TEST(CropRules, TheLimitsOfATypedValue) {
    struct Case {
        const char* name;
        CropField field;
        CropWindow boxes;
        int hTotal;
        int vTotal;
        CropWindow expected;
    };
    using F = CropField;
    const Case cases[] = {
        // The operator's ordinary cases.
        {"H Start within the picture", F::HStart, {100, 50, 1720, 980}, 1920, 1080, {100, 50, 1720, 980}},
        {"H Start past hTotal - Width", F::HStart, {1500, 0, 1000, 1080}, 1920, 1080, {920, 0, 1000, 1080}},
        {"V Start past vTotal - Height", F::VStart, {0, 700, 1920, 500}, 1920, 1080, {0, 580, 1920, 500}},
        {"Width past hTotal - H Start", F::Width, {800, 0, 1500, 1080}, 1920, 1080, {800, 0, 1120, 1080}},
        {"Height past vTotal - V Start", F::Height, {0, 80, 1920, 1080}, 1920, 1080, {0, 80, 1920, 1000}},
        {"a window as large as the picture", F::Width, {0, 0, 1920, 1080}, 1920, 1080, {0, 0, 1920, 1080}},
        // A start that leaves no room for the smallest window gives way to the typed size.
        {"Width, start near the edge", F::Width, {1900, 0, 100, 1080}, 1920, 1080, {1820, 0, 100, 1080}},
        {"Height, start at the edge", F::Height, {0, 1080, 1920, 500}, 1920, 1080, {0, 580, 1920, 500}},
        // Totals below the window's size (the picture became smaller): no start below 0, no
        // wrap into a huge start; the size gives way to the picture.
        {"H Start, hTotal below Width", F::HStart, {100, 0, 1920, 720}, 1280, 720, {0, 0, 1280, 720}},
        {"V Start, vTotal below Height", F::VStart, {0, 10, 1280, 1080}, 1280, 720, {0, 0, 1280, 720}},
        {"Width, hTotal below H Start", F::Width, {1500, 0, 200, 720}, 1280, 720, {1080, 0, 200, 720}},
        {"Height, vTotal below V Start", F::Height, {0, 900, 1280, 100}, 1280, 720, {0, 620, 1280, 100}},
        {"the other direction is fitted too", F::HStart, {10, 300, 640, 1080}, 1920, 720, {10, 0, 640, 720}},
        // Totals of 0 (no size reported yet): the boxes' limits only.
        {"H Start, totals of 0", F::HStart, {100, 0, 1920, 1080}, 0, 0, {100, 0, 1920, 1080}},
        {"Width, totals of 0", F::Width, {100, 0, 1920, 1080}, 0, 0, {100, 0, 1920, 1080}},
        {"Height, vTotal of 0 only", F::Height, {5000, 9000, 1920, 1080}, 1920, 0, {0, 9000, 1920, 1080}},
        // Exactly room for the smallest window after the start: the start stays.
        {"Width, the smallest window fits", F::Width, {1888, 0, 1000, 1080}, 1920, 1080, {1888, 0, 32, 1080}},
        // A picture smaller than the smallest window: the whole picture.
        {"hTotal of 20", F::HStart, {5, 0, 32, 1080}, 20, 1080, {0, 0, 20, 1080}},
        // The boxes' own ranges.
        {"values beyond the boxes", F::Width, {-4, 12000, 20000, 10}, 0, 0, {0, 9999, 9999, 32}},
        {"a picture larger than the boxes", F::Width, {0, 0, 12000, 1080}, 16000, 1080, {0, 0, 9999, 1080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CropWindow w = LimitCropWindow(c.field, c.boxes, c.hTotal, c.vTotal);
        EXPECT_EQ(w, c.expected);
        ExpectInsideThePicture(w, c.hTotal, c.vTotal);
    }
}

TEST(CropRules, EveryTypedValueStaysInsideEveryPicture) {
    // Whatever is typed into whichever box, against pictures from none to larger than the
    // boxes: the result never leaves the picture nor the boxes' ranges.
    const int totals[] = {0, 1, 31, 32, 33, 720, 1080, 1280, 1920, 9999, 10000, 65535};
    const int values[] = {-1, 0, 1, 31, 32, 719, 1000, 1920, 9999, 10000, 70000};
    for (CropField field : {CropField::HStart, CropField::VStart, CropField::Width, CropField::Height})
        for (int total : totals)
            for (int v : values)
                for (int other : {0, 500, 1920}) {
                    SCOPED_TRACE(testing::Message()
                                 << "total " << total << " value " << v << " other " << other);
                    ExpectInsideThePicture(LimitCropWindow(field, {v, other, v, other}, total, total), total,
                                           total);
                    ExpectInsideThePicture(FitCropWindow({other, v, other, v}, total, total), total, total);
                }
}

TEST(CropRules, TheControlsFollowTheCurrentInputAndItsSignal) {
    struct Case {
        const char* name;
        std::uint32_t current;
        std::uint8_t signal;
        bool on;
        CropControls expected;
    };
    const Case cases[] = {
        {"current, signal, crop on", 1, 1, true, {true, true, true, true}},
        {"current, signal, crop off", 1, 1, false, {true, false, true, false}},
        {"current, no signal", 1, 0, true, {false, false, true, false}},
        {"another input is current", 2, 1, true, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceState s;
        s.currentInput = c.current;
        s.inputs[1].signal = c.signal;
        EXPECT_TRUE(CropEnabling(s, 1, c.on) == c.expected);
    }
    DeviceState s;
    EXPECT_FALSE(CropEnabling(s, 7, true).setsSwitch) << "no input 7";
}

TEST(CropRules, ACropCommandNeedsTheLinkAndASignal) {
    struct Case {
        const char* name;
        std::uint32_t linkState;
        std::uint8_t signal;
        int input;
        bool allowed;
    };
    const Case cases[] = {
        {"synchronised with a signal", kLinkSynchronised, 1, 2, true},
        {"synchronised without a signal", kLinkSynchronised, 0, 2, false},
        {"port open only", kLinkOpen, 1, 2, false},
        {"no such input", kLinkSynchronised, 1, 4, false},
        {"a negative input", kLinkSynchronised, 1, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceState s;
        s.linkState = c.linkState;
        s.inputs[2].signal = c.signal;
        s.crop.rects[2] = CropRect{1, 100, 50, 1720, 980, 1920, 1080};
        EXPECT_EQ(CropCommandAllowed(s, c.input), c.allowed);
        const std::optional<Frame> expected = BuildCropFrame(s, 2, kCropSet); // a window inside: no change
        EXPECT_EQ(CropCommand(s, c.input, kCropSet), c.allowed ? expected : std::nullopt);
    }
}

TEST(CropRules, ASentWindowIsFittedIntoThePictureFirst) {
    // The processor reported a smaller picture than the window it holds (its signal changed).
    DeviceState s;
    s.linkState = kLinkSynchronised;
    s.inputs[0].signal = 1;
    s.crop.rects[0] = CropRect{0, 200, 100, 1920, 1080, 1280, 720};
    const auto frame = CropCommand(s, 0, kCropSet);
    EXPECT_EQ(WindowOf(s.crop.rects[0]), (CropWindow{0, 0, 1280, 720}));
    EXPECT_EQ(frame, BuildCropFrame(s, 0, kCropSet)) << "the record holds what was sent";
}

TEST(CropRules, ResetTakesTheWholePictureOfTheSignal) {
    DeviceState s;
    s.inputs[3].signal = 1;
    s.inputs[3].width = 1280;
    s.inputs[3].height = 720;
    s.crop.rects[3] = CropRect{1, 100, 50, 1720, 980, 1920, 1080};
    ASSERT_TRUE(ResetCropToSignal(s, 3));
    const CropRect& r = s.crop.rects[3];
    EXPECT_EQ(std::make_tuple(r.on, WindowOf(r), r.hTotal, r.vTotal),
              std::make_tuple(1, CropWindow{0, 0, 1280, 720}, 1280, 720))
        << "the switch stays";

    // A signal wider than the boxes: the window as wide as a box allows.
    s.inputs[3].width = 12000;
    ASSERT_TRUE(ResetCropToSignal(s, 3));
    EXPECT_EQ(std::make_tuple(r.hSize, r.hTotal), std::make_tuple(kCropSizeMax, 12000));

    // Nothing to reset to: no signal, a signal without a size, no such input.
    for (auto [signal, width] : {std::pair{0, 1920}, std::pair{1, 0}}) {
        DeviceState t;
        t.inputs[0].signal = static_cast<std::uint8_t>(signal);
        t.inputs[0].width = static_cast<std::uint16_t>(width);
        t.crop.rects[0] = CropRect{1, 8, 9, 100, 200, 1920, 1080};
        EXPECT_FALSE(ResetCropToSignal(t, 0));
        EXPECT_EQ(WindowOf(t.crop.rects[0]), (CropWindow{8, 9, 100, 200}));
    }
    EXPECT_FALSE(ResetCropToSignal(s, 4));
}

TEST(CropRules, TheOldInputsCropIsSwitchedOffOnlyWithASynchronisedProcessor) {
    struct Case {
        const char* name;
        std::uint32_t linkState;
        std::uint8_t cropOn;
        std::uint8_t signal;
        bool frame;
    };
    const Case cases[] = {
        {"synchronised, crop on", kLinkSynchronised, 1, 1, true},
        {"synchronised, crop on, no signal (not asked)", kLinkSynchronised, 1, 0, true},
        {"synchronised, crop off", kLinkSynchronised, 0, 1, false},
        {"port open only", kLinkOpen, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceState s;
        s.linkState = c.linkState;
        s.inputs[1].signal = c.signal;
        s.crop.rects[1] = CropRect{c.cropOn, 16, 0, 1000, 1080, 1920, 1080};
        const auto frame = CropOffFrame(s, 1);
        EXPECT_EQ(frame.has_value(), c.frame);
        EXPECT_EQ(s.crop.rects[1].on, c.frame ? 0 : c.cropOn);
        if (c.frame) {
            EXPECT_EQ(*frame, BuildCropFrame(s, 1, kCropSet))
                << "the crop command of the old input, switched off";
        }
    }
    DeviceState s;
    s.linkState = kLinkSynchronised;
    EXPECT_FALSE(CropOffFrame(s, 9).has_value()) << "an input the processor never had";
    EXPECT_FALSE(CropOffFrame(s, -1).has_value());
}

TEST(CropRules, ThePreviewOutlineIsWhereTheNumbersSay) {
    struct Case {
        const char* name;
        CropWindow window;
        int hTotal;
        int vTotal;
        CropOutline expected;
    };
    const Case cases[] = {
        {"the whole picture", {0, 0, 1920, 1080}, 1920, 1080, {0, 0, 130, 100}},
        // 100 / 14.77 = 6.8, 50 / 10.8 = 4.6, 1820 / 14.77 = 123.2, 1030 / 10.8 = 95.4
        {"the worked example", {100, 50, 1720, 980}, 1920, 1080, {7, 5, 123, 95}},
        {"the right half of 720p", {640, 0, 640, 720}, 1280, 720, {65, 0, 130, 100}},
        {"totals of 0: one pixel a pixel", {10, 20, 64, 48}, 0, 0, {10, 20, 74, 68}},
        {"totals of 0: kept inside the box", {100, 50, 1920, 1080}, 0, 0, {100, 50, 130, 100}},
        {"a window past the picture", {1000, 0, 1920, 1080}, 1920, 1080, {68, 0, 130, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CropPreviewOutline(c.window, c.hTotal, c.vTotal), c.expected);
    }
}

} // namespace
