// The edit history: coalescing, its limit, stale steps dropped, emptied by a synchronisation,
// an undo that could send nothing leaving the step where it was.

#include "device/EditHistory.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvane;

namespace {

// Layer 1's x as the "processor" holds it: a step's undo and redo write it, as a command
// and its report would.
class EditHistoryTest : public ::testing::Test {
protected:
    EditHistoryTest() { state.layers[0].x = 0; }

    EditStep Move(std::uint32_t from, std::uint32_t to, const std::string& key = "layer0") {
        EditStep s;
        s.what = "Move Layer1";
        s.coalesceKey = key;
        const auto send = [this](std::uint32_t x) {
            return [this, x] {
                if (linked) {
                    state.layers[0].x = x;
                    sent.push_back(x);
                }
                return linked;
            };
        };
        s.undo = send(from);
        s.redo = send(to);
        s.holdsAfter = [to](const DeviceState& d) { return d.layers[0].x == to; };
        s.holdsBefore = [from](const DeviceState& d) { return d.layers[0].x == from; };
        return s;
    }
    // The operator's edit: the state changes, then the step is recorded.
    void Edit(std::uint32_t to, std::int64_t atMs, const std::string& key = "layer0") {
        const std::uint32_t from = state.layers[0].x;
        state.layers[0].x = to;
        history.Record(Move(from, to, key), atMs);
    }

    DeviceState state;
    EditHistory history;
    std::vector<std::uint32_t> sent;
    bool linked = true;
};

TEST_F(EditHistoryTest, UndoSendsTheEarlierValuesAndRedoTheLaterOnes) {
    EXPECT_FALSE(history.Undo(state)) << "nothing to undo";
    EXPECT_EQ(history.UndoText(state), "");
    Edit(100, 0);
    Edit(200, 5000);
    EXPECT_EQ(history.UndoText(state), "Move Layer1");
    ASSERT_TRUE(history.Undo(state));
    EXPECT_EQ(state.layers[0].x, 100u);
    ASSERT_TRUE(history.Undo(state));
    EXPECT_EQ(state.layers[0].x, 0u);
    EXPECT_FALSE(history.Undo(state));
    ASSERT_TRUE(history.Redo(state));
    ASSERT_TRUE(history.Redo(state));
    EXPECT_FALSE(history.Redo(state));
    EXPECT_EQ(state.layers[0].x, 200u);
    EXPECT_EQ(sent, (std::vector<std::uint32_t>{100, 0, 100, 200}));
    // A new edit after an undo ends what could be redone.
    ASSERT_TRUE(history.Undo(state));
    Edit(300, 9000);
    EXPECT_EQ(history.RedoCount(), 0u);
    EXPECT_FALSE(history.Redo(state));
}

TEST_F(EditHistoryTest, StepsOfOneActionWithinASecondAreOne) {
    struct Case {
        const char* what;
        std::int64_t secondAtMs;
        const char* secondKey;
        std::size_t steps;
    };
    for (const Case& c :
         {Case{"arrow keys in a row", 400, "layer0", 1}, Case{"exactly a second later", 1000, "layer0", 1},
          Case{"a second and a millisecond later", 1001, "layer0", 2},
          Case{"another field", 400, "layer1", 2}, Case{"no key", 400, "", 2}}) {
        SCOPED_TRACE(c.what);
        history.Clear();
        state.layers[0].x = 0;
        Edit(10, 0, c.secondKey[0] ? "layer0" : "");
        Edit(20, c.secondAtMs, c.secondKey);
        EXPECT_EQ(history.UndoCount(), c.steps);
        ASSERT_TRUE(history.Undo(state));
        EXPECT_EQ(state.layers[0].x, c.steps == 1 ? 0u : 10u) << "one undo takes back the whole action";
    }
    // A run of presses coalesces from press to press, not from the first.
    history.Clear();
    state.layers[0].x = 0;
    for (int i = 1; i <= 5; ++i)
        Edit(static_cast<std::uint32_t>(i), i * 800);
    EXPECT_EQ(history.UndoCount(), 1u);
    // After an undo the next press is a step of its own, even within the second of the step
    // below it.
    history.Clear();
    state.layers[0].x = 0;
    Edit(10, 0, "a");
    Edit(20, 100, "b");
    ASSERT_TRUE(history.Undo(state));
    Edit(30, 200, "a");
    EXPECT_EQ(history.UndoCount(), 2u);
    ASSERT_TRUE(history.Undo(state));
    EXPECT_EQ(state.layers[0].x, 10u);
}

TEST_F(EditHistoryTest, TheHistoryHoldsAHundredStepsTheOldestGoFirst) {
    for (std::uint32_t i = 1; i <= EditHistory::kMaxSteps + 1; ++i)
        Edit(i, static_cast<std::int64_t>(i) * 2000);
    EXPECT_EQ(history.UndoCount(), EditHistory::kMaxSteps);
    int undone = 0;
    while (history.Undo(state))
        ++undone;
    EXPECT_EQ(undone, static_cast<int>(EditHistory::kMaxSteps));
    EXPECT_EQ(state.layers[0].x, 1u) << "the first step was dropped: its value stays";
}

TEST_F(EditHistoryTest, AStepTheProcessorHasSinceChangedIsDropped) {
    Edit(100, 0);
    Edit(200, 5000, "layer0-other");
    state.layers[0].x = 250; // the processor reports another value
    EXPECT_EQ(history.UndoText(state), "") << "neither step holds any more";
    EXPECT_FALSE(history.Undo(state));
    EXPECT_EQ(history.UndoCount(), 0u);
    EXPECT_TRUE(sent.empty()) << "nothing is sent for a stale step";

    // Only the stale steps on top go: an older one that holds is undone.
    history.Clear();
    state.layers[0].x = 0;
    Edit(100, 0);
    EditStep other = Move(0, 1, "layer1");
    other.holdsAfter = [](const DeviceState&) { return false; }; // reported otherwise since
    history.Record(std::move(other), 5000);
    ASSERT_TRUE(history.Undo(state));
    EXPECT_EQ(state.layers[0].x, 0u);

    // The same on the redo side.
    state.layers[0].x = 42;
    EXPECT_FALSE(history.Redo(state));
    EXPECT_EQ(history.RedoCount(), 0u);
}

TEST_F(EditHistoryTest, AnUndoThatCannotSendKeepsItsStepAndASynchronisationEmptiesAll) {
    Edit(100, 0);
    linked = false;
    EXPECT_FALSE(history.Undo(state));
    EXPECT_EQ(std::make_tuple(history.UndoCount(), state.layers[0].x), std::make_tuple(std::size_t{1}, 100u));
    linked = true;
    ASSERT_TRUE(history.Undo(state));
    history.Clear();
    EXPECT_EQ(history.UndoCount() + history.RedoCount(), 0u);
    EXPECT_FALSE(history.Redo(state));
}

} // namespace
