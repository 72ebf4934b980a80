#include "platform/ui/DialogTemplate.h"

#include "platform/ui/MessageWindow.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

namespace corvane {

namespace {

constexpr char kTemplateText[] = "templateText";
constexpr char kLanguageText[] = "languageText";

void CollectControls(const QWidget* parent, std::vector<QWidget*>& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || AsMessageWindow(w))
            continue;
        if (ControlId(w) != 0)
            out.push_back(w);
        CollectControls(w, out);
    }
}

std::string Key(int dialogId, const char* suffix) {
    return "IDD" + std::to_string(dialogId) + "_" + suffix;
}

// Sets the language's text, or brings the template's text back when the language has none and
// the text shown is one an earlier language put there.
template <class Get, class Set> void ApplyText(QObject* holder, const std::string& text, Get get, Set set) {
    if (!text.empty()) {
        const QString value = QString::fromStdString(text);
        set(value);
        holder->setProperty(kLanguageText, value);
        return;
    }
    const QVariant shown = holder->property(kLanguageText);
    if (shown.isValid() && shown.toString() == get()) {
        set(holder->property(kTemplateText).toString());
        holder->setProperty(kLanguageText, QVariant());
    }
}

} // namespace

int ControlId(const QObject* control) {
    if (!control)
        return 0;
    const QVariant id = control->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

void SetControlId(QObject* control, int id) {
    control->setProperty(kControlIdProperty, id);
}

std::vector<QWidget*> DialogControls(const QWidget* dialog) {
    std::vector<QWidget*> controls;
    if (dialog)
        CollectControls(dialog, controls);
    return controls;
}

QWidget* FindControl(const QWidget* dialog, int id) {
    for (QWidget* w : DialogControls(dialog))
        if (ControlId(w) == id)
            return w;
    return nullptr;
}

QString ControlText(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    return control ? control->property("text").toString() : QString();
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (control)
        control->setProperty("text", text);
    if (control)
        control->update();
}

void RememberTemplateTexts(QWidget* dialog) {
    if (!dialog->property(kTemplateText).isValid())
        dialog->setProperty(kTemplateText, dialog->windowTitle());
    for (QWidget* w : DialogControls(dialog))
        if (!w->property(kTemplateText).isValid())
            w->setProperty(kTemplateText, ControlText(w));
}

void ApplyTemplateTexts(QWidget* dialog, int dialogId, const TextLookup& lookup) {
    RememberTemplateTexts(dialog);
    ApplyText(
        dialog, lookup(Key(dialogId, "Title")), [&] { return dialog->windowTitle(); },
        [&](const QString& t) {
            dialog->setWindowTitle(t);
            dialog->update();
        });
    for (QWidget* w : DialogControls(dialog)) {
        ApplyText(
            w, lookup(Key(dialogId, std::to_string(ControlId(w)).c_str())), [&] { return ControlText(w); },
            [&](const QString& t) { SetControlText(w, t); });
    }
}

} // namespace corvane
