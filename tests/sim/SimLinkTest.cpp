// The simulator at the far end of a pseudo-terminal, reached through the application's own
// serial link: frames built by the application, records cut and dispatched by it.

#include "ProcessorModel.h"
#include "RecordingHost.h"
#include "ScratchFolder.h"
#include "SimModelFixture.h"
#include "Simulator.h"
#include "device/ReplyDispatcher.h"
#include "link/FXSerialPort.h"
#include "link/PortDiscovery.h"
#include "platform/SerialPortList.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

using namespace corvane;
using namespace corvane::sim;
using namespace std::chrono_literals;
using corvane::test::RecordingHost;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPort = 7;

// The application's side: every record goes through the reply dispatcher into a DeviceState.
// (In the application this happens on the user-interface thread; here on the link's worker,
// under a lock.)
class Application : public LinkOwner {
public:
    explicit Application(FXSerialPort& link) : m_link(link) {
        m_host.onSend = nullptr;
        m_host.context = this;
    }

    void OnDeviceRecord(const std::uint8_t* record) override {
        std::lock_guard lock(m_lock);
        m_codes.push_back(FrameCode(record));
        if (FrameChecksum(record) != record[kChecksumOffset])
            ++m_badChecksums;
        m_dispatcher.OnDeviceRecord(record);
        // The ping answer goes out through the link, as in the application.
        for (const auto& frame : m_host.sent)
            m_link.SendToDevice(frame.data(), frame.size());
        m_host.sent.clear();
        m_changed.notify_all();
    }
    void OnReadBackBlock(const std::uint8_t*) override {}
    void OnPortClosed() override {}

    // Waits until `done` holds (checked under the lock) or `limit` has passed.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, limit, done);
    }
    template <class F> auto Locked(F f) {
        std::lock_guard lock(m_lock);
        return f();
    }

    std::size_t CountOf(std::uint16_t code) const {
        return static_cast<std::size_t>(std::count(m_codes.begin(), m_codes.end(), code));
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    FXSerialPort& m_link;
    DeviceState m_state;
    RecordingHost m_host;
    LinkSession m_session{m_state, m_host};
    ReplyDispatcher m_dispatcher{m_state, m_session, m_host};
    std::vector<std::uint16_t> m_codes;
    int m_badChecksums = 0;
};

class SimOverLink : public ::testing::Test {
protected:
    void SetUp() override { SetSerialPortSources({m_folder.File("Ports"), {}}); }
    void TearDown() override {
        m_link.Close();
        if (m_sim)
            m_sim->Stop();
        ResetSerialPortSources();
    }

    void StartSimulator(unsigned baud, bool pacing = true, Faults faults = {}) {
        SimOptions o;
        o.port = kPort;
        o.portsFolder = m_folder.File("Ports");
        o.baud = baud;
        o.pacing = pacing;
        o.keepAlivePeriodMs = 200ms;
        o.pingPeriodMs = 0ms;
        o.faults = faults;
        m_sim = std::make_unique<Simulator>(o);
        std::string error;
        ASSERT_TRUE(m_sim->Start(&error)) << error;
    }

    void Open(int baud) {
        m_link.SetOwner(&m_app);
        ASSERT_EQ(m_link.Open(kPort, baud, 8, 1), 1) << DescribeOpenError(m_link.LastOpenError());
        m_app.Locked([&] { return m_app.m_state.linkState = kLinkOpen; });
    }

    void Send(const Frame& f) { m_link.SendToDevice(f.data(), f.size()); }

    // Sends the full-state request and waits for the end of the synchronisation.
    bool Synchronise(std::chrono::milliseconds limit = 3000ms) {
        Send(MakeFrame(0x00AF));
        return m_app.WaitFor([&] { return m_app.m_state.linkState == kLinkSynchronised; }, limit);
    }

    DeviceState ModelState() {
        DeviceState s;
        m_sim->Inspect([&](const ProcessorModel& m) { s = m.State(); });
        return s;
    }

    test::ScratchFolder m_folder;
    std::unique_ptr<Simulator> m_sim;
    FXSerialPort m_link;
    Application m_app{m_link};
};

