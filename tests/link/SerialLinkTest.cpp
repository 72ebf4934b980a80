// The serial link end to end over a pseudo-terminal: port list, opening, records in both
// directions, closing, and the send path's limits.

#include "PtyPair.h"
#include "link/ByteOrder.h"
#include "link/FXSerialPort.h"
#include "link/PortDiscovery.h"
#include "platform/IoStatus.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kPort = 12;

Bytes Record(std::uint16_t code, std::uint16_t serial) {
    Frame f = StartFrame(code);
    PutLE16(&f[6], serial);
    SealFrame(f);
    return Bytes(f.begin(), f.end());
}

class RecordingOwner : public LinkOwner {
public:
    void OnDeviceRecord(const std::uint8_t* record) override {
        if (m_inside.exchange(true))
            ++overlapping;
        std::unique_lock lock(m_mutex);
        records.emplace_back(record, record + kFrameSize);
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_hold; });
        m_inside = false;
    }
    void OnReadBackBlock(const std::uint8_t*) override {} // read-back over a link: SimLinkTest
    void OnPortClosed() override { ++portClosed; }
    void OnWriteLeft(std::uint64_t ticket, bool complete, std::uint32_t status) override {
        std::lock_guard lock(m_mutex);
        left.push_back({ticket, complete, status});
        m_changed.notify_all();
    }
    struct Left {
        std::uint64_t ticket;
        bool complete;
        std::uint32_t status;
    };

    // While held, OnDeviceRecord does not return: the user-interface thread is busy.
    void Hold(bool hold) {
        std::lock_guard lock(m_mutex);
        m_hold = hold;
        m_changed.notify_all();
    }
    // Waits until `list` holds at least `n` entries, or `timeout` passed.
    template <class T>
    bool WaitFor(const std::vector<T>& list, std::size_t n, std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return list.size() >= n; });
    }
    template <class T> std::size_t Count(const std::vector<T>& list) {
        std::lock_guard lock(m_mutex);
        return list.size();
    }

    std::vector<Bytes> records;
    std::vector<Left> left;
    std::atomic<int> portClosed{0};
    std::atomic<int> overlapping{0};

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_hold = false;
    std::atomic<bool> m_inside{false};
};

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.Ok());
        m_ports.Link("COM" + std::to_string(kPort), m_pty.DevicePath());
        SetSerialPortSources({m_ports.Path(), {}});
        m_link.SetOwner(&m_owner);
    }
    void TearDown() override { ResetSerialPortSources(); }

    void Open() {
        ASSERT_EQ(m_link.Open(kPort, 115200, 8, 1), 1) << DescribeOpenError(m_link.LastOpenError());
    }

    PtyPair m_pty;
    PortsFolder m_ports;
    RecordingOwner m_owner;
    FXSerialPort m_link; // destroyed first: it stops calling the owner
};

// Opening a listed port at its rate: every SimOverLink case does (a rate that does not reach
// the line is SimOverLink.WrongBaudRateIsNotUnderstood; the list itself is PortDiscovery's).

TEST_F(SerialLinkTest, OpenFailuresKeepTheirReason) {
    int listed = 0;
    SetSerialPortSources({m_ports.Path(), [&listed] {
                              ++listed;
                              return std::vector<std::string>{};
                          }});
    // Port 0 fails without touching the system: not even the port list is read.
    EXPECT_EQ(m_link.Open(0, 115200, 8, 1), 0);
    EXPECT_EQ(m_link.LastOpenError().failure, SerialOpenFailure::InvalidPortNumber);
    EXPECT_EQ(m_link.Open(-3, 115200, 8, 1), 0);
    EXPECT_EQ(listed, 0);

    EXPECT_EQ(m_link.Open(40, 115200, 8, 1), 0);
    EXPECT_EQ(m_link.LastOpenError().failure, SerialOpenFailure::NoSuchPort);
    EXPECT_NE(DescribeOpenError(m_link.LastOpenError()).find("COM40"), std::string::npos);
    EXPECT_FALSE(m_link.IsOpen());
}

// Records cut at every place a read may end: RecordCutterTest; many records through the
// real link in their order: SimOverLink.FaultsOfTheLine.

// While the user-interface thread handles a record nothing more is read, and a close made
// meanwhile is reported once, after the handler returned; a closed port drops its frames.
TEST_F(SerialLinkTest, NoReadWhileTheHandlerRunsAndACloseMeanwhileIsReportedOnceAfterIt) {
    Open();
    m_owner.Hold(true);
    m_pty.Send(Record(0x00AD, 1));
    ASSERT_TRUE(m_owner.WaitFor(m_owner.records, 1));
    m_pty.Send(Record(0x00AD, 2)); // waits in the line until the handler has returned
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(m_owner.Count(m_owner.records), 1u);
    m_link.Close(); // the worker is still inside the handler
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(m_owner.portClosed, 0);
    m_owner.Hold(false);
    ASSERT_TRUE(WaitUntil([&] { return m_owner.portClosed == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return m_link.Port().ReadBuffersInUse() == 0; }));
    m_link.Close(); // closing a closed port does nothing
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(m_owner.portClosed, 1);
    EXPECT_EQ(m_owner.overlapping, 0);
    const Frame ping = MakeFrameByte6(kCmdPing, 0);
    m_link.SendToDevice(ping.data(), ping.size());
    EXPECT_EQ(m_link.DroppedFrames(), 1u);
    EXPECT_EQ(m_link.Port().WriteBuffersInUse(), 0u);
}

