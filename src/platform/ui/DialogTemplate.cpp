#include "platform/ui/DialogTemplate.h"

#include "platform/ui/MessageWindow.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <limits>

namespace corvane {

namespace {

constexpr char kTemplateText[] = "templateText";
constexpr char kLanguageText[] = "languageText";
constexpr char kTemplateName[] = "templateName";
constexpr char kGivenName[] = "givenName";
// A label may end this far right of the control's left edge and still stand left of it.
constexpr int kRowTolerance = 2;

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

// Every widget of `parent` (not only those with a control id), without nested dialogs.
void CollectWidgets(const QWidget* parent, std::vector<QWidget*>& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || AsMessageWindow(w))
            continue;
        out.push_back(w);
        CollectWidgets(w, out);
    }
}

// The dialog (or window) that holds `control`.
QWidget* DialogOf(const QWidget* control) {
    for (QWidget* w = control->parentWidget(); w; w = w->parentWidget())
        if (w->isWindow() || AsMessageWindow(w))
            return w;
    return nullptr;
}

// The name of `control` from the language, the template, or the label beside it; empty when
// its own text names it.
QString ChosenName(QWidget* control, int dialogId, const TextLookup& lookup) {
    const std::string id = std::to_string(ControlId(control));
    std::string name = lookup(Key(dialogId, (id + "_Name").c_str()));
    if (name.empty())
        name = lookup("IDD_" + id + "_Name");
    if (!name.empty())
        return QString::fromStdString(name);
    const QString templateName = control->property(kTemplateName).toString();
    if (!templateName.isEmpty())
        return templateName;
    if (IsNamedByLabel(control))
        if (const QWidget* label = LabelBeside(control))
            return WithoutMnemonic(ControlText(label)).trimmed();
    return {};
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

std::vector<QWidget*> DialogWidgets(const QWidget* dialog) {
    std::vector<QWidget*> widgets;
    if (dialog)
        CollectWidgets(dialog, widgets);
    return widgets;
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
    for (QWidget* w : DialogControls(dialog)) {
        if (!w->property(kTemplateText).isValid())
            w->setProperty(kTemplateText, ControlText(w));
        if (!w->property(kTemplateName).isValid())
            w->setProperty(kTemplateName, w->accessibleName());
    }
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
    NameDialogControls(dialog, dialogId, lookup);
}

QString WithoutMnemonic(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            out += u'&';
            ++i;
        }
    }
    return out;
}

bool IsNamedByLabel(const QWidget* control) {
    if (qobject_cast<const QLabel*>(control) || qobject_cast<const QGroupBox*>(control))
        return false;
    if (qobject_cast<const QLineEdit*>(control) || control->property(kTextIsValueProperty).toBool())
        return true;
    return ControlText(control).trimmed().isEmpty();
}

QWidget* LabelBeside(const QWidget* control) {
    QWidget* dialog = DialogOf(control);
    if (!dialog)
        return nullptr;
    const QRect c(control->mapTo(dialog, QPoint(0, 0)), control->size());
    std::vector<QWidget*> widgets;
    CollectWidgets(dialog, widgets);
    QWidget* left = nullptr;
    QWidget* above = nullptr;
    int leftGap = std::numeric_limits<int>::max();
    int aboveGap = std::numeric_limits<int>::max();
    for (QWidget* w : widgets) {
        auto* label = qobject_cast<QLabel*>(w);
        if (!label || label == control || WithoutMnemonic(label->text()).trimmed().isEmpty())
            continue;
        const QRect l(label->mapTo(dialog, QPoint(0, 0)), label->size());
        const int middle = c.center().y();
        if (l.right() <= c.left() + kRowTolerance && l.top() <= middle && middle <= l.bottom()) {
            const int gap = c.left() - l.right();
            if (gap < leftGap) {
                leftGap = gap;
                left = label;
            }
        } else if (l.bottom() <= c.top() + kRowTolerance && l.left() <= c.right() && l.right() >= c.left()) {
            const int gap = c.top() - l.bottom();
            if (gap <= kLabelAboveGap && gap < aboveGap) {
                aboveGap = gap;
                above = label;
            }
        }
    }
    return left ? left : above;
}

void NameDialogControls(QWidget* dialog, int dialogId, const TextLookup& lookup) {
    RememberTemplateTexts(dialog);
    QString caption = WithoutMnemonic(dialog->windowTitle()).trimmed();
    if (caption.isEmpty())
        caption = QString::fromStdString(lookup(Key(dialogId, "Name")));
    if (!caption.isEmpty())
        dialog->setAccessibleName(caption);
    for (QWidget* w : DialogControls(dialog)) {
        w->setObjectName(QString::number(ControlId(w)));
        // A name the page gave the control itself after it was set up stays.
        const QString current = w->accessibleName();
        const bool ours = current.isEmpty() || current == w->property(kGivenName).toString() ||
                          current == w->property(kTemplateName).toString();
        if (!ours)
            continue;
        const QString name = ChosenName(w, dialogId, lookup);
        if (name != current)
            w->setAccessibleName(name);
        w->setProperty(kGivenName, name);
    }
}

} // namespace corvane
