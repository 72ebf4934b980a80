#include "control/ControlServer.h"

#include "control/ControlLog.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>

Q_LOGGING_CATEGORY(lcControl, "corvane.control", QtInfoMsg)

namespace corvane::control {

namespace {

constexpr const char* kBytesInProperty = "corvaneBytesIn";
// Set on a connection that became an event client: its WebSocket frames are not a request.
constexpr const char* kEventClientProperty = "corvaneEventClient";
// Set on a connection whose WebSocket opening was refused and answered here.
constexpr const char* kAnsweredProperty = "corvaneAnswered";
constexpr const char* kRequestTimerName = "corvaneRequestTimer";

QHttpServerResponder::StatusCode Status(int status) {
    return static_cast<QHttpServerResponder::StatusCode>(status);
}

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

std::int64_t NowMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

std::string AddressText(const QHostAddress& address) {
    bool isIpv4 = false;
    const quint32 v4 = address.toIPv4Address(&isIpv4);
    return (isIpv4 ? QHostAddress(v4) : address).toString().toStdString();
}

// Qt's server, answering every request itself (no routes: the paths are checked by the core).
class ControlServer::HttpServer : public QAbstractHttpServer {
public:
    explicit HttpServer(ControlServer& owner) : m_owner(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        return m_owner.OnRequest(request, socket);
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
        if (socket->property(kAnsweredProperty).toBool())
            return; // a refused WebSocket opening, answered already
        makeResponder(request, socket)
            .write(QByteArray(ErrorBody("unknown operation").c_str()), "application/json",
                   QHttpServerResponder::StatusCode::NotFound);
    }

public:
    using QAbstractHttpServer::makeResponder;

private:
    ControlServer& m_owner;
};

// One admitted connection's place in the count, given back when the socket is destroyed,
// whichever way it went. A child of the socket rather than a connection to its destroyed()
// signal: Qt's HTTP server cuts every connection of a socket's signals when it hands the
// socket to its WebSocket server, and a count kept through them would be lost there.
class ConnectionSlot : public QObject {
public:
    ConnectionSlot(std::shared_ptr<ConnectionCounter> counter, std::string client, QObject* socket)
        : QObject(socket), m_counter(std::move(counter)), m_client(std::move(client)) {}
    ~ConnectionSlot() override { m_counter->Release(m_client); }

private:
    std::shared_ptr<ConnectionCounter> m_counter;
    std::string m_client;
};

// The listening socket: counts the open connections (in all and per client address), counts
// what each connection sends, so that a request larger than kMaxRequestBytes is cut off
// before the HTTP server buffers it, and closes a connection that sends no complete request
// in time.
class ControlServer::TcpServer : public QTcpServer {
public:
    TcpServer(int perClient, QObject* parent)
        : QTcpServer(parent), m_counter(std::make_shared<ConnectionCounter>(kMaxConnections, perClient)) {}
    int Open() const { return m_counter->Open(); }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        const std::string client = AddressText(socket->peerAddress());
        const ConnectionCounter::Admission admission = m_counter->Admit(client);
        if (admission != ConnectionCounter::Admission::Admitted) {
            qCWarning(lcControl).noquote() << QString::fromStdString(client)
                                           << (admission == ConnectionCounter::Admission::TooManyForClient
                                                   ? "refused: too many connections from this address"
                                                   : "refused: too many connections");
            socket->write(
                "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kRefusedLingerMs, socket, [socket] { socket->abort(); });
            socket->disconnectFromHost();
            return;
        }
        new ConnectionSlot(m_counter, client, socket);
        // Closed unless a request is whole in time; every request answered starts the time
        // again (OnRequest), an event client stops it.
        auto* timer = new QTimer(socket);
        timer->setObjectName(QLatin1String(kRequestTimerName));
        timer->setSingleShot(true);
        timer->setInterval(kRequestTimeoutMs);
        connect(timer, &QTimer::timeout, socket, [socket] {
            qCDebug(lcControl).noquote()
                << socket->peerAddress().toString() << "closed: no complete request in time";
            socket->abort();
        });
        timer->start();
        // Connected before the HTTP server's own handler: it sees the bytes first.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (socket->property(kEventClientProperty).toBool())
                return;
            const qint64 in = socket->property(kBytesInProperty).toLongLong() + socket->bytesAvailable();
            socket->setProperty(kBytesInProperty, in);
            if (in > kMaxRequestBytes) {
                qCWarning(lcControl).noquote()
                    << socket->peerAddress().toString() << "cut off: a request larger than"
                    << kMaxRequestBytes << "bytes";
                socket->write(
                    "HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->flush();
                socket->abort();
            }
        });
        addPendingConnection(socket);
    }

private:
    std::shared_ptr<ConnectionCounter> m_counter;
};

ControlServer::ControlServer(const ControlSettings& settings, ControlTarget& target, QObject* parent)
    : QObject(parent), m_service(settings, target), m_target(target),
      m_http(std::make_unique<HttpServer>(*this)) {
    connect(m_http.get(), &QAbstractHttpServer::newWebSocketConnection, this, &ControlServer::OnWebSocket);
    m_eventTimer.setInterval(kEventPeriodMs);
    connect(&m_eventTimer, &QTimer::timeout, this, &ControlServer::PushEvents);
}

ControlServer::~ControlServer() {
    m_eventTimer.stop();
    for (QWebSocket* s : m_eventClients) {
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    m_eventClients.clear();
}

bool ControlServer::Start(QString* why) {
    std::string reason;
    if (!MayStart(m_service.Settings(), &reason)) {
        if (why)
            *why = QString::fromStdString(reason);
        return false;
    }
    const ControlSettings& s = m_service.Settings();
    const QString name = QString::fromStdString(s.address);
    QHostAddress address(name == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : name);
    if (address.isNull()) {
        if (why)
            *why = QStringLiteral("%1 is no IP address").arg(name);
        return false;
    }
    m_tcp = new TcpServer(static_cast<int>(s.connectionsPerClient), m_http.get());
    if (!m_tcp->listen(address, s.port)) {
        if (why)
            *why = QStringLiteral("cannot listen on %1 port %2: %3")
                       .arg(name)
                       .arg(s.port)
                       .arg(m_tcp->errorString());
        delete m_tcp;
        m_tcp = nullptr;
        return false;
    }
    m_http->bind(m_tcp);
    return true;
}

bool ControlServer::Listening() const {
    return m_tcp && m_tcp->isListening();
}

quint16 ControlServer::Port() const {
    return m_tcp ? m_tcp->serverPort() : 0;
}

int ControlServer::EventClientCount() const {
    return static_cast<int>(m_eventClients.size());
}

int ControlServer::ConnectionCount() const {
    return m_tcp ? m_tcp->Open() : 0;
}

bool ControlServer::OnRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // The request is whole: its bytes no longer count against the next one on this connection.
    socket->setProperty(kBytesInProperty, 0);
    const bool upgrade = OpensWebSocket(View(request.value("upgrade")), View(request.value("connection")));
    auto* timer = socket->findChild<QTimer*>(QLatin1String(kRequestTimerName), Qt::FindDirectChildrenOnly);

    const auto method = request.method();
    const char* methodName = method == QHttpServerRequest::Method::Get       ? "GET"
                             : method == QHttpServerRequest::Method::Post    ? "POST"
                             : method == QHttpServerRequest::Method::Options ? "OPTIONS"
                                                                             : "OTHER";
    const QList<QPair<QByteArray, QByteArray>> head = request.headers();
    std::vector<std::pair<std::string_view, std::string_view>> headers;
    headers.reserve(static_cast<std::size_t>(head.size()));
    for (const auto& [name, value] : head)
        headers.emplace_back(View(name), View(value));
    const RuleHeaders picked = PickRuleHeaders(headers);
    const QByteArray path = request.url().path().toUtf8();
    const QByteArray body = request.body();
    const QByteArray authorization = request.value("authorization");
    const QByteArray queryToken =
        upgrade ? request.query().queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8()
                : QByteArray();
    HttpRequest r;
    r.method = methodName;
    r.path = View(path);
    r.body = View(body);
    r.authorization = View(authorization);
    r.client = AddressText(socket->peerAddress());
    r.host = picked.host;
    r.origin = picked.origin;
    r.contentType = picked.contentType;
    r.localAddress = AddressText(socket->localAddress());
    r.localPort = socket->localPort();
    r.upgrade = upgrade;
    r.queryToken = View(queryToken);

    const std::int64_t now = NowMs();
    const HttpResponse answer = m_service.Handle(r, now);
    if (answer.status == 429) {
        // A flood is logged, not each of its requests.
        if (now - m_lastFloodLogMs >= kFloodLogPeriodMs) {
            qCWarning(lcControl).noquote()
                << QString::fromStdString(answer.logLine)
                << (m_floodUnlogged
                        ? QStringLiteral("(and %1 more refused since the last line)").arg(m_floodUnlogged)
                        : QString());
            m_lastFloodLogMs = now;
            m_floodUnlogged = 0;
        } else {
            ++m_floodUnlogged;
        }
    } else if (answer.refused || answer.status >= 400)
        qCWarning(lcControl).noquote() << QString::fromStdString(answer.logLine);
    else if (!answer.logLine.empty()) // reads (status, state) are not logged: clients poll them
        qCDebug(lcControl).noquote() << QString::fromStdString(answer.logLine);

    if (upgrade && answer.status == kStatusUpgrade) {
        // Qt's WebSocket server answers the handshake and hands the socket to OnWebSocket; an
        // event client stays as long as it reads.
        socket->setProperty(kEventClientProperty, true);
        delete timer;
        return true;
    }
    if (timer && !upgrade)
        timer->start();
    QHttpServerResponder responder = HttpServer::makeResponder(request, socket);
    const QByteArray payload(answer.body.data(), static_cast<qsizetype>(answer.body.size()));
    responder.writeStatusLine(Status(answer.status));
    if (!payload.isEmpty())
        responder.writeHeader("Content-Type", "application/json");
    responder.writeHeader("Content-Length", QByteArray::number(payload.size()));
    responder.writeHeader("Cache-Control", "no-store");
    for (const auto& [name, value] : answer.headers)
        responder.writeHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    if (upgrade)
        responder.writeHeader("Connection", "close");
    responder.writeBody(payload);
    if (upgrade) {
        // A refused opening: false keeps the socket from Qt's WebSocket server, which then
        // closes it (missingHandler writes nothing more).
        socket->setProperty(kAnsweredProperty, true);
        return false;
    }
    return true;
}

void ControlServer::OnWebSocket() {
    while (m_http->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> owned = m_http->nextPendingWebSocketConnection();
        if (!owned)
            continue;
        // Its opening request passed the service's rules (OnRequest).
        QWebSocket* socket = owned.release();
        socket->setParent(this);
        const QString client = socket->peerAddress().toString();
        // Clients only listen: what they send is small and ignored.
        socket->setMaxAllowedIncomingMessageSize(1024);
        socket->setMaxAllowedIncomingFrameSize(1024);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { DropEventClient(socket); });
        if (m_eventClients.empty())
            m_events.Reset();
        m_eventClients.push_back(socket);
        const LinkSummary link = m_target.Link();
        const nlohmann::json hello{{"event", "hello"}, {"data", StateToJson(m_target.State(), link)}};
        socket->sendTextMessage(QString::fromStdString(Dump(hello)));
        m_events.Changes(m_target.State(), link); // what the hello showed is the start
        qCInfo(lcControl).noquote() << client << "event client joined";
        if (!m_eventTimer.isActive())
            m_eventTimer.start();
    }
}

void ControlServer::DropEventClient(QWebSocket* socket) {
    const auto it = std::find(m_eventClients.begin(), m_eventClients.end(), socket);
    if (it == m_eventClients.end())
        return;
    m_eventClients.erase(it);
    socket->disconnect(this);
    socket->deleteLater();
    if (m_eventClients.empty())
        m_eventTimer.stop();
}

void ControlServer::PushEvents() {
    if (m_eventClients.empty())
        return;
    const std::vector<std::string> events = m_events.Changes(m_target.State(), m_target.Link());
    if (events.empty())
        return;
    const std::vector<QWebSocket*> clients = m_eventClients;
    for (QWebSocket* socket : clients) {
        if (socket->bytesToWrite() > kMaxEventBacklogBytes) {
            qCWarning(lcControl).noquote()
                << socket->peerAddress().toString() << "event client dropped: it does not read";
            socket->abort();
            DropEventClient(socket);
            continue;
        }
        for (const std::string& e : events)
            socket->sendTextMessage(QString::fromStdString(e));
    }
}

} // namespace corvane::control
