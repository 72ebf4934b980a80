// The pacing of a firmware exchange by the line, on a fake clock: one item at a time, each
// written only after the one before it left and its quiet passed; never earlier than the line
// could have carried the bytes; the failures that end an exchange.

#include "upgrade/ExchangePacer.h"

#include "link/CommandCodes.h"
#include "upgrade/UpgradeImage.h"

#include <gtest/gtest.h>
#include <tuple>

namespace corvane {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using Clock = ExchangePacer::Clock;

struct Written {
    std::uint64_t ticket;
    std::size_t length;
    std::uint16_t code; // of a frame; 0 for a packet
    Clock::time_point at;
};

class FakeLine : public ExchangeLine {
public:
    LineSend Write(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) override {
        if (refuseAt != 0 && writes.size() + 1 == refuseAt)
            return refusal;
        writes.push_back({ticket, length, length == kFrameSize ? FrameCode(data) : std::uint16_t{0}, now});
        return LineSend::Queued;
    }
    std::vector<Written> writes;
    Clock::time_point now{};
    std::size_t refuseAt = 0; // the write (from 1) that is refused
    LineSend refusal = LineSend::NoBuffer;
};

std::vector<std::uint8_t> Image(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 3 + 1);
    return v;
}

// Runs the pacer as the dialog does: pump at every due time; the driver reports each write
// `report` after it was written. Returns the moments each item left.
std::vector<Clock::time_point> RunExchange(ExchangePacer& pacer, FakeLine& line, microseconds report) {
    std::vector<Clock::time_point> left;
    for (int guard = 0; guard < 10000 && !pacer.Idle() && !pacer.Failed(); ++guard) {
        const std::size_t before = line.writes.size();
        const std::optional<Clock::time_point> next = pacer.Pump(line, line.now);
        if (line.writes.size() > before) {
            line.now = line.writes.back().at + report;
            const auto departure = pacer.Left(line.writes.back().ticket, true, 0, line.now);
            if (departure)
                left.push_back(departure->at);
            continue;
        }
        if (!next)
            break;
        line.now = *next;
    }
    return left;
}