// The answer of each command family is the processor model's (SimModelTest); the simulator
// hands every command to it alike, so the families need not go over the link one by one.

// A ping is answered only while synchronised: Dispatcher.PingIsAnsweredOnlyWhileSynchronised;
// the answers over the real link: FloodEndToEndTest.

TEST_F(SimOverLink, FaultsOfTheLine) {
    Faults faults;
    faults.split = true;
    faults.garbage = true;
    StartSimulator(921600, true, faults);
    m_sim->Execute("signal 1 on 1280 720 500");
    Open(921600);
    // Records cut into pieces with noise between them still synchronise exactly.
    ASSERT_TRUE(Synchronise(5000ms));
    const DeviceState model = ModelState();
    m_app.Locked([&] {
        modeltest::ExpectSameState(m_app.m_state, model);
        EXPECT_EQ(m_app.m_badChecksums, 0);
    });
    m_sim->Execute("fault clear");

    // A corrupted checksum still reaches the dispatcher.
    m_sim->Execute("fault corrupt 1");
    ASSERT_TRUE(m_app.WaitFor([&] { return m_app.m_badChecksums == 1; }));

    // A dropped reply never comes; the next one does.
    m_sim->Execute("fault drop 1");
    Send(MakeFrameByte6(0x00B2, 0));
    EXPECT_FALSE(m_app.WaitFor([&] { return m_app.CountOf(0xB2) > 0; }, 400ms));
    Send(MakeFrameByte6(0x00B2, 0));
    EXPECT_TRUE(m_app.WaitFor([&] { return m_app.CountOf(0xB2) == 1; }));

    // A delayed reply comes late.
    m_sim->Execute("fault delay 300");
    const auto sent = Clock::now();
    Send(MakeFrameByte6(0x00B2, 0));
    EXPECT_TRUE(m_app.WaitFor([&] { return m_app.CountOf(0xB2) == 2; }));
    EXPECT_GE(Clock::now() - sent, 300ms);
    // (Another client taking the processor, a silent processor: the Application end-to-end
    // cases.)
}

TEST_F(SimOverLink, WrongBaudRateIsNotUnderstood) {
    StartSimulator(921600);
    Open(115200);
    EXPECT_FALSE(Synchronise(800ms));
    EXPECT_NE(m_sim->Execute("state").find("application-baud-matches=0"), std::string::npos);
}

std::set<std::uint16_t> CodesFrom(const std::vector<std::uint16_t>& codes, std::size_t first) {
    return std::set<std::uint16_t>(codes.begin() + static_cast<std::ptrdiff_t>(first), codes.end());
}

// A flood from the command line waits for the state request; then the whole state comes
// first (a flood that stops by itself after its time, its pings answered by the application:
// FloodEndToEndTest).
TEST_F(SimOverLink, FloodFromTheCommandLineWaitsForTheStateRequest) {
    Faults faults;
    faults.flood = 800ms;
    StartSimulator(921600, true, faults);
    Open(921600);
    std::this_thread::sleep_for(300ms);
    EXPECT_NE(m_sim->Execute("state").find("flood armed"), std::string::npos);
    const std::size_t before = m_app.Locked([&] {
        EXPECT_EQ(CodesFrom(m_app.m_codes, 0), std::set<std::uint16_t>{0xAD}) << "nothing before the request";
        return m_app.m_codes.size();
    });
    ASSERT_TRUE(Synchronise());
    std::vector<std::uint16_t> expected;
    m_sim->Inspect([&](const ProcessorModel& m) {
        for (const Frame& f : m.StateRecords())
            expected.push_back(FrameCode(f.data()));
    });
    ASSERT_TRUE(m_app.WaitFor([&] { return m_app.m_codes.size() > before + expected.size() + 100; }));
    m_app.Locked([&] {
        std::vector<std::uint16_t> first;
        for (std::size_t i = before; i < m_app.m_codes.size() && first.size() < expected.size(); ++i)
            if (m_app.m_codes[i] != 0xAD)
                first.push_back(m_app.m_codes[i]);
        EXPECT_EQ(first, expected);
        return 0;
    });
}

} // namespace
