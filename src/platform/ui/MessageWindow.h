#pragma once

// Window messages and numbered timers on top of Qt.
//
// A window that takes messages derives from MessageWindow beside its Qt widget class (every
// page and dialog does so through CBaseDialog). Messages carry the application's numbers
// (WindowMessages.h, SystemMessages.h) with a wParam and an lParam, and are handled by the
// window's WindowProc, usually through a MessageMap table.
//
// - SendWindowMessage runs the receiver's handler and returns its result. On the
//   user-interface thread it calls the handler directly. From any other thread it queues the
//   call to the user-interface thread and blocks until the handler has run there; nested event
//   loops (modal dialogs, message pumps) run it too. When the application shuts down, or the
//   receiver is destroyed before its turn, the blocked sender is released and the send fails.
// - PostWindowMessage queues the message and returns at once; the handler runs later on the
//   user-interface thread. Sends from other threads and posts are handled in the order they
//   were made.
// - Timers are identified by their number per window: SetTimer starts or restarts one,
//   KillTimer stops it; each expiry sends WM_TIMER with the number in wParam.

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QTimer;

namespace corvane {

struct WindowMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class MessageWindow {
public:
    // `widget` is the Qt widget of this window (usually the object itself).
    explicit MessageWindow(QWidget* widget);
    virtual ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    QWidget* Widget() const { return m_widget; }

    // The window procedure: handles one message and returns its result. The base answers 0.
    virtual std::intptr_t WindowProc(const WindowMessage& message);

    // Starts timer `id`, or restarts it with the new period when it runs already.
    void SetTimer(int id, std::chrono::milliseconds period);
    void KillTimer(int id);
    bool IsTimerActive(int id) const;

private:
    QWidget* m_widget;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
};

// Sends a message and returns the handler's result, or nothing when the message could not be
// delivered (no receiver, receiver destroyed, application shutting down).
std::optional<std::intptr_t> TrySendWindowMessage(MessageWindow* window, std::uint32_t message,
                                                  std::uintptr_t wParam, std::intptr_t lParam);

// As TrySendWindowMessage, 0 when not delivered.
std::intptr_t SendWindowMessage(MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam);

// Queues a message for the window; false when it cannot be queued (no receiver, shutting down).
bool PostWindowMessage(MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

// Runs `call` on the user-interface thread and returns when it has run (directly when called on
// that thread). False when it was not run because the application is shutting down.
bool CallOnUiThread(const std::function<void()>& call);

// Releases every sender that waits for the user-interface thread and makes further sends from
// other threads, and posts, fail at once. Called by the application before it stops the threads
// that send to its windows; runs by itself when the application object goes away.
void ShutDownWindowMessages();
bool WindowMessagesShutDown();

// The message window of a widget, if it is one.
MessageWindow* AsMessageWindow(QObject* object);

// The nearest ancestor of `control` that is a message window: the page or dialog that owns it.
MessageWindow* OwnerWindow(const QWidget* control);

} // namespace corvane
