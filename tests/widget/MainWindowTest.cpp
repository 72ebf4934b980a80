// The main window with its real pages, offscreen, without a processor (no serial port is
// listed): the page table, the canvas modes that follow the output and layer pages, the about
// box, the end of a wait when the link closes, the status text and accessible names.

#include "WidgetTestSupport.h"
#include "connection/CConnectDlg.h"
#include "dialogs/CAboutDlg.h"
#include "layout/CLayoutDlg.h"
#include "mainwindow/CInputBoxes.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/CStatusArea.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kTabFirst = 1001;
constexpr int kLayerSwitchFirst = 1024;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialPortSources({}); // no port: the search finds nothing to try
        language.Select("English");
        main = std::make_unique<CMainDlg>(app);
        main->Create();
        main->setWindowState(Qt::WindowNoState);
        main->resize(1400, 800);
        main->show();
        Drain();
    }
    void TearDown() override {
        main->ShutDownLink();
        main.reset();
        ResetSerialPortSources();
    }

    void ClickTab(int index) {
        QTest::mouseClick(main->Control<QAbstractButton>(kTabFirst + index), Qt::LeftButton);
        Drain();
    }
    bool LayerSwitchesShown() const {
        for (int i = 0; i < kLayerCount; ++i)
            if (main->Control<QWidget>(kLayerSwitchFirst + i)->isHidden())
                return false;
        return true;
    }
    // Runs `open` (which opens a modal about box) and closes the box from its own event loop;
    // returns the text the box showed, empty when none opened.
    QString AboutBoxOf(const std::function<void()>& open) {
        QString shown;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* about = qobject_cast<CAboutDlg*>(w); about && about->isVisible()) {
                    for (const QLabel* label : about->findChildren<QLabel*>())
                        shown += label->text();
                    about->EndDialog(IDOK);
                }
        });
        poll.start();
        open();
        WaitFor([&] { return !shown.isEmpty(); }, 3000);
        return shown;
    }

    TempLanguage language{"English", LanguageFilesIn(CORVANE_LANG_DIR)};
    CCorvaneApp app;
    std::unique_ptr<CMainDlg> main;
};

TEST_F(MainWindowTest, EveryRowOfThePageTableIsOneWindow) {
    std::set<const CBaseDialog*> made;
    for (const PageRow& row : PageTable()) {
        SCOPED_TRACE(WindowName(row.window));
        CBaseDialog* page = main->Pages().Find(row.window);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->DialogId(), row.dialogId);
        EXPECT_EQ(main->Services().WindowOf(row.window), page);
        EXPECT_TRUE(made.insert(page).second) << "one window per row";
        if (row.tab >= 0) {
            EXPECT_EQ(main->Page(row.tab), page);
            ClickTab(row.tab);
            EXPECT_EQ(main->CurrentPage(), row.tab);
            EXPECT_TRUE(page->isVisible());
            EXPECT_EQ(page->geometry().left(), main->LayoutPage()->geometry().left() - page->width())
                << "the page stands left of the canvas";
        }
    }
    EXPECT_FALSE(main->Services().WindowExists(Window::UpgradeDialog));
}

