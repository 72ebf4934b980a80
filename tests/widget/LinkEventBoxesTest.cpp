// The boxes of link events: one box at a time, repeats counted in it, other kinds waiting in
// arrival order, and never an event loop of a box's own.

#include "mainwindow/LinkEventBoxes.h"

#include "WidgetTestSupport.h"
#include "dialogs/CMessageboxDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::Drain;
using corvane::test::TempLanguage;

namespace {

constexpr std::uint32_t kEdidFailure = 0x0401;
constexpr std::uint32_t kWifiSuccess = 0x0A01;
constexpr std::uint32_t kTakenOver = 0x0BFF;
constexpr std::uint32_t kSysInfo = 0xB2;

// Answers the one open box with the button `id`, as the operator does.
void Answer(int id = CMessageboxDlg::kLeftId) {
    const std::vector<CMessageboxDlg*> open = test::OpenMessageBoxes();
    ASSERT_EQ(open.size(), 1u);
    QTest::mouseClick(open[0]->Control<QAbstractButton>(id), Qt::LeftButton);
    Drain();
}

// The text of the one open box ("" and a failure when not exactly one is open).
std::string Shown() {
    const std::vector<CMessageboxDlg*> open = test::OpenMessageBoxes();
    EXPECT_EQ(open.size(), 1u);
    return open.size() == 1 ? test::MessageBoxText(open[0]) : std::string();
}

// Records the event-loop depth at which each message box is shown.
class ShowWatch : public QObject {
public:
    ShowWatch() { qApp->installEventFilter(this); }
    ~ShowWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<CMessageboxDlg*>(watched))
            loopLevels.push_back(QThread::currentThread()->loopLevel());
        return false;
    }
    std::vector<int> loopLevels;
};

class LinkBoxes : public ::testing::Test {
protected:
    void TearDown() override { Drain(); }
    TempLanguage language{"English"};
    QWidget owner;
};

// The count after a text that ends its last line goes on a line of its own (" (3)" after
// others: the next case).
TEST_F(LinkBoxes, RepeatsOfOneKindKeepOneBoxWithTheNewestTextAndTheCount) {
    {
        LinkEventBoxes boxes(&owner);
        for (const char* text : {"1. SYS_DEV_Sii9777 : X\n", "1. SYS_DEV_Sii9777 : √ \n"})
            boxes.Show(kSysInfo, "Title", text);
        Drain();
        EXPECT_EQ(Shown(), "1. SYS_DEV_Sii9777 : √ \n(2)");
        EXPECT_EQ(boxes.Waiting(), 0u);
    }
    Drain();
    EXPECT_TRUE(test::OpenMessageBoxes().empty()) << "the box goes with its queue";
}

TEST_F(LinkBoxes, OtherKindsWaitInArrivalOrderOneEntryEach) {
    LinkEventBoxes boxes(&owner);
    // EDID failure shows; WiFi and takeover wait; their repeats only count.
    for (std::uint32_t kind :
         {kEdidFailure, kWifiSuccess, kEdidFailure, kWifiSuccess, kTakenOver, kWifiSuccess})
        boxes.Show(kind, "Title " + std::to_string(kind),
                   kind == kWifiSuccess ? "Set up success!" : "Other clients have been connected!");
    Drain();
    EXPECT_EQ(Shown(), "Other clients have been connected! (2)");
    EXPECT_EQ(boxes.CurrentKind(), kEdidFailure);
    ASSERT_EQ(boxes.Waiting(), 2u);
    EXPECT_EQ(std::make_pair(boxes.WaitingKind(0), boxes.WaitingKind(1)),
              std::make_pair(kWifiSuccess, kTakenOver));

    // Answering one box (any of its buttons) shows the next.
    Answer(CMessageboxDlg::kLeftId);
    EXPECT_EQ(boxes.CurrentKind(), kWifiSuccess);
    EXPECT_EQ(Shown(), "Set up success! (3)");

    // A repeat of the kind showing while another waits stays in the open box.
    boxes.Show(kWifiSuccess, "Title", "Set up success!");
    EXPECT_EQ(Shown(), "Set up success! (4)");
    EXPECT_EQ(boxes.Waiting(), 1u);

    Answer(CBaseDialog::kCloseId);
    EXPECT_EQ(boxes.CurrentKind(), kTakenOver);
    Answer(CMessageboxDlg::kRightId);
    EXPECT_TRUE(test::OpenMessageBoxes().empty());

    // The same kind after its box was answered opens a new box, counted from one.
    boxes.Show(kEdidFailure, "EDID Settings", "Set up failure!");
    Drain();
    EXPECT_EQ(Shown(), "Set up failure!");
}

