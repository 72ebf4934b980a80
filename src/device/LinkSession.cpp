#include "device/LinkSession.h"

#include "device/DeviceState.h"
#include "device/ReplyCodes.h"
#include "link/CommandFrame.h"
#include "link/FXSerialPort.h"
#include "platform/SerialFile.h"
#include "platform/WindowMessages.h"

namespace corvane {

bool SerialSessionPort::Open(int port, int baudRate, int dataBits, int stopBits) {
    return m_port.Open(port, baudRate, dataBits, stopBits) != 0;
}

void SerialSessionPort::Close() {
    m_port.Close();
}

bool SerialSessionPort::IsOpen() const {
    return m_port.IsOpen();
}

std::string SerialSessionPort::OpenErrorText() const {
    return DescribeOpenError(m_port.LastOpenError());
}

LinkSession::LinkSession(DeviceState& state, DispatcherHost& host, SessionPort* port)
    : m_state(state), m_host(host), m_port(port) {}

bool LinkSession::PortOpen() const {
    return m_port && m_port->IsOpen();
}

std::string LinkSession::OpenErrorText() const {
    return m_port ? m_port->OpenErrorText() : std::string("no serial port");
}

void LinkSession::ForgetConnected() {
    if (m_link.connected) {
        m_link.connected = false;
        m_host.RedrawStatusArea();
    }
}

LinkSession::ConnectResult LinkSession::Connect(std::uint32_t port, std::uint32_t baud,
                                                const LineSettings& line, const std::string& waitText) {
    if (m_state.linkState != kLinkClosed) {
        m_host.ShowWait(waitText);
        RequestAll();
        m_link.idle = false;
        return ConnectResult::Resynchronising;
    }
    if (!m_port ||
        !m_port->Open(static_cast<int>(port), static_cast<int>(baud), line.dataBits, line.stopBits))
        return ConnectResult::OpenFailed;
    m_state.linkState = kLinkOpen;
    ++m_opens;
    ForgetRestart(); // the operator chose the port
    m_link.baudRate = baud;
    m_host.ShowWait(waitText);
    ForgetConnected();
    RequestAll();
    m_link.idle = false;
    m_link.lastPort = static_cast<std::int32_t>(port);
    m_link.openedByUser = false;
    return ConnectResult::Opened;
}

bool LinkSession::TryPort(std::uint32_t port, std::uint32_t baud, const LineSettings& line) {
    if (!m_port ||
        !m_port->Open(static_cast<int>(port), static_cast<int>(baud), line.dataBits, line.stopBits))
        return false;
    m_state.linkState = kLinkOpen;
    ++m_opens;
    m_link.baudRate = baud;
    ForgetConnected();
    RequestAll();
    m_link.idle = true;
    m_link.lastPort = static_cast<std::int32_t>(port);
    return true;
}

void LinkSession::ClosePort(bool byOperator) {
    // The read in flight fails when the port closes and reports it once more as a lost link;
    // that one finds the port closed and repeats only the steps after the closing.
    if (PortOpen()) {
        m_port->Close();
        m_state.linkState = kLinkClosed;
        m_host.Pause(kClosePauseMs);
    }
    m_state.linkState = kLinkClosed;
    ForgetConnected();
    // A closed link ends the wait and its time-out: nothing can answer any more.
    m_followUp.Cancel();
    m_host.HideWait();
    m_host.StopTimer(kTimerWait);
    m_host.SendMessageTo(Window::OutputPage, WM_DEVICE_REPLY, kReplyWaitEnded, kWaitLinkClosed);
    if (byOperator) {
        m_link.idle = false;
        ForgetRestart();
    } else if (m_host.WindowExists(Window::UpgradeDialog))
        m_host.PostMessageTo(Window::UpgradeDialog, WM_DEVICE_REPLY, kReplyLinkLost, 1);
}

void LinkSession::RequestAll() {
    if (m_state.linkState >= kLinkOpen && m_link.requestGate == -1)
        m_link.requestGate = 0;
    if (m_link.requestGate != 0) {
        m_link.requestGate = 0;
        return;
    }
    const Frame f = MakeFrame(kCmdRequestAll);
    m_host.SendToDevice(f.data(), f.size());
}

void LinkSession::MarkSynchronised() {
    ForgetRestart();
    m_link.idle = true;
    m_state.linkState = kLinkSynchronised;
    m_link.connected = true;
}

void LinkSession::NoteSearchAttempt(int port) {
    m_link.lastPort = port;
}

void LinkSession::MarkTakenOver() {
    m_link.idle = false;
    ForgetRestart();
}

void LinkSession::ExpectRestart(std::uint32_t ticks) {
    if (m_link.lastPort < 0 || m_link.baudRate == 0)
        return;
    m_link.restartPort = m_link.lastPort;
    m_link.restartBaud = m_link.baudRate;
    m_link.restartTicks = ticks;
    // Afterwards the walk starts again from the first port.
    m_link.lastScanIndex = -1;
}

void LinkSession::ForgetRestart() {
    m_link.restartPort = -1;
    m_link.restartBaud = 0;
    m_link.restartTicks = 0;
}

void LinkSession::MarkWaitTimedOut() {
    m_followUp.Cancel();
    m_link.idle = true;
}

void LinkSession::DialogOpenedByOperator() {
    m_link.hiddenByUser = false;
    m_link.openedByUser = true;
}

void LinkSession::DialogClosedByOperator() {
    m_link.hiddenByUser = m_state.linkState != kLinkSynchronised;
    m_link.openedByUser = false;
}

} // namespace corvane
