#pragma once

// The system's own word that serial ports came or went. Windows tells every top-level window
// with WM_DEVICECHANGE: DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE for a port
// (DBT_DEVTYP_PORT), and DBT_DEVNODES_CHANGED for any device. A plug brings several of them at
// once; they are reported once, when they have been quiet for the settling time, on the
// user-interface thread. The report says only "look again": the listener lists the ports
// itself. Elsewhere there are no such messages (the port watcher of the core listens to the
// system instead) and Start answers false.

#include <chrono>
#include <functional>
#include <memory>

namespace corvane {

class DeviceMessages {
public:
    static constexpr std::chrono::milliseconds kSettleMs{300};

    DeviceMessages();
    ~DeviceMessages();
    DeviceMessages(const DeviceMessages&) = delete;
    DeviceMessages& operator=(const DeviceMessages&) = delete;

    // Starts listening to the system; false where it sends no device messages.
    bool Start(std::function<void()> changed, std::chrono::milliseconds settle = kSettleMs);
    // The settling alone, fed by OnDeviceChange only (tests, and Start on Windows).
    void Listen(std::function<void()> changed, std::chrono::milliseconds settle = kSettleMs);
    void Stop();
    bool Running() const;

    // Handles one WM_DEVICECHANGE (wParam: the event; `portEvent`: its header names a port).
    // Called by the system's message filter; tests call it directly.
    void OnDeviceChange(unsigned long long event, bool portEvent);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace corvane
