// The simulator at the far end of a pseudo-terminal, reached through the application's own
// serial link: frames built by the application, records cut and dispatched by it.

#include "ProcessorModel.h"
#include "RecordingHost.h"
#include "SimModelFixture.h"
#include "Simulator.h"
#include "device/ReplyDispatcher.h"
#include "link/ByteOrder.h"
#include "link/FXSerialPort.h"
#include "link/PortDiscovery.h"
#include "platform/SerialPortList.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
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
        if (FrameCode(record) == 0xAE)
            m_acks.push_back({record[6], record[7], record[8]});
        m_dispatcher.OnDeviceRecord(record);
        // The ping answer goes out through the link, as in the application.
        for (const auto& frame : m_host.sent)
            m_link.SendToDevice(frame.data(), frame.size());
        m_host.sent.clear();
        m_changed.notify_all();
    }
    void OnReadBackBlock(const std::uint8_t*) override {
        std::lock_guard lock(m_lock);
        ++m_blocks;
        m_changed.notify_all();
    }
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
    std::vector<std::array<std::uint8_t, 3>> m_acks;
    int m_badChecksums = 0;
    int m_blocks = 0;
};

class SimOverLink : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/corvane-sim-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
        SetSerialPortSources({m_folder + "/Ports", {}});
    }
    void TearDown() override {
        m_link.Close();
        if (m_sim)
            m_sim->Stop();
        ResetSerialPortSources();
        std::system(("rm -rf " + m_folder).c_str());
    }

    void StartSimulator(unsigned baud, bool pacing = true, Faults faults = {}) {
        SimOptions o;
        o.port = kPort;
        o.portsFolder = m_folder + "/Ports";
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

    std::string m_folder;
    std::unique_ptr<Simulator> m_sim;
    FXSerialPort m_link;
    Application m_app{m_link};
};

TEST_F(SimOverLink, SynchronisationLoadsExactlyTheSimulatorsState) {
    StartSimulator(921600);
    EXPECT_TRUE(m_sim->Execute("signal 1 on 1280 720 500").find("ok") != std::string::npos);
    Send(MakeFrameByte6(0x0004, 1)); // select HDMI-2
    Open(921600);
    Send(MakeFrameByte6(0x0004, 1));
    ASSERT_TRUE(Synchronise());
    const DeviceState model = ModelState();
    m_app.Locked([&] {
        const DeviceState& app = m_app.m_state;
        EXPECT_EQ(app.currentInput, 1u);
        EXPECT_EQ(app.inputs[1].width, 1280);
        EXPECT_EQ(app.inputs[1].refreshX10, 500);
        modeltest::ExpectSameState(app, model);
        EXPECT_EQ(app.verPrimary, "0102");
        EXPECT_EQ(m_app.m_badChecksums, 0);
        return 0;
    });
}

// The answer of each command family is the processor model's (SimModelTest); the simulator
// hands every command to it alike, so the families need not go over the link one by one.

