#include "WidgetTestSupport.h"

#include "dialogs/CMessageboxDlg.h"
#include "platform/ui/DialogTemplate.h"
#include "shell/Language.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace corvane::test {

RecordingPage::RecordingPage(QWidget* parent, Frame frame, int dialogId)
    : CBaseDialog(dialogId, parent, frame) {
    resize(400, 300);
}

std::intptr_t RecordingPage::WindowProc(const WindowMessage& message) {
    m_received.push_back(message);
    return CBaseDialog::WindowProc(message);
}

std::vector<WindowMessage> RecordingPage::Received(std::uint32_t message) const {
    std::vector<WindowMessage> out;
    for (const WindowMessage& m : m_received)
        if (m.message == message)
            out.push_back(m);
    return out;
}

void RecordingPage::PreTranslateKeyRelease(QKeyEvent& event) {
    keyReleases.push_back(event.key());
}

namespace {
constexpr int kAnswerPeriodMs = 5;
}

MessageBoxAnswerer::MessageBoxAnswerer(int buttonId) {
    m_timer.setInterval(kAnswerPeriodMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this, buttonId] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<CMessageboxDlg*>(w);
            if (!box || !box->isVisible())
                continue;
            boxes.push_back({box->windowTitle().toStdString(),
                             box->Control<QLabel>(CMessageboxDlg::kMessageId)->text().toStdString()});
            if (auto* button = box->Control<QAbstractButton>(buttonId); button && button->isVisible())
                QTest::mouseClick(button, Qt::LeftButton);
            else
                box->EndDialog(IDOK);
        }
    });
    m_timer.start();
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return (iface ? iface->text(QAccessible::Name) : widget->accessibleName()).trimmed();
}

namespace {

QString Describe(const QWidget* w) {
    if (const int id = ControlId(w))
        return QStringLiteral("control %1 %2").arg(id).arg(QString::fromLatin1(w->metaObject()->className()));
    return QStringLiteral("focusable %1 '%2'")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
}

QString DialogName(const QWidget* dialog) {
    if (const auto* base = qobject_cast<const CBaseDialog*>(dialog))
        return QStringLiteral("dialog %1").arg(base->DialogId());
    return QStringLiteral("window %1 '%2'")
        .arg(QString::fromLatin1(dialog->metaObject()->className()), dialog->objectName());
}

void WalkControls(QWidget* dialog, QWidget* parent, std::vector<QString>& out);

void WalkDialog(QWidget* dialog, std::vector<QString>& out) {
    if (AccessibleName(dialog).isEmpty())
        out.push_back(DialogName(dialog) + QStringLiteral(": the dialog has no name"));
    WalkControls(dialog, dialog, out);
}

void WalkControls(QWidget* dialog, QWidget* parent, std::vector<QString>& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w)
            continue;
        if (AsMessageWindow(w)) { // a page or dialog of its own
            WalkDialog(w, out);
            continue;
        }
        if (w->isWindow())
            continue; // a pop-up (the list of a drop-down) belongs to its control
        const bool control = ControlId(w) != 0 || (w->focusPolicy() & Qt::TabFocus) != 0;
        if (control && AccessibleName(w).isEmpty())
            out.push_back(DialogName(dialog) + QStringLiteral(": ") + Describe(w));
        WalkControls(dialog, w, out);
    }
}

} // namespace

std::vector<QString> NamelessControls(QWidget* dialog) {
    std::vector<QString> out;
    WalkDialog(dialog, out);
    return out;
}

void Drain() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void TypeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    Drain();
}

void ClickAndDrain(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    Drain();
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

std::vector<CMessageboxDlg*> OpenMessageBoxes() {
    std::vector<CMessageboxDlg*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<CMessageboxDlg*>(w); box && box->isVisible())
            open.push_back(box);
    return open;
}

std::string MessageBoxText(const CMessageboxDlg* box) {
    return box->Control<QLabel>(CMessageboxDlg::kMessageId)->text().toStdString();
}

std::vector<std::pair<std::string, std::string>> LanguageFilesIn(const QString& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const char* name : {"English.ini", "Chinese.ini"}) {
        QFile file(folder + "/" + name);
        if (file.open(QIODevice::ReadOnly))
            files.emplace_back(name, file.readAll().toStdString());
    }
    return files;
}

TempLanguage::TempLanguage(const std::string& language,
                           const std::vector<std::pair<std::string, std::string>>& files)
    : m_oldConfig(configFile), m_oldLanguageFile(languageFile), m_oldExeFolder(exeFolder),
      m_oldCtrlId(languageCtrlId) {
    const QString root = m_dir.path();
    QDir(root).mkpath(QStringLiteral("Ini"));
    QDir(root).mkpath(QStringLiteral("Language"));
    QFile config(root + "/Ini/Config.ini");
    config.open(QIODevice::WriteOnly);
    config.write(("[Setting]\r\nLanguage=" + language + "\r\n").c_str());
    config.close();
    for (const auto& [name, text] : files) {
        QFile file(root + "/Language/" + QString::fromStdString(name));
        file.open(QIODevice::WriteOnly);
        file.write(text.c_str());
    }
    configFile = (root + "/Ini/Config.ini").toStdString();
    exeFolder = root.toStdString();
    languageFile = (root + "/Language/English.ini").toStdString();
    languageCtrlId = LanguageCtrlIdFor(language);
}

void TempLanguage::Select(const std::string& name) {
    SelectLanguage(name);
    languageCtrlId = LanguageCtrlIdFor(name);
}

TempLanguage::~TempLanguage() {
    configFile = m_oldConfig;
    languageFile = m_oldLanguageFile;
    exeFolder = m_oldExeFolder;
    languageCtrlId = m_oldCtrlId;
    ResetMessageTable();
}

void RenderForGallery(CBaseDialog& page, const QString& galleryDir, const QString& langDir,
                      const QString& base, const std::vector<GalleryShot>& shots) {
    QFile file(langDir + "/Chinese.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const std::string chinese = file.readAll().toStdString();
    QDir().mkpath(galleryDir);
    for (bool zh : {false, true}) {
        TempLanguage lang(zh ? "Chinese" : "English", {{"Chinese.ini", chinese}});
        lang.Select(zh ? "Chinese" : "English");
        page.ApplyLanguage();
        for (const GalleryShot& shot : shots) {
            if (shot.prepare)
                shot.prepare(zh);
            if (QWidget* focus = QApplication::focusWidget())
                focus->clearFocus(); // no caret in the picture
            for (QWidget* w : page.findChildren<QWidget*>()) {
                QEvent leave(QEvent::Leave); // nothing drawn as under the cursor
                QApplication::sendEvent(w, &leave);
            }
            Drain();
            const QString path =
                QString("%1/%2%3%4.png").arg(galleryDir, base, shot.variant, zh ? "-chinese" : "");
            EXPECT_TRUE(page.grab().save(path)) << path.toStdString();
        }
    }
}

} // namespace corvane::test
