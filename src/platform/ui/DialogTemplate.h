#pragma once

// Dialog templates and their controls.
//
// A dialog template is a Qt Designer file resources/dialogs/dialog<number>.ui, one per dialog
// resource number, compiled in by uic. It holds every control with its kind, caption and place;
// each control carries its control id as the dynamic property "controlId". A page finds its
// controls by id, and the language texts are applied by id ("IDD<dialog>_<control>").

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

inline constexpr char kControlIdProperty[] = "controlId";

// The control id of a widget, 0 when it has none.
int ControlId(const QObject* control);
void SetControlId(QObject* control, int id);

// The controls of `dialog` in window order: its descendants with a control id, without those of
// other dialogs or windows nested in it.
std::vector<QWidget*> DialogControls(const QWidget* dialog);

// The control of `dialog` with `id`, or null.
QWidget* FindControl(const QWidget* dialog, int id);

// Text of a static, button, edit or group box (its caption).
QString ControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// Keeps the template's caption and control texts, so that a language without a text for a
// control can show the template's text again. Called once, when the dialog is created.
void RememberTemplateTexts(QWidget* dialog);

// Looks up a language text by key; an empty text when there is none.
using TextLookup = std::function<std::string(const std::string& key)>;

// Sets the caption from "IDD<dialogId>_Title" and each control's text from
// "IDD<dialogId>_<control id>" where the lookup gives a text. Where it gives none, the control
// keeps its text, unless that text was put there by an earlier language: then the template's
// text comes back, so no text of the previous language stays behind after a switch.
void ApplyTemplateTexts(QWidget* dialog, int dialogId, const TextLookup& lookup);

} // namespace corvane
