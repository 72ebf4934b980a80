#pragma once

// What the connection dialog needs of the main window: the link members it reads and writes,
// the wait overlay, the full-state request, the status area with its blinking lamp, and the
// upgrade dialog that must learn when the link is lost. The main window implements it; the
// dialog's tests use a fake.

#include "device/LinkMembers.h"

#include <string>

namespace corvane {

class MessageWindow;

class ConnectionOwner {
public:
    virtual ~ConnectionOwner() = default;

    // keepAliveCount, connected, idle, lastPort, baudRate, ... of the main window.
    virtual LinkMembers& Link() = 0;

    // Shows the wait overlay with `text`, disables the main window, starts the wait time-out.
    virtual void ShowWait(const std::string& text) = 0;
    // When the overlay is visible: hides it and enables the main window again.
    virtual void HideWait() = 0;
    virtual bool WaitShown() const = 0;

    // Asks the processor for its whole state (0x00AF).
    virtual void RequestAll() = 0;

    // The status area (lamp) of the main window is drawn again.
    virtual void RedrawStatusArea() = 0;
    // True while the main window's unconnected lamp is in its red phase.
    virtual bool LampRedPhase() const = 0;

    // The upgrade dialog while it is open, else null.
    virtual MessageWindow* UpgradeDialog() = 0;
};

} // namespace corvane
