#include "WidgetTestSupport.h"

#include "dialogs/CMessageboxDlg.h"
#include "shell/Language.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>

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

MessageBoxAnswerer::MessageBoxAnswerer() {
    m_timer.setInterval(kAnswerPeriodMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<CMessageboxDlg*>(w);
            if (!box || !box->isVisible())
                continue;
            boxes.push_back({box->windowTitle().toStdString(),
                             box->Control<QLabel>(CMessageboxDlg::kMessageId)->text().toStdString()});
            box->EndDialog(IDOK);
        }
    });
    m_timer.start();
}

void Drain() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
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

} // namespace corvane::test
