// The local control interface against the simulated processor: switched on in Config.ini, it
// answers HTTP and pushes events over a WebSocket; corvane-cli drives it as a show script
// does. One case per path (HTTP, the command-line client, the event socket) and each refusal
// only the running application can show: a running firmware transfer as the upgrade window
// reports it, the token and a browser's headers as they come off the wire (which header
// refuses what: BrowserRules), the size cut off before it is read; refused event sockets give their
// connection back, one address holds at most its share of the connections and a silent one is closed. The
// rules themselves: ControlTest.
//
// Every wait is bounded and names what it waited for; a Watchdog ends a case that outlasts kCaseLimitS.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "RunEvents.h"
#include "layout/CLayoutDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerFrames.h"
#include "link/CommandCodes.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/ControlGateway.h"
#include "mainwindow/Pages.h"
#include "platform/Paths.h"
#include "upgrade/CUpdataDlg.h"
#include "widgets/CGdipButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::CommandsWithCode;
using corvane::test::ReceivedWithCode;
using corvane::test::Watchdog;

namespace {

constexpr int kSyncTimeoutMs = 12000;
constexpr int kAnswerTimeoutMs = 6000;
constexpr int kCliTimeoutMs = 15000;
constexpr int kCliStartTimeoutMs = 5000;
constexpr int kCliKillTimeoutMs = 5000;
// A connection with no complete request is closed after 5 s: this is the generous bound.
constexpr int kSilentCloseTimeoutMs = 20000;
// Below ctest's 90 s for a case.
constexpr int kCaseLimitS = 80;
constexpr const char* kToken = "show-token-0123456789";
constexpr const char* kAllowedOrigin = "http://panel.example:8080";

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Answer {
    int status = 0;
    QJsonObject body;
};

// What a raw client got: the status (0 when none came) and the head of the answer.
struct RawAnswer {
    int status = 0;
    QByteArray head;
};

QByteArray Upgrade(quint16 port, const QByteArray& query, const QByteArray& origin = {}) {
    QByteArray r = "GET /api/events" + query + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                   "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                   "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
    if (!origin.isEmpty())
        r += "Origin: " + origin + "\r\n";
    return r + "\r\n";
}

class ControlEndToEnd : public ::testing::Test {
protected:
    ~ControlEndToEnd() override { m_watchdog.Waiting("the application to shut down"); }

