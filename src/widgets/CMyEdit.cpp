#include "widgets/CMyEdit.h"

#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>

namespace corvane {

void PaintEditFrame(QWidget* edit) {
    QPainter p(edit);
    const int width = 2;
    const QColor colour = edit->isEnabled() ? QColor(theme::kOrange) : QColor(theme::kBackground);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QRect r = edit->rect();
    p.drawRect(QRect(r.left(), r.top(), r.width(), width));
    p.drawRect(QRect(r.left(), r.bottom() - width + 1, r.width(), width));
    p.drawRect(QRect(r.left(), r.top(), width, r.height()));
    p.drawRect(QRect(r.right() - width + 1, r.top(), width, r.height()));
}

CMyEdit::CMyEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setTextMargins(4, 1, 4, 1);
}

void CMyEdit::SetNumericFilter(bool on) {
    m_numeric = on;
    UpdateFilter();
}

void CMyEdit::SetAlphanumericFilter(bool on) {
    m_alphanumeric = on;
    UpdateFilter();
}

void CMyEdit::UpdateFilter() {
    QValidator* old = const_cast<QValidator*>(validator());
    if (m_numeric)
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), this));
    else if (m_alphanumeric)
        setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z]*")), this));
    else
        setValidator(nullptr);
    delete old;
}

void CMyEdit::ShowText(const QString& shown) {
    // A box whose whole text was selected (ready to be typed over) stays so.
    const bool allSelected = hasSelectedText() && selectedText() == text();
    setText(shown);   // also clears the edited flag
    m_shown = text(); // as the box took it, within its length
    if (allSelected)
        selectAll();
}

bool CMyEdit::RefreshText(const QString& shown) {
    if (IsTyping())
        return false;
    ShowText(shown);
    return true;
}

bool CMyEdit::IsTyping() const {
    return hasFocus() && isModified();
}

void CMyEdit::Finished() {
    PostWindowMessage(OwnerWindow(this), WM_EDIT_FINISHED, 0, 0);
}

void CMyEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        selectAll();
        Finished();
        event->accept();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CMyEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Finished();
}

void CMyEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    PaintEditFrame(this);
}

} // namespace corvane
