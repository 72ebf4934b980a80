#pragma once

// Dialog templates and their controls.
//
// A dialog template is a Qt Designer file resources/dialogs/dialog<number>.ui, one per dialog
// resource number, compiled in by uic. It holds every control with its kind, caption and place;
// each control carries its control id as the dynamic property "controlId". A page finds its
// controls by id, and the language texts are applied by id ("IDD<dialog>_<control>").
//
// Names. Once a dialog is set up, and again after every language application, each control's
// object name is its control id as decimal text ("1373"), and each control has a name for screen
// readers, in this order of choice:
//   1. the language's "IDD<dialog>_<control>_Name", else "IDD_<control>_Name" (controls every
//      dialog has: the band's close 1201 and maximise 1202);
//   2. the accessible name the template (or the page, before Create) gave it;
//   3. a control that shows no name of its own - a value box or text box, a drop-down (its text
//      is the item picked), a slider, an image switch or any other control without text - takes
//      the text of the static text beside it (LabelBeside);
//   4. otherwise its own text: labels, buttons and group boxes are read by their text (without
//      the '&' of a shortcut), which always follows what the control shows.
// A name that a page set itself after Create is kept. The dialog's own name is its caption.

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

inline constexpr char kControlIdProperty[] = "controlId";
// Set (true) on a control whose text is its value, not its name (a drop-down shows the item
// picked): it is named by the static text beside it.
inline constexpr char kTextIsValueProperty[] = "textIsValue";

// The control id of a widget, 0 when it has none.
int ControlId(const QObject* control);
void SetControlId(QObject* control, int id);

// The controls of `dialog` in window order: its descendants with a control id, without those of
// other dialogs or windows nested in it.
std::vector<QWidget*> DialogControls(const QWidget* dialog);
// Every widget of `dialog` in window order, with a control id or without, without those of
// other dialogs or windows nested in it.
std::vector<QWidget*> DialogWidgets(const QWidget* dialog);

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
// Then names the controls (NameDialogControls).
void ApplyTemplateTexts(QWidget* dialog, int dialogId, const TextLookup& lookup);

// Gives every control of `dialog` its object name and its accessible name, and the dialog its
// accessible name (its caption; "IDD<dialogId>_Name" for a dialog without caption), as described
// at the top of this file.
void NameDialogControls(QWidget* dialog, int dialogId, const TextLookup& lookup);

// The static text that names `control`: among the labels with text of the control's dialog, the
// nearest one to its left whose height spans the control's middle (on the same row, other
// controls may stand between), else the nearest one ending at most kLabelAboveGap pixels above
// it and overlapping it horizontally. Null when there is none.
inline constexpr int kLabelAboveGap = 40;
QWidget* LabelBeside(const QWidget* control);

// Whether `control` is named by the label beside it rather than by a text of its own.
bool IsNamedByLabel(const QWidget* control);

// `text` without the '&' that marks a shortcut ("&&" is a '&').
QString WithoutMnemonic(const QString& text);

} // namespace corvane
