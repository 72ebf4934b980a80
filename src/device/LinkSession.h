#pragma once

// The application's session with the processor: opening the serial port (by the operator's
// Connect or by an automatic attempt of the port search), closing it (DisConnect, a lost
// link, another client taking over), the request for the whole state, the end of a
// synchronisation, and the connection dialog's user flags. It is the one writer of linkState
// and of the connection's flags in LinkMembers; the connection dialog is a view of it.
// Qt-free; runs on the user-interface thread and reaches the windows through DispatcherHost.

#include "device/DispatcherHost.h"
#include "device/LinkMembers.h"
#include "device/StateFollowUp.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace corvane {

struct DeviceState;
class FXSerialPort;

// The serial port as the session uses it: FXSerialPort in the application, a fake in tests.
class SessionPort {
public:
    virtual ~SessionPort() = default;
    virtual bool Open(int port, int baudRate, int dataBits, int stopBits) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Why the last opening failed, in one sentence for the operator.
    virtual std::string OpenErrorText() const = 0;
};

// FXSerialPort as a SessionPort.
class SerialSessionPort final : public SessionPort {
public:
    explicit SerialSessionPort(FXSerialPort& port) : m_port(port) {}
    bool Open(int port, int baudRate, int dataBits, int stopBits) override;
    void Close() override;
    bool IsOpen() const override;
    std::string OpenErrorText() const override;

private:
    FXSerialPort& m_port;
};

// Data and stop bits of the line (Config.ini).
struct LineSettings {
    int dataBits = 8;
    int stopBits = 1;
};

class LinkSession {
public:
    // Pause after the port was closed, before the windows follow.
    static constexpr std::chrono::milliseconds kClosePauseMs{50};

    enum class ConnectResult {
        Resynchronising, // a port was open: only the state is requested again
        Opened,          // the port is open and the state requested
        OpenFailed,      // the port could not be opened (OpenErrorText says why)
    };

    // Without a port the session cannot open one (tests of the dispatcher, benchmarks).
    LinkSession(DeviceState& state, DispatcherHost& host, SessionPort* port = nullptr);

    LinkMembers& Link() { return m_link; }
    const LinkMembers& Link() const { return m_link; }
    DeviceState& State() { return m_state; }

    // The operator's Connect: with a port open, shows the wait with `waitText` and asks for
    // the state again; otherwise opens `port` at `baud`, shows the wait, asks for the state.
    ConnectResult Connect(std::uint32_t port, std::uint32_t baud, const LineSettings& line,
                          const std::string& waitText);
    // An automatic attempt of the port search: opens without a wait and asks for the state.
    // False when the port cannot be opened.
    bool TryPort(std::uint32_t port, std::uint32_t baud, const LineSettings& line);
    // DisConnect (byOperator) or a lost link: closes the port when it is open, ends any wait
    // and its time-out; a lost link tells the upgrade dialog. After DisConnect the search
    // waits until the operator connects again.
    void ClosePort(bool byOperator);
    std::string OpenErrorText() const;
    bool PortOpen() const;

    // Asks the processor for its whole state (0x00AF). The first request made before any
    // port was opened is dropped.
    void RequestAll();

    // The processor's whole state has arrived (or its boot loader announced itself).
    void MarkSynchronised();
    // The read-back after a preset recall or a preset file load: the pages tell it of the
    // command, the dispatcher of the answer and of the state's end.
    StateFollowUp& FollowUp() { return m_followUp; }
    // The port search tried `port` (whether or not it could be opened).
    void NoteSearchAttempt(int port);
    // Another client took the processor: the search stays off until the operator acts.
    void MarkTakenOver();
    // A wait ended without an answer: the search may run again.
    void MarkWaitTimedOut();
    // The processor was told to restart (factory reset): once the port is closed the search
    // looks for it on the port and at the rate of the link now open, for `ticks` search ticks,
    // until it is synchronised again.
    void ExpectRestart(std::uint32_t ticks);
    // Ports opened so far (by Connect or the search); tells whether the port open now is still
    // the one open at an earlier moment.
    std::uint32_t OpenCount() const { return m_opens; }

    // The connection dialog's user flags: opened from the status area, or closed by the
    // operator (hidden while not synchronised, it stays hidden when a port is tried).
    void DialogOpenedByOperator();
    void DialogClosedByOperator();

private:
    void ForgetConnected();
    void ForgetRestart();

    DeviceState& m_state;
    DispatcherHost& m_host;
    SessionPort* m_port;
    LinkMembers m_link;
    StateFollowUp m_followUp;
    std::uint32_t m_opens = 0;
};

} // namespace corvane
