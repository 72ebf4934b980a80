#pragma once

// One action of the operator, one undo step: everything the page sends while the action
// lives is gathered into a step named `what` (a name from what it changed when empty). With
// `record` false what is sent is no step at all (an input change switching the old input's
// crop off). Nothing happens where the context records no edits.

#include <string>

namespace corvane {

class EditRecorder;
class PageContext;

// An action whose frames wait for the processor's acknowledgement (a resolution Apply): they are
// no step and move nothing; the acknowledgement is the step.
struct AwaitingAcknowledgement {};

class EditAction {
public:
    EditAction(PageContext& context, std::string what, bool record = true);
    EditAction(PageContext& context, AwaitingAcknowledgement);
    ~EditAction();
    EditAction(const EditAction&) = delete;
    EditAction& operator=(const EditAction&) = delete;

private:
    EditRecorder* m_edits;
};

} // namespace corvane