TEST_F(SerialLinkTest, ReopeningStartsFromAnEmptyCutter) {
    Open();
    // A whole record, then all of the next but its checksum: the tail stays in the cutter.
    Bytes bytes = Record(0x00AD, 1);
    const Bytes torn = Record(0x00A8, 2);
    bytes.insert(bytes.end(), torn.begin(), torn.end() - 1);
    m_pty.Send(bytes);
    ASSERT_TRUE(m_owner.WaitFor(m_owner.records, 1));
    std::this_thread::sleep_for(20ms);
    m_link.Close();
    ASSERT_TRUE(WaitUntil([&] { return m_owner.portClosed == 1; }));
    Open();
    const Bytes fresh = Record(0x00A8, 3);
    m_pty.Send(fresh);
    ASSERT_TRUE(m_owner.WaitFor(m_owner.records, 2));
    std::this_thread::sleep_for(20ms);
    ASSERT_EQ(m_owner.Count(m_owner.records), 2u);
    EXPECT_EQ(m_owner.records[1], fresh);
}

TEST_F(SerialLinkTest, FarSideGoneEndsTheReadingWithAClosedReport) {
    Open();
    m_pty.HangUp();
    ASSERT_TRUE(WaitUntil([&] { return m_link.Port().ReadBuffersInUse() == 0; }));
    // Reported at once: while a firmware image goes out the keep-alive supervision is stopped
    // and would not notice the silence.
    ASSERT_TRUE(WaitUntil([&] { return m_owner.portClosed == 1; }));
}

TEST_F(SerialLinkTest, FramesOf4096BytesOrMoreAndFramesAfterAHundredPendingWritesAreDropped) {
    Open();
    const Frame ping = MakeFrameByte6(kCmdPing, 0);
    m_link.SendToDevice(ping.data(), ping.size());
    Bytes big(kIoBufferSize - 1, 0x5A);
    m_link.SendToDevice(big.data(), big.size());
    const Bytes got = m_pty.Receive(ping.size() + big.size(), 5000ms);
    ASSERT_EQ(got.size(), ping.size() + big.size());
    EXPECT_TRUE(std::equal(ping.begin(), ping.end(), got.begin()));
    EXPECT_EQ(m_link.DroppedFrames(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return m_link.Port().WriteBuffersInUse() == 0; }));
    // 4096 bytes or more are dropped.
    Bytes tooBig(kIoBufferSize, 0x5A);
    m_link.SendToDevice(tooBig.data(), tooBig.size());
    EXPECT_EQ(m_link.DroppedFrames(), 1u);
    EXPECT_EQ(m_link.Port().WriteBuffersInUse(), 0u);
    EXPECT_TRUE(m_pty.Receive(1, 30ms).empty());

    // The far side does not read: the line fills and the writes stay pending; the frame after a
    // hundred pending writes is dropped and the link goes on.
    Bytes block(4000, 0x11);
    int sent = 0;
    while (m_link.DroppedFrames() == 1 && sent < 300) {
        m_link.SendToDevice(block.data(), block.size());
        ++sent;
    }
    ASSERT_EQ(m_link.DroppedFrames(), 2u);
    EXPECT_EQ(m_link.Port().WriteBuffersInUse(), kPoolCapacity);
    // The far side reads again: every pending write goes out and the link works on.
    std::size_t drained = 0;
    ASSERT_TRUE(WaitUntil([&] {
        drained += m_pty.Drain();
        return m_link.Port().WriteBuffersInUse() == 0;
    }));
    // Bytes the line took may still be on their way to the far side.
    const std::size_t expected = static_cast<std::size_t>(sent - 1) * block.size();
    if (drained < expected)
        drained += m_pty.Receive(expected - drained, 5000ms).size();
    EXPECT_EQ(drained, expected);
    m_link.SendToDevice(ping.data(), ping.size());
    EXPECT_EQ(m_pty.Receive(ping.size(), 5000ms).size(), ping.size());
    EXPECT_EQ(m_link.DroppedFrames(), 2u);
}

