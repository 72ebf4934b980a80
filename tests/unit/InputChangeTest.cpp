// The operator's change of the current input, without a user interface.

#include "picture/InputChange.h"

#include "picture/CropFrames.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

TEST(InputChange, TheOldInputsCropIsSwitchedOffOnlyWithASynchronisedProcessor) {
    struct Case {
        const char* name;
        std::uint32_t linkState;
        std::uint8_t oldCropOn;
        bool frame;
    };
    const Case cases[] = {
        {"synchronised, crop on", kLinkSynchronised, 1, true},
        {"synchronised, crop off", kLinkSynchronised, 0, false},
        {"port open only", kLinkOpen, 1, false},
        {"no port", kLinkClosed, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceState s;
        s.linkState = c.linkState;
        s.currentInput = 1;
        s.inputs[1].signal = 1;
        s.crop.rects[1].on = c.oldCropOn;
        s.crop.rects[1].hStart = 16;
        const auto frame = ChangeCurrentInput(s, 3);
        EXPECT_EQ(s.currentInput, 3u);
        EXPECT_EQ(s.inputs[1].signal, 0) << "the old input's signal is forgotten";
        EXPECT_EQ(frame.has_value(), c.frame);
        if (c.frame) {
            EXPECT_EQ(s.crop.rects[1].on, 0);
            EXPECT_EQ(*frame, BuildCropFrame(s, 1, kCropSet))
                << "the crop command of the old input, switched off";
        } else {
            EXPECT_EQ(s.crop.rects[1].on, c.oldCropOn);
        }
    }
}

TEST(InputChange, AnInputOutsideTheProcessorsChangesNothing) {
    for (int input : {-1, 4, 255}) {
        DeviceState s;
        s.inputs[0].signal = 1;
        EXPECT_FALSE(ChangeCurrentInput(s, input).has_value());
        EXPECT_EQ(s.currentInput, 0u);
        EXPECT_EQ(s.inputs[0].signal, 1);
    }
    // A current input the processor never had is left without touching the arrays.
    DeviceState s;
    s.currentInput = 9;
    s.linkState = kLinkSynchronised;
    EXPECT_FALSE(ChangeCurrentInput(s, 2).has_value());
    EXPECT_EQ(s.currentInput, 2u);
}

} // namespace
