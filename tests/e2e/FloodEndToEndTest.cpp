// A processor that repeats itself: the application keeps one message box of a kind, handles
// every record (pings answered) and keeps its memory flat, whatever comes and how fast. How a
// box counts the repeats of its kind: LinkEventBoxesTest.

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

// Every reply kind at line rate for a minute while the operator answers each box as it opens.
TEST(Flood, AMinuteOfEveryReplyKindAtLineRateIsHandled) {
    constexpr std::chrono::seconds kFlood{60};
    AppHarness h;
    h.answerBoxes = false; // answered below, without keeping their texts
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 15000));
    h.WaitFor([] { return false; }, 500); // settle
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
