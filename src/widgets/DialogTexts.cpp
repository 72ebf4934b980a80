#include "widgets/DialogTexts.h"

#include "platform/ui/DialogTemplate.h"
#include "shell/Language.h"

namespace corvane {

void ApplyDialogTexts(QWidget* dialog, int dialogId) {
    ApplyTemplateTexts(dialog, dialogId, [](const std::string& key) { return GetLangString(key); });
}

} // namespace corvane
