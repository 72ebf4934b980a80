// A processor that repeats itself: the application keeps one message box of a kind, handles
// every record (pings answered) and keeps its memory flat, whatever comes and how fast.

#include "AppHarness.h"
#include "RunEvents.h"
#include "WidgetTestSupport.h"
#include "dialogs/CMessageboxDlg.h"
#include "platform/WindowMessages.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// How often `part` occurs in `text`.
std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

void Settle(AppHarness& h, int ms) {
    QElapsedTimer clock;
    clock.start();
    h.WaitFor([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

TEST(Flood, ThreeHundredSystemInformationRepliesLeaveOneBoxWithTheLastText) {
    AppHarness h;
    h.answerBoxes = false; // nobody answers: the box stays while the replies come
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 15000));
    // One box opened and answered first, so that what a first box loads once is not counted.
    SendWindowMessage(&h.Main(), WM_LINK_EVENT, 4, 0);
    Settle(h, 300);
    ASSERT_EQ(test::OpenMessageBoxes().size(), 1u);
    test::OpenMessageBoxes()[0]->EndDialog(IDOK);
    Settle(h, 700);
    const double before = test::ResidentMegabytes();

    constexpr int kReplies = 300;
    // Asked for in batches: the link keeps at most 100 frames waiting to be written.
    for (int i = 1; i < kReplies; ++i) {
        SendWindowMessage(&h.Main(), WM_DEVICE_COMMAND, kCmdSysInfo, 0);
        if (i % 20 == 0 || i == kReplies - 1) {
            ASSERT_TRUE(h.WaitFor([&] { return h.Main().LinkBoxes().CurrentCount() == i; }, 10000)) << i;
        }
    }
    // The last reply reports the WiFi module missing.
    EXPECT_EQ(s.Execute("sysinfo 1111111111110"), "ok\n");
    SendWindowMessage(&h.Main(), WM_DEVICE_COMMAND, kCmdSysInfo, 0);
    ASSERT_TRUE(h.WaitFor([&] { return h.Main().LinkBoxes().CurrentCount() == kReplies; }, 10000));
    Settle(h, 500);
    const double after = test::ResidentMegabytes();

    const std::vector<CMessageboxDlg*> open = test::OpenMessageBoxes();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]->windowTitle(), "SysInfo");
    const std::string text = test::MessageBoxText(open[0]);
    EXPECT_NE(text.find("13. SYS_DEV_wifi"), std::string::npos) << text;
    EXPECT_NE(text.find("\t: X\n(300)"), std::string::npos) << "the last text, counted: " << text;
    EXPECT_EQ(Occurrences(text, "√"), 12u) << text;
    EXPECT_EQ(h.Main().LinkBoxes().Waiting(), 0u);
    EXPECT_EQ(s.Execute("count 0x00B2"), "count 0x00B2 300\nok\n");
    EXPECT_EQ(h.LinkState(), kLinkSynchronised);
    std::printf("resident memory: %.1f MB before, %.1f MB after %d replies\n", before, after, kReplies);
    EXPECT_LT(after - before, 8.0) << "resident memory grew by " << after - before << " MB";
}

// Every reply kind at line rate for a minute while the operator answers each box as it opens.
TEST(Flood, AMinuteOfEveryReplyKindAtLineRateIsHandled) {
    constexpr std::chrono::seconds kFlood{60};
    AppHarness h;
    h.answerBoxes = false; // answered below, without keeping their texts
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 15000));
    Settle(h, 500);
    const sim::PingStats pingsBefore = s.Pings();
    const std::uint64_t recordsBefore = s.Flood().counts.records;

    ASSERT_EQ(s.Execute("fault flood " + std::to_string(kFlood.count())), "ok\n");
    QElapsedTimer clock;
    clock.start();
    double rssAt5 = 0;
    std::size_t mostOpen = 0;
    int answered = 0;
    qint64 lastAnswer = 0;
    bool linkKept = true;
    const bool ended = h.WaitFor(
        [&] {
            const std::vector<CMessageboxDlg*> open = test::OpenMessageBoxes();
            mostOpen = std::max(mostOpen, open.size());
            if (!open.empty() && clock.elapsed() - lastAnswer >= 50) {
                open[0]->EndDialog(IDOK);
                lastAnswer = clock.elapsed();
                ++answered;
            }
            linkKept = linkKept && h.LinkState() == kLinkSynchronised;
            if (rssAt5 == 0 && clock.elapsed() >= 5000)
                rssAt5 = test::ResidentMegabytes();
            return clock.elapsed() >= 1000 * kFlood.count() && !s.Flood().running;
        },
        static_cast<int>(1000 * kFlood.count() + 10000));
    const double rssAtEnd = test::ResidentMegabytes();
    ASSERT_TRUE(ended) << "the flood did not end";

    // Every ping of the flood answered.
    sim::PingStats pings = s.Pings();
    h.WaitFor(
        [&] {
            pings = s.Pings();
            return pings.answered - pingsBefore.answered == pings.sent - pingsBefore.sent;
        },
        5000);
    const std::uint64_t records = s.Flood().counts.records - recordsBefore;
    std::printf("flood of %lld s: %llu records, %llu pings answered of %llu, longest round trip %.1f ms; "
                "resident memory %.1f MB after 5 s, %.1f MB at the end (%+.1f MB); %d boxes answered\n",
                static_cast<long long>(kFlood.count()), static_cast<unsigned long long>(records),
                static_cast<unsigned long long>(pings.answered - pingsBefore.answered),
                static_cast<unsigned long long>(pings.sent - pingsBefore.sent),
                static_cast<double>(pings.longest.count()) / 1000.0, rssAt5, rssAtEnd, rssAtEnd - rssAt5,
                answered);
    EXPECT_GT(records, 10000u);
    EXPECT_GT(pings.sent, pingsBefore.sent);
    EXPECT_EQ(pings.answered - pingsBefore.answered, pings.sent - pingsBefore.sent);
    EXPECT_EQ(pings.unanswered, pingsBefore.unanswered);
    EXPECT_TRUE(linkKept) << "the link was lost during the flood";
    EXPECT_TRUE(h.App().link.IsOpen());
    EXPECT_EQ(h.LinkState(), kLinkSynchronised);
    EXPECT_LE(mostOpen, 1u) << "more than one box open at once";
    EXPECT_GT(answered, 0) << "the boxes came and were answered";
    EXPECT_LT(rssAtEnd - rssAt5, 20.0) << "resident memory grew during the flood";
}

} // namespace
