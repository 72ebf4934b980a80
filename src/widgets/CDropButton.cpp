#include "widgets/CDropButton.h"

#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageWindow.h"
#include "widgets/Accessible.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kVisibleItems = 12;

// Items on white; the item under the cursor on the light hot brush with an orange mark.
class DropItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect r = option.rect;
        const bool hot = option.state & QStyle::State_MouseOver;
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(r, hot ? QColor(theme::kHotItem) : QColor(Qt::white));
        if (hot)
            p->fillRect(QRect(r.left(), r.top(), 3, r.height()), QColor(theme::kOrange));
        QFont f = option.font;
        f.setBold(selected);
        p->setFont(f);
        p->setPen(hot ? QColor(150, 90, 0) : QColor(32, 32, 32));
        p->drawText(r.adjusted(8, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                    index.data().toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), CListWnd::kItemHeight);
    }
};

} // namespace

CListWnd::CListWnd(CDropButton* owner, QWidget* parent) : QListWidget(parent), m_owner(owner) {
    SetControlId(this, kControlId);
    setItemDelegate(new DropItemDelegate(this));
    setUniformItemSizes(true);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover); // the item under the cursor is drawn hot
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSpacing(0);
    setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, 0, 0, 0);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, QColor(32, 32, 32));
    setPalette(p);
}

void CListWnd::SetSelected(int index) {
    m_selected = index;
    const QSignalBlocker quiet(this);
    setCurrentRow(index);
}

CDropList::CDropList(CDropButton* owner) : QFrame(owner, Qt::Popup), m_owner(owner) {
    setAttribute(Qt::WA_NoMouseReplay); // the press that closes the list does nothing else
    setMouseTracking(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::white); // the white pen of the frame
    setPalette(p);
    setAutoFillBackground(true);
    m_list = new CListWnd(owner, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    connect(m_list, &QListWidget::currentRowChanged, this, &CDropList::OnSelectionChange);
    // A click on the item already selected changes nothing: it only closes the list.
    connect(m_list, &QListWidget::itemClicked, this, [this] { hide(); });
}

void CDropList::Open(const QRect& button, int current, const QPoint& cursor) {
    m_buttonRect = button;
    m_cursor = cursor;
    m_list->SetSelected(current);
    const int rows = std::clamp(m_list->count(), 1, kVisibleItems);
    // Room for the rows, the list's own frame and the pop-up's white pen.
    const int frame = 2 * (m_list->frameWidth() + frameWidth());
    const QSize size(std::max(button.width(), 60), rows * CListWnd::kItemHeight + frame);
    QPoint at(button.left(), button.bottom() + 1);
    if (const QScreen* screen = QGuiApplication::screenAt(button.center())) {
        const QRect area = screen->availableGeometry();
        if (at.y() + size.height() > area.bottom() && button.top() - size.height() >= area.top())
            at.setY(button.top() - size.height()); // no room below: above the button
    }
    setGeometry(QRect(at, size));
    show();
    m_list->setFocus(Qt::PopupFocusReason);
    if (current >= 0)
        m_list->scrollToItem(m_list->item(current));
}

bool CDropList::CursorInsideList() const {
    return geometry().contains(m_cursor);
}

void CDropList::Track(const QPointF& global) {
    m_cursor = global.toPoint();
}

void CDropList::mousePressEvent(QMouseEvent* event) {
    Track(event->globalPosition());
    if (!rect().contains(event->position().toPoint())) {
        hide(); // a press outside the list: no choice
        return;
    }
    QFrame::mousePressEvent(event);
}

void CDropList::mouseMoveEvent(QMouseEvent* event) {
    Track(event->globalPosition());
    if (!CursorInsideList() && !m_buttonRect.contains(m_cursor)) {
        hide(); // out of both the button and the list
        return;
    }
    QFrame::mouseMoveEvent(event);
}

void CDropList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QFrame::keyPressEvent(event);
}

