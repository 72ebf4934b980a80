#pragma once

// A drop-down button: pressing it posts WM_DROPDOWN_OPENING (0x467, 0, 0) to its page, then
// opens a pop-up list (CDropList holding the list box CListWnd, id 1125) against the button.
// An item picked with the cursor inside the list posts WM_ITEM_PICKED (0x466, wParam = the
// button's control id, lParam = the item's index) and, when so set, becomes the caption. Moving
// the cursor out of both the button and the list, a press outside, or a selection made while the
// cursor is elsewhere (with the keyboard) closes the list without a choice.

#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QListWidget>
#include <QPointer>
#include <QStringList>

namespace corvane {

class CDropButton;

class CListWnd : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1125;
    static constexpr int kItemHeight = 16;

    CListWnd(CDropButton* owner, QWidget* parent);
    CDropButton* Owner() const { return m_owner; }
    // The stored selection; the list returns to it when a selection is not a choice.
    int Selected() const { return m_selected; }
    void SetSelected(int index);

private:
    CDropButton* m_owner;
    int m_selected = -1;
};

class CDropList : public QFrame {
    Q_OBJECT
public:
    explicit CDropList(CDropButton* owner);
    CListWnd* List() const { return m_list; }
    // Shows the list against `button` (global rectangle), item `current` selected; `cursor` is
    // where the cursor is (global).
    void Open(const QRect& button, int current, const QPoint& cursor);
    // Whether the last known cursor position lies inside the list.
    bool CursorInsideList() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSelectionChange(int row);
    void Track(const QPointF& global);

    CDropButton* m_owner;
    CListWnd* m_list;
    QRect m_buttonRect; // global
    QPoint m_cursor;    // global, last seen
};

class CDropButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CDropButton(QWidget* parent = nullptr);
    ~CDropButton() override;

    // Colours of the frame, the face, the caption and the face under the cursor.
    void SetColours(const QColor& frame, const QColor& face, const QColor& text, const QColor& hotFace);

    int AddString(const QString& text);
    void ResetContent();
    int GetCount() const { return static_cast<int>(m_items.size()); }
    QString GetText(int index) const { return m_items.value(index); }
    // Selects an item from code (the caption follows when picking sets it); nothing is posted.
    void SetCurSel(int index);
    int GetCurSel() const { return m_current; }
    // Whether picking an item replaces the caption with the item's text.
    void SetCaptionFollowsPick(bool follows) { m_captionFollowsPick = follows; }

    bool IsListOpen() const;
    bool IsHot() const { return m_hot; }
    CDropList* DropList() const { return m_list; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class CDropList;
    void OpenList(const QPoint& cursor);
    // An item chosen in the list.
    void Pick(int index);

    QStringList m_items;
    int m_current = -1;
    bool m_captionFollowsPick = true;
    bool m_hot = false;
    QColor m_frame;
    QColor m_face;
    QColor m_text;
    QColor m_hotFace;
    QPointer<CDropList> m_list;
};

} // namespace corvane
