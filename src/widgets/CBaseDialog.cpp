#include "widgets/CBaseDialog.h"

#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

namespace corvane {

namespace {

constexpr char kCommandWired[] = "commandWired";
constexpr int kTitleButtonSize = 24;

// Offers each key release to the dialog around the one it happens in, before the control with
// the focus gets it: watches the application's events once for all dialogs.
class KeyReleaseOffer : public QObject {
public:
    using QObject::QObject;

    static void Install() {
        static QPointer<KeyReleaseOffer> installed;
        if (!installed && qApp) {
            installed = new KeyReleaseOffer(qApp);
            qApp->installEventFilter(installed);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyRelease || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        // Only for the first receiver, not again as the release travels up to the parents.
        QWidget* focus = QApplication::focusWidget();
        if (widget != (focus ? focus : widget->window()))
            return false;
        for (QWidget* w = widget; w; w = w->parentWidget())
            if (auto* dialog = qobject_cast<CBaseDialog*>(w)) {
                if (CBaseDialog* parent = dialog->ParentDialog())
                    parent->PreTranslateKeyRelease(*static_cast<QKeyEvent*>(event));
                break;
            }
        return false;
    }
};

const QPixmap& BackgroundPicture() {
    static const QPixmap picture = ResourceImage(images::kBackground);
    return picture;
}

} // namespace

CBaseDialog::CBaseDialog(int dialogId, QWidget* parent, Frame frame)
    : QDialog(parent), MessageWindow(this), m_dialogId(dialogId), m_frame(frame) {
    if (frame == Frame::FloatingWindow)
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    else
        setWindowFlags(Qt::Widget);
    setFont(theme::ControlFont());
    KeyReleaseOffer::Install();

    m_close = new CGdipButton(this);
    SetControlId(m_close, kCloseId);
    m_close->setObjectName(QString::number(kCloseId));
    m_close->setAccessibleName(QStringLiteral("Close")); // the language's IDD_1201_Name replaces it
    m_close->SetImages(images::kClose, 0, images::kCloseHot);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setGeometry(0, 1, kTitleButtonSize, kTitleButtonSize);

    m_maximize = new CGdipButton(this);
    SetControlId(m_maximize, kMaximizeId);
    m_maximize->setObjectName(QString::number(kMaximizeId));
    m_maximize->setAccessibleName(QStringLiteral("Maximize")); // IDD_1202_Name
    m_maximize->SetImages(images::kMaximize, 0, images::kMaximizeHot);
    m_maximize->setFocusPolicy(Qt::NoFocus);
    m_maximize->setGeometry(0, 1, kTitleButtonSize, kTitleButtonSize);
    m_maximize->hide();
}

CBaseDialog::~CBaseDialog() = default;

bool CBaseDialog::Create() {
    if (m_created)
        return true;
    m_created = true;
    RememberTemplateTexts(this);
    for (QWidget* w : DialogControls(this))
        if (auto* push = qobject_cast<QPushButton*>(w)) {
            // Enter never clicks a button of a page.
            push->setAutoDefault(false);
            push->setDefault(false);
        }
    ApplyControlColours();
    LayoutTitleButtons();
    const bool result = OnInitDialog();
    WireCommands();
    // Names for screen readers, once the page has made its own controls too.
    ApplyDialogNames(this, m_dialogId);
    return result;
}

int CBaseDialog::DoModal() {
    Create();
    return exec();
}

void CBaseDialog::Open(std::function<void(int)> finished) {
    Create();
    if (finished)
        connect(this, &QDialog::finished, this, std::move(finished), Qt::SingleShotConnection);
    setWindowModality(Qt::ApplicationModal);
    show();
}

void CBaseDialog::EndDialog(int result) {
    done(result);
}

bool CBaseDialog::OnInitDialog() {
    return true;
}

void CBaseDialog::ShowPage(bool show) {
    if (!show)
        hide();
    else if (isWindow())
        showNormal();
    else
        QWidget::show();
}

void CBaseDialog::ApplyLanguage() {
    ApplyDialogTexts(this, DialogId());
}

void CBaseDialog::ClosePage() {
    ShowPage(false);
    if (m_notifyParent)
        PostWindowMessage(OwnerWindow(this), WM_CLOSE_PAGE, 0, 0);
}

void CBaseDialog::ToggleMaximize() {
    SendWindowMessage(this, WM_SYSCOMMAND, m_maximizeNext ? SC_MAXIMIZE : SC_RESTORE, 0);
}

std::intptr_t CBaseDialog::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CBaseDialog, MessageWindow>;
    static const Map map{
        Map::Command(kCloseId, &CBaseDialog::ClosePage),
        Map::Command(kMaximizeId, &CBaseDialog::ToggleMaximize),
        Map::Message(WM_SYSCOMMAND, &CBaseDialog::OnSysCommand),
    };
    return map.Dispatch(*this, message);
}

std::intptr_t CBaseDialog::OnSysCommand(std::uintptr_t command, std::intptr_t) {
    if (command == SC_MAXIMIZE) {
        showMaximized();
        m_maximizeNext = false;
        m_maximize->SetImages(images::kRestore, 0, images::kRestoreHot);
    } else if (command == SC_RESTORE) {
        showNormal();
        m_maximizeNext = true;
        m_maximize->SetImages(images::kMaximize, 0, images::kMaximizeHot);
    }
    return 0;
}

void CBaseDialog::SetHasTitleBand(bool has) {
    m_hasTitleBand = has;
    update();
}

void CBaseDialog::SetMaximizeBox(bool shown) {
    m_maximizeBox = shown;
    m_maximize->setVisible(shown);
    LayoutTitleButtons();
}

void CBaseDialog::SetCloseBox(bool shown) {
    m_close->setVisible(shown);
}

void CBaseDialog::SetChildFonts() {
    const QFont controlFont = theme::ControlFont();
    const std::vector<QWidget*> widgets = DialogWidgets(this);
    for (QWidget* w : widgets)
        w->setFont(controlFont);
}

QColor CBaseDialog::StaticTextColour(int controlId, bool enabled) {
    if (!enabled)
        return QColor(theme::kDisabledText);
    const bool highlighted = controlId == 1200 || controlId == 1205 ||
                             (controlId >= 1206 && controlId <= 1211) || controlId == 1054 ||
                             controlId == 1055 || static_cast<std::uint32_t>(controlId) == languageCtrlId;
    return QColor(highlighted ? theme::kOrange : theme::kStaticText);
}

void CBaseDialog::ApplyControlColours() {
    const std::vector<QWidget*> widgets = DialogWidgets(this);
    const QColor dark(theme::kBackground);
    for (QWidget* w : widgets) {
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            QPalette p = edit->palette();
            p.setColor(QPalette::Text, QColor(theme::kOrange));
            p.setColor(QPalette::Base, dark);
            p.setColor(QPalette::Disabled, QPalette::Text, QColor(theme::kDisabledText));
            edit->setPalette(p);
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            // Transparent while enabled; a disabled static is painted on the dark brush.
            QPalette p = label->palette();
            const int id = ControlId(label);
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                p.setColor(group, QPalette::WindowText, StaticTextColour(id, true));
                p.setColor(group, QPalette::Window, Qt::transparent);
            }
            p.setColor(QPalette::Disabled, QPalette::WindowText, StaticTextColour(id, false));
            p.setColor(QPalette::Disabled, QPalette::Window, dark);
            label->setPalette(p);
            label->setAutoFillBackground(true);
        }
    }
}

