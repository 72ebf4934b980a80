// The asynchronous serial file over pseudo-terminals, and the system's port list.

#include "platform/SerialFile.h"

#include "PtyPair.h"
#include "ScratchFolder.h"
#include "platform/IoStatus.h"
#include "platform/SerialPortList.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <tuple>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

namespace {

constexpr std::uintptr_t kKey = 7;

// What a completion packet tells: the operation, its status and the bytes moved.
std::tuple<Overlapped*, std::uint32_t, std::uint32_t> Seen(const CompletionPacket& p) {
    return {p.overlapped, p.status, p.bytes};
}

class SerialFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.Ok()); }

    static SerialSettings Settings(std::chrono::milliseconds readTotal = 5000ms) {
        SerialSettings s;
        s.timeouts.readTotal = readTotal;
        return s;
    }

    void OpenAttached(SerialFile& file, const SerialSettings& settings = Settings()) {
        const SerialOpenError error = file.Open(m_pty.DevicePath(), settings);
        ASSERT_EQ(error.failure, SerialOpenFailure::None) << DescribeOpenError(error);
        file.Attach(m_queue, kKey);
    }

    // The next packet, or a packet with a null Overlapped after `timeout`.
    CompletionPacket Next(std::chrono::milliseconds timeout = 5000ms) {
        CompletionPacket packet;
        bool timedOut = false;
        m_queue.WaitFor(packet, timeout, timedOut);
        if (timedOut)
            packet = {};
        return packet;
    }

    PtyPair m_pty;
    CompletionQueue m_queue;
    Overlapped m_read;
    std::uint8_t m_data[1039] = {};
    SerialFile m_file; // closed first: its operations use the members above
};

TEST_F(SerialFileTest, ReadCompletesWithTheBytesThatCameOneReadAtATime) {
    OpenAttached(m_file);
    ASSERT_TRUE(m_file.Read(&m_read, m_data, sizeof m_data));
    Overlapped second;
    EXPECT_FALSE(m_file.Read(&second, m_data, sizeof m_data));
    m_pty.Send({1, 2, 3});
    const CompletionPacket p = Next();
    EXPECT_EQ(p.key, kKey);
    ASSERT_EQ(Seen(p), std::tuple(&m_read, kIoSuccess, 3u));
    EXPECT_EQ(m_data[2], 3);
}

// A read is started only on a file open and attached; without any byte it completes empty
// after the total time-out.
TEST_F(SerialFileTest, OperationsStartOnlyOnAnAttachedFileAndAReadWithoutBytesEndsEmpty) {
    SerialFile file;
    EXPECT_FALSE(file.Read(&m_read, m_data, sizeof m_data));
    ASSERT_EQ(file.Open(m_pty.DevicePath(), Settings(30ms)).failure, SerialOpenFailure::None);
    EXPECT_FALSE(file.Read(&m_read, m_data, sizeof m_data)); // not attached yet
    file.Attach(m_queue, kKey);
    ASSERT_TRUE(file.Read(&m_read, m_data, sizeof m_data));
    EXPECT_EQ(Seen(Next()), std::tuple(&m_read, kIoSuccess, 0u));
    file.Close();
    EXPECT_FALSE(file.Write(&m_read, m_data, 1));
    EXPECT_EQ(m_queue.Pending(), 0u);
}

TEST_F(SerialFileTest, CloseAbortsTheReadAndTheWriteInFlightExactlyOnce) {
    OpenAttached(m_file);
    ASSERT_TRUE(m_file.Read(&m_read, m_data, sizeof m_data));
    std::vector<std::uint8_t> block(64000, 0xAA); // more than the line takes: it stays pending
    Overlapped write;
    ASSERT_TRUE(m_file.Write(&write, block.data(), static_cast<std::uint32_t>(block.size())));
    m_file.Close();
    std::set<Overlapped*> aborted;
    for (int i = 0; i < 2; ++i) {
        const CompletionPacket p = Next();
        EXPECT_EQ(p.status, kIoErrorOperationAborted);
        aborted.insert(p.overlapped);
    }
    EXPECT_EQ(aborted, (std::set<Overlapped*>{&m_read, &write}));
    EXPECT_EQ(Next(50ms).overlapped, nullptr);
    EXPECT_FALSE(m_file.Read(&m_read, m_data, sizeof m_data));
}