TEST_F(LinkBoxes, NoBoxRunsALoopOfItsOwnAndEachIsModal) {
    ShowWatch watch;
    const int base = QThread::currentThread()->loopLevel();
    LinkEventBoxes boxes(&owner);
    // A box with a loop of its own would hold this test until something answered it.
    int rescued = 0;
    QTimer rescue;
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        for (CMessageboxDlg* box : test::OpenMessageBoxes()) {
            ++rescued;
            box->EndDialog(IDCANCEL);
        }
    });
    rescue.start(500);
    for (int round = 0; round < 3; ++round)
        for (std::uint32_t kind : {kEdidFailure, kWifiSuccess, kTakenOver, kSysInfo})
            boxes.Show(kind, "Title", "Text");
    rescue.stop();
    ASSERT_EQ(rescued, 0) << "Show waited for a box to be answered";
    Drain();
    ASSERT_EQ(test::OpenMessageBoxes().size(), 1u);
    EXPECT_EQ(QApplication::activeModalWidget(), boxes.Current()) << "application-modal";
    for (int i = 0; i < 4; ++i)
        Answer();
    EXPECT_TRUE(test::OpenMessageBoxes().empty());
    ASSERT_EQ(watch.loopLevels.size(), 4u) << "one box per kind";
    for (int level : watch.loopLevels)
        EXPECT_EQ(level, base) << "a box was shown inside another's event loop";
}

// Many repeats cost no more boxes than kinds; an unbounded number of kinds keeps the newest waiting.
TEST_F(LinkBoxes, TheQueueStaysBoundedByRepeatsAndByKinds) {
    {
        LinkEventBoxes boxes(&owner);
        const std::uint32_t kinds[] = {kEdidFailure, kWifiSuccess, kTakenOver, kSysInfo};
        for (int i = 0; i < 10000; ++i)
            boxes.Show(kinds[i % 4], "Title", "Text " + std::to_string(i));
        Drain();
        EXPECT_EQ(Shown(), "Text 9996 (2500)");
        EXPECT_EQ(boxes.Waiting(), 3u);
    }
    LinkEventBoxes boxes(&owner);
    const std::uint32_t kinds = LinkEventBoxes::kMostWaiting + 10;
    for (std::uint32_t kind = 0; kind <= kinds; ++kind)
        boxes.Show(kind, "Title", "Text");
    Drain();
    EXPECT_EQ(boxes.CurrentKind(), 0u);
    ASSERT_EQ(boxes.Waiting(), LinkEventBoxes::kMostWaiting);
    EXPECT_EQ(boxes.WaitingKind(0), kinds + 1 - LinkEventBoxes::kMostWaiting);
    EXPECT_EQ(boxes.WaitingKind(LinkEventBoxes::kMostWaiting - 1), kinds);
}

TEST_F(LinkBoxes, AnsweredBoxesDoNotPileUpWithoutDeferredDeletion) {
    // This test's loop only processes events, as the transfer loop does: deferred deletions
    // never run in it.
    LinkEventBoxes boxes(&owner);
    for (int i = 0; i < 50; ++i) {
        boxes.Show(i % 2 ? kEdidFailure : kWifiSuccess, "Title", "Text");
        Drain();
        ASSERT_NE(boxes.Current(), nullptr);
        boxes.Current()->EndDialog(IDOK);
        Drain();
    }
    EXPECT_LE(owner.findChildren<CMessageboxDlg*>().size(), 2) << "answered boxes are kept";
}

} // namespace
