#pragma once

// Helpers of the widget suites: a page that records every message it gets, an answerer of
// message dialogs, the interface language set up in a temporary folder, and waiting for the
// event loop.

#include "dialogs/CMessageboxDlg.h"
#include "platform/ui/DialogTemplate.h"
#include "widgets/CBaseDialog.h"

#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QLineEdit;

namespace corvane::test {

// A control of kind W with a control id, a place and a text, made inside `parent` as a
// template would make it.
template <class W> W* Add(QWidget* parent, int id, const QRect& place, const QString& text = {}) {
    auto* w = new W(parent);
    SetControlId(w, id);
    w->setGeometry(place);
    if (!text.isEmpty())
        SetControlText(w, text);
    return w;
}

// A page (or window) that keeps every message it receives, then handles it as a page does.
class RecordingPage : public CBaseDialog {
public:
    explicit RecordingPage(QWidget* parent = nullptr, Frame frame = Frame::Page, int dialogId = 150);

    std::intptr_t WindowProc(const WindowMessage& message) override;

    // The messages received with number `message`.
    std::vector<WindowMessage> Received(std::uint32_t message) const;
    int Count(std::uint32_t message) const { return static_cast<int>(Received(message).size()); }
    void Clear() { m_received.clear(); }

    std::vector<int> keyReleases; // keys whose release pages inside this one offered

    void PreTranslateKeyRelease(QKeyEvent& event) override;

private:
    std::vector<WindowMessage> m_received;
};

// A message dialog that opened: its title and its message.
struct ShownBox {
    std::string title;
    std::string message;
};

// Answers every message dialog that opens while it exists by clicking its button `buttonId`
// (the left one, OK, unless told otherwise), keeping what each one said. It looks every few
// milliseconds, from the event loop of the dialog.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(int buttonId = CMessageboxDlg::kLeftId);
    std::vector<ShownBox> boxes;

private:
    QTimer m_timer;
};

// What a screen reader is told of a widget as its name (its accessible interface's name).
QString AccessibleName(QWidget* widget);

// Every control of `dialog` without a name for screen readers - each widget with a control id
// and each widget the keyboard reaches with Tab - and the dialog itself when it has none, also
// for the dialogs and pages nested in it (floating ones too). One line for each:
// "dialog 163: control 1376 corvane::CRefreshButton". Empty when everything is named.
std::vector<QString> NamelessControls(QWidget* dialog);

// The language files English.ini and Chinese.ini of `folder` (the shipped ones are in
// resources/lang), as TempLanguage takes them.
std::vector<std::pair<std::string, std::string>> LanguageFilesIn(const QString& folder);

// The application's message dialogs open now, and the message one of them shows.
std::vector<CMessageboxDlg*> OpenMessageBoxes();
std::string MessageBoxText(const CMessageboxDlg* box);

// Runs the event loop until nothing is left to do.
void Drain();

// Types `text` into a value box (replacing what it shows) and presses Enter, as the operator
// does, then lets the page handle what the box committed.
void TypeInto(QLineEdit* box, const QString& text);
// Clicks the button with the left mouse button, then lets the page handle it.
void ClickAndDrain(QAbstractButton* button);
// Runs the event loop until `done` holds or `ms` milliseconds have passed; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int ms = 5000);

// The interface language for one test: Config.ini and language files in a temporary folder.
class TempLanguage {
public:
    // `language`: the name in Config.ini. `files`: file name -> its whole text.
    TempLanguage(const std::string& language,
                 const std::vector<std::pair<std::string, std::string>>& files = {});
    ~TempLanguage();
    // Chooses the language named in Config.ini (reads the language files).
    void Select(const std::string& name);

private:
    QTemporaryDir m_dir;
    std::string m_oldConfig;
    std::string m_oldLanguageFile;
    std::string m_oldExeFolder;
    std::uint32_t m_oldCtrlId;
};

// One picture of a page for the gallery: `variant` goes into the file name before the
// language, `prepare` (when set) puts the page into the state shown, in the language given.
struct GalleryShot {
    QString variant;
    std::function<void(bool chinese)> prepare;
};

// Saves `page` to `<galleryDir>/<base><variant>.png` and `<base><variant>-chinese.png` for every
// shot: the language is chosen (Chinese from the real `<langDir>/Chinese.ini`), the page applies
// it, and no caret or control drawn as under the cursor gets into the picture.
void RenderForGallery(CBaseDialog& page, const QString& galleryDir, const QString& langDir,
                      const QString& base, const std::vector<GalleryShot>& shots = {GalleryShot{}});

} // namespace corvane::test
