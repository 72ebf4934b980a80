#pragma once

// The common base of every page and dialog: the dark background picture, the 26-pixel title
// band with the orange caption, the close (1201) and maximise (1202) buttons, dragging of
// floating dialogs by their band, Enter and Esc kept from closing anything, the control
// colours, and the page operations through which the main window shows, hides, re-labels and
// closes its pages.
//
// A page is its template, its handlers and its own logic:
//
//   class CMyPage : public CBaseDialog {
//   public:
//       explicit CMyPage(QWidget* parent) : CBaseDialog(kDialogId, parent) { Ui::Dialog155().setupUi(this); }
//       std::intptr_t WindowProc(const WindowMessage& m) override;   // its MessageMap
//       void ApplyLanguage() override;                               // only for captions it sets itself
//   protected:
//       bool OnInitDialog() override;                                // after the controls exist
//   };
//
// The owner calls Create() once (or DoModal() for a modal dialog). Every button of the template
// sends WM_COMMAND (its control id, BN_CLICKED) to the page when clicked. Create() names the
// controls for screen readers (ApplyDialogNames), and so does every language application.

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageWindow.h"
#include "platform/ui/SystemMessages.h"

#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <functional>

class QAbstractButton;

namespace corvane {

class CGdipButton;

class CBaseDialog : public QDialog, public MessageWindow {
    Q_OBJECT
public:
    // Page: embedded in its owner, not movable. FloatingChild: a child window of its owner that
    // the operator drags by its band (connection dialog, WiFi configuration, wait overlay).
    // FloatingWindow: a window of its own without system frame, dragged by its band (message
    // dialog, upgrade dialog, edge blend page).
    enum class Frame { Page, FloatingChild, FloatingWindow };

    static constexpr int kCloseId = 1201;
    static constexpr int kMaximizeId = 1202;

    CBaseDialog(int dialogId, QWidget* parent, Frame frame = Frame::Page);
    ~CBaseDialog() override;

    int DialogId() const { return m_dialogId; }
    Frame FrameKind() const { return m_frame; }

    // Completes the dialog once its template is set up: control colours, title buttons, the
    // buttons' commands, then OnInitDialog. Later calls do nothing and return true.
    bool Create();
    bool IsCreated() const { return m_created; }
    // Creates the dialog if needed and runs it modally; returns the value given to EndDialog.
    int DoModal();
    // Creates the dialog if needed and shows it application-modal without a loop of its own:
    // returns at once, and `finished` gets the value given to EndDialog when the dialog ends.
    void Open(std::function<void(int)> finished);
    void EndDialog(int result);

    // Page operations.
    virtual void ShowPage(bool show);
    // The caption and control texts of this dialog's number from the language in use
    // (ApplyDialogTexts); a page that sets captions of its own adds them.
    virtual void ApplyLanguage();
    // Hides the page and, when closing notifies the parent, posts WM_CLOSE_PAGE (0, 0) to it.
    virtual void ClosePage();
    virtual void ToggleMaximize();

    std::intptr_t WindowProc(const WindowMessage& message) override;

    // The control of this dialog with `id`.
    template <class W = QWidget> W* Control(int id) const { return qobject_cast<W*>(FindControl(this, id)); }

    void SetNotifyParentOnClose(bool notify) { m_notifyParent = notify; }
    bool NotifiesParentOnClose() const { return m_notifyParent; }
    void SetHasTitleBand(bool has);
    bool HasTitleBand() const { return m_hasTitleBand; }
    void SetMaximizeBox(bool shown);
    void SetCloseBox(bool shown);
    CGdipButton* CloseButton() const { return m_close; }
    CGdipButton* MaximizeButton() const { return m_maximize; }

    // Gives every child the control font.
    void SetChildFonts();
    // Colours the controls by kind and id (edits orange on dark; static texts orange or light
    // grey by id, dark when disabled). Called again when the language label changes.
    void ApplyControlColours();
    // Makes a button created after Create() send its WM_COMMAND too.
    void WireCommand(QAbstractButton* button);

    // The colour of a static text with this id.
    static QColor StaticTextColour(int controlId, bool enabled);

    // Sees every key release inside the dialogs and pages this one holds, before the control
    // with the focus handles it (so the main window sees key releases while a page has the
    // focus). Nothing in the base.
    virtual void PreTranslateKeyRelease(QKeyEvent& event);
    // The dialog or page that holds this one, if any.
    CBaseDialog* ParentDialog() const;

protected:
    // Runs once from Create(), after the controls exist and before the dialog is shown.
    virtual bool OnInitDialog();
    // Draws the caption in the band (centred, orange, title font).
    virtual void PaintTitle(QPainter& painter);

    void PaintBackground(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Closing by the system (or QDialog's own cancel) is the page's close.
    void reject() override;

private:
    std::intptr_t OnSysCommand(std::uintptr_t command, std::intptr_t);
    void LayoutTitleButtons();
    void WireCommands();

    int m_dialogId;
    Frame m_frame;
    bool m_created = false;
    bool m_hasTitleBand = true;
    bool m_notifyParent = true;
    bool m_maximizeNext = true;
    bool m_maximizeBox = false;
    CGdipButton* m_close = nullptr;
    CGdipButton* m_maximize = nullptr;
    QPixmap m_scaledBackground;
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_windowStart;
};

} // namespace corvane
