#pragma once

// OSC on the network: a UDP socket on the control interface's address, on the user-interface
// thread. Each datagram from a sender that is heard is read into its messages (liblo), and
// each message runs through an OscService as an HTTP request would. A sender cannot hold the
// window: datagrams are read kDatagramsPerTurn at a time, the rest on the next turn of the
// event loop; a datagram larger than kMaxOscPacketBytes is dropped unread; the warnings a
// flood would write are limited to a few a second, with the count of those left out.

#include "control/OscService.h"

#include <QObject>
#include <QString>
#include <QUdpSocket>
#include <string>
#include <vector>

namespace corvane::control {

class OscListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kDatagramsPerTurn = 64;
    // Warnings a second (bursts of twice that) before they are counted instead of written.
    static constexpr std::uint32_t kWarningsPerSecond = 5;

    OscListener(const ControlSettings& settings, ControlTarget& target, QObject* parent = nullptr);

    // Binds settings.address and settings.oscPort; false and `why` when it cannot.
    bool Start(QString* why);
    quint16 Port() const { return m_socket.localPort(); }
    // The entries of OscAllowedSenders that are no IP address (never heard; the log says so).
    const std::vector<std::string>& InvalidSenders() const { return m_invalidSenders; }
    // Whether any sender can be heard (loopback, or a valid entry listed).
    bool HearsAnyone() const;

private:
    void OnReadyRead();
    void Warn(const std::string& line, std::int64_t nowMs);

    const ControlSettings m_settings;
    std::vector<std::string> m_invalidSenders;
    std::vector<std::string> m_allowedSenders;
    OscService m_service;
    QUdpSocket m_socket;
    RateLimiter m_warnings{kWarningsPerSecond};
    long m_unlogged = 0;
    bool m_turnQueued = false;
};

} // namespace corvane::control
