#pragma once

// The local control interface on the network: Qt's HTTP server answers each request on the
// user-interface thread through a ControlService, which decides every answer (rate limit,
// Host, Origin, token, Content-Type, checks, the operation on the main window's paths); the
// same port takes WebSocket clients on /api/events, whose opening request the service decides
// the same way, who get the whole state when they join and then an event for each part of the
// state that changes. This part only gathers the headers, counts the connections and closes
// them.
//
// A client cannot hold the user-interface thread: sockets never block, a request larger than
// kMaxRequestBytes is cut off with 413, at most kMaxConnections are open at once and
// ConnectionsPerClient from one address (503 beyond), a connection that sends no complete
// request within kRequestTimeoutMs is closed, and an event client that does not read its
// events is dropped once kMaxEventBacklogBytes wait for it.

#include "control/ControlService.h"

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>
#include <vector>

class QHttpServerRequest;
class QTcpSocket;
class QWebSocket;

namespace corvane::control {

class ControlServer : public QObject {
    Q_OBJECT
public:
    // Headers and body of one request together.
    static constexpr qint64 kMaxRequestBytes = 16 * 1024;
    static constexpr qint64 kMaxEventBacklogBytes = 1024 * 1024;
    static constexpr std::chrono::milliseconds kEventPeriodMs{50};
    // A connection that sends no complete request for this long after it opened or after its
    // last answer is closed (it would hold one of the kMaxConnections places); an event client
    // is not.
    static constexpr std::chrono::milliseconds kRequestTimeoutMs{5000};
    // A connection refused for the count gets its 503 and is closed after at most this.
    static constexpr std::chrono::milliseconds kRefusedLingerMs{1000};
    // Refusals for the rate limit are logged at most once in this time, with the number left out.
    static constexpr std::int64_t kFloodLogPeriodMs = 1000;

    ControlServer(const ControlSettings& settings, ControlTarget& target, QObject* parent = nullptr);
    ~ControlServer() override;

    // Listens on the settings' address and port; false (and why) when the settings do not allow
    // it or the port is taken.
    bool Start(QString* why = nullptr);
    bool Listening() const;
    quint16 Port() const;
    int EventClientCount() const;
    // Connections open now, event clients included.
    int ConnectionCount() const;
    // Pushes the changes of the state to the event clients now (the timer does it every
    // kEventPeriodMs while there are any).
    void PushEvents();

private:
    class HttpServer;
    class TcpServer;
    bool OnRequest(const QHttpServerRequest& request, QTcpSocket* socket);
    void OnWebSocket();
    void DropEventClient(QWebSocket* socket);

    ControlService m_service;
    ControlTarget& m_target;
    std::unique_ptr<HttpServer> m_http;
    TcpServer* m_tcp = nullptr; // owned by m_http once bound
    std::vector<QWebSocket*> m_eventClients;
    EventTracker m_events;
    std::int64_t m_lastFloodLogMs = -kFloodLogPeriodMs;
    long m_floodUnlogged = 0;
    QTimer m_eventTimer;
};

} // namespace corvane::control
