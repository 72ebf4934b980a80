// The local control interface against the simulated processor: switched on in Config.ini, it
// answers HTTP and pushes events over a WebSocket; corvane-cli drives it as a show script
// does. Each change reaches the processor as the operator's click would send it, and nothing
// is sent without a synchronised link or a token the address asks for.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "layout/CLayoutDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerFrames.h"
#include "link/CommandCodes.h"
#include "mainwindow/ControlGateway.h"
#include "platform/Paths.h"
#include "widgets/CGdipButton.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QWebSocket>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::CommandsWithCode;
using corvane::test::ReceivedWithCode;

namespace {

constexpr int kSyncTimeoutMs = 12000;
constexpr int kAnswerTimeoutMs = 6000;
constexpr int kCliTimeoutMs = 15000;
constexpr const char* kToken = "show-token-0123456789";

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Answer {
    int status = 0;
    QJsonObject body;
};

class ControlEndToEnd : public ::testing::Test {
protected:
    // Config.ini as a first start writes it, with the Control section added.
    void StartWithControl(const std::string& controlKeys, bool synchronise = true, sim::Faults faults = {}) {
        m_port = FreePort();
        std::system(("mkdir -p " + h.Folder() + "/Ini").c_str());
        std::ofstream(h.Folder() + "/Ini/Config.ini", std::ios::binary)
            << "[ComSet]\r\nPortNum=1\r\nBaudRate=115200\r\nByteSize=8\r\nStopBits=1\r\nParity=0\r\n\r\n"
            << "[Control]\r\nEnabled=1\r\nPort=" << m_port << "\r\n"
            << controlKeys;
        m_sim = &h.AddSimulator(1, 921600, faults);
        h.StartApplication();
        if (synchronise) {
            ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        }
        h.messages.clear();
    }

    Answer Http(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QByteArray& token = {}) {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        if (!token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token);
        QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
        EXPECT_TRUE(h.WaitFor([&] { return reply->isFinished(); }, kAnswerTimeoutMs)) << path.toStdString();
        Answer a;
        a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        a.body = QJsonDocument::fromJson(reply->readAll()).object();
        reply->deleteLater();
        return a;
    }

    // corvane-cli run as a script runs it; its exit code.
    int Cli(const QStringList& args, const QByteArray& token = {}, QByteArray* out = nullptr) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CORVANE_PORT"), QString::number(m_port));
        if (!token.isEmpty())
            env.insert(QStringLiteral("CORVANE_TOKEN"), QString::fromLatin1(token));
        cli.setProcessEnvironment(env);
        cli.start(QString::fromStdString(ExecutableFolder() + "/corvane-cli"), args);
        EXPECT_TRUE(cli.waitForStarted(5000));
        // The application answers on this thread: the events run while the client waits.
        EXPECT_TRUE(h.WaitFor([&] { return cli.state() == QProcess::NotRunning; }, kCliTimeoutMs));
        if (out)
            *out = cli.readAllStandardOutput();
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;
};

TEST(ControlInterface, IsOffUnlessSwitchedOn) {
    AppHarness h;
    h.AddSimulator(1, 921600);
    h.StartApplication();
    EXPECT_EQ(h.Main().ControlInterface(), nullptr);
}

TEST_F(ControlEndToEnd, CliPresetRecallReachesTheProcessorAndTheWaitEnds) {
    StartWithControl("");
    ASSERT_NE(h.Main().ControlInterface(), nullptr);
    EXPECT_EQ(Cli({QStringLiteral("preset"), QStringLiteral("recall"), QStringLiteral("3")}), 0);
    ASSERT_TRUE(h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdLoadPreset) == 1; }, kAnswerTimeoutMs));
    EXPECT_EQ(ReceivedWithCode(*m_sim, kCmdLoadPreset)[0][6], 2);
    // The processor's acknowledgement ends the wait the recall showed, and its layers arrive.
    EXPECT_TRUE(h.WaitFor([&] { return !h.Main().WaitShown(); }, kAnswerTimeoutMs));
    EXPECT_TRUE(h.WaitFor([&] { return h.App().state.layers[3].visible == 1; }, kAnswerTimeoutMs));
    EXPECT_TRUE(h.messages.empty()) << h.messages.front();
}

