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
//
// A source whose descriptor goes into error (poll reports an error or a hang-up, the
// descriptor is closed, a read fails) is reopened, after a back-off that grows while it keeps
// failing; one that cannot be reopened is replaced by its fallback (udev by /dev) or, without
// one, no longer watched. A failing poll is tried again after a back-off. The thread never
// ends before Stop and never spins; each incident is told once to the log function.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// What a source's read found.
enum class PortEvents {
    None,    // nothing that changes the port list
    Changed, // an event that may change it
    Failed,  // the read failed: the source must be reopened
};

// A source of device events, read on the watcher's thread.
class PortEventSource {
public:
    virtual ~PortEventSource() = default;
    // Becomes readable when events wait; -1 when the source has nothing to watch.
    virtual int Descriptor() const = 0;
    // Reads every waiting event.
    virtual PortEvents ReadEvents() = 0;
    // For the log: what the source watches.
    virtual std::string Describe() const = 0;
    // Makes the descriptor afresh after an error; false when it cannot be.
    virtual bool Reopen() { return false; }
    // What watches the same devices another way, for a source that cannot be reopened.
    virtual std::unique_ptr<PortEventSource> Fallback() { return nullptr; }
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
    // Back-off before reopening a failed source or polling again after a failed poll: the
    // first, doubled at each failure in a row up to the last.
    static constexpr std::chrono::milliseconds kFirstRetryMs{100};
    static constexpr std::chrono::milliseconds kLongestRetryMs{5000};
    // Failures in a row (the incident and the reopenings that failed or went into error
    // again at once) after which a source is given up.
    static constexpr int kFailuresToGiveUp = 5;
    // A reopened source sound for this long starts its count of failures again.
    static constexpr std::chrono::milliseconds kSoundAfterMs{10000};

    // Receives the watcher's messages (on its thread): what happened to a source and what the
    // watcher does about it, one line an incident.
    using LogFunction = std::function<void(const std::string&)>;

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
    // Before Start; without it the messages are dropped.
    void SetLog(LogFunction log);

    // Starts the thread; `changed` is called on it after each settled burst. False when it
    // could not start (no source, no thread).
    bool Start(std::function<void()> changed, std::chrono::milliseconds settle = kSettleMs);
    // Ends the thread; no report runs after it returns.
    void Stop();
    bool Running() const;
    // How often the thread has woken up since the start (a watcher that spins wakes without end).
    std::uint64_t WakeUps() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace corvane
