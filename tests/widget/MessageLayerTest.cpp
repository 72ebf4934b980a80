#include "WidgetTestSupport.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace corvane;
using corvane::test::Drain;
using corvane::test::RecordingPage;
using corvane::test::WaitFor;

namespace {

constexpr std::uint32_t kAdd = WM_USER + 900;   // returns wParam + lParam
constexpr std::uint32_t kModal = WM_USER + 901; // runs a modal dialog until it is closed

// A page with a handler table of every kind of entry.
class TablePage : public CBaseDialog {
public:
    TablePage() : CBaseDialog(150, nullptr) {}

    std::intptr_t WindowProc(const WindowMessage& m) override {
        using Map = MessageMap<TablePage, CBaseDialog>;
        static const Map map{
            Map::Message(kAdd, &TablePage::OnAdd),
            Map::Message(kModal, &TablePage::OnModal),
            Map::Command(1104, &TablePage::OnApply),
            Map::CommandRange(1001, 1009, &TablePage::OnTab),
            Map::ControlMessage(WM_VALUE_COMMITTED, 1203, &TablePage::OnWidth),
            Map::Timer(6, &TablePage::OnBlink),
        };
        return map.Dispatch(*this, m);
    }

    std::vector<std::string> log;
    std::vector<Qt::HANDLE> threads;
    std::function<void()> duringModal;

private:
    std::intptr_t OnAdd(std::uintptr_t w, std::intptr_t l) {
        log.push_back("add " + std::to_string(w) + " " + std::to_string(l));
        threads.push_back(QThread::currentThreadId());
        return static_cast<std::intptr_t>(w) + l;
    }
    std::intptr_t OnModal(std::uintptr_t, std::intptr_t) {
        log.push_back("modal");
        QDialog modal;
        QTimer::singleShot(0, &modal, [this] {
            if (duringModal)
                duringModal();
        });
        QTimer::singleShot(10000, &modal, &QDialog::reject); // never hang the suite
        modal.exec();
        log.push_back("modal closed");
        return 7;
    }
    void OnApply() { log.push_back("apply"); }
    void OnTab(int id) { log.push_back("tab " + std::to_string(id)); }
    std::intptr_t OnWidth(std::uintptr_t, std::intptr_t l) {
        log.push_back("width " + std::to_string(l));
        return 1;
    }
    void OnBlink() { log.push_back("blink"); }
};

} // namespace

TEST(MessageLayer, SendRunsAtOncePostsLaterInOrderAndTheTableRoutesByMessageControlAndTimer) {
    TablePage page;
    EXPECT_EQ(SendWindowMessage(&page, kAdd, 40, 2), 42);
    EXPECT_FALSE(TrySendWindowMessage(nullptr, kAdd, 1, 1));
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(PostWindowMessage(&page, kAdd, static_cast<std::uintptr_t>(i), 0));
    EXPECT_EQ(page.log, (std::vector<std::string>{"add 40 2"}));
    Drain();
    EXPECT_EQ(page.log, (std::vector<std::string>{"add 40 2", "add 0 0", "add 1 0"}));
    // The table routes by message, control and timer.
    const struct {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::vector<std::string> log;
        std::intptr_t result;
    } cases[] = {
        {WM_COMMAND, MakeWParam(1104, BN_CLICKED), 0, {"apply"}, 0},
        {WM_COMMAND, MakeWParam(1104, LBN_SELCHANGE), 0, {}, 0}, // another notification
        {WM_COMMAND, MakeWParam(1005, BN_CLICKED), 0, {"tab 1005"}, 0},
        {WM_COMMAND, MakeWParam(1010, BN_CLICKED), 0, {}, 0},
        {WM_VALUE_COMMITTED, 1203, 9, {"width 9"}, 1},
        {WM_VALUE_COMMITTED, 1204, 9, {}, 0}, // another box: the base answers 0
        {WM_TIMER, 6, 0, {"blink"}, 0},
        {WM_TIMER, 1, 0, {}, 0},
    };
    for (const auto& c : cases) {
        page.log.clear();
        EXPECT_EQ(SendWindowMessage(&page, c.message, c.wParam, c.lParam), c.result)
            << c.message << " " << c.wParam;
        EXPECT_EQ(page.log, c.log) << c.message << " " << c.wParam;
    }
    // What the page's table does not take goes to the base dialog's: its close button.
    page.Create();
    page.show();
    SendWindowMessage(&page, WM_COMMAND, MakeWParam(CBaseDialog::kCloseId, BN_CLICKED), 0);
    EXPECT_FALSE(page.isVisible());
}