TEST_F(ControlEndToEnd, ALayerSetReachesTheProcessorAsADragSendsItAndTheCanvasShowsIt) {
    StartWithControl("");
    const std::size_t before = CommandsWithCode(*m_sim, kCmdLayer);
    const Answer a = Http("POST", QStringLiteral("/api/layer"),
                          R"({"layer":2,"on":true,"x":2045,"y":198,"w":1280,"h":720})");
    EXPECT_EQ(a.status, 200);
    ASSERT_TRUE(
        h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdLayer) == before + 1; }, kAnswerTimeoutMs));
    const Frame sent = ReceivedWithCode(*m_sim, kCmdLayer).back();
    // The layout page's own builder over the state the window holds: the frame of a drag.
    EXPECT_EQ(sent, BuildLayerFrame(h.App().state, 1));
    EXPECT_EQ(sent[33], 1) << "shown";
    QTest::qWait(200);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdLayer), before + 1) << "one frame for the switch and the window";

    // The canvas and the switch show it, also after the processor's answer.
    ASSERT_TRUE(h.WaitFor(
        [&] {
            LayerInfo theirs;
            m_sim->Inspect([&](const sim::ProcessorModel& m) { theirs = m.State().layers[1]; });
            return theirs.x == 2045 && theirs.w == 1280 && theirs.visible == 1;
        },
        kAnswerTimeoutMs));
    QTest::qWait(200);
    const CCell* cell = h.Main().LayoutPage()->LayerCell(1);
    EXPECT_EQ(cell->devRect, (Rect{2045, 198, 2045 + 1280, 198 + 720}));
    EXPECT_FALSE(cell->Hidden());
    EXPECT_TRUE(h.Main().LayerSwitch(1)->isChecked());

    // The window alone moves it, switched on as it is; the same layer switched off.
    EXPECT_EQ(
        Http("POST", QStringLiteral("/api/layer"), R"({"layer":2,"x":125,"y":198,"w":960,"h":540})").status,
        200);
    ASSERT_TRUE(
        h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdLayer) == before + 2; }, kAnswerTimeoutMs));
    EXPECT_EQ(ReceivedWithCode(*m_sim, kCmdLayer).back(), BuildLayerFrame(h.App().state, 1));
    EXPECT_EQ(Http("POST", QStringLiteral("/api/layer"), R"({"layer":2,"on":false})").status, 200);
    ASSERT_TRUE(
        h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdLayer) == before + 3; }, kAnswerTimeoutMs));
    EXPECT_EQ(ReceivedWithCode(*m_sim, kCmdLayer).back()[33], 0);
    EXPECT_TRUE(h.WaitFor([&] { return !h.Main().LayerSwitch(1)->isChecked(); }, kAnswerTimeoutMs));
}

TEST_F(ControlEndToEnd, APictureValueReachesTheProcessorForThatOutputAlone) {
    StartWithControl("");
    const Answer a = Http("POST", QStringLiteral("/api/picture"), R"({"output":3,"brightness":77})");
    EXPECT_EQ(a.status, 200);
    ASSERT_TRUE(h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdPicture) == 1; }, kAnswerTimeoutMs));
    const Frame f = ReceivedWithCode(*m_sim, kCmdPicture)[0];
    EXPECT_EQ(f[6], 2);
    EXPECT_EQ(f[7], 0) << "for this output only";
    EXPECT_EQ(f[9], 77);
    EXPECT_TRUE(h.WaitFor(
        [&] {
            std::uint8_t b = 0;
            m_sim->Inspect([&](const sim::ProcessorModel& m) { b = m.State().picture[2].brightness; });
            return b == 77;
        },
        kAnswerTimeoutMs));
}

TEST_F(ControlEndToEnd, AWebSocketClientSeesTheInputChangesTheProcessorReports) {
    StartWithControl("");
    QWebSocket ws;
    std::vector<QJsonObject> events;
    QObject::connect(&ws, &QWebSocket::textMessageReceived, [&](const QString& text) {
        events.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
    });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events").arg(m_port)));
    ASSERT_TRUE(h.WaitFor([&] { return !events.empty(); }, kAnswerTimeoutMs));
    EXPECT_EQ(events[0][QStringLiteral("event")].toString(), QStringLiteral("hello"));
    EXPECT_EQ(events[0][QStringLiteral("data")].toObject()[QStringLiteral("currentInput")].toInt(), 1);

    const auto inputEvent = [&](auto match) {
        for (const QJsonObject& e : events)
            if (e[QStringLiteral("event")].toString() == QStringLiteral("input") &&
                match(e[QStringLiteral("data")].toObject()))
                return true;
        return false;
    };
    // An input chosen through the interface: the processor's report is pushed.
    EXPECT_EQ(Cli({QStringLiteral("input"), QStringLiteral("2")}), 0);
    EXPECT_TRUE(h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdSelectInput) == 1; }, kAnswerTimeoutMs));
    EXPECT_TRUE(h.WaitFor(
        [&] {
            return inputEvent(
                [](const QJsonObject& d) { return d[QStringLiteral("currentInput")].toInt() == 2; });
        },
        kAnswerTimeoutMs));
    // A signal change only the processor knows of: its report is pushed.
    m_sim->Execute("signal 1 on 1280 720 500");
    EXPECT_TRUE(h.WaitFor(
        [&] {
            return inputEvent([](const QJsonObject& d) {
                const QJsonObject in = d[QStringLiteral("inputs")].toArray()[1].toObject();
                return in[QStringLiteral("width")].toInt() == 1280 &&
                       in[QStringLiteral("height")].toInt() == 720;
            });
        },
        kAnswerTimeoutMs))
        << QJsonDocument(events.back()).toJson().toStdString();
    ws.close();
}

