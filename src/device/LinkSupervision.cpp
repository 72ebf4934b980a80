#include "device/LinkSupervision.h"

#include "device/ReplyCodes.h"
#include "platform/WindowMessages.h"

#include <algorithm>

namespace corvane {

LinkSupervision::LinkSupervision(LinkSession& session, SupervisionHost& host)
    : m_session(session), m_link(session.Link()), m_host(host) {}

void LinkSupervision::OnKeepAliveTick() {
    ++m_link.keepAliveCount;
    if (m_link.keepAliveCount > kKeepAliveLimitTicks && m_link.connected) {
        m_host.Trace("no record for " + std::to_string(m_link.keepAliveCount) + " s: the link is lost");
        m_host.PostMessageTo(Window::ConnectDialog, WM_PORT_CLOSED, 0, 0);
        m_link.keepAliveCount = 0;
    }
    ++m_link.connectSec;
}

void LinkSupervision::OnWaitTimeout() {
    m_host.StopTimer(kTimerWait);
    m_host.HideWait();
    m_host.StartTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
    m_host.PostMessageTo(Window::ConnectDialog, WM_PORT_CLOSED, 0, 0);
    m_session.MarkWaitTimedOut();
    // A resolution the output page applied will not be acknowledged now.
    m_host.SendMessageTo(Window::OutputPage, WM_DEVICE_REPLY, kReplyWaitEnded, kWaitTimedOut);
    m_host.WaitTimedOut();
}

void LinkSupervision::OnSearchTick() {
    if (m_link.connected || !m_link.idle) {
        m_fresh.clear();
        return;
    }
    const std::vector<int> ports = m_host.SerialPortNumbers();
    m_host.Trace("m_ConnectSec++: " + std::to_string(m_link.connectSec));
    if (ports.empty())
        return;
    if (m_link.connectSec == kAttemptAbandonTicks)
        m_host.SendMessageTo(Window::ConnectDialog, WM_PORT_CLOSED, 0, 0);
    if (m_link.restartPort >= 0 && m_link.restartTicks > 0) {
        SearchRestartPort(ports);
        return;
    }
    m_link.restartPort = -1;
    // New ports go before the walk; it goes on once their attempts are made.
    if (!m_fresh.empty()) {
        if (m_link.connectSec < kAttemptIntervalTicks || TryNewPort())
            return;
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const bool eligible = static_cast<std::int64_t>(i) > m_link.lastScanIndex || ports.size() == 1;
        if (!eligible || m_link.connectSec < kAttemptIntervalTicks)
            continue;
        m_link.connectSec = 0;
        m_scanBaud = m_scanBaud == kBaudLow ? kBaudHigh : kBaudLow;
        m_host.Trace("Port:" + std::to_string(ports[i]) + " at " + std::to_string(m_scanBaud) + " baud");
        m_host.SendMessageTo(Window::ConnectDialog, WM_TRY_PORT, m_scanBaud, ports[i]);
        m_session.NoteSearchAttempt(ports[i]);
        m_link.lastScanIndex = static_cast<std::int32_t>(i);
    }
}

void LinkSupervision::OnPortListChanged(const std::vector<int>& ports) {
    const auto listed = [&ports](int port) {
        return std::find(ports.begin(), ports.end(), port) != ports.end();
    };
    std::vector<int> appeared;
    if (m_knowsPorts)
        for (int port : ports)
            if (std::find(m_knownPorts.begin(), m_knownPorts.end(), port) == m_knownPorts.end())
                appeared.push_back(port);
    m_knownPorts = ports;
    m_knowsPorts = true;
    // A port that went takes its attempts with it.
    m_fresh.erase(std::remove_if(m_fresh.begin(), m_fresh.end(),
                                 [&listed](const NewPortAttempt& a) { return !listed(a.port); }),
                  m_fresh.end());
    if (m_link.connected || !m_link.idle) {
        m_fresh.clear(); // a synchronised link or the operator ends them
        return;
    }
    if (appeared.empty())
        return;
    if (m_link.restartPort >= 0 && m_link.restartTicks > 0) {
        if (std::find(appeared.begin(), appeared.end(), m_link.restartPort) == appeared.end())
            return;
        m_fresh.assign({{m_link.restartPort, m_link.restartBaud}});
    } else {
        for (std::uint32_t baud : {kBaudHigh, kBaudLow})
            for (int port : appeared)
                m_fresh.push_back({port, baud});
    }
    TryNewPort();
}

bool LinkSupervision::TryNewPort() {
    while (!m_fresh.empty()) {
        const NewPortAttempt attempt = m_fresh.front();
        m_fresh.pop_front();
        // An automatic attempt still waiting on another port gives way (nothing else holds a
        // port open while the search may run).
        if (m_session.State().linkState != kLinkClosed)
            m_host.SendMessageTo(Window::ConnectDialog, WM_PORT_CLOSED, 0, 0);
        m_link.connectSec = 0;
        m_host.Trace("Port:" + std::to_string(attempt.port) + " at " + std::to_string(attempt.baud) +
                     " baud (new port)");
        const std::intptr_t opened =
            m_host.SendMessageTo(Window::ConnectDialog, WM_TRY_PORT, attempt.baud, attempt.port);
        m_session.NoteSearchAttempt(attempt.port);
        if (opened != -1)
            return true;
        // A port that cannot be opened at one rate cannot be at the other either.
        m_fresh.erase(std::remove_if(m_fresh.begin(), m_fresh.end(),
                                     [&attempt](const NewPortAttempt& a) { return a.port == attempt.port; }),
                      m_fresh.end());
    }
    return false;
}

void LinkSupervision::SearchRestartPort(const std::vector<int>& ports) {
    --m_link.restartTicks;
    // A port that is not listed now (an adapter that went with the processor's restart) is
    // waited for; the walk of the list only follows once the restart search is over.
    const bool listed = std::find(ports.begin(), ports.end(), m_link.restartPort) != ports.end();
    if (!listed || m_link.connectSec < kAttemptIntervalTicks)
        return;
    m_link.connectSec = 0;
    m_host.Trace("Port:" + std::to_string(m_link.restartPort) + " at " + std::to_string(m_link.restartBaud) +
                 " baud (after a restart)");
    m_host.SendMessageTo(Window::ConnectDialog, WM_TRY_PORT, m_link.restartBaud, m_link.restartPort);
    m_session.NoteSearchAttempt(m_link.restartPort);
}

} // namespace corvane
