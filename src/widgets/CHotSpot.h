#pragma once

// A hot spot: a control laid over a part of a page that the page draws itself (a pattern
// picture, a preset slot, a switch or a choice painted in a table), so that the keyboard and
// screen readers reach that part like any button. It is transparent; with the keyboard focus it
// draws a frame in the theme's orange. A click, Space or Enter sends WM_COMMAND (its control id,
// BN_CLICKED) to its page, as every button of a template does.
//
// Kinds: a button; a check box (each activation flips its checked state); a radio choice (an
// activation checks it; the radio hot spots of one page and group exclude each other). The page
// keeps the checked state in step with what it draws (setChecked) and draws the mark itself.
//
// Its name for screen readers is a language text "IDD<page>_<id>_Name" (given when the page is
// set up and at every language switch), or the accessibleName of the template or page.
//
// In a template: a custom widget "corvane::CHotSpot" with "controlId", its place, and the
// dynamic properties "kind" = "checkbox" or "radio" and "group" = a number.

#include <QAbstractButton>

namespace corvane {

class CHotSpot : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { Button, CheckBox, Radio };

    static constexpr int kFrameWidth = 2;

    explicit CHotSpot(QWidget* parent = nullptr);
    // Over `area` of `page` (page coordinates). Made after the page was created, it is wired to
    // send its command at once.
    CHotSpot(QWidget* page, int controlId, const QRect& area, Kind kind = Kind::Button);

    Kind GetKind() const { return m_kind; }
    void SetKind(Kind kind);
    int Group() const { return m_group; }
    void SetGroup(int group) { m_group = group; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void nextCheckState() override;
    bool event(QEvent* event) override;

private:
    // The kind or group a template gives as a dynamic property.
    void ReadTemplateProperty(const QByteArray& name);
    // A radio hot spot just checked unchecks the others of its page and group.
    void UncheckOthers();

    Kind m_kind = Kind::Button;
    int m_group = 0;
};

} // namespace corvane
