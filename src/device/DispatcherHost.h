#pragma once

// What the link's core (the reply dispatcher, the link supervision and the link session) needs
// of the user interface: routing a message to a window, the main window's timers, the wait
// overlay, sending to the processor, a pause, and the connection dialog's and status area's
// few notifications. The main window implements it; tests record it; NullDispatcherHost
// does nothing.

#include "device/Windows.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class DispatcherHost {
public:
    virtual ~DispatcherHost() = default;

    // Synchronous send: the receiver has handled the message when this returns.
    virtual std::intptr_t SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
    // Queued post: the receiver handles it later, in posting order.
    virtual void PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) = 0;
    // False for a window that is not there (the upgrade dialog while it is closed).
    virtual bool WindowExists(Window window) = 0;

    virtual void StartTimer(int id, std::chrono::milliseconds period) = 0;
    virtual void StopTimer(int id) = 0;

    // Shows the wait overlay with `text` and disables the main window; the caller starts the
    // time-out where it wants one.
    virtual void ShowWait(const std::string& text) = 0;
    // When the overlay is visible: hides it and enables the main window again.
    virtual void HideWait() = 0;

    virtual void SendToDevice(const std::uint8_t* data, std::size_t length) = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;

    virtual void RefreshConnectDialog() = 0; // the connection dialog's controls follow linkState
    virtual void RedrawConnectDialog() = 0;
    // True when the connection dialog is visible and was not opened by the operator.
    virtual bool ConnectDialogShownAutomatically() = 0;
    virtual void HideConnectDialog() = 0;
    // The status area (lamp and port) is drawn again.
    virtual void RedrawStatusArea() = 0;
};

// The link supervision's further needs: the ports to search, the end of a wait without an
// answer, and its diagnostic log.
class SupervisionHost : public DispatcherHost {
public:
    // Port numbers of the serial ports present, in the order of the port list.
    virtual std::vector<int> SerialPortNumbers() = 0;
    // The wait ended without an answer: the operator is told why the link is being dropped.
    virtual void WaitTimedOut() = 0;
    // A line for the diagnostic log.
    virtual void Trace(const std::string& line) = 0;
};

} // namespace corvane
