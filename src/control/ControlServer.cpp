#include "control/ControlServer.h"

#include "control/ControlLog.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkRequest>
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
constexpr const char* kEventsPath = "/api/events";
constexpr const char* kIdleTimerName = "corvaneIdle";

std::int64_t NowMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

QHttpServerResponder::StatusCode Status(int status) {
    return static_cast<QHttpServerResponder::StatusCode>(status);
}

} // namespace

// Qt's server, answering every request itself (no routes: the paths are checked by the core).
class ControlServer::HttpServer : public QAbstractHttpServer {
public:
    explicit HttpServer(ControlServer& owner) : m_owner(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        return m_owner.OnRequest(request, socket);
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
        makeResponder(request, socket)
            .write(QByteArray(ErrorBody("unknown operation").c_str()), "application/json",
                   QHttpServerResponder::StatusCode::NotFound);
    }

public:
    using QAbstractHttpServer::makeResponder;

private:
    ControlServer& m_owner;
};

// The listening socket: counts what each connection sends, so that a request larger than
// kMaxRequestBytes is cut off before the HTTP server buffers it, and keeps the number of open
// connections bounded.
class ControlServer::TcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (m_open >= kMaxConnections) {
            qCWarning(lcControl).noquote()
                << socket->peerAddress().toString() << "refused: too many connections";
            socket->write(
                "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            return;
        }
        ++m_open;
        connect(socket, &QObject::destroyed, this, [this] { --m_open; });
        // Closed when idle; every request answered starts the time again (OnRequest).
        auto* idle = new QTimer(socket);
        idle->setObjectName(QLatin1String(kIdleTimerName));
        idle->setSingleShot(true);
        idle->setInterval(kIdleTimeoutMs);
        connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
        idle->start();
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
    int m_open = 0;
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
    m_tcp = new TcpServer(m_http.get());
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

bool ControlServer::OnRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // The request is whole: its bytes no longer count against the next one on this connection.
    socket->setProperty(kBytesInProperty, 0);
    const bool upgrade = request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
    if (upgrade)
        socket->setProperty(kEventClientProperty, true);
    if (auto* idle = socket->findChild<QTimer*>(QLatin1String(kIdleTimerName), Qt::FindDirectChildrenOnly)) {
        if (upgrade)
            delete idle; // an event client stays as long as it reads
        else
            idle->start();
    }
    // A WebSocket's opening request is Qt's to answer (OnWebSocket gets the socket after it):
    // nothing may be written on it here.
    if (upgrade)
        return true;
    static const char* const kMethods[] = {"GET", "POST"};
    const char* method = request.method() == QHttpServerRequest::Method::Get    ? kMethods[0]
                         : request.method() == QHttpServerRequest::Method::Post ? kMethods[1]
                                                                                : "OTHER";
    const QByteArray path = request.url().path().toUtf8();
    const QByteArray body = request.body();
    const QByteArray authorization = request.value("authorization");
    HttpRequest r{method, std::string_view(path.constData(), static_cast<std::size_t>(path.size())),
                  std::string_view(body.constData(), static_cast<std::size_t>(body.size())),
                  std::string_view(authorization.constData(), static_cast<std::size_t>(authorization.size())),
                  request.remoteAddress().toString().toStdString()};
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
    else
        qCDebug(lcControl).noquote() << QString::fromStdString(answer.logLine);
    QHttpServerResponder responder = HttpServer::makeResponder(request, socket);
    const QByteArray payload(answer.body.data(), static_cast<qsizetype>(answer.body.size()));
    if (answer.status == 401)
        responder.write(payload,
                        {{"Content-Type", "application/json"},
                         {"Cache-Control", "no-store"},
                         {"WWW-Authenticate", "Bearer"}},
                        Status(answer.status));
    else
        responder.write(payload, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                        Status(answer.status));
    return true;
}

void ControlServer::OnWebSocket() {
    while (m_http->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> owned = m_http->nextPendingWebSocketConnection();
        if (!owned)
            continue;
        QWebSocket* socket = owned.release();
        socket->setParent(this);
        const QString client = socket->peerAddress().toString();
        const QUrl url = socket->requestUrl();
        const QByteArray authorization = socket->request().rawHeader("Authorization");
        const QString queryToken = QUrlQuery(url).queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded);
        const QByteArray query = queryToken.toUtf8();
        const auto refuse = [&](QWebSocketProtocol::CloseCode code, const QString& why) {
            qCWarning(lcControl).noquote() << client << "event socket refused:" << why;
            socket->close(code, why);
            socket->deleteLater();
        };
        if (url.path() != QLatin1String(kEventsPath)) {
            refuse(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("unknown path"));
            continue;
        }
        if (!m_service.AllowClient(client.toStdString(), NowMs())) {
            refuse(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("too many requests"));
            continue;
        }
        if (!Authorised(
                m_service.Settings(),
                std::string_view(authorization.constData(), static_cast<std::size_t>(authorization.size())),
                std::string_view(query.constData(), static_cast<std::size_t>(query.size())))) {
            refuse(QWebSocketProtocol::CloseCodePolicyViolated, authorization.isEmpty() && query.isEmpty()
                                                                    ? QStringLiteral("a token is required")
                                                                    : QStringLiteral("wrong token"));
            continue;
        }
        if (m_eventClients.size() >= static_cast<std::size_t>(kMaxConnections)) {
            refuse(QWebSocketProtocol::CloseCodeAbnormalDisconnection,
                   QStringLiteral("too many event clients"));
            continue;
        }
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