TEST_F(MainWindowTest, HidingTheOutputPageBringsBackLayerEditing) {
    CLayoutDlg* layout = main->LayoutPage();
    struct Case {
        const char* name;
        std::function<void()> hide;
    };
    const Case cases[] = {
        {"its tab again", [&] { ClickTab(kOutput); }},
        {"its close button",
         [&] {
             QTest::mouseClick(main->Page(kOutput)->Control<QAbstractButton>(CBaseDialog::kCloseId),
                               Qt::LeftButton);
             Drain();
         }},
        {"another page's tab", [&] { ClickTab(kPicture); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClickTab(kOutput);
        ASSERT_EQ(layout->EditMode(), 1u);
        ASSERT_FALSE(LayerSwitchesShown());
        c.hide();
        EXPECT_EQ(layout->EditMode(), 0u);
        EXPECT_TRUE(LayerSwitchesShown());
        if (main->CurrentPage() >= 0)
            ClickTab(main->CurrentPage()); // back to no page
    }
    // Closing the layer page leaves layer editing as it is.
    ClickTab(kLayer);
    QTest::mouseClick(main->Page(kLayer)->Control<QAbstractButton>(CBaseDialog::kCloseId), Qt::LeftButton);
    Drain();
    EXPECT_EQ(main->CurrentPage(), -1);
    EXPECT_EQ(layout->EditMode(), 0u);
}

TEST_F(MainWindowTest, TheLogoMenuHoldsAboutAndUndoRedoWhichAskForALinkFirst) {
    QMenu* menu = main->LogoMenu();
    // Undo and redo, disabled with nothing to do.
    auto* undo = menu->findChild<QAction*>(QString::fromLatin1(CMainDlg::kUndoItemName));
    auto* redo = menu->findChild<QAction*>(QString::fromLatin1(CMainDlg::kRedoItemName));
    ASSERT_TRUE(undo && redo);
    main->RefreshUndoItems();
    EXPECT_FALSE(undo->isEnabled() || redo->isEnabled());

    // Ctrl+Z without a processor: the operator is told, nothing is sent.
    MessageBoxAnswerer answerer;
    QTest::keyClick(main.get(), Qt::Key_Z, Qt::ControlModifier);
    Drain();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].message, "Please open the serial!");
    // The logo opens the menu; its first item and the window menu's command open the about box.
    QTest::mouseClick(main->Control<QAbstractButton>(CMainDlg::kLogoId), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }, 2000));
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4); // about, a separator, undo, redo
    EXPECT_EQ(actions[0]->text(), QString::fromUtf8("关于 Corvane(A)..."));
    EXPECT_TRUE(AboutBoxOf([&] { actions[0]->trigger(); }).contains(QStringLiteral("1.8.7")));
    menu->hide();
    EXPECT_TRUE(AboutBoxOf([&] {
                    SendWindowMessage(main.get(), WM_SYSCOMMAND, CMainDlg::kAboutCommand, 0);
                }).contains(QStringLiteral("1.8.7")));
}

TEST_F(MainWindowTest, AClosedLinkEndsTheWaitAndItsTimeOut) {
    main->Services().ShowWait("Getting Data From Desitination...");
    ASSERT_TRUE(main->WaitShown());
    ASSERT_TRUE(main->IsTimerActive(kTimerWait));
    EXPECT_FALSE(main->Page(kOutput)->isEnabled()) << "the window waits";

    SendWindowMessage(main->ConnectDialog(), WM_PORT_CLOSED, 0, 0);
    EXPECT_FALSE(main->WaitShown());
    EXPECT_FALSE(main->IsTimerActive(kTimerWait)) << "no time-out box after the operator was told";
    EXPECT_TRUE(main->Page(kOutput)->isEnabled());
}

TEST_F(MainWindowTest, TheStatusAreaNamesThePortInTheLanguageInUse) {
    CStatusArea* status = main->StatusAreaWidget();
    EXPECT_TRUE(status->PortText().isEmpty()) << "no port open";
    app.state.linkState = kLinkOpen;
    main->Link().lastPort = 3;
    main->Link().baudRate = 921600;
    EXPECT_EQ(status->PortText(), QStringLiteral("COM3  921600 baud"));
    SendWindowMessage(main.get(), WM_SET_LANGUAGE, 1, 0);
    EXPECT_NE(status->PortText(), QStringLiteral("COM3  921600 baud"));
    app.state.linkState = kLinkClosed;
}

TEST_F(MainWindowTest, EveryControlOfEveryPageHasANameInBothLanguages) {
    for (std::uintptr_t language : {0u, 1u}) {
        SCOPED_TRACE(language);
        SendWindowMessage(main.get(), WM_SET_LANGUAGE, language, 0);
        for (const QString& nameless : NamelessControls(main.get()))
            ADD_FAILURE() << nameless.toStdString();
    }
    // The placeholder pages' captions follow the language too.
    EXPECT_EQ(main->Page(kPicture)->windowTitle().toStdString(), GetLangString("IDD155_Title"));
}

TEST_F(MainWindowTest, AClickOnAnInputBoxAsksBeforeChangingTheInput) {
    CInputBoxes* boxes = main->InputBoxes();
    const QPoint third = boxes->BoxRect(2).center();
    {
        MessageBoxAnswerer answerer; // answers yes
        QTest::mouseClick(boxes, Qt::LeftButton, Qt::NoModifier, third);
        Drain();
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].message, "Change Input source?");
    }
    EXPECT_EQ(app.state.currentInput, 2u);
    MessageBoxAnswerer none;
    QTest::mouseClick(boxes, Qt::LeftButton, Qt::NoModifier, third);
    Drain();
    EXPECT_TRUE(none.boxes.empty()) << "the current input's box does nothing";
}

} // namespace
