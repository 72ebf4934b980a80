// corvane: the desktop control application of the video processor.

#include "dialogs/CMessageboxDlg.h"
#include "link/IoEngine.h"
#include "mainwindow/CMainDlg.h"
#include "platform/ui/MessageWindow.h"
#include "shell/CorvaneApp.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>

namespace {

class QtStartupUi : public corvane::StartupUi {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.exec();
    }
    void RunMainWindow(corvane::CCorvaneApp& app) override {
        corvane::CMainDlg main(app);
        main.DoModal();
        // Workers handing records to the window must not wait for it any more.
        corvane::ShutDownWindowMessages();
        main.ShutDownLink();
    }
};

} // namespace

int main(int argc, char** argv) {
    // The diagnostic log is off unless asked for (QT_LOGGING_RULES="corvane.*.debug=true").
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
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
