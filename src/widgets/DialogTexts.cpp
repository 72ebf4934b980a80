#include "widgets/DialogTexts.h"

#include "platform/ui/DialogTemplate.h"
#include "shell/Language.h"

namespace corvane {

namespace {

std::string LanguageText(const std::string& key) {
    return GetLangString(key);
}

} // namespace

void ApplyDialogTexts(QWidget* dialog, int dialogId) {
    ApplyTemplateTexts(dialog, dialogId, LanguageText);
}

void ApplyDialogNames(QWidget* dialog, int dialogId) {
    NameDialogControls(dialog, dialogId, LanguageText);
}

} // namespace corvane
