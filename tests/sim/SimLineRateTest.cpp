// The simulator takes what it receives off its terminal no faster than the application's baud
// rate carries it: a writer at the line's rate goes on unhindered, a faster one is held back by
// the full terminal, a stall stops the reading, and the times of what was read are kept.
// The writer is a plain descriptor on the terminal, so that the test knows every byte's time.

#include "LinePacing.h"
#include "ProcessorModel.h"
#include "ScratchFolder.h"
#include "Simulator.h"
#include "link/CommandCodes.h"
#include "link/CommandFrame.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::sim;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// What the terminal holds before a writer is held (about 20 KB on Linux), generously.
constexpr std::size_t kTerminalHoldsAtLeast = 4 * 1024;
constexpr std::size_t kTerminalHoldsAtMost = 64 * 1024;
// Slack for the time between a read and its time stamp on a loaded machine.
constexpr auto kStampSlackMs = 20ms;
// The longest wait for the simulator to have read something.
constexpr auto kReadLimit = 10s;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

class LineRate : public ::testing::Test {
protected:
    void TearDown() override {
        if (m_fd >= 0)
            close(m_fd);
        if (m_sim)
            m_sim->Stop();
    }

    void Start(unsigned simBaud, speed_t applicationSpeed, bool pacing = true) {
        SimOptions o;
        o.port = 5;
        o.portsFolder = m_folder.File("Ports");
        o.baud = simBaud;
        o.pacing = pacing;
        o.keepAlivePeriodMs = 0ms;
        o.pingPeriodMs = 0ms;
        m_sim = std::make_unique<Simulator>(o);
        std::string error;
        ASSERT_TRUE(m_sim->Start(&error)) << error;
        m_fd = open(m_sim->LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(m_fd, 0);
        termios t{};
        ASSERT_EQ(tcgetattr(m_fd, &t), 0);
        cfmakeraw(&t);
        cfsetspeed(&t, applicationSpeed);
        ASSERT_EQ(tcsetattr(m_fd, TCSANOW, &t), 0);
    }

    // Writes as much of `n` frames as the terminal takes now; the bytes written.
    std::size_t WriteFrames(std::size_t n) {
        const Frame f = MakeFrame(kCmdPing); // counted, never answered
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < n; ++i)
            bytes.insert(bytes.end(), f.begin(), f.end());
        const ssize_t w = write(m_fd, bytes.data(), bytes.size());
        return w > 0 ? static_cast<std::size_t>(w) : 0;
    }

    std::size_t Taken() { return m_sim->Received().size() * kFrameSize; }

    bool WaitForItems(std::size_t n) {
        const auto until = Clock::now() + kReadLimit;
        while (m_sim->Received().size() < n) {
            if (Clock::now() > until)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    test::ScratchFolder m_folder;
    std::unique_ptr<Simulator> m_sim;
    int m_fd = -1;
};

// Over every stretch from one item's first byte to a later one's last byte, the items in it
// took no more than the line carries in that time (and the millisecond of credit an idle
// line keeps).
void ExpectNoFasterThanTheLine(const std::vector<ReceivedItem>& items, unsigned baud) {
    const double bytesPerSecond = baud / 10.0;
    const double credit = 2.0 * std::max(1.0, bytesPerSecond / 1000.0);
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t j = i + 1; j < items.size(); ++j) {
            const double bytes = static_cast<double>((j - i + 1) * kFrameSize);
            const double allowed =
                bytesPerSecond * Seconds(items[j].last - items[i].first + kStampSlackMs) + credit;
            if (bytes > allowed) {
                ADD_FAILURE() << "items " << i << ".." << j << ": " << bytes << " bytes in "
                              << Seconds(items[j].last - items[i].first) << " s";
                return;
            }
        }
    }
}

