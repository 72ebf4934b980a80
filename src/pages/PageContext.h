#pragma once

// The services every page and dialog of the main window gets: the processor's state and the
// link session, the application's settings, sending to the processor, the wait overlay, the
// full-state request, the keep-alive timer, the application's message box, the language in
// use, the operator's edits (to undo), and the other windows by their Window id. The main window provides it;
// the pages' tests fake it. A call a page makes of one particular other window goes through that window's
// "Calls" interface (MainWindowCalls, LayoutPageCalls, ...), found with CallsOf.

#include "device/OutputPicks.h"
#include "device/Windows.h"
#include "link/LineSend.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

struct Config;
struct DeviceState;
class EditRecorder;
class LinkSession;
class MessageWindow;

class PageContext {
public:
    virtual ~PageContext() = default;

    virtual DeviceState& State() = 0;
    virtual LinkSession& Session() = 0;
    // What the output page picked for each output (the dispatcher applies it when acknowledged).
    virtual OutputPicks& Picks() = 0;
    // Config.ini's settings, and writing them back to the file (false when that failed).
    virtual Config& Settings() = 0;
    virtual bool SaveSettings() = 0;
    // The folder of the preset files ("DataFile" beside the executable).
    virtual std::string DataFolder() const = 0;

    // The one send operation (the frame is dropped unless a port is open, and while a firmware
    // transfer owns the line).
    virtual void SendToDevice(const std::uint8_t* data, std::size_t length) = 0;
    // A write of the firmware transfer, which owns the line from its first write until
    // ReleaseLine (or until the port closes): nothing else reaches the port meanwhile. Its
    // leaving the port is reported to the upgrade dialog (CUpdataDlg::OnWriteLeft) with `ticket`.
    virtual LineSend SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) = 0;
    virtual void ReleaseLine() = 0;
    // Shows the wait overlay with `text`, disables the main window, starts the wait time-out.
    virtual void ShowWait(const std::string& text) = 0;
    // When the overlay is visible: hides it and enables the main window again.
    virtual void HideWait() = 0;
    virtual bool WaitShown() const = 0;
    // Ends the wait that shows `text` as an answer of the processor does: hides the overlay,
    // enables the main window and stops the wait's time-out. Does nothing (false) while another
    // wait, or none, is shown, so a page that ends its own wait never ends another's.
    virtual bool EndWait(const std::string& text) = 0;
    // Asks the processor for its whole state.
    virtual void RequestAll() = 0;
    // The keep-alive watchdog (timer 1): stopped while a long operation runs, restarted after.
    virtual void StopKeepAlive() = 0;
    virtual void RestartKeepAlive() = 0;

    // The application's message dialog over the main window; returns IDOK (1), IDNO (7) or
    // IDCANCEL (2). Modes as CMessageboxDlg's.
    virtual int ShowMessage(const std::string& title, const std::string& text, std::uint32_t mode = 0) = 0;
    // "English" or "Chinese".
    virtual std::string LanguageName() const = 0;

    // The window with this id, null when it does not exist.
    virtual MessageWindow* WindowOf(Window window) = 0;
    // A window that exists only while it is open (the upgrade dialog) makes itself known under
    // its id, and forgets itself (null) when it closes.
    virtual void SetOpenWindow(Window, MessageWindow*) {}

    // The folder of the firmware files ("UpgradeFile" beside the executable).
    virtual std::string UpgradeFolder() const { return {}; }
    // Whether the link cuts the bytes that do not start a record into 1039-byte read-back
    // blocks (while the FPGA image is read back), from the next bytes received.
    virtual void SetReadBackExpected(bool) {}
    // The operator's edits, to undo (null where nothing is recorded): every frame sent and
    // every record dispatched reach it; a page brackets an action that is one step with an
    // EditAction.
    virtual EditRecorder* Edits() { return nullptr; }
    // The calls `window` offers (one of the "Calls" interfaces), null when it offers none.
    template <class Calls> Calls* CallsOf(Window window) { return dynamic_cast<Calls*>(WindowOf(window)); }
};

} // namespace corvane