TEST_F(SerialFileTest, ReadBeingHandledAtCloseReportsTheCloseWhenStartedAgainUnlessReopened) {
    // A read completes; the file is closed while its handler has it, not in flight.
    auto closedWhileHandled = [&] {
        OpenAttached(m_file);
        ASSERT_TRUE(m_file.Read(&m_read, m_data, sizeof m_data));
        m_pty.Send({9});
        ASSERT_EQ(Next().bytes, 1u);
        m_file.Close();
    };
    closedWhileHandled();
    EXPECT_EQ(Next(50ms).overlapped, nullptr);
    ASSERT_TRUE(m_file.Read(&m_read, m_data, sizeof m_data)); // the handler starts it again
    EXPECT_EQ(Seen(Next()), std::tuple(&m_read, kIoErrorOperationAborted, 0u));
    EXPECT_FALSE(m_file.Read(&m_read, m_data, sizeof m_data)); // reported once only

    // Reopened meanwhile instead: the read of the earlier opening ends quietly.
    closedWhileHandled();
    OpenAttached(m_file);
    Overlapped fresh;
    ASSERT_TRUE(m_file.Read(&fresh, m_data, sizeof m_data));
    EXPECT_FALSE(m_file.Read(&m_read, m_data, sizeof m_data)); // the old read ends, no 995
    m_pty.Send({5});
    EXPECT_EQ(Seen(Next()), std::tuple(&fresh, kIoSuccess, 1u));
}

// The far side gone fails the read with kIoErrorDeviceNotConnected, the one status the link
// takes for a pulled cable: SerialLinkTest.FarSideGoneEndsTheReadingWithAClosedReport.

TEST_F(SerialFileTest, WritesGoOutInOrderAndWaitForTheLine) {
    OpenAttached(m_file);
    // More than a pseudo-terminal holds, so later writes wait until the far side reads.
    constexpr int kWrites = 8;
    std::vector<std::vector<std::uint8_t>> blocks(kWrites);
    Overlapped ops[kWrites];
    for (int i = 0; i < kWrites; ++i) {
        blocks[i].assign(4000, static_cast<std::uint8_t>(i + 1));
        ASSERT_TRUE(m_file.Write(&ops[i], blocks[i].data(), 4000));
    }
    const std::vector<std::uint8_t> got = m_pty.Receive(kWrites * 4000, 5000ms);
    ASSERT_EQ(got.size(), kWrites * 4000u);
    for (int i = 0; i < kWrites; ++i)
        EXPECT_EQ(got[i * 4000 + 3999], i + 1) << i;
    for (int i = 0; i < kWrites; ++i)
        EXPECT_EQ(Seen(Next()), std::tuple(&ops[i], kIoSuccess, 4000u)) << i;
}

TEST_F(SerialFileTest, WriteThatCannotGoOutCompletesShortAfterItsTimeout) {
    SerialFile file;
    SerialSettings settings = Settings();
    settings.timeouts.writeConstant = 20ms;
    settings.timeouts.writeMultiplier = 0ms;
    OpenAttached(file, settings);
    std::vector<std::uint8_t> block(64000, 0xAA); // the far side never reads
    Overlapped op;
    ASSERT_TRUE(file.Write(&op, block.data(), static_cast<std::uint32_t>(block.size())));
    const CompletionPacket p = Next();
    ASSERT_EQ(p.overlapped, &op);
    EXPECT_EQ(p.status, kIoSuccess);
    EXPECT_GT(p.bytes, 0u);
    EXPECT_LT(p.bytes, block.size());
}

TEST_F(SerialFileTest, SecondOpenerIsRefusedUntilTheFirstCloses) {
    SerialFile first;
    SerialFile second;
    ASSERT_EQ(first.Open(m_pty.DevicePath(), Settings()).failure, SerialOpenFailure::None);
    const SerialOpenError busy = second.Open(m_pty.DevicePath(), Settings());
    EXPECT_EQ(busy.failure, SerialOpenFailure::Busy);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(first.Open(m_pty.DevicePath(), Settings()).failure, SerialOpenFailure::AlreadyOpen);
    first.Close();
    EXPECT_EQ(second.Open(m_pty.DevicePath(), Settings()).failure, SerialOpenFailure::None);
}

TEST_F(SerialFileTest, LineSettingsReachTheDevice) {
    struct Case {
        int baud, stopBits;
        speed_t speed;
    };
    for (const Case c : {Case{115200, 1, B115200}, Case{921600, 2, B921600}}) {
        SerialFile file;
        SerialSettings s = Settings();
        s.baudRate = c.baud;
        s.stopBits = c.stopBits;
        ASSERT_EQ(file.Open(m_pty.DevicePath(), s).failure, SerialOpenFailure::None) << c.baud;
        const termios t = m_pty.DeviceSettings();
        EXPECT_EQ(cfgetospeed(&t), c.speed) << c.baud;
        EXPECT_EQ(cfgetispeed(&t), c.speed) << c.baud;
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stopBits == 2) << c.baud;
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << c.baud; // raw: bytes pass untouched
        EXPECT_EQ(t.c_iflag & (IXON | ICRNL), 0u) << c.baud;
        EXPECT_EQ(t.c_oflag & OPOST, 0u) << c.baud;
    }
}

