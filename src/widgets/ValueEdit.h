#pragma once

// Value boxes: owner-framed edit controls that hold a number. oSliderEdit moves together with an
// attached slider (oBitmapSlider); oRealEdit stands alone. A final change - typing and leaving
// the box, Enter, or a slider's final move - posts WM_VALUE_COMMITTED (0x4A1, wParam = the box's
// control id, lParam 0) to the page that owns the box. Values set from code post nothing.
//
// What the operator is typing is never overwritten: a value set from code (a reply of the
// processor) while the box has the focus and holds typed text becomes the box's value at once,
// but the box goes on showing the typed text. Enter, or leaving the box with the text changed,
// commits the typed text; Esc, or leaving it with the text as it was shown, drops the typing and
// shows the latest value.

#include "widgets/ValueText.h"

#include <QLineEdit>
#include <QPointer>
#include <cstdint>

namespace corvane {

class oBitmapSlider;

class oValueEdit : public QLineEdit {
    Q_OBJECT
public:
    // Which characters may be typed.
    enum CharFlag : int {
        kDigits = valuetext::kDigitChars,
        kMinus = valuetext::kMinusChar,
        kPoint = valuetext::kPointChar
    };

    // Shows `format` (printf style, "%d" or "%.1f" and the like) with the value and the text
    // limit that fits the range; the minimum and maximum are swapped when given the wrong way
    // round, and the value is kept inside them.
    void Setup(const QString& format, bool enable, float minimum, float maximum, float value);

    // From code: kept inside the range and shown formatted (and the slider follows), or, while
    // the operator is typing, shown when the typing ends without a commit; the page is not told.
    void SetValue(float value);
    // A value the processor reported, shown as it is also where it lies outside the range (the
    // text limit widens to fit it); only what is typed is kept inside the range. Otherwise as
    // SetValue.
    void SetReportedValue(float value);
    // Drops what was typed, also while the box has the focus, and shows the value.
    void DropTyped();
    float GetValue() const { return m_value; }
    void SetRange(float minimum, float maximum);
    float Minimum() const { return m_min; }
    float Maximum() const { return m_max; }
    // Slider units per value unit.
    void SetScale(float scale);
    float Scale() const { return m_scale; }
    void SetFormat(const QString& format);
    QString Format() const { return m_format; }
    void SetCharFlags(int flags);
    int CharFlags() const { return m_charFlags; }
    // True when something was typed since the last commit.
    bool IsTyped() const { return m_typed; }
    // True while the operator is typing: the box has the focus and holds typed text.
    bool IsTyping() const { return m_focused && m_typed; }

    // The value as the box shows it.
    QString FormatValue(float value) const;
    // Takes the typed text as the value (kept in the range, shown again) and tells the page.
    void Commit();

protected:
    oValueEdit(float maximum, QWidget* parent);

    // After the value changed: an attached slider follows.
    virtual void ValueChanged() {}
    // Tells the page of a final change.
    void PostCommitted();
    void ShowValue();
    // The value from the attached slider; what was typed is dropped.
    void ShowFromSlider(float value);

    // Ctrl+Z (and redo) undo the typing while there is some; else they are the window's undo
    // of the operator's last change.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    float m_value = 0;
    float m_min = 0;
    float m_max;
    float m_scale = 1.0f;

private:
    void UpdateFilter();
    void UpdateTextLimit();
    // `value` as the box's value; shown unless the operator is typing.
    void TakeValue(float value);

    QString m_format = QStringLiteral("%d");
    int m_charFlags = kDigits;
    bool m_typed = false;
    bool m_focused = false;
    // The text the box showed last from its value: the text that typing started from.
    QString m_shown;
};

class oSliderEdit : public oValueEdit {
    Q_OBJECT
public:
    explicit oSliderEdit(QWidget* parent = nullptr);
    ~oSliderEdit() override;

    // The slider's range becomes 0 .. round((maximum - minimum) * scale), its page half of that,
    // and its position the box's value.
    void AttachSlider(oBitmapSlider* slider);
    oBitmapSlider* AttachedSlider() const;

    // From the slider: value = position / scale + minimum, shown; a final move tells the page.
    void SliderMoved(int position, bool final);

protected:
    void ValueChanged() override;

private:
    QPointer<oBitmapSlider> m_slider;
};

class oRealEdit : public oValueEdit {
    Q_OBJECT
public:
    explicit oRealEdit(QWidget* parent = nullptr);
};

// The whole number a value box holds (the pages' boxes take digits only).
inline int BoxInt(const oValueEdit* box) {
    return static_cast<int>(box->GetValue());
}

} // namespace corvane
