#include "WidgetTestSupport.h"
#include "platform/Paths.h"
#include "widgets/CGdipButton.h"
#include "widgets/Theme.h"

#include <QFileInfo>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::RecordingPage;

namespace {

struct ButtonPage : ::testing::Test {
    RecordingPage page;
    CGdipButton* button = new CGdipButton(&page);
    CGdipButton* other = new CGdipButton(&page);

    void SetUp() override {
        button->setGeometry(20, 40, 56, 26);
        other->setGeometry(120, 40, 56, 26);
        page.Create();
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
};

} // namespace

TEST_F(ButtonPage, PressesSetFlipOrLeaveTheCheckedState) {
    const struct {
        const char* kind;
        bool afterOne, afterTwo;
    } cases[] = {{"radio", true, true}, {"toggle", true, false}, {"", false, false}};
    for (const auto& c : cases) {
        button->setProperty("kind", c.kind);
        button->setChecked(false);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(button->isChecked(), c.afterOne) << c.kind;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(button->isChecked(), c.afterTwo) << c.kind;
    }
    // A kind set in code outlives the properties a dialog sets on every control.
    RecordingPage dialog;
    auto* toggle = new CGdipButton(&dialog);
    toggle->SetToggle(true);
    SetControlId(toggle, 1509);
    dialog.Create();
    toggle->setProperty("languageText", "x");
    toggle->click();
    EXPECT_TRUE(toggle->isChecked());
    toggle->click();
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(ButtonPage, TheImageFollowsHoverAndCheckedState) {
    button->setProperty("images", "153,154,132");
    EXPECT_EQ(button->CurrentImage(), 153);
    button->setChecked(true);
    EXPECT_EQ(button->CurrentImage(), 154);
    QTest::mouseMove(button, QPoint(10, 10));
    EXPECT_EQ(button->CurrentImage(), 132);
    QTest::mouseMove(other, QPoint(10, 10));
    EXPECT_EQ(button->CurrentImage(), 154);
}

TEST(Images, EveryNumberedImageIsInTheProgram) {
    // The numbers of images:: (kAppIcon .. kMarkOn), in runs without gaps.
    const std::pair<int, int> runs[] = {{128, 132}, {134, 145},   {147, 150},  {153, 154},
                                        {156, 162}, {164, 164},   {167, 168},  {173, 176},
                                        {184, 186}, {1202, 1203}, {1700, 1701}};
    for (const auto& [first, last] : runs)
        for (int id = first; id <= last; ++id)
            EXPECT_FALSE(ResourceImage(id).isNull()) << id;
    EXPECT_EQ(ResourceImage(images::kBackground).size(), QSize(2560, 1600));
    EXPECT_TRUE(ResourceImage(9999).isNull());
}

TEST(Images, TheCheckBoxImagesLieBesideTheExecutable) {
    for (const char* name : {"checkin.png", "checkout.png"})
        EXPECT_FALSE(
            QImage(QString::fromStdString(JoinPath(JoinPath(ExecutableFolder(), "Image"), name))).isNull())
            << name;
}