TEST(SerialLine, DataBitsAndNeverParity) {
    // A pseudo-terminal always keeps 8 bits without parity, so the settings are checked as
    // they are made. The line had odd parity, flow control and 2 stop bits before.
    termios before{};
    before.c_cflag = CS5 | PARENB | PARODD | CSTOPB | CRTSCTS;
    before.c_iflag = IXON | IXOFF | INPCK;
    struct Case {
        int dataBits;
        tcflag_t size;
    };
    for (const Case c : {Case{8, CS8}, Case{7, CS7}, Case{5, CS5}}) {
        SerialSettings s;
        s.dataBits = c.dataBits;
        termios line{};
        ASSERT_TRUE(MakeLineSettings(before, s, line));
        EXPECT_EQ(line.c_cflag & CSIZE, c.size) << c.dataBits;
        EXPECT_EQ(line.c_cflag & (PARENB | PARODD | CSTOPB | CRTSCTS), 0u) << c.dataBits;
        EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD)) << c.dataBits;
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF | INPCK), 0u) << c.dataBits;
    }
    SerialSettings s;
    termios line{};
    for (const auto& [baud, data, stop] :
         {std::tuple{12345, 8, 1}, {115200, 9, 1}, {115200, 4, 1}, {115200, 8, 0}}) {
        s.baudRate = baud;
        s.dataBits = data;
        s.stopBits = stop;
        EXPECT_FALSE(MakeLineSettings(before, s, line)) << baud << " " << data << " " << stop;
    }
}

TEST_F(SerialFileTest, OpenFailuresSayWhy) {
    ScratchFolder folder;
    const std::string regular = folder.File("not-a-tty");
    WriteBytes(regular, "");
    struct Case {
        std::string device;
        int baud;
        SerialOpenFailure failure;
    };
    const Case cases[] = {
        {"/dev/corvane-no-such-device", 115200, SerialOpenFailure::NoSuchDevice},
        {regular, 115200, SerialOpenFailure::NotASerialPort},
        {m_pty.DevicePath(), 12345, SerialOpenFailure::InvalidSettings},
    };
    for (const Case& c : cases) {
        SerialFile file;
        SerialSettings s = Settings();
        s.baudRate = c.baud;
        const SerialOpenError error = file.Open(c.device, s);
        EXPECT_EQ(error.failure, c.failure) << c.device << " " << DescribeOpenError(error);
        EXPECT_FALSE(file.IsOpen());
    }
}

TEST(SerialOpenError, PermissionDeniedPointsAtTheDialoutGroup) {
    const std::string text =
        DescribeOpenError({SerialOpenFailure::PermissionDenied, EACCES, "COM11", "/dev/ttyUSB0"});
    EXPECT_NE(text.find("COM11 (/dev/ttyUSB0)"), std::string::npos) << text;
    EXPECT_NE(text.find("dialout"), std::string::npos) << text;
}

TEST(SerialPortList, SystemDevicesHaveFixedNumbers) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"ttyS0", 1},    {"ttyS9", 10},   {"ttyS10", 0},    {"ttyUSB0", 11}, {"ttyUSB19", 30},
        {"ttyUSB20", 0}, {"ttyACM0", 31}, {"ttyACM19", 50}, {"ttyACM20", 0}, {"tty0", 0},
        {"ttyUSB", 0},   {"ttyUSB1x", 0}, {"pts/0", 0},     {"ttyAMA0", 0},
    };
    for (const auto& [name, number] : cases)
        EXPECT_EQ(SystemDeviceComNumber(name), number) << name;
}

TEST(SerialPortList, LinksAndDevicesInAscendingNumberLinksWinning) {
    PtyPair pty;
    PortsFolder ports;
    ASSERT_TRUE(pty.Ok());
    ports.Link("COM12", pty.DevicePath()); // holds the number of ttyUSB1
    ports.Link("COM5", pty.DevicePath());
    ports.Link("com3", pty.DevicePath());
    ports.Link("COM123", pty.DevicePath());  // listed; the link's rules skip it
    ports.Link("COM7", "/dev/corvane-gone"); // dangling: the simulator is not running
    ports.Link("COM8", "/etc/hostname");     // not a device
    ports.Link("Other", pty.DevicePath());   // not a COM name
    ports.File("COM9");                      // not a link
    const SerialPortSources sources{
        ports.Path(), [] {
            return std::vector<std::string>{"ttyUSB1", "ttyACM0", "ttyS0", "ttyUSB0", "ttyXYZ"};
        }};
    const std::vector<SerialPortValue> values = ListSerialPortValues(sources);
    std::vector<std::string> data;
    for (const SerialPortValue& v : values)
        data.push_back(v.data);
    ASSERT_EQ(data, (std::vector<std::string>{"COM1", "com3", "COM5", "COM11", "COM12", "COM31", "COM123"}));
    EXPECT_EQ(values[3].name, "/dev/ttyUSB0");
    EXPECT_EQ(values[4].name, ports.Path() + "/COM12");
}

} // namespace
