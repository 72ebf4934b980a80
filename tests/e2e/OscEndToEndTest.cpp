// OSC against the simulated processor: messages sent with liblo, as show software sends them,
// reach the processor through the operator's own paths, a bundle's messages in their order;
// off loopback only the listed senders are heard, and the log says why. Refused messages and
// damaged packets: OscServiceTest and OscPacketTest.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "link/CommandCodes.h"
#include "mainwindow/ControlGateway.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <mutex>
#include <string>
#include <vector>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::CommandsWithCode;
using corvane::test::ReceivedWithCode;

namespace {

constexpr int kSyncTimeoutMs = 12000;
constexpr int kAnswerTimeoutMs = 6000;

// The control interface's warnings while a case runs.
std::mutex g_logMutex;
std::vector<std::string> g_log;
QtMessageHandler g_previous = nullptr;

void KeepControlLog(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && std::string(context.category) == "corvane.control") {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log.push_back(text.toStdString());
    }
    if (g_previous)
        g_previous(type, context, text);
}

quint16 FreeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// A message's bytes as liblo writes them.
QByteArray Serialised(const char* path, lo_message m) {
    std::size_t size = 0;
    void* data = lo_message_serialise(m, path, nullptr, &size);
    QByteArray bytes(static_cast<const char*>(data), static_cast<qsizetype>(size));
    free(data);
    lo_message_free(m);
    return bytes;
}

class OscEndToEnd : public ::testing::Test {
protected:
    OscEndToEnd() {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log.clear();
        g_previous = qInstallMessageHandler(KeepControlLog);
    }
    ~OscEndToEnd() override {
        if (m_target)
            lo_address_free(m_target);
        qInstallMessageHandler(g_previous);
    }

    // Config.ini with OSC on (and HTTP off): `keys` adds to the Control section.
    void Start(const std::string& keys = {}) {
        m_port = FreeUdpPort();
        std::system(("mkdir -p " + h.Folder() + "/Ini").c_str());
        std::ofstream(h.Folder() + "/Ini/Config.ini", std::ios::binary)
            << "[ComSet]\r\nPortNum=1\r\nBaudRate=115200\r\nByteSize=8\r\nStopBits=1\r\nParity=0\r\n\r\n"
            << "[Control]\r\nOscPort=" << m_port << "\r\n"
            << keys;
        m_sim = &h.AddSimulator(1, 921600);
        h.StartApplication();
        ASSERT_TRUE(Await([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs, "the link"));
        ASSERT_NE(h.Main().ControlInterface(), nullptr);
        ASSERT_EQ(h.Main().ControlInterface()->OscPort(), m_port);
        EXPECT_EQ(h.Main().ControlInterface()->Server(), nullptr) << "OSC alone does not switch HTTP on";
        m_target = lo_address_new("127.0.0.1", std::to_string(m_port).c_str());
    }

    bool Await(const std::function<bool()>& done, int timeoutMs, const std::string& what) {
        if (h.WaitFor(done, timeoutMs))
            return true;
        ADD_FAILURE() << "gave up after " << timeoutMs << " ms waiting for " << what;
        return false;
    }

    bool Logged(const std::string& part) {
        std::lock_guard<std::mutex> lock(g_logMutex);
        for (const std::string& line : g_log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    // A datagram from `from` (127.0.0.1 by default), sent as bytes.
    void SendFrom(const QByteArray& bytes, const QHostAddress& from = QHostAddress::LocalHost) {
        QUdpSocket socket;
        ASSERT_TRUE(socket.bind(from, 0)) << from.toString().toStdString();
        ASSERT_EQ(socket.writeDatagram(bytes, QHostAddress::LocalHost, m_port), bytes.size());
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    quint16 m_port = 0;
    lo_address m_target = nullptr;
};

TEST_F(OscEndToEnd, ABundleOfCuesReachesTheProcessorInItsOrder) {
    Start();
    const std::size_t before = CommandsWithCode(*m_sim, kCmdLayer);
    // Layer 2's window, then layer 2 on, then layer 1 (on at the start) off: one bundle, as QLab's network
    // cue sends a group.
    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    lo_message window = lo_message_new();
    for (int v : {2045, 198, 1280, 720})
        lo_message_add_int32(window, v);
    lo_bundle_add_message(bundle, "/corvane/layer/2/window", window);
    lo_message on = lo_message_new();
    lo_message_add_true(on);
    lo_bundle_add_message(bundle, "/corvane/layer/2/on", on);
    lo_message off = lo_message_new();
    lo_message_add_float(off, 0.0f);
    lo_bundle_add_message(bundle, "/corvane/layer/1/on", off);
    ASSERT_GT(lo_send_bundle(m_target, bundle), 0);
    lo_bundle_free_recursive(bundle);

    ASSERT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdLayer) >= before + 3; }, kAnswerTimeoutMs,
                      "three layer commands at the processor"));
    const std::vector<Frame> layers = ReceivedWithCode(*m_sim, kCmdLayer);
    const Frame& first = layers[before];
    EXPECT_EQ(first[6], 1) << "layer 2's window first";
    EXPECT_EQ(layers[before + 1][6], 1);
    EXPECT_EQ(layers[before + 1][33], 1) << "then layer 2 switched on";
    EXPECT_EQ(layers[before + 2][6], 0);
    EXPECT_EQ(layers[before + 2][33], 0) << "then layer 1 switched off";
    EXPECT_TRUE(Await(
        [&] {
            LayerInfo theirs;
            m_sim->Inspect([&](const sim::ProcessorModel& m) { theirs = m.State().layers[1]; });
            return theirs.x == 2045 && theirs.w == 1280 && theirs.visible == 1;
        },
        kAnswerTimeoutMs, "layer 2's window at the processor"));
}

TEST_F(OscEndToEnd, OffLoopbackOnlyTheListedSendersAreHeard) {
    // Listening on every address; only 127.0.0.2 is listed, so 127.0.0.1 is another sender.
    Start("Address=0.0.0.0\r\nOscAllowedSenders=127.0.0.2, not-an-address\r\n");
    EXPECT_TRUE(Logged("OscAllowedSenders: not-an-address is no IP address"));
    lo_message m = lo_message_new();
    lo_message_add_int32(m, 2);
    const QByteArray input = Serialised("/corvane/input", m);
    SendFrom(input);
    ASSERT_TRUE(Await([&] { return Logged("127.0.0.1 OSC: not heard"); }, kAnswerTimeoutMs,
                      "the log line of the unlisted sender"));
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdSelectInput), 0u);
    SendFrom(input, QHostAddress(QStringLiteral("127.0.0.2")));
    EXPECT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdSelectInput) == 1; }, kAnswerTimeoutMs,
                      "the listed sender's input command"));
}

} // namespace
