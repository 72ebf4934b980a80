#include "WidgetTestSupport.h"
#include "platform/WindowMessages.h"
#include "widgets/CDropButton.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Drain;
using corvane::test::RecordingPage;
using corvane::test::WaitFor;

namespace {

constexpr int kDropId = 1301;

struct DropPage : ::testing::Test {
    RecordingPage page;
    CDropButton* drop = new CDropButton(&page);
    QLabel* elsewhere = new QLabel("elsewhere", &page);

    void SetUp() override {
        page.resize(400, 400);
        SetControlId(drop, kDropId);
        drop->setGeometry(40, 40, 150, 24);
        elsewhere->setGeometry(250, 300, 100, 24);
        for (const char* item : {"1920x1080@60", "1280x720@60", "3840x2160@30", "1024x768@60"})
            drop->AddString(item);
        drop->SetCurSel(0);
        page.Create();
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
        Drain();
        page.Clear();
    }

    void Open() {
        QTest::mousePress(drop, Qt::LeftButton, {}, QPoint(20, 12));
        ASSERT_TRUE(drop->IsListOpen());
        QTest::mouseRelease(drop->DropList(), Qt::LeftButton, {},
                            drop->DropList()->mapFromGlobal(drop->mapToGlobal(QPoint(20, 12))));
        ASSERT_TRUE(drop->IsListOpen());
    }

    QPoint ItemCentre(int row) const {
        CListWnd* list = drop->DropList()->List();
        return list->visualItemRect(list->item(row)).center();
    }
};

} // namespace

TEST_F(DropPage, APressPostsOpeningThenOpensTheListAgainstTheButtonWhichCanBeRefilledThen) {
    Open();
    Drain(); // the page hears of the opening here and refills
    EXPECT_EQ(page.Count(WM_DROPDOWN_OPENING), 1);
    CListWnd* list = drop->DropList()->List();
    EXPECT_EQ(drop->DropList()->geometry().topLeft(), drop->mapToGlobal(QPoint(0, drop->height())));
    EXPECT_EQ(list->currentRow(), 0);
    drop->ResetContent();
    drop->AddString("COM1");
    drop->AddString("COM3");
    EXPECT_EQ(list->count(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ItemCentre(1));
    Drain();
    EXPECT_EQ(drop->text(), "COM3");
}

TEST_F(DropPage, AnItemClickedInsideTheListIsTheChoice) {
    Open();
    CListWnd* list = drop->DropList()->List();
    QTest::mouseMove(list->viewport(), ItemCentre(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ItemCentre(2));
    EXPECT_FALSE(drop->IsListOpen());
    Drain();
    const auto picks = page.Received(WM_ITEM_PICKED);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].wParam, static_cast<std::uintptr_t>(kDropId));
    EXPECT_EQ(picks[0].lParam, 2);
    EXPECT_EQ(drop->text(), "3840x2160@30");
    EXPECT_EQ(drop->GetCurSel(), 2);
    // The caption stays when picking does not set it.
    drop->SetCaptionFollowsPick(false);
    drop->setText("Resolution");
    Open();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ItemCentre(1));
    Drain();
    EXPECT_EQ(page.Count(WM_ITEM_PICKED), 2);
    EXPECT_EQ(drop->text(), "Resolution");
}

TEST_F(DropPage, TheListClosesWithoutAPickInEveryOtherWay) {
    QWindow* window = page.windowHandle();
    const auto list = [this] { return drop->DropList()->List(); };
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"the current item clicked",
         [&] { QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, ItemCentre(0)); }},
        // Through the window system, as a real click comes: Qt hands it to the open list.
        {"a click outside",
         [&] { QTest::mouseClick(window, Qt::LeftButton, {}, elsewhere->geometry().center()); }},
        {"a key with the cursor outside the list", [&] { QTest::keyClick(list(), Qt::Key_Down); }},
        {"a press on the button",
         [&] {
             QTest::mousePress(window, Qt::LeftButton, {}, drop->geometry().center());
             QTest::mouseRelease(window, Qt::LeftButton, {}, drop->geometry().center());
         }},
        // From the button into the list it stays open; away from both it closes.
        {"the cursor leaving button and list",
         [&] {
             CDropList* popup = drop->DropList();
             QTest::mouseMove(popup, popup->mapFromGlobal(drop->mapToGlobal(QPoint(30, 20))));
             QTest::mouseMove(list()->viewport(), ItemCentre(1));
             EXPECT_TRUE(drop->IsListOpen());
             QTest::mouseMove(popup, popup->mapFromGlobal(page.mapToGlobal(QPoint(350, 380))));
         }},
    };
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        Open(); // the cursor is on the button
        close();
        EXPECT_FALSE(drop->IsListOpen()) << "and it does not open again";
        Drain();
        EXPECT_EQ(page.Count(WM_ITEM_PICKED), 0);
        EXPECT_EQ(list()->currentRow(), 0);
        EXPECT_EQ(drop->text(), "1920x1080@60");
    }
}

TEST_F(DropPage, ASelectionOutsideTheItemsIsRefused) {
    drop->SetCurSel(2);
    for (int index : {4, -2}) {
        drop->SetCurSel(index); // one past the last item, and below "none"
        EXPECT_EQ(std::make_pair(drop->GetCurSel(), drop->text()), std::make_pair(2, QString("3840x2160@30")))
            << index;
    }
    drop->SetCurSel(-1);
    EXPECT_EQ(drop->GetCurSel(), -1);
}