    // Config.ini as a first start writes it, with the Control section added.
    void StartWithControl(const std::string& controlKeys) {
        m_port = FreePort();
        std::system(("mkdir -p " + h.Folder() + "/Ini").c_str());
        std::ofstream(h.Folder() + "/Ini/Config.ini", std::ios::binary)
            << "[ComSet]\r\nPortNum=1\r\nBaudRate=115200\r\nByteSize=8\r\nStopBits=1\r\nParity=0\r\n\r\n"
            << "[Control]\r\nEnabled=1\r\nPort=" << m_port << "\r\n"
            << controlKeys;
        m_sim = &h.AddSimulator(1, 921600);
        m_watchdog.Waiting("the application to start");
        h.StartApplication();
        ASSERT_TRUE(Await([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs,
                          "the link to synchronise"));
        h.messages.clear();
    }

    // Runs the events until `done`; a failure naming `what` when it does not come in time.
    bool Await(const std::function<bool()>& done, int timeoutMs, const std::string& what) {
        m_watchdog.Waiting(what);
        if (h.WaitFor(done, timeoutMs))
            return true;
        ADD_FAILURE() << "gave up after " << timeoutMs << " ms waiting for " << what;
        return false;
    }

    Answer Http(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QByteArray& token = {}) {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        if (!token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token);
        QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
        Answer a;
        if (Await([&] { return reply->isFinished(); }, kAnswerTimeoutMs,
                  "the answer to " + method.toStdString() + " " + path.toStdString())) {
            a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            a.body = QJsonDocument::fromJson(reply->readAll()).object();
        } else {
            reply->abort();
        }
        reply->deleteLater();
        return a;
    }

    // A connection of our own to the interface, from `from` when given; null when it could
    // not be made (a failure says why).
    std::unique_ptr<QTcpSocket> Connect(const std::string& what, const QHostAddress& from = {}) {
        auto socket = std::make_unique<QTcpSocket>();
        if (!from.isNull() && !socket->bind(from)) {
            ADD_FAILURE() << "cannot bind " << from.toString().toStdString() << " for " << what;
            return nullptr;
        }
        auto connected = std::make_shared<bool>(false);
        QObject::connect(socket.get(), &QTcpSocket::connected, socket.get(),
                         [connected] { *connected = true; });
        socket->connectToHost(QHostAddress::LocalHost, m_port);
        // A connection the interface refuses is closed at once after its answer: made all the same.
        if (!Await([connected] { return *connected; }, kAnswerTimeoutMs, "the connection of " + what))
            return nullptr;
        return socket;
    }

    // The answer to raw request bytes on a connection of their own.
    RawAnswer Raw(const QByteArray& request, const std::string& what, const QHostAddress& from = {}) {
        RawAnswer a;
        const std::unique_ptr<QTcpSocket> s = Connect(what, from);
        if (!s)
            return a;
        if (s->state() == QAbstractSocket::ConnectedState)
            s->write(request);
        QByteArray in;
        const bool answered = Await(
            [&] {
                in += s->readAll();
                return in.contains("\r\n\r\n") || s->state() == QAbstractSocket::UnconnectedState;
            },
            kAnswerTimeoutMs, "the answer to " + what);
        in += s->readAll();
        a.head = in.left(in.indexOf("\r\n\r\n"));
        if (answered && in.startsWith("HTTP/1.1 "))
            a.status = in.mid(9, 3).toInt();
        s->abort();
        return a;
    }

    QByteArray RawGet(const QByteArray& path, const QByteArray& host) {
        return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
    }

    QByteArray RawPost(const QByteArray& path, const QByteArray& contentType, const QByteArray& body,
                       const QByteArray& more = {}) {
        return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port) +
               "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n" + more + "\r\n" + body;
    }

    // An event client that has joined (its hello came); null when it did not.
    std::unique_ptr<QWebSocket> JoinEvents(const std::string& what, const QString& query = {}) {
        auto ws = std::make_unique<QWebSocket>();
        bool hello = false;
        QObject::connect(ws.get(), &QWebSocket::textMessageReceived, ws.get(), [&hello](const QString& text) {
            hello = hello || text.contains(QLatin1String("\"hello\""));
        });
        ws->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/events%2").arg(m_port).arg(query)));
        const bool joined = Await([&] { return hello; }, kAnswerTimeoutMs, "the hello of " + what);
        ws->disconnect(ws.get());
        return joined ? std::move(ws) : nullptr;
    }

    // corvane-cli run as a script runs it; its exit code (-1 when it did not end by itself).
    // `command` is the arguments separated by spaces.
    int Cli(const char* command, const QByteArray& token = {}) {
        const QStringList args = QString::fromLatin1(command).split(QLatin1Char(' '));
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CORVANE_PORT"), QString::number(m_port));
        if (!token.isEmpty())
            env.insert(QStringLiteral("CORVANE_TOKEN"), QString::fromLatin1(token));
        cli.setProcessEnvironment(env);
        const std::string what = "corvane-cli " + args.join(QLatin1Char(' ')).toStdString();
        m_watchdog.Waiting("the start of " + what);
        cli.start(QString::fromStdString(ExecutableFolder() + "/corvane-cli"), args);
        if (!cli.waitForStarted(kCliStartTimeoutMs)) {
            ADD_FAILURE() << what << " did not start within " << kCliStartTimeoutMs << " ms";
            return -1;
        }
        // The application answers on this thread: the events run while the client waits.
        if (!Await([&] { return cli.state() == QProcess::NotRunning; }, kCliTimeoutMs,
                   "the end of " + what)) {
            // Never left to QProcess's destructor, which would wait 30 s more without a word.
            cli.kill();
            if (!cli.waitForFinished(kCliKillTimeoutMs))
                ADD_FAILURE() << what << " did not end within " << kCliKillTimeoutMs << " ms of being killed";
            return -1;
        }
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    }

