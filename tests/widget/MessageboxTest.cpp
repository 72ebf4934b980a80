#include "WidgetTestSupport.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CMessageboxDlg.h"
#include "widgets/CGdipButton.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::TempLanguage;

namespace {

// Runs `dialog` modally; once it shows, `act` runs on it (inside its modal loop).
int RunModal(CBaseDialog& dialog, const std::function<void(CBaseDialog&)>& act) {
    QTimer::singleShot(0, &dialog, [&] {
        if (!QTest::qWaitForWindowExposed(&dialog))
            ADD_FAILURE() << "the dialog never showed";
        act(dialog);
    });
    QTimer::singleShot(10000, &dialog, [&] { dialog.EndDialog(-1); }); // never hang the suite
    return dialog.DoModal();
}

void Click(CBaseDialog& dialog, int id) {
    QTest::mouseClick(dialog.Control<QAbstractButton>(id), Qt::LeftButton);
}

} // namespace

TEST(MessageboxDlg, ReturnsOneSevenOrTwoByTheButtonPressed) {
    TempLanguage language("English");
    const struct {
        int button;
        int result;
    } cases[] = {
        {CMessageboxDlg::kLeftId, IDOK}, {CMessageboxDlg::kRightId, IDNO}, {CBaseDialog::kCloseId, IDCANCEL}};
    for (const auto& c : cases) {
        CMessageboxDlg dialog("Select input source", "Change Input source?", CMessageboxDlg::kModeQuestion);
        EXPECT_EQ(RunModal(dialog, [&](CBaseDialog& d) { Click(d, c.button); }), c.result) << c.button;
    }
}

TEST(MessageboxDlg, EnterAndEscLeaveTheQuestionOpen) {
    TempLanguage language("English");
    CMessageboxDlg dialog("Tips", "Restore the factory settings?", CMessageboxDlg::kModeQuestion);
    bool stillOpen = false;
    const int result = RunModal(dialog, [&](CBaseDialog& d) {
        auto* left = d.Control<QWidget>(CMessageboxDlg::kLeftId);
        for (QWidget* target : {static_cast<QWidget*>(&d), left}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Escape);
        }
        stillOpen = d.isVisible();
        Click(d, CMessageboxDlg::kRightId);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, IDNO);
}

TEST(MessageboxDlg, CaptionsFollowTheModeAndTheLanguage) {
    const struct {
        const char* language;
        std::uint32_t mode;
        const char* left;
        const char* right;
    } cases[] = {
        {"English", 1, "YES", "NO"},    {"English", 0x55, "Apply All", "Apply One"},
        {"Chinese", 0, "确定", "关闭"}, {"Chinese", 9, "OK", "Close"}, // a mode without captions
        {"French", 1, "YES", "NO"},
    };
    for (const auto& c : cases) {
        TempLanguage language(c.language);
        CMessageboxDlg dialog("Tips", "Set up success!", c.mode);
        dialog.Create();
        EXPECT_EQ(dialog.Control<QAbstractButton>(CMessageboxDlg::kLeftId)->text() + "|" +
                      dialog.Control<QAbstractButton>(CMessageboxDlg::kRightId)->text(),
                  QString::fromUtf8(c.left) + "|" + QString::fromUtf8(c.right))
            << c.language << " " << c.mode;
    }
}

TEST(MessageboxDlg, ALongMessageMakesTheDialogTaller) {
    TempLanguage language("English");
    CMessageboxDlg shortOne("Tips", "Delete success!", 0);
    shortOne.Create();
    const QString longText =
        QString("Output synchronization issue may occur because of input FPS difference! ").repeated(4);
    CMessageboxDlg longOne("Tips", longText, 0);
    longOne.Create();
    EXPECT_GT(longOne.height(), shortOne.height());
    auto* text = longOne.Control<QLabel>(CMessageboxDlg::kMessageId);
    EXPECT_GT(longOne.Control<QWidget>(CMessageboxDlg::kLeftId)->y(), text->geometry().bottom());
}

TEST(AboutDlg, ShowsTheVersionAndClosesWithOk) {
    CAboutDlg about;
    bool hasVersion = false;
    const int result = RunModal(about, [&](CBaseDialog& d) {
        for (QLabel* label : d.findChildren<QLabel*>())
            hasVersion |= label->text() == QString::fromUtf8("QLM-Z3，1.8.7 Ver");
        EXPECT_EQ(d.Control<QAbstractButton>(IDOK)->text(), QString::fromUtf8("确定"));
        Click(d, IDOK);
    });
    EXPECT_TRUE(hasVersion);
    EXPECT_EQ(result, IDOK);
}
