#pragma once

// A framed text box for names, addresses and passwords. Enter or Esc selects its whole text and
// posts WM_EDIT_FINISHED (0x720, 0, 0) to its page; so does losing the focus.

#include <QLineEdit>

namespace corvane {

class CMyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CMyEdit(QWidget* parent = nullptr);

    // Only digits and '.' (addresses).
    void SetNumericFilter(bool on);
    // Only 0-9, A-Z and a-z.
    void SetAlphanumericFilter(bool on);

    // A text from code (what the processor reported): shown at once, whatever was typed dropped.
    void ShowText(const QString& shown);
    // The same, unless the operator is typing into the box (IsTyping): then the typing stays and
    // the page shows the text when the edit ends without a change. True when shown.
    bool RefreshText(const QString& shown);
    // The box has the focus and was edited since it last showed a text from code.
    bool IsTyping() const;
    // The box holds something else than the text it last showed from code.
    bool Changed() const { return text() != m_shown; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateFilter();
    void Finished();

    bool m_numeric = false;
    bool m_alphanumeric = false;
    QString m_shown;
};

// The one-colour frame of the value boxes and text boxes: 2 pixels, orange when enabled.
void PaintEditFrame(QWidget* edit);

} // namespace corvane
