// The language switch at run time on the real main window (offscreen, no port): the misc page's
// "中 文" turns every text of the main window, of every page and floating window and the message
// table into Chinese without a restart, "English" turns them back, and clicking the language in
// use changes nothing.

#include "WidgetTestSupport.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/CWificonfigDlg.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace corvane;
using namespace corvane::test;

namespace {

class LanguageSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialPortSources({});
        language.Select("English");
        main = std::make_unique<CMainDlg>(app);
        main->Create();
        main->setWindowState(Qt::WindowNoState);
        main->resize(1400, 800);
        main->show();
        Drain();
        main->SelectPage(kMisc, 0);
        misc = static_cast<CMiscDlg*>(main->Page(kMisc));
        wifi = static_cast<CWificonfigDlg*>(main->Pages().Find(Window::WifiDialog));
        ClickAndDrain(misc->Control<QAbstractButton>(CMiscDlg::kWifiId));
        ASSERT_TRUE(wifi->isVisible());
    }
    void TearDown() override {
        main->ShutDownLink();
        main.reset();
        ResetSerialPortSources();
    }

    // Every control of `dialog` (number `dialogId`) that the language file names shows that
    // text, and so does the caption; returns how many were checked.
    int ExpectTexts(QWidget* dialog, int dialogId) {
        int checked = 0;
        const std::string title = GetLangString("IDD" + std::to_string(dialogId) + "_Title");
        if (!title.empty() && dialogId != CMainDlg::kDialogId) {
            EXPECT_EQ(dialog->windowTitle().toStdString(), title) << "caption of " << dialogId;
            ++checked;
        }
        for (QWidget* control : DialogControls(dialog)) {
            const int id = ControlId(control);
            // The frame sync page's setting group is captioned by its first button's key.
            const int key = dialogId == 189 && id == 1048 ? 1049 : id;
            const std::string expected =
                GetLangString("IDD" + std::to_string(dialogId) + "_" + std::to_string(key));
            if (expected.empty())
                continue;
            EXPECT_EQ(ControlText(control).toStdString(), expected)
                << "dialog " << dialogId << " control " << id;
            ++checked;
        }
        return checked;
    }

    // The main window and every window of the page table; returns the controls checked.
    int ExpectEverything() {
        int checked = ExpectTexts(main.get(), CMainDlg::kDialogId);
        for (const PageSet::Entry& e : main->Pages().Entries())
            checked += ExpectTexts(e.page, e.row->dialogId);
        return checked;
    }

    void Choose(int id) { ClickAndDrain(misc->Control<QAbstractButton>(id)); }

    TempLanguage language{"English", LanguageFilesIn(CORVANE_LANG_DIR)};
    CCorvaneApp app;
    std::unique_ptr<CMainDlg> main;
    CMiscDlg* misc = nullptr;
    CWificonfigDlg* wifi = nullptr;
};

TEST_F(LanguageSwitchTest, ChineseAndBackTurnEveryWindowAndTheMessageTable) {
    ASSERT_EQ(misc->Control<QAbstractButton>(CMiscDlg::kWifiId)->text(), "Wifi Configure...");
    Choose(CMiscDlg::kChineseId);
    EXPECT_EQ(GetLanguageSetting(), "Chinese") << "kept in Config.ini";
    EXPECT_EQ(languageCtrlId, kLanguageCtrlChinese);
    // A sample named outright, then every text the language file gives.
    EXPECT_EQ(misc->Control<QAbstractButton>(CMiscDlg::kWifiId)->text().toStdString(),
              "WiFi \xE9\x85\x8D\xE7\xBD\xAE...");
    EXPECT_EQ(wifi->Control<QLabel>(1054)->text().toStdString(), "IP \xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A");
    EXPECT_GT(ExpectEverything(), 100);
    EXPECT_EQ(MessageText(kMsgOpenSerial), GetLangString("SIDS_20"));

    // The language in use again: nothing is applied (a text changed since stays).
    misc->Control<QAbstractButton>(CMiscDlg::kGetDataId)->setText("marker");
    Choose(CMiscDlg::kChineseId);
    EXPECT_EQ(misc->Control<QAbstractButton>(CMiscDlg::kGetDataId)->text(), "marker");

    Choose(CMiscDlg::kEnglishId);
    EXPECT_EQ(GetLanguageSetting(), "English");
    EXPECT_EQ(misc->Control<QAbstractButton>(CMiscDlg::kGetDataId)->text(), "Get Data From Machine");
    EXPECT_EQ(wifi->Control<QLabel>(1054)->text(), "IP Address :");
    EXPECT_GT(ExpectEverything(), 100);
    EXPECT_EQ(MessageText(kMsgPasswordLength), "Password need 8 to 11 position!");
}

} // namespace
