#pragma once

// The operator's edits as they reached the processor, to undo and redo: a model of its own,
// without Qt and without the pages. Each step is a pair: `undo` sends the earlier values
// through the same builders and pages as the change did, `redo` sends the later ones; and a
// pair of tests on the state: whether it still holds the step's later values (else the
// processor has since reported others, and undoing would put back something nobody sees: the
// step is dropped) and, once undone, its earlier ones (the same for redo).
//
// Steps of one action coalesce: a step recorded with the key of the newest one within
// kCoalesceMs of it (arrow keys pressed in a row) is merged into it, keeping the newest's
// earlier values and taking the new one's later values. A drag is recorded once, when it ends.
// The history holds kMaxSteps steps (the oldest go first) and is emptied by a new
// synchronisation. What cannot be undone is never recorded and ends nothing.

#include "device/DeviceState.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace corvane {

struct EditStep {
    std::string what; // "Move Layer2", shown as "Undo Move Layer2"
    // Steps with the same non-empty key, recorded within kCoalesceMs of each other, are one.
    std::string coalesceKey;
    std::function<bool()> undo; // false: nothing could be sent (the step stays where it was)
    std::function<bool()> redo;
    std::function<bool(const DeviceState&)> holdsAfter;  // the state shows the step done
    std::function<bool(const DeviceState&)> holdsBefore; // the state shows the step undone
    std::int64_t atMs = 0; // when it was recorded (or last merged), steady milliseconds
};

class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::int64_t kCoalesceMs = 1000;

    // A new step: the redo side is emptied.
    void Record(EditStep step, std::int64_t nowMs);
    // Undoes the newest step that the state still shows done; the steps above it that it no
    // longer shows are dropped. False when there is none, or when its undo sent nothing.
    bool Undo(const DeviceState& state);
    bool Redo(const DeviceState& state);
    // A new synchronisation: the processor's state may have changed meanwhile.
    void Clear();
    // Ends coalescing: the next step is a step of its own (an undo, a page shown anew).
    void Seal() { m_sealed = true; }

    // What Undo / Redo would act on as the state stands (the text of the first step that is
    // still valid); empty when nothing.
    std::string UndoText(const DeviceState& state);
    std::string RedoText(const DeviceState& state);
    std::size_t UndoCount() const { return m_undo.size(); }
    std::size_t RedoCount() const { return m_redo.size(); }

private:
    // Drops the stale steps on top of `stack`; the valid top or null.
    static EditStep* ValidTop(std::deque<EditStep>& stack, const DeviceState& state, bool undoSide);
    // Undoes (or redoes) the valid top of `from` and moves it onto `to`.
    bool Move(std::deque<EditStep>& from, std::deque<EditStep>& to, const DeviceState& state, bool undoing);

    std::deque<EditStep> m_undo; // newest at the back
    std::deque<EditStep> m_redo; // the next to redo at the back
    bool m_sealed = false;
};

} // namespace corvane