void CBaseDialog::WireCommand(QAbstractButton* button) {
    const int id = ControlId(button);
    if (id == 0 || button->property(kCommandWired).toBool())
        return;
    button->setProperty(kCommandWired, true);
    connect(button, &QAbstractButton::clicked, this, [this, id] {
        SendWindowMessage(this, WM_COMMAND, MakeWParam(static_cast<std::uint16_t>(id), BN_CLICKED), 0);
    });
}

void CBaseDialog::WireCommands() {
    for (QWidget* w : DialogControls(this))
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            WireCommand(button);
}

void CBaseDialog::LayoutTitleButtons() {
    if (!m_hasTitleBand)
        return;
    const int right = width();
    m_close->setGeometry(right - 24, 1, kTitleButtonSize, kTitleButtonSize);
    m_maximize->setGeometry(right - 56, 1, kTitleButtonSize, kTitleButtonSize);
    m_close->raise();
    m_maximize->raise();
}

CBaseDialog* CBaseDialog::ParentDialog() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* dialog = qobject_cast<CBaseDialog*>(w))
            return dialog;
    return nullptr;
}

void CBaseDialog::PreTranslateKeyRelease(QKeyEvent&) {}

void CBaseDialog::PaintBackground(QPainter& painter) {
    const QPixmap& picture = BackgroundPicture();
    if (picture.isNull()) {
        painter.fillRect(rect(), QColor(theme::kBackground));
        return;
    }
    if (m_scaledBackground.size() != size())
        m_scaledBackground = picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap(0, 0, m_scaledBackground);
}