TEST(ExchangePacer, EveryItemWaitsForThePreviousToLeaveAndForItsQuiet) {
    // The rate and when the driver says the write left, after the write: a driver that reports
    // at once (a pseudo-terminal), one that drains as slowly as the line, one that is slower
    // still; at the two rates of the processor and an unknown rate.
    const std::pair<std::uint32_t, microseconds> cases[] = {
        {115200, microseconds{0}}, {115200, microseconds{90'200}}, {115200, microseconds{200'000}},
        {921600, microseconds{0}}, {921600, microseconds{40'000}}, {0, microseconds{500}}};
    const std::vector<std::uint8_t> image = Image(3 * 1024 + 10);
    for (const auto& [baud, report] : cases) {
        SCOPED_TRACE(testing::Message() << baud << " baud, reported after " << report.count() << " us");
        ExchangePacer pacer;
        FakeLine line;
        line.now = Clock::time_point{} + std::chrono::hours{1};
        pacer.Start(baud);
        pacer.QueueFrame(MakeFrame(kCmdEnterBoot), milliseconds{0});
        pacer.QueueFrame(MakeFrame(kCmdAnnounceImage), milliseconds{100});
        pacer.QueueImage(image, milliseconds{0}, milliseconds{30});
        pacer.QueueFrame(MakeFrame(kCmdEndImage), milliseconds{130});
        const std::vector<Clock::time_point> left = RunExchange(pacer, line, report);
        ASSERT_FALSE(pacer.Failed());
        ASSERT_EQ(line.writes.size(), 7u);
        ASSERT_EQ(left.size(), 7u);
        // Each item's code (0: a packet) and the quiet before it in milliseconds.
        const std::pair<std::uint16_t, int> items[7] = {
            {kCmdEnterBoot, 0}, {kCmdAnnounceImage, 100}, {0, 0}, {0, 30}, {0, 30}, {0, 30},
            {kCmdEndImage, 130}};
        for (std::size_t k = 0; k < 7; ++k) {
            EXPECT_EQ(line.writes[k].code, items[k].first) << k;
            // Never before the line could have carried it, never before the driver said so.
            const auto wire = pacer.WireTime(line.writes[k].length);
            EXPECT_GE(left[k], line.writes[k].at + wire) << k;
            EXPECT_GE(left[k], line.writes[k].at + report) << k;
            if (k == 0)
                continue;
            // Exactly the quiet after the previous item left: never less, and no time lost.
            EXPECT_EQ(line.writes[k].at - left[k - 1], milliseconds{items[k].second}) << k;
        }
        EXPECT_EQ(pacer.ImageBytesLeft(), image.size());
        EXPECT_EQ(pacer.PacketCount(), 4u);
    }
}

TEST(ExchangePacer, TheWireTimeIsTenBitsAByteRoundedUp) {
    ExchangePacer pacer;
    pacer.Start(115200);
    EXPECT_EQ(pacer.WireTime(kPacketSize), microseconds{90'191}); // 10390 bits
    EXPECT_EQ(pacer.WireTime(kFrameSize), microseconds{3'386});
    pacer.Start(921600);
    EXPECT_EQ(pacer.WireTime(kPacketSize), microseconds{11'274});
    pacer.Start(0);
    EXPECT_EQ(pacer.WireTime(kPacketSize), microseconds{0});
    // What the rest of an image needs: each packet's wire time (whole milliseconds) and pause.
    pacer.Start(115200);
    const std::vector<std::uint8_t> image = Image(5 * 1024);
    pacer.QueueImage(image, milliseconds{0}, milliseconds{30});
    EXPECT_EQ(pacer.ImageTimeLeft(), milliseconds{5 * (91 + 30)});
}

TEST(ExchangePacer, APacketThatCannotBeQueuedEndsTheExchangeAndNothingFollows) {
    struct Case {
        std::size_t refuseAt;
        LineSend refusal;
        bool packet;
        std::uint64_t number;
        std::string text;
    };
    const Case cases[] = {
        {16, LineSend::NoBuffer, true, 15,
         "Data packet 15 of 300 could not be sent: no write buffer was free."},
        {1, LineSend::NotStarted, false, 0, "Frame 0x8000 could not be sent: the port is closed."},
        {302, LineSend::NoBuffer, false, 0, "Frame 0x8004 could not be sent: no write buffer was free."},
    };
    const std::vector<std::uint8_t> image = Image(300 * 1024);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExchangePacer pacer;
        FakeLine line;
        line.refuseAt = c.refuseAt;
        line.refusal = c.refusal;
        pacer.Start(921600);
        pacer.QueueFrame(MakeFrame(kCmdEnterBoot), milliseconds{0});
        pacer.QueueImage(image, milliseconds{0}, milliseconds{30});
        pacer.QueueFrame(MakeFrame(kCmdEndImage), milliseconds{130});
        RunExchange(pacer, line, microseconds{0});
        ASSERT_TRUE(pacer.Failed());
        const ExchangeFailure& f = pacer.Failure();
        EXPECT_EQ(std::tie(f.kind, f.packet, f.number),
                  std::make_tuple(ExchangeFailure::Kind::NotQueued, c.packet, c.number));
        EXPECT_EQ(DescribeFailure(f, false), c.text);
        // Nothing more is written, 0x8004 least of all.
        line.now += std::chrono::seconds{10};
        EXPECT_EQ(pacer.Pump(line, line.now), std::nullopt);
        EXPECT_EQ(line.writes.size(), c.refuseAt - 1);
        EXPECT_TRUE(pacer.Idle());
    }
}

TEST(ExchangePacer, AWriteThatDoesNotLeaveOrEndsIncompleteEndsTheExchange) {
    const std::vector<std::uint8_t> image = Image(4 * 1024);
    {
        ExchangePacer pacer;
        FakeLine line;
        pacer.Start(115200);
        pacer.QueueImage(image, milliseconds{0}, milliseconds{30});
        const auto limit = pacer.Pump(line, line.now);
        ASSERT_EQ(line.writes.size(), 1u);
        const auto expected = line.now + pacer.WireTime(kPacketSize) + ExchangePacer::kLeaveLimitMs;
        ASSERT_EQ(limit, expected);
        EXPECT_EQ(pacer.Pump(line, expected - microseconds{1}), expected) << "still waiting";
        EXPECT_FALSE(pacer.Failed());
        EXPECT_EQ(pacer.Pump(line, expected), std::nullopt);
        ASSERT_TRUE(pacer.Failed());
        EXPECT_EQ(pacer.Failure().kind, ExchangeFailure::Kind::NotLeft);
        EXPECT_EQ(DescribeFailure(pacer.Failure(), false),
                  "Data packet 1 of 4 did not leave the port within 5 s: the processor is not taking bytes.");
        // The report that comes after all changes nothing.
        EXPECT_EQ(pacer.Left(line.writes[0].ticket, true, 0, expected), std::nullopt);
        EXPECT_EQ(line.writes.size(), 1u);
    }
    {
        ExchangePacer pacer;
        FakeLine line;
        pacer.Start(921600);
        pacer.QueueImage(image, milliseconds{0}, milliseconds{30});
        pacer.Pump(line, line.now);
        pacer.Pump(line, line.now); // one at a time: the second call writes nothing
        EXPECT_EQ(line.writes.size(), 1u);
        EXPECT_EQ(pacer.Left(line.writes.back().ticket, false, 995, line.now), std::nullopt);
        ASSERT_TRUE(pacer.Failed());
        EXPECT_EQ(pacer.Failure().kind, ExchangeFailure::Kind::Incomplete);
        EXPECT_EQ(DescribeFailure(pacer.Failure(), false),
                  "Data packet 1 of 4 did not leave the port whole (error 995).");
    }
}

TEST(ExchangePacer, ReportsOfAnotherExchangeAreIgnored) {
    const std::vector<std::uint8_t> image = Image(2 * 1024);
    ExchangePacer pacer;
    FakeLine line;
    pacer.Start(921600);
    pacer.QueueFrame(MakeFrame(kCmdEnterBoot), milliseconds{0});
    pacer.Pump(line, line.now);
    const std::uint64_t old = line.writes.back().ticket;
    // A new exchange before the report came: the old report neither ends nor advances it.
    pacer.Start(921600);
    pacer.QueueImage(image, milliseconds{0}, milliseconds{30});
    pacer.Pump(line, line.now);
    EXPECT_EQ(pacer.Left(old, true, 0, line.now), std::nullopt);
    EXPECT_EQ(pacer.Left(old, false, 995, line.now), std::nullopt);
    EXPECT_FALSE(pacer.Failed());
    EXPECT_EQ(pacer.Pump(line, line.now + milliseconds{100}),
              line.writes.back().at + pacer.WireTime(kPacketSize) + ExchangePacer::kLeaveLimitMs);
    EXPECT_EQ(line.writes.size(), 2u) << "the second packet waits for the first to leave";
    const auto departure = pacer.Left(line.writes.back().ticket, true, 0, line.now);
    ASSERT_TRUE(departure);
    EXPECT_EQ(std::tie(departure->packet, departure->number, departure->count),
              std::make_tuple(true, 1u, 2u));
    EXPECT_EQ(pacer.Left(line.writes.back().ticket, true, 0, line.now), std::nullopt) << "a repeat";
}

} // namespace
} // namespace corvane
