#include "platform/ui/MessageWindow.h"

#include "platform/ui/SystemMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace corvane {

namespace {

Q_LOGGING_CATEGORY(lcMessages, "corvane.platform.messages")

// A call queued for the user-interface thread by a thread that waits for it.
struct PendingCall {
    enum class State { Queued, Running, Done, Abandoned };
    std::mutex mutex;
    std::condition_variable finished;
    State state = State::Queued;
    std::optional<std::intptr_t> result;

    // Queued -> Abandoned: the waiting thread returns and the call will never run. A call
    // that already runs is left to finish: it may use data the waiting thread owns.
    void Abandon() {
        {
            std::lock_guard lock(mutex);
            if (state != State::Queued)
                return;
            state = State::Abandoned;
        }
        finished.notify_all();
    }
};

using Work = std::function<std::optional<std::intptr_t>()>;

const QEvent::Type kMessageEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class MessageEvent : public QEvent {
public:
    MessageEvent(Work work, std::shared_ptr<PendingCall> pending)
        : QEvent(kMessageEventType), m_work(std::move(work)), m_pending(std::move(pending)) {}

    // An event that is deleted unrun (its receiver or the application went away) releases
    // the thread that waits for it.
    ~MessageEvent() override {
        if (m_pending)
            m_pending->Abandon();
    }

    void Run() {
        if (!m_pending) {
            m_work();
            return;
        }
        {
            std::lock_guard lock(m_pending->mutex);
            if (m_pending->state != PendingCall::State::Queued)
                return;
            m_pending->state = PendingCall::State::Running;
        }
        std::optional<std::intptr_t> result = m_work();
        {
            std::lock_guard lock(m_pending->mutex);
            m_pending->result = result;
            m_pending->state = PendingCall::State::Done;
        }
        m_pending->finished.notify_all();
    }

private:
    Work m_work;
    std::shared_ptr<PendingCall> m_pending;
};

// Lives on the user-interface thread and runs what other threads queue for it.
class MessageRouter : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == kMessageEventType) {
            static_cast<MessageEvent*>(e)->Run();
            return true;
        }
        return QObject::event(e);
    }
};

struct Registry {
    std::mutex mutex;
    std::unordered_map<const MessageWindow*, std::uint64_t> live; // window -> serial
    std::uint64_t nextSerial = 1;
    std::vector<std::weak_ptr<PendingCall>> waiting;
    MessageRouter* router = nullptr;
    bool shutDown = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

void AbandonWaiting(Registry& r) {
    for (const auto& weak : r.waiting)
        if (auto call = weak.lock())
            call->Abandon();
    r.waiting.clear();
}

// Called from the application object's destructor, before it discards the queued events.
void OnApplicationGone() {
    Registry& r = TheRegistry();
    MessageRouter* router = nullptr;
    {
        std::lock_guard lock(r.mutex);
        r.shutDown = true;
        AbandonWaiting(r);
        router = r.router;
        r.router = nullptr;
    }
    delete router; // discards its queued events, which releases their senders
}

// With the registry locked. Null when there is no application (or it is shutting down).
MessageRouter* RouterLocked(Registry& r) {
    if (r.router)
        return r.shutDown ? nullptr : r.router;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return nullptr;
    r.shutDown = false; // a new application object
    r.router = new MessageRouter;
    if (r.router->thread() != app->thread())
        r.router->moveToThread(app->thread());
    qAddPostRoutine(&OnApplicationGone);
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { ShutDownWindowMessages(); });
    return r.router;
}

bool OnUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool IsLive(const MessageWindow* window, std::uint64_t serial) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.live.find(window);
    return it != r.live.end() && (serial == 0 || it->second == serial);
}

// The serial number of a window that exists, 0 for any other pointer. Only the registry is
// read, so a pointer to a window already destroyed is harmless.
std::uint64_t LiveSerial(const MessageWindow* window) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.live.find(window);
    return it == r.live.end() ? 0 : it->second;
}