void CBaseDialog::PaintTitle(QPainter& painter) {
    painter.setFont(theme::TitleFont());
    painter.setPen(QColor(theme::kOrange));
    painter.drawText(QRect(0, 0, width(), theme::kTitleBandHeight), Qt::AlignCenter | Qt::TextSingleLine,
                     windowTitle());
}

void CBaseDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintBackground(p);
    if (m_hasTitleBand) {
        // The band: a little lighter than the picture, with a fine line under it.
        QLinearGradient band(0, 0, 0, theme::kTitleBandHeight);
        band.setColorAt(0, QColor(255, 255, 255, 16));
        band.setColorAt(1, QColor(255, 255, 255, 6));
        p.fillRect(QRect(0, 0, width(), theme::kTitleBandHeight), band);
        p.fillRect(QRect(0, theme::kTitleBandHeight - 1, width(), 1), QColor(0, 0, 0, 120));
        p.fillRect(QRect(0, theme::kTitleBandHeight, width(), 1), QColor(255, 255, 255, 14));
        PaintTitle(p);
    }
    if (m_frame != Frame::Page) {
        p.setPen(QColor(theme::kFrameLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CBaseDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutTitleButtons();
}

void CBaseDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return; // never closes a page
    default:
        QDialog::keyPressEvent(event);
    }
}

void CBaseDialog::mousePressEvent(QMouseEvent* event) {
    if (m_frame != Frame::Page && m_hasTitleBand && event->button() == Qt::LeftButton &&
        event->position().y() < theme::kTitleBandHeight) {
        if (isWindow() && windowHandle() && windowHandle()->startSystemMove())
            return; // the window system moves it
        m_dragging = true;
        m_dragStart = event->globalPosition().toPoint();
        m_windowStart = pos();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    QPoint to = m_windowStart + (event->globalPosition().toPoint() - m_dragStart);
    if (!isWindow() && parentWidget()) {
        // A child keeps its band inside its owner, so it can always be caught again.
        const QSize room = parentWidget()->size();
        to.setX(std::clamp(to.x(), 40 - width(), std::max(0, room.width() - 40)));
        to.setY(std::clamp(to.y(), 0, std::max(0, room.height() - theme::kTitleBandHeight)));
    }
    move(to);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CBaseDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange) {
        update(0, 0, width(), theme::kTitleBandHeight);
        // The caption is the dialog's name for screen readers, also for a page that is no window.
        const QString caption = WithoutMnemonic(windowTitle()).trimmed();
        if (!caption.isEmpty())
            setAccessibleName(caption);
    }
    QDialog::changeEvent(event);
}

void CBaseDialog::reject() {
    ClosePage();
}

} // namespace corvane
