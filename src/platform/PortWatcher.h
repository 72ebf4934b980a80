#pragma once

// Tells when the system's list of serial ports may have changed: a serial device appeared or
// went (a USB adapter plugged in or pulled), or a link appeared in or left the Ports folder
// (a simulator started, an operator pinned a port). One worker thread waits for the sources'
// events; a burst of them (udev sends several for one plug) is reported once, when the
// sources have been quiet for the settling time. The report runs on the worker thread and
// says only "look again": the listener lists the ports itself.
//
// The sources on Linux (PortWatcherLinux.cpp): udev's monitor of the tty subsystem; where udev
// does not run (containers, minimal systems), the /dev folder watched with inotify instead;
// and the Ports folder watched with inotify (also when it is made after the start).

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A source of device events, read on the watcher's thread.
class PortEventSource {
public:
    virtual ~PortEventSource() = default;
    // Becomes readable when events wait; -1 when the source has nothing to watch.
    virtual int Descriptor() const = 0;
    // Reads every waiting event; true when one of them may change the port list.
    virtual bool ReadEvents() = 0;
    // For the log: what the source watches.
    virtual std::string Describe() const = 0;
};

// udev's monitor of the tty subsystem (devices added and removed, once udev has set their
// permissions). Null when udev does not run on this machine or cannot be reached.
std::unique_ptr<PortEventSource> MakeUdevPortSource();

// `folder` watched with inotify for entries made, removed, renamed or changed in their
// attributes whose names `accept` takes. While the folder is missing, its parent is watched
// for it to appear (which counts as a change). Null when inotify cannot be had.
std::unique_ptr<PortEventSource> MakeFolderPortSource(std::string folder,
                                                      std::function<bool(std::string_view)> accept);

class PortWatcher {
public:
    // Quiet time after the last event before the change is reported, and the longest a
    // report is held back by a stream of events.
    static constexpr std::chrono::milliseconds kSettleMs{100};
    static constexpr std::chrono::milliseconds kSettleLimitMs{1000};

    PortWatcher();
    ~PortWatcher();
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    // Before Start.
    void AddSource(std::unique_ptr<PortEventSource> source);
    // The system's sources: udev (else /dev) when `systemDevices`, and the Ports folder when
    // `portsFolder` is not empty.
    void AddSystemSources(const std::string& portsFolder, bool systemDevices);
    std::vector<std::string> Describe() const;

    // Starts the thread; `changed` is called on it after each settled burst. False when it
    // could not start (no source, no thread).
    bool Start(std::function<void()> changed, std::chrono::milliseconds settle = kSettleMs);
    // Ends the thread; no report runs after it returns.
    void Stop();
    bool Running() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace corvane
