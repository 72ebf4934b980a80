#include "WidgetTestSupport.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"
#include "widgets/CMyEdit.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Add;
using corvane::test::Drain;
using corvane::test::RecordingPage;
using corvane::test::TempLanguage;

namespace {

// The main window with one ordinary page in it, as the application has them.
struct MainWithPage : ::testing::Test {
    RecordingPage main{nullptr, CBaseDialog::Frame::FloatingWindow, 102};
    RecordingPage* page = new RecordingPage(&main, CBaseDialog::Frame::Page, 155);
    CGdipButton* apply = Add<CGdipButton>(page, 1104, {20, 60, 100, 30}, "Apply");
    QPushButton* push = Add<QPushButton>(page, 1105, {140, 60, 100, 30}, "Push");
    QLineEdit* edit = Add<QLineEdit>(page, 1106, {20, 100, 100, 24});
    oRealEdit* value = Add<oRealEdit>(page, 1107, {140, 100, 100, 24});
    CMyEdit* text = Add<CMyEdit>(page, 1108, {20, 140, 100, 24});

    void SetUp() override {
        main.resize(800, 600);
        page->setGeometry(10, 30, 400, 300);
        main.Create();
        page->Create();
        main.show();
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        main.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    }
};

} // namespace

TEST_F(MainWithPage, TheCloseButtonHidesThePageAndPostsClosePageOnce) {
    QTest::mouseClick(page->CloseButton(), Qt::LeftButton);
    EXPECT_FALSE(page->isVisible());
    Drain();
    const auto closes = main.Received(WM_CLOSE_PAGE);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].lParam, 0);
}

TEST_F(MainWithPage, EnterAndEscNeverCloseAPageKeyReleasesGoOutAndButtonsCommandThePage) {
    QWidget* focusable[] = {page, apply, push, edit, value, text};
    for (QWidget* w : focusable) {
        w->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(w, key);
    }
    Drain();
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(main.Count(WM_CLOSE_PAGE), 0);
    EXPECT_EQ(page->Count(WM_COMMAND), 0);       // Enter clicked no button
    EXPECT_EQ(page->Count(WM_EDIT_FINISHED), 3); // the text box tells of Enter and Esc itself
    // Key releases in a page are offered to the window around it (the edit takes the release).
    main.keyReleases.clear();
    edit->setFocus();
    QTest::keyRelease(edit, Qt::Key_Control);
    EXPECT_EQ(main.keyReleases, std::vector<int>{Qt::Key_Control});
    // Buttons send their command to the page, not to the window around it.
    QTest::mouseClick(apply, Qt::LeftButton);
    QTest::mouseClick(push, Qt::LeftButton);
    std::vector<std::uintptr_t> commands;
    for (const WindowMessage& m : page->Received(WM_COMMAND))
        commands.push_back(m.wParam);
    EXPECT_EQ(commands,
              (std::vector<std::uintptr_t>{MakeWParam(1104, BN_CLICKED), MakeWParam(1105, BN_CLICKED)}));
    EXPECT_EQ(main.Count(WM_COMMAND), 0);
}

TEST_F(MainWithPage, FloatingDialogsAreDraggedByTheirBandOnly) {
    auto* floating = new RecordingPage(&main, CBaseDialog::Frame::FloatingChild, 163);
    floating->setGeometry(100, 100, 300, 200);
    floating->Create();
    floating->show();
    const QPoint start = floating->pos();
    QTest::mousePress(floating, Qt::LeftButton, {}, QPoint(50, 10));
    QTest::mouseMove(floating, QPoint(80, 30));
    QTest::mouseRelease(floating, Qt::LeftButton, {}, QPoint(80, 30));
    EXPECT_EQ(floating->pos(), start + QPoint(30, 20));

    const QPoint pagePos = page->pos(); // an embedded page stays where it is
    QTest::mousePress(page, Qt::LeftButton, {}, QPoint(50, 10));
    QTest::mouseMove(page, QPoint(90, 40));
    QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(90, 40));
    EXPECT_EQ(page->pos(), pagePos);
}

TEST_F(MainWithPage, TitleButtonsFollowTheRightEdgeOnlyWithATitleBandAndMaximiseToggles) {
    page->SetMaximizeBox(true);
    page->resize(500, 300);
    EXPECT_EQ(page->CloseButton()->geometry(), QRect(476, 1, 24, 24));
    EXPECT_EQ(page->MaximizeButton()->geometry(), QRect(444, 1, 24, 24));
    page->SetHasTitleBand(false);
    page->resize(350, 300);
    EXPECT_EQ(page->CloseButton()->geometry(), QRect(476, 1, 24, 24));
    // The maximise button toggles between maximised and normal.
    main.SetMaximizeBox(true);
    QTest::mouseClick(main.MaximizeButton(), Qt::LeftButton);
    EXPECT_TRUE(main.isMaximized());
    QTest::mouseClick(main.MaximizeButton(), Qt::LeftButton);
    EXPECT_FALSE(main.isMaximized());
}

TEST(BaseDialog, StaticTextsAreOrangeByIdAndGreyOtherwise) {
    TempLanguage language("English");
    const QColor orange(theme::kOrange), grey(theme::kStaticText);
    const struct {
        int id;
        QColor colour;
    } cases[] = {{1200, orange}, {1211, orange}, {1212, grey}, {1054, orange},
                 {1117, orange}, {1118, grey},   {0, grey}};
    for (const auto& c : cases)
        EXPECT_EQ(CBaseDialog::StaticTextColour(c.id, true), c.colour) << c.id;
    EXPECT_EQ(CBaseDialog::StaticTextColour(1200, false), QColor(theme::kDisabledText));

    languageCtrlId = kLanguageCtrlChinese; // the misc page's label of the language in use
    EXPECT_EQ(CBaseDialog::StaticTextColour(1118, true), orange);
    EXPECT_EQ(CBaseDialog::StaticTextColour(1117, true), grey);

    RecordingPage page;
    auto* label = Add<QLabel>(&page, 1200, {10, 40, 100, 20}, "Status");
    page.Create();
    EXPECT_EQ(label->palette().color(QPalette::Active, QPalette::WindowText), orange);
}

TEST(BaseDialog, ControlsAreFoundByIdWithoutThoseOfNestedPages) {
    RecordingPage page;
    auto* own = Add<QLabel>(&page, 1400, {0, 0, 10, 10});
    auto* nested = new RecordingPage(&page);
    Add<QLabel>(nested, 1401, {0, 0, 10, 10});
    EXPECT_EQ(page.Control<QLabel>(1400), own);
    EXPECT_EQ(page.Control<QLabel>(1401), nullptr);
    EXPECT_EQ(page.Control<QLineEdit>(1400), nullptr);
}
