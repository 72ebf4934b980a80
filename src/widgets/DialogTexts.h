#pragma once

// Texts of the language in use for a dialog and its controls.

class QWidget;

namespace corvane {

// Sets the dialog's caption from "IDD<dialogId>_Title" and each control's text from
// "IDD<dialogId>_<control id>" of the language file in use. A control without a text in this
// language shows its template's text (not one a previous language left behind).
void ApplyDialogTexts(QWidget* dialog, int dialogId);

} // namespace corvane