TEST(MessageLayer, TimersAreStartedRestartedAndStoppedByNumber) {
    RecordingPage page;
    page.SetTimer(1, std::chrono::milliseconds(10));
    page.SetTimer(3, std::chrono::milliseconds(10));
    ASSERT_TRUE(WaitFor([&] {
        int ones = 0, threes = 0;
        for (const auto& m : page.Received(WM_TIMER))
            (m.wParam == 1 ? ones : threes) += 1;
        return ones >= 2 && threes >= 2;
    }));
    page.KillTimer(1);
    EXPECT_EQ(std::make_pair(page.IsTimerActive(1), page.IsTimerActive(3)), std::make_pair(false, true));
    page.SetTimer(3, std::chrono::hours(1)); // restarted with a period that will not end in this test
    Drain();
    page.Clear();
    // Timer 1 started again: until it has ticked three times, timer 3 never does.
    page.SetTimer(1, std::chrono::milliseconds(5));
    EXPECT_TRUE(WaitFor([&] { return page.Count(WM_TIMER) >= 3; }));
    for (const WindowMessage& m : page.Received(WM_TIMER))
        EXPECT_EQ(m.wParam, 1u);
}

// A worker's sends block until the user-interface thread ran them there, in order with its
// posts; CallOnUiThread runs there too.
TEST(MessageLayer, AWorkersSendsAndPostsRunOnTheUserInterfaceThreadInTheirOrder) {
    TablePage page;
    std::atomic<bool> sending{false};
    std::atomic<bool> returned{false};
    std::intptr_t result = 0;
    Qt::HANDLE calledOn = nullptr;
    std::thread worker([&] {
        sending = true;
        PostWindowMessage(&page, kAdd, 1, 0);
        result = SendWindowMessage(&page, kAdd, 5, 6);
        PostWindowMessage(&page, kAdd, 3, 0);
        SendWindowMessage(&page, kAdd, 4, 0);
        CallOnUiThread([&] { calledOn = QThread::currentThreadId(); });
        returned = true;
    });
    while (!sending)
        QThread::yieldCurrentThread();
    EXPECT_FALSE(returned); // the user-interface thread has not run it yet
    EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(result, 11);
    EXPECT_EQ(page.log, (std::vector<std::string>{"add 1 0", "add 5 6", "add 3 0", "add 4 0"}));
    const Qt::HANDLE ui = QApplication::instance()->thread()->currentThreadId();
    for (Qt::HANDLE ranOn : page.threads)
        EXPECT_EQ(ranOn, ui);
    EXPECT_EQ(calledOn, ui);
}

// The user-interface thread sits in a modal dialog's loop (opened from a posted message, so
// one handler is already running): a worker's send is still handled, and the worker returns.
TEST(MessageLayer, AWorkersSendIsHandledWhileAModalDialogRuns) {
    TablePage page;
    std::atomic<bool> returned{false};
    std::intptr_t result = 0;
    std::thread worker;
    page.duringModal = [&] {
        worker = std::thread([&] {
            result = SendWindowMessage(&page, kAdd, 20, 1);
            returned = true;
        });
        // The modal loop itself runs the send; once the worker is back, the dialog closes.
        auto* poll = new QTimer(QApplication::activeModalWidget());
        QObject::connect(poll, &QTimer::timeout, poll, [&returned, poll] {
            if (returned) {
                poll->stop();
                QApplication::activeModalWidget()->close();
            }
        });
        poll->start(5);
    };
    PostWindowMessage(&page, kModal, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return page.log.size() >= 3; }, 15000));
    worker.join();
    EXPECT_EQ(result, 21);
    EXPECT_EQ(page.log, (std::vector<std::string>{"modal", "add 20 1", "modal closed"}));
}

TEST(MessageLayer, AWindowGoneBeforeItsTurnFailsTheSend) {
    auto page = std::make_unique<TablePage>();
    TablePage* raw = page.get();
    std::atomic<bool> sending{false};
    std::optional<std::intptr_t> result = 99;
    std::thread worker([&] {
        sending = true;
        result = TrySendWindowMessage(raw, kAdd, 1, 1);
    });
    while (!sending)
        QThread::yieldCurrentThread();
    page.reset(); // destroyed while the message waits (or before it was sent)
    Drain();
    worker.join();
    EXPECT_FALSE(result.has_value());

    // A post to a window destroyed before its turn is dropped.
    auto other = std::make_unique<TablePage>();
    PostWindowMessage(other.get(), kAdd, 1, 1);
    other.reset();
    Drain();
    EXPECT_FALSE(PostWindowMessage(raw, kAdd, 1, 1));
}

TEST(MessageLayer, OwnerWindowIsTheNearestPage) {
    RecordingPage outer;
    RecordingPage inner(&outer);
    QWidget control(new QWidget(&inner));
    EXPECT_EQ(std::vector<MessageWindow*>({OwnerWindow(&control), OwnerWindow(&inner), OwnerWindow(&outer)}),
              std::vector<MessageWindow*>({&inner, &outer, nullptr}));
}
