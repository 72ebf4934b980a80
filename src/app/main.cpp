// corvane: the desktop control application of the video processor.

#include "dialogs/CMessageboxDlg.h"
#include "link/IoEngine.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/MainLog.h"
#include "platform/Paths.h"
#include "platform/ui/MessageWindow.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPixmap>

namespace {

class QtStartupUi : public corvane::StartupUi {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.exec();
    }
    void RunMainWindow(corvane::CCorvaneApp& app) override {
        LogWhereFilesAre(app);
        corvane::CMainDlg main(app);
        main.DoModal();
        // Workers handing records to the window must not wait for it any more.
        corvane::ShutDownWindowMessages();
        main.ShutDownLink();
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
    // The diagnostic log is off unless asked for (QT_LOGGING_RULES="corvane.*.debug=true").
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
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
