#include "widgets/Accessible.h"

#include "platform/ui/DialogTemplate.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CHotSpot.h"

#include <QAccessibleWidget>

namespace corvane {

namespace {

class ButtonInterface : public QAccessibleWidget {
public:
    explicit ButtonInterface(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::Role role() const override {
        if (auto* spot = qobject_cast<const CHotSpot*>(Button())) {
            switch (spot->GetKind()) {
            case CHotSpot::Kind::CheckBox:
                return QAccessible::CheckBox;
            case CHotSpot::Kind::Radio:
                return QAccessible::RadioButton;
            case CHotSpot::Kind::Button:
                return QAccessible::Button;
            }
        }
        if (auto* image = qobject_cast<const CGdipButton*>(Button())) {
            if (image->IsToggle())
                return QAccessible::CheckBox;
            if (image->IsRadio())
                return QAccessible::RadioButton;
        }
        return QAccessible::Button;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            QString name = widget()->accessibleName();
            if (name.isEmpty())
                name = WithoutMnemonic(Button()->text());
            if (!name.isEmpty())
                return name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const bool choice = role() != QAccessible::Button;
        if (choice || (Button()->isCheckable() && Button()->isChecked())) {
            s.checkable = true;
            s.checked = Button()->isChecked();
        }
        if (Button()->isDown())
            s.pressed = true;
        return s;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled())
            names << (role() == QAccessible::Button ? pressAction() : toggleAction());
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if ((name == pressAction() || name == toggleAction()) && widget()->isEnabled())
            Button()->click();
        else
            QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }
};

class DropButtonInterface : public QAccessibleWidget {
public:
    explicit DropButtonInterface(CDropButton* button) : QAccessibleWidget(button, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return static_cast<const CDropButton*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String("corvane::CDropButton"))
        return new DropButtonInterface(static_cast<CDropButton*>(object));
    if (key == QLatin1String("corvane::CGdipButton") || key == QLatin1String("corvane::CHotSpot"))
        return new ButtonInterface(static_cast<QAbstractButton*>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

} // namespace corvane
