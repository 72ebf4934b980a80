// The operator's change of the current input, without a user interface. (The old input's crop
// is switched off by the crop page: CropRulesTest.)

#include "picture/InputChange.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

TEST(InputChange, TheNewInputBecomesCurrentTheOldOneForgetsItsSignalAndAnInputOutsideChangesNothing) {
    struct Case {
        int from, to;
        bool changed;
    };
    // 9: a current input the processor never had is left without touching the arrays.
    for (const Case& c :
         {Case{1, 3, true}, Case{9, 2, true}, Case{0, -1, false}, Case{0, 4, false}, Case{0, 255, false}}) {
        SCOPED_TRACE(c.to);
        DeviceState s;
        s.currentInput = static_cast<std::uint32_t>(c.from);
        s.inputs[0].signal = s.inputs[1].signal = s.inputs[3].signal = 1;
        s.crop.rects[1].on = 1;
        EXPECT_EQ(ChangeCurrentInput(s, c.to), c.changed);
        EXPECT_EQ(s.currentInput, static_cast<std::uint32_t>(c.changed ? c.to : c.from));
        // The old input's signal is forgotten; the new input's is the processor's to tell.
        EXPECT_EQ(s.inputs[1].signal, c.from == 1 ? 0 : 1);
        EXPECT_EQ(s.inputs[0].signal + s.inputs[3].signal, 2);
        EXPECT_EQ(s.crop.rects[1].on, 1) << "the crop is the crop page's";
    }
}

} // namespace