TEST_F(ControlEndToEnd, WithoutASynchronisedLinkTheAnswerIsAnErrorAndNothingIsSent) {
    sim::Faults noReplies;
    noReplies.drop = 1000000; // the port opens, the state never comes
    StartWithControl("", false, noReplies);
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkOpen; }, kSyncTimeoutMs));
    const Answer a = Http("POST", QStringLiteral("/api/input"), R"({"input":2})");
    EXPECT_EQ(a.status, 409);
    EXPECT_TRUE(a.body[QStringLiteral("error")].toString().contains(QStringLiteral("not synchronised")));
    EXPECT_EQ(Cli({QStringLiteral("preset"), QStringLiteral("recall"), QStringLiteral("3")}), 5);
    EXPECT_EQ(Http("POST", QStringLiteral("/api/layer"), R"({"layer":1,"on":false})").status, 409);
    EXPECT_EQ(Http("POST", QStringLiteral("/api/sync")).status, 409);
    QTest::qWait(300);
    for (std::uint16_t code : {kCmdSelectInput, kCmdLoadPreset, kCmdLayer})
        EXPECT_EQ(CommandsWithCode(*m_sim, code), 0u) << code;
    EXPECT_EQ(h.App().state.currentInput, 0u) << "nothing changed either";
    EXPECT_EQ(h.App().state.layers[0].visible, 0);
    // Reading still answers, and says why.
    const Answer status = Http("GET", QStringLiteral("/api/status"));
    EXPECT_EQ(status.status, 200);
    EXPECT_EQ(status.body[QStringLiteral("link")].toObject()[QStringLiteral("state")].toString(),
              QStringLiteral("open"));
}

TEST_F(ControlEndToEnd, OnANonLoopbackAddressARequestWithoutTheTokenIsRefused) {
    StartWithControl(std::string("Address=0.0.0.0\r\nToken=") + kToken + "\r\n");
    ASSERT_NE(h.Main().ControlInterface(), nullptr);
    EXPECT_EQ(Http("GET", QStringLiteral("/api/state")).status, 401);
    EXPECT_EQ(Http("POST", QStringLiteral("/api/input"), R"({"input":2})", "wrong-token-wrong-token").status,
              401);
    EXPECT_EQ(Cli({QStringLiteral("input"), QStringLiteral("2")}), 3);
    QTest::qWait(200);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdSelectInput), 0u);
    // The event socket asks for it too.
    QWebSocket ws;
    bool closed = false;
    QObject::connect(&ws, &QWebSocket::disconnected, [&] { closed = true; });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events").arg(m_port)));
    EXPECT_TRUE(h.WaitFor([&] { return closed; }, kAnswerTimeoutMs));
    // With the token everything answers, the event socket too.
    EXPECT_EQ(Http("GET", QStringLiteral("/api/state"), {}, kToken).status, 200);
    QWebSocket withToken;
    QString hello;
    QObject::connect(&withToken, &QWebSocket::textMessageReceived,
                     [&](const QString& text) { hello = text; });
    withToken.open(
        QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events?token=%2").arg(m_port).arg(QLatin1String(kToken))));
    EXPECT_TRUE(h.WaitFor([&] { return hello.contains(QLatin1String("\"hello\"")); }, kAnswerTimeoutMs));
    withToken.close();
    QByteArray out;
    EXPECT_EQ(Cli({QStringLiteral("--json"), QStringLiteral("input"), QStringLiteral("2")}, kToken, &out), 0);
    EXPECT_TRUE(out.contains("\"sent\":true")) << out.toStdString();
    EXPECT_TRUE(h.WaitFor([&] { return CommandsWithCode(*m_sim, kCmdSelectInput) == 1; }, kAnswerTimeoutMs));
}

TEST_F(ControlEndToEnd, ANonLoopbackAddressWithoutATokenDoesNotStart) {
    StartWithControl("Address=0.0.0.0\r\n");
    EXPECT_EQ(h.Main().ControlInterface(), nullptr);
}

TEST_F(ControlEndToEnd, BadRequestsAreAnsweredAndTheWindowGoesOn) {
    StartWithControl("");
    EXPECT_EQ(Http("POST", QStringLiteral("/api/layer"), R"({"layer":7,"on":true})").status, 400);
    EXPECT_EQ(Http("POST", QStringLiteral("/api/fly")).status, 404);
    EXPECT_EQ(Http("POST", QStringLiteral("/api/input"), QByteArray(8000, ' ')).status, 413);
    // A request larger than any the interface takes is cut off before it is read whole.
    const Answer huge = Http("POST", QStringLiteral("/api/input"), QByteArray(200000, 'x'));
    EXPECT_TRUE(huge.status == 413 || huge.status == 0) << huge.status;
    EXPECT_EQ(Cli({QStringLiteral("layer"), QStringLiteral("1"), QStringLiteral("on"), QStringLiteral("--w"),
                   QStringLiteral("12")}),
              4);
    // Still answering.
    EXPECT_EQ(Http("GET", QStringLiteral("/api/status")).status, 200);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdLayer), 0u);
}

} // namespace
