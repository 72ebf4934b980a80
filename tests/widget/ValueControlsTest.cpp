#include "WidgetTestSupport.h"
#include "platform/WindowMessages.h"
#include "widgets/CMyEdit.h"
#include "widgets/ValueEdit.h"
#include "widgets/oBitmapSlider.h"

#include <QShortcut>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Drain;
using corvane::test::RecordingPage;

namespace {

constexpr int kBoxId = 1203;

// A page with a slider and its value box, a free value box and a text box.
struct ValuePage : ::testing::Test {
    RecordingPage page;
    oBitmapSlider* slider = new oBitmapSlider(&page);
    oSliderEdit* box = new oSliderEdit(&page);
    oRealEdit* free = new oRealEdit(&page);
    CMyEdit* text = new CMyEdit(&page);

    void SetUp() override {
        SetControlId(box, kBoxId);
        SetControlId(free, 1204);
        SetControlId(text, 1205);
        slider->setGeometry(20, 40, 216, 26); // usable channel: 8 .. 208 (the thumb is 16 wide)
        box->setGeometry(250, 40, 60, 24);
        free->setGeometry(20, 80, 80, 24);
        text->setGeometry(120, 80, 120, 24);
        box->Setup("%d", true, 0, 100, 50);
        box->AttachSlider(slider);
        page.Create();
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
        Drain();
        page.Clear();
    }

    std::vector<WindowMessage> Commits() {
        Drain();
        return page.Received(WM_VALUE_COMMITTED);
    }

    QPoint Thumb() const { return QPoint(slider->PositionToPixel(slider->GetPos()), 13); }
    QPoint AtPosition(int position) const { return QPoint(slider->PositionToPixel(position), 13); }

    void TypeInto(QLineEdit* edit, const QString& keys) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }
};

} // namespace

TEST_F(ValuePage, TypingAboveTheMaximumShowsTheMaximumOnLeaving) {
    TypeInto(box, "120");
    EXPECT_TRUE(Commits().empty()); // not final while typing
    free->setFocus();
    EXPECT_EQ(box->text(), "100");
    EXPECT_EQ(slider->GetPos(), slider->GetRangeMax());
    const auto commits = Commits();
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].wParam, static_cast<std::uintptr_t>(kBoxId));

    box->setFocus(); // leaving again without typing is no change
    free->setFocus();
    EXPECT_EQ(Commits().size(), 1u);
    // Characters the box does not take stay out; text that is no number leaves the value.
    box->SetCharFlags(oValueEdit::kDigits | oValueEdit::kMinus);
    TypeInto(box, "-a.");
    EXPECT_EQ(box->text(), "-");
    free->setFocus();
    EXPECT_EQ(box->text(), "100");
    EXPECT_EQ(Commits().size(), 1u);
}

TEST_F(ValuePage, DraggingPostsOnceAtReleaseOrEachMoveWhileReporting) {
    QTest::mousePress(slider, Qt::LeftButton, {}, Thumb());
    for (int position : {60, 80}) {
        QTest::mouseMove(slider, AtPosition(position));
        EXPECT_EQ(box->text(), QString::number(position)); // the box follows at once
    }
    EXPECT_TRUE(Commits().empty());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, AtPosition(80));
    EXPECT_EQ(Commits().size(), 1u);
    EXPECT_EQ(box->GetValue(), 80.0f);

    slider->SetNotifyWhileDragging(true);
    QTest::mousePress(slider, Qt::LeftButton, {}, Thumb());
    QTest::mouseMove(slider, AtPosition(60));
    QTest::mouseMove(slider, AtPosition(60)); // no move: nothing
    QTest::mouseMove(slider, AtPosition(70));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, AtPosition(70));
    EXPECT_EQ(Commits().size(), 3u) << "each move, not the release";
}