    int Connections() {
        const ControlGateway* g = h.Main().ControlInterface();
        return g && g->Server() ? g->Server()->ConnectionCount() : -1;
    }

    Watchdog m_watchdog{std::chrono::seconds(kCaseLimitS)}; // first: it outlives the harness
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
    EXPECT_EQ(Cli("preset recall 3"), 0);
    ASSERT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdLoadPreset) == 1; }, kAnswerTimeoutMs,
                      "the recall at the processor"));
    EXPECT_EQ(ReceivedWithCode(*m_sim, kCmdLoadPreset)[0][6], 2);
    // The processor's acknowledgement ends the wait the recall showed, and its layers arrive.
    EXPECT_TRUE(Await([&] { return !h.Main().WaitShown(); }, kAnswerTimeoutMs, "the end of the wait"));
    EXPECT_TRUE(
        Await([&] { return h.App().state.layers[3].visible == 1; }, kAnswerTimeoutMs, "the preset's layers"));
    EXPECT_TRUE(h.messages.empty()) << h.messages.front();
}

TEST_F(ControlEndToEnd, ALayerSetReachesTheProcessorAsADragSendsItAndTheCanvasShowsIt) {
    StartWithControl("");
    const std::size_t before = CommandsWithCode(*m_sim, kCmdLayer);
    const char* kSet = R"({"layer":2,"on":true,"x":2045,"y":198,"w":1280,"h":720})";
    EXPECT_EQ(Http("POST", QStringLiteral("/api/layer"), kSet).status, 200);
    ASSERT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdLayer) == before + 1; }, kAnswerTimeoutMs,
                      "the layer command at the processor"));
    const Frame sent = ReceivedWithCode(*m_sim, kCmdLayer).back();
    // The layout page's own builder over the state the window holds: the frame of a drag.
    EXPECT_EQ(sent, BuildLayerFrame(h.App().state, 1));
    EXPECT_EQ(sent[33], 1) << "shown";
    // The canvas and the switch show it.
    const CCell* cell = h.Main().LayoutPage()->LayerCell(1);
    EXPECT_TRUE(Await(
        [&] {
            return cell->devRect == Rect{2045, 198, 2045 + 1280, 198 + 720} && !cell->Hidden();
        },
        kAnswerTimeoutMs, "the layer on the canvas"));
    EXPECT_TRUE(h.Main().LayerSwitch(1)->isChecked());

    // The window alone moves it, switched on as it is: its frame comes next, the first request
    // having sent one frame for the switch and the window.
    EXPECT_EQ(
        Http("POST", QStringLiteral("/api/layer"), R"({"layer":2,"x":125,"y":198,"w":960,"h":540})").status,
        200);
    const Frame moved = BuildLayerFrame(h.App().state, 1);
    ASSERT_TRUE(Await([&] { return ReceivedWithCode(*m_sim, kCmdLayer).back() == moved; }, kAnswerTimeoutMs,
                      "the window's layer command"));
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdLayer), before + 2);
    EXPECT_EQ(moved[33], 1) << "still shown";
}

TEST_F(ControlEndToEnd, AWebSocketClientSeesTheChangesOnlyTheProcessorKnowsOf) {
    StartWithControl("");
    bool seen = false; // outlives the client
    // What the hello holds: StateJsonTest.
    const std::unique_ptr<QWebSocket> ws = JoinEvents("the event client");
    ASSERT_NE(ws, nullptr);
    QObject::connect(ws.get(), &QWebSocket::textMessageReceived, [&](const QString& text) {
        const QJsonObject e = QJsonDocument::fromJson(text.toUtf8()).object();
        const QJsonObject in = e[QStringLiteral("data")][QStringLiteral("inputs")].toArray()[0].toObject();
        seen = seen ||
               (e[QStringLiteral("event")].toString() == QStringLiteral("input") &&
                in[QStringLiteral("width")].toInt() == 1280 && in[QStringLiteral("height")].toInt() == 720);
    });
    // A signal change on the current input only the processor knows of: its report is pushed.
    m_sim->Execute("signal 0 on 1280 720 500");
    EXPECT_TRUE(Await([&] { return seen; }, kAnswerTimeoutMs, "the signal's input event"));
}

