#include "device/EditHistory.h"

#include <utility>

namespace corvane {

void EditHistory::Record(EditStep step, std::int64_t nowMs) {
    m_redo.clear();
    if (!m_sealed && !m_undo.empty() && !step.coalesceKey.empty() &&
        m_undo.back().coalesceKey == step.coalesceKey && nowMs - m_undo.back().atMs <= kCoalesceMs &&
        nowMs >= m_undo.back().atMs) {
        // One action: the earlier values stay the first step's, the later ones are the new step's.
        EditStep& top = m_undo.back();
        top.redo = std::move(step.redo);
        top.holdsAfter = std::move(step.holdsAfter);
        top.what = std::move(step.what);
        top.atMs = nowMs;
        return;
    }
    m_sealed = false;
    step.atMs = nowMs;
    m_undo.push_back(std::move(step));
    while (m_undo.size() > kMaxSteps)
        m_undo.pop_front();
}

EditStep* EditHistory::ValidTop(std::deque<EditStep>& stack, const DeviceState& state, bool undoSide) {
    while (!stack.empty()) {
        const EditStep& top = stack.back();
        const auto& holds = undoSide ? top.holdsAfter : top.holdsBefore;
        if (!holds || holds(state))
            return &stack.back();
        stack.pop_back(); // the processor has reported other values since
    }
    return nullptr;
}

bool EditHistory::Move(std::deque<EditStep>& from, std::deque<EditStep>& to, const DeviceState& state,
                       bool undoing) {
    EditStep* step = ValidTop(from, state, undoing);
    const std::function<bool()>* send = step ? &(undoing ? step->undo : step->redo) : nullptr;
    if (!send || !*send || !(*send)())
        return false;
    to.push_back(std::move(*step));
    from.pop_back();
    m_sealed = true;
    return true;
}

bool EditHistory::Undo(const DeviceState& state) {
    return Move(m_undo, m_redo, state, true);
}

bool EditHistory::Redo(const DeviceState& state) {
    return Move(m_redo, m_undo, state, false);
}

void EditHistory::Clear() {
    m_undo.clear();
    m_redo.clear();
    m_sealed = false;
}

std::string EditHistory::UndoText(const DeviceState& state) {
    const EditStep* step = ValidTop(m_undo, state, true);
    return step ? step->what : std::string();
}

std::string EditHistory::RedoText(const DeviceState& state) {
    const EditStep* step = ValidTop(m_redo, state, false);
    return step ? step->what : std::string();
}

} // namespace corvane
