// The operator's change of the current input, without a user interface. (The old input's crop
// is switched off by the crop page: CropRulesTest.)

#include "picture/InputChange.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

TEST(InputChange, TheNewInputBecomesCurrentAndTheOldOneForgetsItsSignal) {
    DeviceState s;
    s.linkState = kLinkSynchronised;
    s.currentInput = 1;
    s.inputs[1].signal = 1;
    s.inputs[3].signal = 1;
    s.crop.rects[1].on = 1;
    EXPECT_TRUE(ChangeCurrentInput(s, 3));
    EXPECT_EQ(s.currentInput, 3u);
    EXPECT_EQ(s.inputs[1].signal, 0) << "the old input's signal is forgotten";
    EXPECT_EQ(s.inputs[3].signal, 1) << "the new input's is the processor's to tell";
    EXPECT_EQ(s.crop.rects[1].on, 1) << "the crop is the crop page's";
}

TEST(InputChange, AnInputOutsideTheProcessorsChangesNothing) {
    for (int input : {-1, 4, 255}) {
        DeviceState s;
        s.inputs[0].signal = 1;
        EXPECT_FALSE(ChangeCurrentInput(s, input));
        EXPECT_EQ(std::pair(s.currentInput, s.inputs[0].signal), std::pair(0u, std::uint8_t{1})) << input;
    }
    // A current input the processor never had is left without touching the arrays.
    DeviceState s;
    s.currentInput = 9;
    EXPECT_TRUE(ChangeCurrentInput(s, 2));
}

} // namespace
