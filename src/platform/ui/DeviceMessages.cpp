#include "platform/ui/DeviceMessages.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#endif

namespace corvane {

namespace {

// The constants of dbt.h.
[[maybe_unused]] constexpr unsigned long long kDeviceChange = 0x0219; // WM_DEVICECHANGE
constexpr unsigned long long kDeviceArrival = 0x8000;                 // DBT_DEVICEARRIVAL
constexpr unsigned long long kDeviceRemoveComplete = 0x8004;          // DBT_DEVICEREMOVECOMPLETE
constexpr unsigned long long kDevNodesChanged = 0x0007;               // DBT_DEVNODES_CHANGED
[[maybe_unused]] constexpr unsigned long kDeviceTypePort = 3;         // DBT_DEVTYP_PORT

} // namespace

struct DeviceMessages::Impl : QAbstractNativeEventFilter {
    DeviceMessages* owner = nullptr;
    std::function<void()> changed;
    QTimer settle;
    bool running = false;
    bool installed = false;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) override {
#ifdef _WIN32
        if (eventType != "windows_generic_MSG" || !message)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != kDeviceChange)
            return false;
        bool port = false;
        if (msg->wParam == kDeviceArrival || msg->wParam == kDeviceRemoveComplete) {
            // The header's first fields: its size, then the device type.
            const auto* header = reinterpret_cast<const DWORD*>(msg->lParam);
            port = header && header[1] == kDeviceTypePort;
        }
        owner->OnDeviceChange(msg->wParam, port);
#else
        (void)eventType;
        (void)message;
#endif
        return false; // other windows may want it too
    }
};

DeviceMessages::DeviceMessages() : m_impl(std::make_unique<Impl>()) {
    m_impl->owner = this;
    m_impl->settle.setSingleShot(true);
    QObject::connect(&m_impl->settle, &QTimer::timeout, [this] {
        if (m_impl->running && m_impl->changed)
            m_impl->changed();
    });
}

DeviceMessages::~DeviceMessages() {
    Stop();
}

bool DeviceMessages::Start(std::function<void()> changed, std::chrono::milliseconds settle) {
#ifdef _WIN32
    if (!QCoreApplication::instance())
        return false;
    Listen(std::move(changed), settle);
    if (!m_impl->installed) {
        QCoreApplication::instance()->installNativeEventFilter(m_impl.get());
        m_impl->installed = true;
    }
    return true;
#else
    (void)changed;
    (void)settle;
    return false;
#endif
}

void DeviceMessages::Listen(std::function<void()> changed, std::chrono::milliseconds settle) {
    m_impl->changed = std::move(changed);
    m_impl->settle.setInterval(settle);
    m_impl->running = true;
}

void DeviceMessages::Stop() {
    m_impl->running = false;
    m_impl->settle.stop();
    if (m_impl->installed && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_impl.get());
    m_impl->installed = false;
}

bool DeviceMessages::Running() const {
    return m_impl->running;
}

void DeviceMessages::OnDeviceChange(unsigned long long event, bool portEvent) {
    if (!m_impl->running)
        return;
    const bool ports = event == kDevNodesChanged ||
                       ((event == kDeviceArrival || event == kDeviceRemoveComplete) && portEvent);
    if (ports)
        m_impl->settle.start(); // restarted by each message of a burst
}

} // namespace corvane
