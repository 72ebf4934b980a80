#pragma once

// Texts and names of the language in use for a dialog and its controls.

class QWidget;

namespace corvane {

// Sets the dialog's caption from "IDD<dialogId>_Title" and each control's text from
// "IDD<dialogId>_<control id>" of the language file in use. A control without a text in this
// language shows its template's text (not one a previous language left behind). Then names the
// controls, as ApplyDialogNames does.
void ApplyDialogTexts(QWidget* dialog, int dialogId);

// Gives each control its control id as object name and its name for screen readers (from
// "IDD<dialogId>_<control id>_Name" of the language file, the template, the label beside it or
// its own text), and the dialog its caption as name (platform/ui/DialogTemplate.h).
void ApplyDialogNames(QWidget* dialog, int dialogId);

} // namespace corvane
