#include "widgets/ValueEdit.h"

#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageWindow.h"
#include "widgets/CMyEdit.h"
#include "widgets/oBitmapSlider.h"

#include <QKeyEvent>
#include <QValidator>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

// What a printf-style format with one conversion shows.
struct FormatSpec {
    bool valid = false;
    bool integer = true;
    bool hasPoint = false; // the format holds a '.'
    int decimals = 0;
};

FormatSpec ParseFormat(const QString& format) {
    FormatSpec parsed;
    int conversions = 0;
    const QByteArray f = format.toLatin1();
    for (int i = 0; i < f.size(); ++i) {
        if (f[i] != '%')
            continue;
        if (i + 1 < f.size() && f[i + 1] == '%') {
            ++i;
            continue;
        }
        int j = i + 1;
        while (j < f.size() && std::strchr("-+ 0#", f[j]))
            ++j;
        while (j < f.size() && f[j] >= '0' && f[j] <= '9')
            ++j;
        int precision = -1;
        if (j < f.size() && f[j] == '.') {
            precision = 0;
            for (++j; j < f.size() && f[j] >= '0' && f[j] <= '9'; ++j)
                precision = std::min(precision * 10 + (f[j] - '0'), 99);
        }
        if (j >= f.size() || !std::strchr("diufFeEgG", f[j]))
            return FormatSpec{};
        parsed.integer = std::strchr("diu", f[j]) != nullptr;
        parsed.decimals = parsed.integer ? 0 : (precision < 0 ? 6 : precision);
        ++conversions;
        i = j;
    }
    parsed.valid = conversions == 1;
    parsed.hasPoint = format.contains('.');
    return parsed;
}

int DigitCount(double magnitude) {
    int digits = 1;
    for (double n = std::floor(std::fabs(magnitude)); n >= 10; n /= 10)
        ++digits;
    return digits;
}

// Admits only what the box's character flags allow: digits, a minus sign as the first
// character, one decimal point, no more decimals than the format shows.
class ValueFilter : public QValidator {
public:
    explicit ValueFilter(QObject* parent) : QValidator(parent) {}
    int flags = oValueEdit::kDigits;
    int decimals = -1;

    State validate(QString& input, int&) const override {
        bool point = false;
        int afterPoint = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                if (!(flags & oValueEdit::kDigits))
                    return Invalid;
                if (point)
                    ++afterPoint;
            } else if (c == QLatin1Char('-')) {
                if (!(flags & oValueEdit::kMinus) || i != 0)
                    return Invalid;
            } else if (c == QLatin1Char('.')) {
                if (!(flags & oValueEdit::kPoint) || point)
                    return Invalid;
                point = true;
            } else {
                return Invalid;
            }
        }
        if (decimals >= 0 && afterPoint > decimals)
            return Invalid;
        return Acceptable;
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
    const FormatSpec parsed = ParseFormat(m_format);
    filter->decimals = parsed.valid ? parsed.decimals : -1;
}

// Room for every value of the range: the digits of the largest magnitude, a sign when the range
// goes below zero, and the point with the decimals when the format has them; more when the value
// shown (a reported one) lies outside the range and needs it.
void oValueEdit::UpdateTextLimit() {
    const FormatSpec parsed = ParseFormat(m_format);
    int limit = DigitCount(std::max(std::fabs(m_min), std::fabs(m_max)));
    if (m_min < 0)
        ++limit;
    if (parsed.hasPoint)
        limit += 1 + parsed.decimals;
    limit = std::max(limit, static_cast<int>(FormatValue(m_value).size()));
    if (maxLength() != limit)
        setMaxLength(limit);
}

QString oValueEdit::FormatValue(float value) const {
    const FormatSpec parsed = ParseFormat(m_format);
    if (!parsed.valid)
        return QString::number(static_cast<double>(value));
    const QByteArray format = m_format.toLatin1();
    char text[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    // The format has exactly one conversion, checked above, and gets the argument it names.
    if (parsed.integer)
        std::snprintf(text, sizeof text, format.constData(), static_cast<int>(std::lround(value)));
    else
        std::snprintf(text, sizeof text, format.constData(), static_cast<double>(value));
#pragma GCC diagnostic pop
    return QString::fromLatin1(text);
}

void oValueEdit::ShowValue() {
    UpdateTextLimit(); // before the text: a longer one would be cut
    m_shown = FormatValue(m_value);
    if (text() != m_shown)
        setText(m_shown);
}

void oValueEdit::ShowFromSlider(float value) {
    m_value = std::clamp(value, m_min, m_max);
    m_typed = false;
    ShowValue();
}

void oValueEdit::Commit() {
    m_typed = false;
    bool ok = false;
    const double typed = text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(typed)) {
        ShowValue(); // nothing usable was typed: the value stays
        return;
    }
    m_value = std::clamp(static_cast<float>(typed), m_min, m_max);
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
    const int span = static_cast<int>(std::lround((m_max - m_min) * m_scale));
    slider->SetRange(std::min(0, span), std::max(0, span));
    slider->SetPageSize(std::abs(span) / 2);
    ValueChanged();
}

void oSliderEdit::ValueChanged() {
    if (!m_slider)
        return;
    // The slider's units count from the minimum.
    m_slider->SetPos(static_cast<int>(std::lround((m_value - m_min) * m_scale)));
}

void oSliderEdit::SliderMoved(int position, bool final) {
    // A move of the slider replaces whatever was typed.
    ShowFromSlider(static_cast<float>(position) / m_scale + m_min);
    if (final)
        PostCommitted();
}

oRealEdit::oRealEdit(QWidget* parent) : oValueEdit(99999, parent) {}

} // namespace corvane