TEST_F(ControlEndToEnd, WhileAFirmwareTransferRunsChangesGet409AndNothingReachesTheProcessor) {
    StartWithControl("");
    // The operator starts an FPGA upgrade from the upgrade window.
    h.Main().SelectPage(kMisc, 0);
    auto* misc = static_cast<CMiscDlg*>(h.Main().Page(kMisc));
    QTest::mouseClick(misc->Control<QAbstractButton>(CMiscDlg::kUpgradeId), Qt::LeftButton);
    CUpdataDlg* dialog = nullptr;
    ASSERT_TRUE(Await(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<CUpdataDlg*>(w); d && d->isVisible())
                    dialog = d;
            return dialog != nullptr;
        },
        kAnswerTimeoutMs, "the upgrade window"));
    QByteArray image(160 * 1024, 0);
    for (qsizetype i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 5 + (i >> 10));
    const QString path = QString::fromStdString(h.Folder() + "/FPGA.bin");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
    file.close();
    dialog->SetSelected(0, true);
    dialog->Control<QLineEdit>(CUpdataDlg::kPathIds[0])->setText(path);
    QTest::mouseClick(dialog->Control<QAbstractButton>(CUpdataDlg::kStartId), Qt::LeftButton);
    const auto packets = [&] {
        std::uint64_t n = 0;
        m_sim->Inspect([&](const sim::ProcessorModel& m) { n = m.PacketsReceived(); });
        return n;
    };
    ASSERT_TRUE(Await([&] { return packets() >= 3; }, kSyncTimeoutMs, "the first packets at the processor"));
    const std::size_t inputs = CommandsWithCode(*m_sim, kCmdSelectInput);
    const std::size_t layers = CommandsWithCode(*m_sim, kCmdLayer);
    // A cue now would put its frames between the packets, or a preset file (a 1039-byte block
    // with the packets' magic) into the boot loader: every change is refused, nothing is sent.
    const Answer refused = Http("POST", QStringLiteral("/api/preset/load"), R"({"slot":1})");
    EXPECT_EQ(refused.status, 409);
    EXPECT_EQ(refused.body.value("error").toString(), "a firmware transfer is running: nothing was sent");
    ASSERT_TRUE(Await([&] { return !h.messages.empty(); }, 60000, "the end of the upgrade"));
    EXPECT_EQ(h.messages, std::vector<std::string>{"Tips: Upgrade finsh,Restart The Machine"});
    EXPECT_EQ(packets(), 160u);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdSelectInput), inputs);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdLayer), layers);
    // Once it is over the line is free again.
    EXPECT_EQ(Http("POST", QStringLiteral("/api/input"), R"({"input":2})").status, 200);
    ASSERT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdSelectInput) == inputs + 1; },
                      kAnswerTimeoutMs, "the input change at the processor"));
}

TEST_F(ControlEndToEnd, ANonLoopbackAddressWithoutATokenDoesNotStart) {
    StartWithControl("Address=0.0.0.0\r\n");
    EXPECT_EQ(h.Main().ControlInterface(), nullptr);
}

// Which headers refuse what: BrowserRules (ControlTest); here they come off the wire.
TEST_F(ControlEndToEnd, AHugeRequestIsCutOffAndAnAllowedPageGetsItsAnswer) {
    StartWithControl(std::string("AllowedOrigins=") + kAllowedOrigin + "\r\n");
    // A request larger than any the interface takes is cut off before it is read whole.
    const Answer huge = Http("POST", QStringLiteral("/api/input"), QByteArray(200000, 'x'));
    EXPECT_TRUE(huge.status == 413 || huge.status == 0) << huge.status;

    // The allowed origin's page: its request, with the header a browser needs to read the answer.
    const RawAnswer post = Raw(RawPost("/api/input", "application/json", R"({"input":2})",
                                       QByteArray("Origin: ") + kAllowedOrigin + "\r\n"),
                               "the allowed page's POST");
    EXPECT_EQ(post.status, 200);
    EXPECT_TRUE(post.head.contains(QByteArray("Access-Control-Allow-Origin: ") + kAllowedOrigin));
    ASSERT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdSelectInput) >= 1; }, kAnswerTimeoutMs,
                      "the allowed page's input command at the processor"));
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdSelectInput), 1u) << "the huge request sent nothing before it";
}