bool CDropList::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        Track(mouse->globalPosition());
        if (event->type() == QEvent::MouseMove && !CursorInsideList() && !m_buttonRect.contains(m_cursor)) {
            hide();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            hide();
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

void CDropList::OnSelectionChange(int row) {
    hide();
    if (row >= 0 && CursorInsideList()) {
        m_owner->Pick(row);
        return;
    }
    m_list->SetSelected(m_list->Selected()); // not a choice: back to the previous item
}

CDropButton::CDropButton(QWidget* parent)
    : QAbstractButton(parent), m_frame(theme::kFrameLine), m_face(36, 36, 36), m_text(theme::kInactive),
      m_hotFace(52, 52, 52) {
    InstallAccessibleInterfaces();
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    // Its caption is the item picked: the label beside it names it.
    setProperty(kTextIsValueProperty, true);
}

CDropButton::~CDropButton() = default;

void CDropButton::SetColours(const QColor& frame, const QColor& face, const QColor& text,
                             const QColor& hotFace) {
    m_frame = frame;
    m_face = face;
    m_text = text;
    m_hotFace = hotFace;
    update();
}

int CDropButton::AddString(const QString& text) {
    m_items.append(text);
    if (m_list)
        m_list->List()->addItem(text);
    return static_cast<int>(m_items.size()) - 1;
}

void CDropButton::ResetContent() {
    m_items.clear();
    m_current = -1;
    if (m_list) {
        const QSignalBlocker quiet(m_list->List());
        m_list->List()->clear();
        m_list->List()->SetSelected(-1);
    }
}

void CDropButton::SetCurSel(int index) {
    if (index < -1 || index >= GetCount())
        return;
    m_current = index;
    if (m_captionFollowsPick && index >= 0)
        setText(m_items[index]);
    if (m_list)
        m_list->List()->SetSelected(index);
    update();
}

bool CDropButton::IsListOpen() const {
    return m_list && m_list->isVisible();
}

QSize CDropButton::sizeHint() const {
    return QSize(120, 24);
}

void CDropButton::OpenList(const QPoint& cursor) {
    PostWindowMessage(OwnerWindow(this), WM_DROPDOWN_OPENING, 0, 0);
    if (!m_list) {
        m_list = new CDropList(this);
        m_list->List()->addItems(m_items);
    }
    m_hot = false;
    update();
    m_list->Open(QRect(mapToGlobal(QPoint(0, 0)), size()), m_current, cursor);
}

void CDropButton::Pick(int index) {
    if (index < 0 || index >= GetCount())
        return;
    if (m_captionFollowsPick) {
        setText(m_items[index]);
        update();
    }
    m_current = index;
    m_list->List()->SetSelected(index);
    PostWindowMessage(OwnerWindow(this), WM_ITEM_PICKED, static_cast<std::uintptr_t>(ControlId(this)), index);
}

void CDropButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled() && !IsListOpen()) {
        OpenList(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void CDropButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void CDropButton::keyPressEvent(QKeyEvent* event) {
    const bool open = event->key() == Qt::Key_Space || event->key() == Qt::Key_F4 ||
                      (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier));
    if (open && isEnabled() && !IsListOpen()) {
        OpenList(QCursor::pos());
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CDropButton::enterEvent(QEnterEvent* event) {
    if (!IsListOpen()) {
        m_hot = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void CDropButton::leaveEvent(QEvent* event) {
    m_hot = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CDropButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool open = IsListOpen();
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(m_hot || open || hasFocus() ? QColor(theme::kOrange) : m_frame, 1));
    p.setBrush(m_hot ? m_hotFace : m_face);
    if (!isEnabled())
        p.setOpacity(0.45);
    p.drawRoundedRect(r, 3, 3);
    const QPixmap arrow = ResourceImage(m_hot || open ? images::kDropArrowHot : images::kDropArrow);
    const QPoint arrowAt(width() - arrow.width() - 8, (height() - arrow.height()) / 2);
    p.drawPixmap(arrowAt, arrow);
    p.setPen(QColor(theme::kFrameLine));
    p.drawLine(QPointF(arrowAt.x() - 7.5, 4), QPointF(arrowAt.x() - 7.5, height() - 4));
    p.setFont(font());
    p.setPen(isEnabled() ? m_text : QColor(theme::kDisabledText));
    p.drawText(QRect(8, 0, arrowAt.x() - 18, height()), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               fontMetrics().elidedText(text(), Qt::ElideRight, arrowAt.x() - 18));
}

} // namespace corvane