TEST_F(SimOverLink, PingIsAnsweredOnlyWhileSynchronised) {
    StartSimulator(921600);
    Open(921600);
    auto answered = [&] {
        std::size_t n = 0;
        m_sim->Inspect([&](const ProcessorModel& m) { n = m.PingAnswers(); });
        return n;
    };
    m_sim->Execute("ping");
    ASSERT_TRUE(m_app.WaitFor([&] { return m_app.CountOf(0xB3) == 1; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(answered(), 0u);
    ASSERT_TRUE(Synchronise());
    m_sim->Execute("ping");
    const auto until = Clock::now() + 2s;
    while (answered() == 0 && Clock::now() < until)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(answered(), 1u);
}

TEST_F(SimOverLink, FaultsOfTheLine) {
    Faults faults;
    faults.split = true;
    faults.garbage = true;
    StartSimulator(921600, true, faults);
    Open(921600);
    // Records cut into pieces with noise between them still synchronise exactly.
    ASSERT_TRUE(Synchronise(5000ms));
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
    m_sim->Execute("fault delay 0");

    // Another client takes the processor: acknowledgement 11.
    m_sim->Execute("takeover");
    EXPECT_TRUE(m_app.WaitFor([&] {
        return std::any_of(m_app.m_acks.begin(), m_app.m_acks.end(),
                           [](const auto& a) { return a[0] == 11; });
    }));

    // Silent: not even the keep-alive comes.
    m_sim->Execute("fault silent on");
    std::this_thread::sleep_for(50ms);
    const std::size_t before = m_app.Locked([&] { return m_app.m_codes.size(); });
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(m_app.Locked([&] { return m_app.m_codes.size(); }), before);
    m_sim->Execute("fault silent off");
    EXPECT_TRUE(m_app.WaitFor([&] { return m_app.m_codes.size() > before; }));
}

TEST_F(SimOverLink, WrongBaudRateIsNotUnderstood) {
    StartSimulator(921600);
    Open(115200);
    EXPECT_FALSE(Synchronise(800ms));
    EXPECT_NE(m_sim->Execute("state").find("application-baud-matches=0"), std::string::npos);
}

TEST_F(SimOverLink, VanishingLineLeavesThePortListAndComesBack) {
    StartSimulator(921600);
    Open(921600);
    ASSERT_TRUE(Synchronise());
    auto listed = [] {
        std::vector<SerialPortEntry> ports;
        EnumerateSerialPorts(ports);
        return std::any_of(ports.begin(), ports.end(),
                           [](const SerialPortEntry& e) { return e.number == kPort; });
    };
    EXPECT_TRUE(listed());
    m_sim->Execute("vanish");
    EXPECT_FALSE(listed());
    const std::size_t before = m_app.Locked([&] { return m_app.m_codes.size(); });
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(m_app.Locked([&] { return m_app.m_codes.size(); }), before);

    m_link.Close();
    m_sim->Execute("appear");
    EXPECT_TRUE(listed());
    m_app.Locked([&] { return m_app.m_state.linkState = kLinkOpen; });
    ASSERT_EQ(m_link.Open(kPort, 921600, 8, 1), 1);
    EXPECT_TRUE(Synchronise());
}

TEST_F(SimOverLink, UpgradeRefusedAndReadBack) {
    Faults faults;
    faults.refuseUpgrade = true;
    StartSimulator(921600, false, faults);
    Open(921600);
    ASSERT_TRUE(Synchronise());
    Send(MakeFrame(0x8000));
    ASSERT_TRUE(m_app.WaitFor([&] { return m_app.CountOf(0x8002) == 1; }));
    Frame announce = MakeFrameByte6(0x8001, 2);
    PutLE16(&announce[7], 1);
    SealFrame(announce);
    Send(announce);
    ASSERT_TRUE(m_app.WaitFor([&] { return m_app.CountOf(0x8002) >= 5; })); // erase x3, then finished
    const std::vector<std::uint8_t> image(100, 0x42);
    const auto packet = MakeDataPacket(image.data(), image.size());
    m_link.SendToDevice(packet.data(), packet.size());
    Send(MakeFrame(0x8004));
    ASSERT_TRUE(m_app.WaitFor([&] {
        return std::any_of(m_app.m_acks.begin(), m_app.m_acks.end(), [](const auto& a) { return a[0] == 7; });
    }));
    m_app.Locked([&] {
        const auto it =
            std::find_if(m_app.m_acks.begin(), m_app.m_acks.end(), [](const auto& a) { return a[0] == 7; });
        EXPECT_EQ((*it)[2], 0) << "refused";
        return 0;
    });

    m_link.SetReadBackExpected(true);
    Send(MakeFrame(0x8003));
    EXPECT_TRUE(m_app.WaitFor([&] { return m_app.m_blocks == 64 && m_app.CountOf(0x8002) >= 6; }, 5000ms));
}

std::set<std::uint16_t> CodesFrom(const std::vector<std::uint16_t>& codes, std::size_t first) {
    return std::set<std::uint16_t>(codes.begin() + static_cast<std::ptrdiff_t>(first), codes.end());
}

// A flood from the command line waits for the state request; then the whole state comes
// first, the flood runs for its time and stops by itself, and every ping in it is answered.
TEST_F(SimOverLink, FloodWaitsForTheStateRequestRunsItsTimeAndItsPingsAreAnswered) {
    Faults faults;
    faults.flood = 1500ms;
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

    const auto until = Clock::now() + 10s;
    while (m_sim->Flood().running && Clock::now() < until)
        std::this_thread::sleep_for(20ms);
    ASSERT_FALSE(m_sim->Flood().running);
    EXPECT_NE(m_sim->Execute("state").find("flood off"), std::string::npos);
    const FloodCounts counts = m_sim->Flood().counts;
    EXPECT_GT(counts.pings, 0u);
    ASSERT_TRUE(m_app.WaitFor([&] { return m_app.CountOf(0xB3) >= counts.pings; }, 5000ms));
    // Records written after the last ping may still be on their way through the terminal: wait
    // until nothing but the keep-alive has come for a while.
    const auto quietBy = Clock::now() + 10s;
    for (std::size_t seen = 0;; std::this_thread::sleep_for(300ms)) {
        const std::size_t now = m_app.Locked([&] { return m_app.m_codes.size(); });
        const bool onlyKeepAlive = m_app.Locked([&] {
            const std::set<std::uint16_t> since = CodesFrom(m_app.m_codes, std::min(seen, now));
            return since.empty() || since == std::set<std::uint16_t>{0xAD};
        });
        if (seen != 0 && onlyKeepAlive)
            break;
        ASSERT_LT(Clock::now(), quietBy) << "the flooded records never stopped coming";
        seen = now;
    }
    m_app.Locked([&] {
        // Every record the flood made came through the terminal (its kinds: SimFloodTest).
        EXPECT_GE(m_app.m_codes.size() - before, counts.records + expected.size());
        EXPECT_EQ(m_app.m_state.linkState, kLinkSynchronised) << "nothing in it ends the session";
        return 0;
    });

    // Every ping was answered, and each round trip timed.
    const auto waitUntil = Clock::now() + 3s;
    PingStats pings = m_sim->Pings();
    while (pings.answered < pings.sent && Clock::now() < waitUntil) {
        std::this_thread::sleep_for(20ms);
        pings = m_sim->Pings();
    }
    EXPECT_EQ(pings.sent, counts.pings);
    EXPECT_EQ(pings.answered, pings.sent);
    EXPECT_EQ(pings.unanswered + pings.unexpected + pings.waiting, 0u);
    EXPECT_GT(pings.longest.count(), 0);
    EXPECT_GE(pings.longest, pings.last);
    EXPECT_NE(m_sim->Execute("pings").find("answered=" + std::to_string(pings.sent)), std::string::npos);
}

} // namespace