// Queues `work` for the user-interface thread; with `pending`, the caller waits for it.
bool Enqueue(Work work, std::shared_ptr<PendingCall> pending) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    MessageRouter* router = RouterLocked(r);
    if (!router)
        return false;
    if (pending) {
        std::erase_if(r.waiting, [](const std::weak_ptr<PendingCall>& w) { return w.expired(); });
        r.waiting.push_back(pending);
    }
    // Posted under the lock, so the router cannot go away in between.
    QCoreApplication::postEvent(router, new MessageEvent(std::move(work), std::move(pending)));
    return true;
}

std::optional<std::intptr_t> RunAndWait(Work work) {
    if (OnUiThread())
        return work();
    auto pending = std::make_shared<PendingCall>();
    if (!Enqueue(std::move(work), pending))
        return std::nullopt;
    std::unique_lock lock(pending->mutex);
    pending->finished.wait(lock, [&] {
        return pending->state == PendingCall::State::Done || pending->state == PendingCall::State::Abandoned;
    });
    return pending->state == PendingCall::State::Done ? pending->result : std::nullopt;
}

} // namespace

MessageWindow::MessageWindow(QWidget* widget) : m_widget(widget) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.live[this] = r.nextSerial++;
}

MessageWindow::~MessageWindow() {
    m_timers.clear();
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.live.erase(this);
}

std::intptr_t MessageWindow::WindowProc(const WindowMessage&) {
    return 0;
}

void MessageWindow::SetTimer(int id, std::chrono::milliseconds period) {
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        // Qt's default coarse timers may fire up to 5 % early; a 15 s time-out must not end at 14.3 s.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [this, id] {
            SendWindowMessage(this, WM_TIMER, static_cast<std::uintptr_t>(id), 0);
        });
    }
    timer->start(static_cast<int>(period.count()));
}

// The timer object stays (a handler may stop the timer that called it); it is only stopped.
void MessageWindow::KillTimer(int id) {
    auto it = m_timers.find(id);
    if (it != m_timers.end())
        it->second->stop();
}

bool MessageWindow::IsTimerActive(int id) const {
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

std::optional<std::intptr_t> TrySendWindowMessage(MessageWindow* window, std::uint32_t message,
                                                  std::uintptr_t wParam, std::intptr_t lParam) {
    if (!window)
        return std::nullopt;
    const WindowMessage m{message, wParam, lParam};
    if (OnUiThread()) {
        if (!IsLive(window, 0))
            return std::nullopt;
        return window->WindowProc(m);
    }
    const std::uint64_t serial = LiveSerial(window);
    if (serial == 0)
        return std::nullopt; // no such window (any more)
    auto result = RunAndWait([window, serial, m]() -> std::optional<std::intptr_t> {
        if (!IsLive(window, serial))
            return std::nullopt;
        return window->WindowProc(m);
    });
    if (!result)
        qCDebug(lcMessages, "message 0x%X from a worker thread not delivered", message);
    return result;
}

std::intptr_t SendWindowMessage(MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    return TrySendWindowMessage(window, message, wParam, lParam).value_or(0);
}

bool PostWindowMessage(MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    if (!window)
        return false;
    const std::uint64_t serial = LiveSerial(window);
    if (serial == 0)
        return false;
    const WindowMessage m{message, wParam, lParam};
    return Enqueue(
        [window, serial, m]() -> std::optional<std::intptr_t> {
            if (!IsLive(window, serial))
                return std::nullopt;
            return window->WindowProc(m);
        },
        nullptr);
}

bool CallOnUiThread(const std::function<void()>& call) {
    return RunAndWait([call]() -> std::optional<std::intptr_t> {
               call();
               return 0;
           })
        .has_value();
}

void ShutDownWindowMessages() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (!r.router)
        return;
    r.shutDown = true;
    AbandonWaiting(r);
}

bool WindowMessagesShutDown() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return r.shutDown || !QCoreApplication::instance();
}

MessageWindow* AsMessageWindow(QObject* object) {
    return dynamic_cast<MessageWindow*>(object);
}

MessageWindow* OwnerWindow(const QWidget* control) {
    for (QWidget* w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget())
        if (MessageWindow* window = AsMessageWindow(w))
            return window;
    return nullptr;
}

} // namespace corvane
