#include "control/OscListener.h"

#include "control/ControlLog.h"
#include "control/OscPacket.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>

namespace corvane::control {

namespace {

// The listed senders as addresses are written (AddressText), and the entries that are none.
std::vector<std::string> SenderAddresses(const std::vector<std::string>& entries,
                                         std::vector<std::string>* invalid) {
    std::vector<std::string> addresses;
    for (const std::string& entry : entries) {
        const QHostAddress address(QString::fromStdString(entry));
        if (address.isNull())
            invalid->push_back(entry);
        else
            addresses.push_back(AddressText(address));
    }
    return addresses;
}

} // namespace

OscListener::OscListener(const ControlSettings& settings, ControlTarget& target, QObject* parent)
    : QObject(parent), m_settings(settings),
      m_allowedSenders(SenderAddresses(settings.oscAllowedSenders, &m_invalidSenders)),
      m_service(settings, m_allowedSenders, target) {
    connect(&m_socket, &QUdpSocket::readyRead, this, &OscListener::OnReadyRead);
}

bool OscListener::HearsAnyone() const {
    return IsLoopbackAddress(m_settings.address) || !m_allowedSenders.empty();
}

bool OscListener::Start(QString* why) {
    const QString name = QString::fromStdString(m_settings.address);
    const QHostAddress address(name == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : name);
    if (address.isNull()) {
        *why = QStringLiteral("%1 is no IP address").arg(name);
        return false;
    }
    if (!m_socket.bind(address, m_settings.oscPort)) {
        *why = QStringLiteral("cannot listen on %1 UDP port %2: %3")
                   .arg(name)
                   .arg(m_settings.oscPort)
                   .arg(m_socket.errorString());
        return false;
    }
    return true;
}

void OscListener::Warn(const std::string& line, std::int64_t nowMs) {
    if (!m_warnings.Allow("warnings", nowMs)) {
        ++m_unlogged;
        return;
    }
    if (m_unlogged > 0)
        qCWarning(lcControl).noquote()
            << QString::fromStdString(line)
            << QStringLiteral("(and %1 more OSC refusals not logged)").arg(m_unlogged);
    else
        qCWarning(lcControl).noquote() << QString::fromStdString(line);
    m_unlogged = 0;
}

void OscListener::OnReadyRead() {
    m_turnQueued = false;
    for (int n = 0; n < kDatagramsPerTurn && m_socket.hasPendingDatagrams(); ++n) {
        const qint64 size = m_socket.pendingDatagramSize();
        const std::int64_t now = NowMs();
        if (size < 0 || static_cast<std::size_t>(size) > kMaxOscPacketBytes) {
            // Dropped unread: only its sender is taken.
            QHostAddress from;
            char byte = 0;
            m_socket.readDatagram(&byte, 1, &from);
            if (m_service.Hears(AddressText(from)))
                Warn(AddressText(from) + " OSC: refused, a packet larger than " +
                         std::to_string(kMaxOscPacketBytes) + " bytes",
                     now);
            continue;
        }
        const QNetworkDatagram datagram = m_socket.receiveDatagram(size);
        const std::string sender = AddressText(datagram.senderAddress());
        if (!m_service.Hears(sender)) {
            Warn(LogSafe(sender, 64) + " OSC: not heard, the sender is not listed in OscAllowedSenders", now);
            continue;
        }
        const QByteArray bytes = datagram.data();
        const OscPacket packet = DecodeOscPacket(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (!packet.Ok()) {
            Warn(LogSafe(sender, 64) + " OSC: refused, " + packet.error, now);
            continue;
        }
        for (const OscMessage& message : packet.messages) {
            const OscResult r = m_service.Handle(message, sender, now);
            if (r.refused)
                Warn(r.logLine, now);
            else
                qCDebug(lcControl).noquote() << QString::fromStdString(r.logLine);
        }
    }
    if (m_socket.hasPendingDatagrams() && !m_turnQueued) {
        m_turnQueued = true;
        QTimer::singleShot(0, this, &OscListener::OnReadyRead);
    }
}

} // namespace corvane::control