TEST_F(SerialLinkTest, TheLinesOwnerAloneWritesAndHearsWhenItsBytesLeft) {
    Open();
    const Frame ping = MakeFrameByte6(kCmdPing, 0);
    const Bytes packet(kBlockSize, 0x3C);
    ASSERT_EQ(m_link.SendOnLine(packet.data(), packet.size(), 7), LineSend::Queued);
    EXPECT_TRUE(m_link.LineClaimed());
    // While the transfer owns the line nothing else goes out: not a frame of a page, not the
    // answer to a ping.
    m_link.SendToDevice(ping.data(), ping.size());
    m_link.SendToDevice(ping.data(), ping.size());
    EXPECT_EQ(m_link.HeldBack(), 2u);
    ASSERT_TRUE(m_owner.WaitFor(m_owner.left, 1));
    EXPECT_EQ(m_owner.left[0].ticket, 7u);
    EXPECT_TRUE(m_owner.left[0].complete);
    ASSERT_EQ(m_link.SendOnLine(ping.data(), ping.size(), 8), LineSend::Queued);
    ASSERT_TRUE(m_owner.WaitFor(m_owner.left, 2));
    EXPECT_EQ(m_owner.left[1].ticket, 8u);
    EXPECT_EQ(m_pty.Receive(packet.size() + ping.size(), 5000ms).size(), packet.size() + ping.size());
    EXPECT_TRUE(m_pty.Receive(1, 50ms).empty()) << "the held-back frames never went";
    // Given back, the line takes every frame again; writes without a ticket report nothing.
    m_link.ReleaseLine();
    EXPECT_FALSE(m_link.LineClaimed());
    m_link.SendToDevice(ping.data(), ping.size());
    EXPECT_EQ(m_pty.Receive(ping.size(), 5000ms).size(), ping.size());
    ASSERT_TRUE(WaitUntil([&] { return m_link.Port().WriteBuffersInUse() == 0; }));
    EXPECT_EQ(m_owner.left.size(), 2u);
    // A claim ends with the opening it was made in.
    ASSERT_EQ(m_link.SendOnLine(ping.data(), ping.size(), 9), LineSend::Queued);
    ASSERT_TRUE(m_owner.WaitFor(m_owner.left, 3));
    m_link.Close();
    EXPECT_FALSE(m_link.LineClaimed());
    EXPECT_EQ(m_link.SendOnLine(ping.data(), ping.size(), 10), LineSend::NotStarted);
    ASSERT_TRUE(WaitUntil([&] { return m_owner.portClosed == 1; }));
    Open();
    EXPECT_FALSE(m_link.LineClaimed());
    EXPECT_EQ(m_link.SendOnLine(nullptr, 0, 11), LineSend::TooLong);
    EXPECT_EQ(m_link.SendOnLine(packet.data(), packet.size(), 0), LineSend::TooLong);
}

TEST_F(SerialLinkTest, AnOwnersWriteTheFarSideDoesNotTakeIsReportedWhenItFinallyLeaves) {
    Open();
    // The far side stops reading: the terminal's buffer fills and the owner's last write waits
    // for room; its report comes only once the far side takes the bytes.
    const Bytes packet(kBlockSize, 0x42);
    std::uint64_t ticket = 0;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(m_link.SendOnLine(packet.data(), packet.size(), ++ticket), LineSend::Queued);
        if (!m_owner.WaitFor(m_owner.left, static_cast<std::size_t>(ticket), 500ms))
            break;
    }
    ASSERT_LT(m_owner.Count(m_owner.left), ticket) << "the terminal never filled up";
    EXPECT_FALSE(m_owner.WaitFor(m_owner.left, static_cast<std::size_t>(ticket), 300ms))
        << "reported before it left";
    ASSERT_TRUE(WaitUntil([&] {
        m_pty.Drain();
        return m_owner.Count(m_owner.left) == ticket;
    }));
    EXPECT_TRUE(m_owner.left.back().complete);
    EXPECT_EQ(m_owner.left.back().ticket, ticket);
}

TEST(PortDiscovery, ComNamesAcceptedFirstNumberWinsInListOrder) {
    const std::vector<SerialPortValue> values = {
        {"a", "COM12"}, {"b", "COM123"}, {"c", "com"},   {"d", "COM3"}, {"e", "COM3"}, {"f", "cOm7"},
        {"g", "COM1x"}, {"h", "COM0"},   {"i", "COM05"}, {"j", "COM5"}, {"k", ""},     {"l", "XCOM1"},
    };
    std::vector<SerialPortEntry> list;
    ASSERT_TRUE(EnumerateSerialPorts(values, list));
    std::vector<std::tuple<std::string, std::uint32_t, std::string>> got;
    for (const SerialPortEntry& e : list)
        got.emplace_back(e.name, e.number, e.device);
    const std::vector<std::tuple<std::string, std::uint32_t, std::string>> expected = {
        {"COM12", 12, "a"}, {"COM3", 3, "d"}, {"cOm7", 7, "f"}, {"COM05", 5, "i"}};
    EXPECT_EQ(got, expected);

    std::vector<SerialPortEntry> none;
    EXPECT_FALSE(EnumerateSerialPorts({{"x", "COM100"}, {"y", "LPT1"}}, none));
    EXPECT_TRUE(none.empty());
}

// A number's device is the entry EnumerateSerialPorts lists for it: a Ports link over the system
// device of its number is SerialPortList.LinksAndDevicesInAscendingNumberLinksWinning, a number
// not listed SerialLinkTest.OpenFailuresKeepTheirReason.

} // namespace
