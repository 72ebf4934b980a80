#include "widgets/CHotSpot.h"

#include "platform/ui/DialogTemplate.h"
#include "widgets/Accessible.h"
#include "widgets/CBaseDialog.h"
#include "widgets/Theme.h"

#include <QDynamicPropertyChangeEvent>
#include <QKeyEvent>
#include <QPainter>

namespace corvane {

CHotSpot::CHotSpot(QWidget* parent) : QAbstractButton(parent) {
    InstallAccessibleInterfaces();
    // Reached with Tab; a click does not take the focus, so the frame marks the keyboard's place.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    SetKind(Kind::Button);
    // Checked by a click or by the page.
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked && m_kind == Kind::Radio)
            UncheckOthers();
    });
}

CHotSpot::CHotSpot(QWidget* page, int controlId, const QRect& area, Kind kind) : CHotSpot(page) {
    SetControlId(this, controlId);
    setObjectName(QString::number(controlId));
    setGeometry(area);
    SetKind(kind);
    for (QWidget* w = page; w; w = w->parentWidget())
        if (auto* dialog = qobject_cast<CBaseDialog*>(w)) {
            if (dialog->IsCreated())
                dialog->WireCommand(this); // else Create() wires it with the template's buttons
            break;
        }
}

void CHotSpot::SetKind(Kind kind) {
    m_kind = kind;
    setCheckable(kind != Kind::Button);
}

QSize CHotSpot::sizeHint() const {
    return QSize(40, 40);
}

void CHotSpot::paintEvent(QPaintEvent*) {
    if (!hasFocus())
        return; // the page's drawing shows through
    QPainter p(this);
    const QColor orange(theme::kOrange);
    const int w = width(), h = height(), f = kFrameWidth;
    p.fillRect(0, 0, w, f, orange);
    p.fillRect(0, h - f, w, f, orange);
    p.fillRect(0, 0, f, h, orange);
    p.fillRect(w - f, 0, f, h, orange);
}

void CHotSpot::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter activates a hot spot (it closes nothing: the page never sees it).
        if (!event->isAutoRepeat() && isEnabled())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CHotSpot::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    update();
}

void CHotSpot::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
}

void CHotSpot::nextCheckState() {
    if (m_kind == Kind::Radio)
        setChecked(true);
    else if (m_kind == Kind::CheckBox)
        setChecked(!isChecked());
}

void CHotSpot::UncheckOthers() {
    if (!parentWidget())
        return;
    for (CHotSpot* other : parentWidget()->findChildren<CHotSpot*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->m_kind == Kind::Radio && other->m_group == m_group && other->isChecked())
            other->setChecked(false);
}

bool CHotSpot::event(QEvent* event) {
    if (event->type() == QEvent::DynamicPropertyChange)
        ReadTemplateProperty(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName());
    return QAbstractButton::event(event);
}

void CHotSpot::ReadTemplateProperty(const QByteArray& name) {
    if (name == "kind") {
        const QString kind = property("kind").toString();
        SetKind(kind == QLatin1String("checkbox") ? Kind::CheckBox
                : kind == QLatin1String("radio")  ? Kind::Radio
                                                  : Kind::Button);
    } else if (name == "group") {
        m_group = property("group").toInt();
    }
}

} // namespace corvane
