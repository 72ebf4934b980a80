#include "widgets/ValueEdit.h"

#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageWindow.h"
#include "widgets/CMyEdit.h"
#include "widgets/ValueText.h"
#include "widgets/oBitmapSlider.h"

#include <QKeyEvent>
#include <QValidator>
#include <algorithm>

namespace corvane {

namespace {

// Admits what the box's character flags allow (valuetext::Admits).
class ValueFilter : public QValidator {
public:
    explicit ValueFilter(QObject* parent) : QValidator(parent) {}
    int flags = oValueEdit::kDigits;
    int decimals = -1;

    State validate(QString& input, int&) const override {
        return valuetext::Admits(input.toStdString(), flags, decimals) ? Acceptable : Invalid;
    }
};

} // namespace

oValueEdit::oValueEdit(float maximum, QWidget* parent) : QLineEdit(parent), m_max(maximum) {
    setFrame(false);
    setTextMargins(3, 1, 3, 1);
    setAlignment(Qt::AlignCenter);
    setValidator(new ValueFilter(this));
    connect(this, &QLineEdit::textEdited, this, [this] { m_typed = true; });
    UpdateFilter();
    UpdateTextLimit();
    ShowValue();
}

void oValueEdit::Setup(const QString& format, bool enable, float minimum, float maximum, float value) {
    m_format = format;
    if (minimum > maximum)
        std::swap(minimum, maximum);
    m_min = minimum;
    m_max = maximum;
    m_value = std::clamp(value, m_min, m_max);
    UpdateFilter();
    UpdateTextLimit();
    setEnabled(enable);
    m_typed = false;
    ShowValue();
    ValueChanged();
}

void oValueEdit::SetValue(float value) {
    TakeValue(std::clamp(value, m_min, m_max));
}

void oValueEdit::SetReportedValue(float value) {
    TakeValue(value);
}

void oValueEdit::TakeValue(float value) {
    m_value = value;
    if (!IsTyping()) {
        m_typed = false;
        ShowValue();
    }
    ValueChanged();
}

void oValueEdit::DropTyped() {
    m_typed = false;
    ShowValue();
}

void oValueEdit::SetRange(float minimum, float maximum) {
    if (minimum > maximum)
        std::swap(minimum, maximum);
    m_min = minimum;
    m_max = maximum;
    m_value = std::clamp(m_value, m_min, m_max);
    UpdateTextLimit();
    ShowValue();
    ValueChanged();
}

void oValueEdit::SetScale(float scale) {
    m_scale = scale != 0 ? scale : 1.0f;
    ValueChanged();
}

void oValueEdit::SetFormat(const QString& format) {
    m_format = format;
    UpdateFilter();
    UpdateTextLimit();
    ShowValue();
}

void oValueEdit::SetCharFlags(int flags) {
    m_charFlags = flags;
    UpdateFilter();
    ShowValue();
}

void oValueEdit::UpdateFilter() {
    auto* filter = static_cast<ValueFilter*>(const_cast<QValidator*>(validator()));
    filter->flags = m_charFlags;
    const valuetext::FormatSpec parsed = valuetext::ParseFormat(m_format.toStdString());
    filter->decimals = parsed.valid ? parsed.decimals : -1;
}

// Room for every value of the range, and for the value shown when it lies outside (a reported one).
void oValueEdit::UpdateTextLimit() {
    const int limit = valuetext::TextLimit(m_format.toStdString(), m_min, m_max,
                                           static_cast<int>(FormatValue(m_value).size()));
    if (maxLength() != limit)
        setMaxLength(limit);
}

QString oValueEdit::FormatValue(float value) const {
    if (const auto text = valuetext::Formatted(m_format.toStdString(), value))
        return QString::fromStdString(*text);
    return QString::number(static_cast<double>(value));
}

void oValueEdit::ShowValue() {
    UpdateTextLimit(); // before the text: a longer one would be cut
    m_shown = FormatValue(m_value);
    if (text() != m_shown)
        setText(m_shown);
}

void oValueEdit::ShowFromSlider(float value) {
    m_value = value;
    m_typed = false;
    ShowValue();
}

void oValueEdit::Commit() {
    m_typed = false;
    const std::optional<float> typed = valuetext::TypedValue(text().trimmed().toStdString(), m_min, m_max);
    if (!typed) {
        ShowValue(); // nothing usable was typed: the value stays
        return;
    }
    m_value = *typed;
    ShowValue();
    ValueChanged();
    PostCommitted();
}

void oValueEdit::PostCommitted() {
    PostWindowMessage(OwnerWindow(this), WM_VALUE_COMMITTED, static_cast<std::uintptr_t>(ControlId(this)), 0);
}

bool oValueEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && !m_typed) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
            event->ignore(); // not the box's: the shortcut of the window runs
            return false;
        }
    }
    return QLineEdit::event(event);
}

void oValueEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_typed)
            Commit();
        event->accept();
        return;
    case Qt::Key_Escape:
        if (m_typed) {
            m_typed = false; // what was typed is dropped
            ShowValue();
        }
        event->accept();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void oValueEdit::focusInEvent(QFocusEvent* event) {
    m_focused = true;
    QLineEdit::focusInEvent(event);
}

void oValueEdit::focusOutEvent(QFocusEvent* event) {
    m_focused = false;
    QLineEdit::focusOutEvent(event);
    if (!m_typed)
        return;
    // Typing that came back to what the box showed changes nothing: the box shows its value,
    // which a reply may have changed meanwhile.
    if (text() == m_shown && FormatValue(m_value) != m_shown)
        DropTyped();
    else
        Commit();
}

void oValueEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    PaintEditFrame(this);
}

oSliderEdit::oSliderEdit(QWidget* parent) : oValueEdit(9999, parent) {}

oSliderEdit::~oSliderEdit() {
    if (m_slider && m_slider->AttachedEdit() == this)
        m_slider->SetAttachedEdit(nullptr);
}

oBitmapSlider* oSliderEdit::AttachedSlider() const {
    return m_slider.data();
}

void oSliderEdit::AttachSlider(oBitmapSlider* slider) {
    if (m_slider && m_slider != slider && m_slider->AttachedEdit() == this)
        m_slider->SetAttachedEdit(nullptr);
    m_slider = slider;
    if (!slider)
        return;
    slider->SetAttachedEdit(this);
    const valuetext::SliderSpan span = valuetext::SpanOf(m_min, m_max, m_scale);
    slider->SetRange(span.min, span.max);
    slider->SetPageSize(span.page);
    ValueChanged();
}

void oSliderEdit::ValueChanged() {
    if (!m_slider)
        return;
    // The slider's units count from the minimum.
    m_slider->SetPos(valuetext::SliderPosition(m_value, m_min, m_scale));
}

void oSliderEdit::SliderMoved(int position, bool final) {
    // A move of the slider replaces whatever was typed.
    ShowFromSlider(valuetext::SliderValue(position, m_min, m_max, m_scale));
    if (final)
        PostCommitted();
}

oRealEdit::oRealEdit(QWidget* parent) : oValueEdit(99999, parent) {}

} // namespace corvane