// A slice is the whole bytes of a millisecond of wire time (rounded down), at least one byte;
// the sender and the reader take the same slice. A slice's wire time is rounded up, so that
// the reader is never ahead of the line.
TEST(LinePacing, SliceIsTheBytesOfAMillisecondRoundedDown) {
    const std::pair<unsigned, std::size_t> cases[] = {{9600, 1},    {19999, 1},   {20000, 2},
                                                      {115200, 11}, {119999, 11}, {921600, 92}};
    for (const auto& [baud, bytes] : cases)
        EXPECT_EQ(SliceBytes(baud), bytes) << baud;
    using std::chrono::nanoseconds;
    EXPECT_EQ(WireTime(1, 115200), nanoseconds{86'806}); // 86805.6 ns
    EXPECT_EQ(WireTime(92, 921600), nanoseconds{998'264});
    EXPECT_EQ(WireTime(9, 90), 1s);
}

TEST_F(LineRate, AWriterFasterThanTheLineIsHeldBack) {
    Start(115200, B115200);
    const auto start = Clock::now();
    std::size_t written = 0;
    bool held = false;
    // Bytes written but not taken yet, from the first time the writer was held.
    std::size_t leastBacklog = SIZE_MAX;
    std::size_t mostBacklog = 0;
    while (Clock::now() - start < 1500ms) {
        const std::size_t w = WriteFrames(16);
        written += w;
        if (w < 16 * kFrameSize) {
            held = true;
            std::this_thread::sleep_for(5ms);
        }
        if (held) {
            const std::size_t backlog = written - std::min(written, Taken());
            leastBacklog = std::min(leastBacklog, backlog);
            mostBacklog = std::max(mostBacklog, backlog);
        }
    }
    const auto elapsed = Clock::now() - start;
    ASSERT_TRUE(held) << written << " bytes were written without a wait";
    EXPECT_GE(leastBacklog, kTerminalHoldsAtLeast);
    EXPECT_LE(mostBacklog, kTerminalHoldsAtMost);
    EXPECT_LE(static_cast<double>(Taken()), 11520.0 * Seconds(elapsed + kStampSlackMs) + 100);
    ExpectNoFasterThanTheLine(m_sim->Received(), 115200);
}

TEST_F(LineRate, AStallStopsTheReadingUntilItEnds) {
    Start(115200, B115200);
    const auto before = Clock::now();
    EXPECT_EQ(m_sim->Execute("fault stall 300"), "ok\n");
    EXPECT_EQ(m_sim->Execute("state").find(" stall-ms=0\n"), std::string::npos) << "shown while it lasts";
    ASSERT_EQ(WriteFrames(4), 4 * kFrameSize);
    ASSERT_TRUE(WaitForItems(4)) << "the reading never came back";
    EXPECT_GE(m_sim->Received().front().first - before, 300ms);
    EXPECT_NE(m_sim->Execute("state").find(" stall-ms=0\n"), std::string::npos);

    // A long stall ended at once.
    EXPECT_EQ(m_sim->Execute("fault stall 60000"), "ok\n");
    ASSERT_EQ(WriteFrames(1), kFrameSize);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(m_sim->Received().size(), 4u);
    EXPECT_EQ(m_sim->Execute("fault stall 0"), "ok\n");
    EXPECT_TRUE(WaitForItems(5));
    EXPECT_EQ(m_sim->Execute("fault stall"), "error: fault stall needs MS\n");
}

TEST_F(LineRate, ReceivedTimesAreInOrderAndShowTheWritersPause) {
    Start(115200, B115200);
    ASSERT_EQ(WriteFrames(3), 3 * kFrameSize);
    ASSERT_TRUE(WaitForItems(3));
    // The third frame has been read by now: the pause begins after its last byte.
    std::this_thread::sleep_for(80ms);
    const std::vector<std::uint8_t> image(1024, 0x5A);
    const std::vector<std::uint8_t> packet = MakeDataPacket(image.data(), image.size());
    ASSERT_EQ(write(m_fd, packet.data(), packet.size()), static_cast<ssize_t>(packet.size()));
    ASSERT_EQ(WriteFrames(1), kFrameSize);
    ASSERT_TRUE(WaitForItems(5));

    const std::vector<ReceivedItem> items = m_sim->Received();
    ASSERT_EQ(items.size(), 5u);
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_TRUE(items[i].first <= items[i].last && (i == 0 || items[i - 1].last <= items[i].first)) << i;
    EXPECT_EQ(items[0].code, kCmdPing);
    EXPECT_EQ(items[3].kind, ReceivedItem::Kind::DataPacket);
    // The writer's pause shows between the third frame and the packet, and the packet (27
    // times a frame's bytes) takes longer to come than a frame.
    EXPECT_GT(items[3].first - items[2].last, items[1].first - items[0].last);
    EXPECT_GT(items[3].last - items[3].first, items[4].last - items[4].first);
    EXPECT_EQ(m_sim->Received(2).size(), 2u);

    // The control command prints the same, with the quiet before each item.
    const std::string lines = m_sim->Execute("received 3");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4) << lines;
    EXPECT_NE(lines.find("block data-packet"), std::string::npos) << lines;
    EXPECT_NE(lines.find("quiet-ms="), std::string::npos) << lines;
    EXPECT_NE(lines.find("frame 0x00B3"), std::string::npos) << lines;
}

TEST_F(LineRate, WithoutPacingEverythingIsReadAtOnce) {
    // 9600 baud: 100 frames would take four seconds on the wire.
    Start(9600, B9600, false);
    ASSERT_EQ(WriteFrames(100), 100 * kFrameSize);
    ASSERT_TRUE(WaitForItems(100));
    const std::vector<ReceivedItem> items = m_sim->Received();
    EXPECT_LT(items.back().last - items.front().first, 2s);
}

} // namespace
