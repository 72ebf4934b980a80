// corvane: the desktop control application of the video processor.

#include "dialogs/CMessageboxDlg.h"
#include "link/IoEngine.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/MainLog.h"
#include "platform/Paths.h"
#include "platform/ui/LogFile.h"
#include "platform/ui/MessageWindow.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

namespace {

// When main() began.
QElapsedTimer& StartedAt() {
    static QElapsedTimer timer;
    return timer;
}

class QtStartupUi : public corvane::StartupUi {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.exec();
    }
    void RunMainWindow(corvane::CCorvaneApp& app) override {
#ifdef _WIN32
        // A windowed program on Windows has no console: its log goes to corvane.log beside
        // Config.ini (%APPDATA%\corvane when installed).
        if (!app.iniFolder.empty())
            corvane::StartLogFile(corvane::JoinPath(app.iniFolder, "corvane.log"));
#endif
        LogWhereFilesAre(app);
        corvane::CMainDlg main(app);
        // For support and for the start-up figure: when the window first stands on the screen.
        QTimer::singleShot(0, &main, [&main] {
            if (main.isVisible())
                qCInfo(lcMain).noquote()
                    << "the main window is shown," << StartedAt().elapsed() << "ms after the program started";
        });
        main.DoModal();
        // Workers handing records to the window must not wait for it any more.
        corvane::ShutDownWindowMessages();
        main.ShutDownLink();
        corvane::StopLogFile();
    }

private:
    // For support: where the program found its own files and keeps the user's.
    static void LogWhereFilesAre(const corvane::CCorvaneApp& app) {
        using corvane::JoinPath;
        const QString image =
            QString::fromStdString(JoinPath(JoinPath(app.exeFolder, "Image"), "checkin.png"));
        qCDebug(lcMain).noquote() << "program folder" << QString::fromStdString(app.exeFolder)
                                  << (app.installed ? "(installed)" : "(build folder)") << "; Config.ini"
                                  << QString::fromStdString(app.configPath) << "; presets"
                                  << QString::fromStdString(app.dataFolder) << "; ports"
                                  << QString::fromStdString(app.portsFolder);
        qCDebug(lcMain).noquote() << "language file" << QString::fromStdString(corvane::languageFile)
                                  << (QFileInfo::exists(QString::fromStdString(corvane::languageFile))
                                          ? "(found)"
                                          : "(missing)")
                                  << "; images" << (QPixmap(image).isNull() ? "missing" : "found");
    }
};

} // namespace

int main(int argc, char** argv) {
    StartedAt().start();
    // The diagnostic log is off unless asked for: QT_LOGGING_RULES="corvane.*.debug=true", or
    // the same rules in CORVANE_LOG_RULES (wine does not hand QT_ variables to the program).
    // The control interface serves plain HTTP: that Qt Network finds no TLS backend (Windows
    // ships none beside the program) is no news.
    const QByteArray rules = qgetenv("CORVANE_LOG_RULES");
    QLoggingCategory::setFilterRules(QStringLiteral("qt.network.ssl.warning=false\n") +
                                     (rules.isEmpty() ? QStringLiteral("corvane.*.debug=false")
                                                      : QString::fromUtf8(rules).replace(';', '\n')));
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    // The desktop entry of the installed program, so desktops match the window with its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));
    corvane::ApplyApplicationTheme(application);

    QtStartupUi ui;
    int status = 0;
    {
        corvane::CCorvaneApp app;
        const corvane::StartupResult result = app.InitInstance(ui);
        status =
            result == corvane::StartupResult::Ran || result == corvane::StartupResult::AlreadyRunning ? 0 : 1;
    }
    corvane::IoEngine::Instance().Stop();
    return status;
}