// On every address the token is asked of a request, the command-line client and an event
// socket; the refused sockets give their connections back.
TEST_F(ControlEndToEnd, WithoutTheTokenNothingIsSentAndRefusedEventSocketsGiveTheirConnectionsBack) {
    // The rate limit out of the way: the attempts are the count's to bear.
    StartWithControl(std::string("Address=0.0.0.0\r\nToken=") + kToken + "\r\nRatePerSecond=100000\r\n");
    ASSERT_NE(h.Main().ControlInterface(), nullptr);
    EXPECT_EQ(Http("GET", QStringLiteral("/api/state")).status, 401);
    EXPECT_EQ(Cli("input 2"), 3);
    EXPECT_EQ(Raw(Upgrade(m_port, ""), "an event socket without the token").status, 401);
    // More than every connection there is, refused for the token and for the origin.
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(
            Raw(Upgrade(m_port, "?token=wrong-token"), "event socket " + std::to_string(i) + " (wrong token)")
                .status,
            401);
        ASSERT_EQ(Raw(Upgrade(m_port, QByteArray("?token=") + kToken, "https://evil.example"),
                      "event socket " + std::to_string(i) + " (foreign origin)")
                      .status,
                  403);
    }
    EXPECT_TRUE(
        Await([&] { return Connections() == 0; }, kAnswerTimeoutMs, "every connection to be given back"))
        << Connections() << " still counted";
    EXPECT_EQ(Http("GET", QStringLiteral("/api/status"), {}, kToken).status, 200);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdSelectInput), 0u);
    EXPECT_EQ(Cli("input 2", kToken), 0);
    EXPECT_TRUE(Await([&] { return CommandsWithCode(*m_sim, kCmdSelectInput) == 1; }, kAnswerTimeoutMs,
                      "the input command at the processor"));
}

TEST_F(ControlEndToEnd, OneAddressHoldsAtMostItsShareOfTheConnections) {
    StartWithControl("");
    // Eight event clients from 127.0.0.1 hold its share (they stay as long as they read).
    std::vector<std::unique_ptr<QWebSocket>> held;
    for (int i = 0; i < 8; ++i) {
        held.push_back(JoinEvents("event client " + std::to_string(i)));
        ASSERT_NE(held.back(), nullptr);
    }
    const QByteArray status = RawGet("/api/status", "127.0.0.1:" + QByteArray::number(m_port));
    EXPECT_EQ(Raw(status, "a ninth connection from 127.0.0.1").status, 503);
    // Another address of this PC is still served.
    EXPECT_EQ(Raw(status, "a connection from 127.0.0.2", QHostAddress(QStringLiteral("127.0.0.2"))).status,
              200);
    // One place given back (a client that joined and left) is one place to have again.
    held.pop_back();
    EXPECT_TRUE(Await([&] { return Connections() == 7; }, kAnswerTimeoutMs, "the closed client's place"));
    EXPECT_EQ(Raw(status, "a connection from 127.0.0.1 again").status, 200);
}

TEST_F(ControlEndToEnd, AConnectionThatSendsNoRequestIsClosedAfterFiveSeconds) {
    StartWithControl("");
    const std::unique_ptr<QTcpSocket> silent = Connect("a silent connection");
    ASSERT_NE(silent, nullptr);
    QTcpSocket* s = silent.get();
    EXPECT_EQ(
        Raw(RawGet("/api/status", "127.0.0.1:" + QByteArray::number(m_port)), "another's request").status,
        200);
    EXPECT_EQ(s->state(), QAbstractSocket::ConnectedState) << "still open after another's request";
    EXPECT_TRUE(Await([s] { return s->state() == QAbstractSocket::UnconnectedState; }, kSilentCloseTimeoutMs,
                      "the silent connection to be closed"));
    EXPECT_TRUE(Await([&] { return Connections() == 0; }, kAnswerTimeoutMs, "its place to be given back"));
}

} // namespace