TEST_F(ValuePage, APressBesideTheThumbJumpsThereAndTheThumbKeepsItsGrip) {
    QTest::mouseClick(slider, Qt::LeftButton, {}, AtPosition(20));
    EXPECT_EQ(slider->GetPos(), 20);

    // Caught 3 pixels right of its centre, the thumb moves with the cursor, not to it.
    const QPoint grip = Thumb() + QPoint(3, 0);
    QTest::mousePress(slider, Qt::LeftButton, {}, grip);
    EXPECT_EQ(slider->GetPos(), 20);
    QTest::mouseMove(slider, AtPosition(40) + QPoint(3, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, AtPosition(40) + QPoint(3, 0));
    EXPECT_EQ(slider->GetPos(), 40);
}

TEST_F(ValuePage, KeysMoveAndTheirReleaseIsFinal) {
    slider->setFocus();
    const struct {
        Qt::Key key;
        int position;
    } cases[] = {{Qt::Key_Right, 51},     {Qt::Key_Down, 52},   {Qt::Key_Left, 51}, {Qt::Key_Up, 50},
                 {Qt::Key_PageDown, 100}, {Qt::Key_PageUp, 50}, {Qt::Key_End, 100}, {Qt::Key_Home, 0}};
    int finals = 0;
    for (const auto& c : cases) {
        QTest::keyPress(slider, c.key);
        EXPECT_EQ(box->GetValue(), static_cast<float>(c.position)) << c.key;
        EXPECT_EQ(static_cast<int>(Commits().size()), finals) << c.key; // a press is not final
        QTest::keyRelease(slider, c.key);
        EXPECT_EQ(static_cast<int>(Commits().size()), ++finals) << c.key;
    }
}

TEST_F(ValuePage, AValueFromCodeLeavesWhatIsBeingTypedUntilTheEditEndsAndCtrlZUndoesTypingFirst) {
    // Focused and typed: the value is taken (the slider follows), the typing stays.
    TypeInto(box, "70");
    box->SetValue(20);
    EXPECT_EQ(box->text(), "70");
    EXPECT_EQ(box->GetValue(), 20.0f);
    EXPECT_EQ(slider->GetPos(), 20);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(box->text(), "20") << "Esc shows the latest value";
    EXPECT_TRUE(Commits().empty());
    EXPECT_TRUE(page.isVisible()) << "Esc in the box closes no page";

    // Enter commits the typing over the value from code.
    TypeInto(box, "70");
    box->SetValue(22);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->GetValue(), 70.0f);
    EXPECT_EQ(Commits().size(), 1u);

    // Typing back to the text shown, then leaving: no commit, the latest value.
    TypeInto(box, "70");
    box->SetValue(23);
    free->setFocus();
    EXPECT_EQ(box->text(), "23");
    EXPECT_EQ(Commits().size(), 1u);

    // Dropped on purpose: shown at once, also while focused.
    TypeInto(box, "9");
    box->SetValue(25);
    box->DropTyped();
    EXPECT_EQ(box->text(), "25");
    EXPECT_FALSE(box->IsTyped());

    // Ctrl+Z undoes the typing first, and is the window's undo without it.
    int windowUndos = 0;
    QShortcut undo(QKeySequence(Qt::CTRL | Qt::Key_Z), &page);
    undo.setContext(Qt::ApplicationShortcut);
    QObject::connect(&undo, &QShortcut::activated, [&] { ++windowUndos; });

    TypeInto(box, "70");
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(windowUndos, 0) << "the box's own typing is undone";
    EXPECT_EQ(box->text(), "25");

    TypeInto(box, "70");
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(box->text(), "70");
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(windowUndos, 1) << "after Enter, Ctrl+Z in the box is the window's undo";
    EXPECT_EQ(box->text(), "70");
}

TEST_F(ValuePage, AReportedValueIsShownAsItIsOnlyTypingIsKeptInTheRange) {
    free->Setup("%d", true, 4, 64, 10);
    EXPECT_EQ(free->maxLength(), 2);
    free->SetReportedValue(12345);
    EXPECT_EQ(free->text(), "12345") << "the text limit widens for it";
    free->SetValue(12345);
    EXPECT_EQ(free->text(), "64") << "a value from code is kept in the range";

    free->SetReportedValue(100);
    TypeInto(free, "100");
    QTest::keyClick(free, Qt::Key_Return);
    EXPECT_EQ(free->text(), "64") << "typed: kept in the range";
    EXPECT_EQ(Commits().size(), 1u);
    // While typing, a reported value waits like any other.
    TypeInto(free, "50");
    free->SetReportedValue(2);
    EXPECT_EQ(free->text(), "50");
    QTest::keyClick(free, Qt::Key_Escape);
    EXPECT_EQ(free->text(), "2");
}

// The slider counts from the box's minimum, in slider units of `scale` per value unit.
TEST_F(ValuePage, TheSliderCountsFromTheMinimum) {
    box->Setup("%.1f", true, 50, -50, 0); // given the wrong way round
    box->SetScale(10);
    box->AttachSlider(slider);
    EXPECT_EQ(box->Minimum(), -50.0f);
    EXPECT_EQ(slider->GetRangeMin(), 0);
    EXPECT_EQ(slider->GetRangeMax(), 1000);
    EXPECT_EQ(slider->GetPos(), 500);
    EXPECT_EQ(box->text(), "0.0");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(box->text(), "-50.0");
}

TEST_F(ValuePage, TheTextBoxTellsOfEnterEscAndLeavingAndFilters) {
    text->setText("QLW_Z3_0");
    text->setFocus();
    text->deselect();
    QTest::keyClick(text, Qt::Key_Return);
    text->deselect();
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_EQ(text->selectedText(), "QLW_Z3_0");
    free->setFocus();
    Drain();
    const auto finished = page.Received(WM_EDIT_FINISHED);
    ASSERT_EQ(finished.size(), 3u);
    EXPECT_TRUE(page.isVisible());
    // Its character filters.
    const struct {
        bool numeric;
        const char* typed;
        const char* shown;
    } cases[] = {{true, "192.168.1.x1", "192.168.1.1"}, {false, "Net-work 5!", "Network5"}};
    for (const auto& c : cases) {
        text->SetNumericFilter(c.numeric);
        text->SetAlphanumericFilter(!c.numeric);
        text->setFocus();
        text->clear();
        QTest::keyClicks(text, c.typed);
        EXPECT_EQ(text->text(), c.shown);
    }
}
