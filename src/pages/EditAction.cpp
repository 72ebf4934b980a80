#include "pages/EditAction.h"

#include "device/EditRecorder.h"
#include "pages/PageContext.h"

#include <utility>

namespace corvane {

EditAction::EditAction(PageContext& context, std::string what, bool record) : m_edits(context.Edits()) {
    if (m_edits)
        m_edits->BeginAction(std::move(what), record);
}

EditAction::EditAction(PageContext& context, AwaitingAcknowledgement) : m_edits(context.Edits()) {
    if (m_edits) {
        m_edits->BeginAction(std::string(), false);
        m_edits->AwaitAcknowledgement();
    }
}

EditAction::~EditAction() {
    if (m_edits)
        m_edits->EndAction();
}

} // namespace corvane
