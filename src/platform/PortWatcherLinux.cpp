// The port watcher on Linux: udev's monitor, inotify, and a thread waiting in poll() with a
// wake pipe to stop it. A source in error is reopened with a back-off, replaced by its
// fallback or given up; the thread runs until Stop whatever its sources do.

#include "platform/Paths.h"
#include "platform/PortWatcher.h"
#include "platform/SerialPortList.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#ifdef CORVANE_HAVE_UDEV
#include <libudev.h>
#endif

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool IsSystemDeviceName(std::string_view name) {
    return SystemDeviceComNumber(name) != 0;
}

#ifdef CORVANE_HAVE_UDEV
// udev's daemon makes this socket while it runs: without it no event would ever come.
constexpr const char* kUdevControl = "/run/udev/control";

class UdevPortSource final : public PortEventSource {
public:
    ~UdevPortSource() override { Close(); }

    bool Open() {
        struct stat st {};
        if (::stat(kUdevControl, &st) != 0)
            return false;
        m_udev = udev_new();
        if (!m_udev)
            return false;
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor)
            return false;
        if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0)
            return false;
        // The socket is non-blocking already; make sure of it, the reads must never wait.
        const int fd = udev_monitor_get_fd(m_monitor);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        return fd >= 0;
    }

    int Descriptor() const override { return m_monitor ? udev_monitor_get_fd(m_monitor) : -1; }

    PortEvents ReadEvents() override {
        bool relevant = false;
        for (;;) {
            errno = 0;
            udev_device* device = udev_monitor_receive_device(m_monitor);
            if (!device)
                break;
            const char* action = udev_device_get_action(device);
            // A device added, removed, or changed in its permissions or links.
            if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0 ||
                           std::strcmp(action, "change") == 0))
                relevant = true;
            udev_device_unref(device);
        }
        // The socket's buffer overran: events were lost, so the list may have changed.
        if (errno == ENOBUFS)
            return PortEvents::Changed;
        if (errno != 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return PortEvents::Failed;
        return relevant ? PortEvents::Changed : PortEvents::None;
    }

    std::string Describe() const override { return "udev monitor (tty)"; }

    bool Reopen() override {
        Close();
        return Open();
    }

    // Where udev has stopped: /dev itself.
    std::unique_ptr<PortEventSource> Fallback() override {
        return MakeFolderPortSource("/dev", IsSystemDeviceName);
    }

private:
    void Close() {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_udev)
            udev_unref(m_udev);
        m_monitor = nullptr;
        m_udev = nullptr;
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
};
#endif

class FolderPortSource final : public PortEventSource {
public:
    FolderPortSource(std::string folder, std::function<bool(std::string_view)> accept)
        : m_folder(std::move(folder)), m_accept(std::move(accept)) {
        while (m_folder.size() > 1 && m_folder.back() == '/')
            m_folder.pop_back();
        const std::size_t slash = m_folder.find_last_of('/');
        if (slash != std::string::npos) {
            m_parent = slash == 0 ? std::string("/") : m_folder.substr(0, slash);
            m_name = m_folder.substr(slash + 1);
        }
    }
    ~FolderPortSource() override { Close(); }

    bool Open() {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0)
            return false;
        WatchFolder();
        return true;
    }

    int Descriptor() const override { return m_fd; }

    PortEvents ReadEvents() override {
        bool relevant = false;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return PortEvents::Failed;
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const std::string_view name = event->len ? std::string_view(event->name) : std::string_view();
                if (event->mask & IN_Q_OVERFLOW) {
                    relevant = true; // events were lost: the list may have changed
                } else if (event->wd == m_folderWatch) {
                    if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                        // The folder went: its links with it. Wait for it to come back.
                        RemoveFolderWatch();
                        WatchFolder();
                        relevant = true;
                    } else if (!name.empty() && (!m_accept || m_accept(name))) {
                        relevant = true;
                    }
                } else if (event->wd == m_parentWatch && name == m_name) {
                    if (WatchFolder())
                        relevant = true;
                }
            }
        }
        return relevant ? PortEvents::Changed : PortEvents::None;
    }

    std::string Describe() const override {
        return "folder " + m_folder + (m_folderWatch >= 0 ? "" : " (waiting for it to be made)");
    }

    bool Reopen() override {
        Close();
        return Open();
    }

private:
    void Close() {
        if (m_fd >= 0)
            close(m_fd); // its watches go with it
        m_fd = m_folderWatch = m_parentWatch = -1;
    }

    // Watches the folder when it is there, else its parent; true when the folder is watched.
    bool WatchFolder() {
        if (m_folderWatch >= 0)
            return true;
        const int watch = inotify_add_watch(m_fd, m_folder.c_str(),
                                            IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
        if (watch >= 0) {
            m_folderWatch = watch;
            if (m_parentWatch >= 0) {
                inotify_rm_watch(m_fd, m_parentWatch);
                m_parentWatch = -1;
            }
            return true;
        }
        if (m_parentWatch < 0 && !m_parent.empty())
            m_parentWatch = inotify_add_watch(m_fd, m_parent.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
        return false;
    }

    void RemoveFolderWatch() {
        if (m_folderWatch >= 0)
            inotify_rm_watch(m_fd, m_folderWatch); // fails harmlessly when it is gone already
        m_folderWatch = -1;
    }

    std::string m_folder;
    std::string m_parent;
    std::string m_name;
    std::function<bool(std::string_view)> m_accept;
    int m_fd = -1;
    int m_folderWatch = -1;
    int m_parentWatch = -1;
};

bool IsPortLinkName(std::string_view name) {
    return name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm');
}

} // namespace

std::unique_ptr<PortEventSource> MakeUdevPortSource() {
#ifdef CORVANE_HAVE_UDEV
    auto source = std::make_unique<UdevPortSource>();
    if (!source->Open())
        return nullptr;
    return source;
#else
    return nullptr;
#endif
}

std::unique_ptr<PortEventSource> MakeFolderPortSource(std::string folder,
                                                      std::function<bool(std::string_view)> accept) {
    auto source = std::make_unique<FolderPortSource>(std::move(folder), std::move(accept));
    if (!source->Open())
        return nullptr;
    return source;
}

namespace {

// What poll said of a source's descriptor, for the log.
std::string PollTrouble(short revents) {
    if (revents & POLLNVAL)
        return "its descriptor is not open";
    if (revents & POLLERR)
        return "poll reports an error on it";
    return "poll reports a hang-up on it";
}

std::string Ms(milliseconds ms) {
    return std::to_string(ms.count()) + " ms";
}

} // namespace

struct PortWatcher::Impl {
    struct Watched {
        std::unique_ptr<PortEventSource> source;
        bool inError = false;           // waiting to be reopened at retryAt
        bool givenUp = false;           // no longer watched
        int failures = 0;               // in a row: one incident
        bool toldReopened = false;      // the log has the incident's reopening
        Clock::time_point retryAt{};    // when it is reopened
        Clock::time_point soundSince{}; // when it was last (re)opened
    };

    std::vector<Watched> sources;
    std::thread thread;
    std::mutex lock; // guards the wake pipe and the waits without poll
    std::condition_variable stopRequested;
    int wake[2] = {-1, -1};
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<std::uint64_t> wakeUps{0};
    LogFunction log;
    bool changed = false; // a change to report once the sources are quiet

    void Log(const std::string& line) const {
        if (log)
            log("port watcher: " + line);
    }

    // The wait before the next try after `failures` failures in a row: none after the first.
    static milliseconds Backoff(int failures) {
        if (failures <= 1)
            return milliseconds(0);
        milliseconds wait = kFirstRetryMs;
        for (int i = 2; i < failures && wait < kLongestRetryMs; ++i)
            wait *= 2;
        return std::min(wait, kLongestRetryMs);
    }

    // The source's descriptor is in error. A run of failures in a row (the reopened source
    // failing again before it has been sound for kSoundAfterMs) is one incident: the log has its
    // start, its first reopening and, when it comes to that, its end.
    void Incident(Watched& w, const std::string& what, Clock::time_point now) {
        if (now - w.soundSince >= kSoundAfterMs)
            w.failures = 0;
        if (++w.failures >= kFailuresToGiveUp) {
            GiveUp(w);
            return;
        }
        if (w.failures == 1) {
            w.toldReopened = false;
            Log(w.source->Describe() + ": " + what + "; reopening it");
        }
        w.inError = true;
        w.retryAt = now + Backoff(w.failures);
    }

    void TryReopen(Watched& w, Clock::time_point now) {
        if (w.source->Reopen() && w.source->Descriptor() >= 0) {
            if (!w.toldReopened)
                Log(w.source->Describe() + ": reopened, watching it again");
            w.toldReopened = true;
            w.inError = false;
            w.soundSince = now;
            changed = true; // events may have been lost meanwhile
            return;
        }
        if (++w.failures >= kFailuresToGiveUp) {
            GiveUp(w);
            return;
        }
        w.retryAt = now + Backoff(w.failures);
    }

    void GiveUp(Watched& w) {
        const std::string what = w.source->Describe();
        const std::string tries = " cannot be reopened (" + std::to_string(w.failures) +
                                  " failures in a row, retried with a back-off)";
        std::unique_ptr<PortEventSource> fallback = w.source->Fallback();
        if (fallback && fallback->Descriptor() >= 0) {
            Log(what + tries + ": watching " + fallback->Describe() + " instead");
            w = Watched{};
            w.source = std::move(fallback);
            changed = true;
            return;
        }
        w.inError = false;
        w.givenUp = true;
        const bool left =
            std::any_of(sources.begin(), sources.end(), [](const Watched& s) { return !s.givenUp; });
        Log(what + tries + ": no longer watched" +
            (left ? std::string() : "; no source is left, new ports are found by the search's walk only"));
    }

    void RemakeWakePipe() {
        std::lock_guard guard(lock);
        for (int& fd : wake) {
            close(fd);
            fd = -1;
        }
        if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
            Log(std::string("the wake pipe cannot be made again: ") + std::strerror(errno));
    }

    // Waits for `wait` or until Stop; false when stopping.
    bool Pause(milliseconds wait) {
        std::unique_lock guard(lock);
        return !stopRequested.wait_for(guard, wait, [&] { return stopping.load(); });
    }

    void Run(const std::function<void()>& report, milliseconds settle) {
        Clock::time_point quietAt{};
        Clock::time_point limitAt{};
        bool pending = false;
        int pollFailures = 0;
        std::vector<pollfd> fds;
        // A change (an event, a reopened source) is reported when the sources have been quiet
        // for the settling time, or at the limit.
        auto settleFrom = [&](Clock::time_point now) {
            if (!changed)
                return;
            changed = false;
            if (!pending)
                limitAt = now + kSettleLimitMs;
            pending = true;
            quietAt = now + settle;
        };
        while (!stopping) {
            Clock::time_point now = Clock::now();
            for (Watched& w : sources)
                if (w.inError && now >= w.retryAt)
                    TryReopen(w, now);
            fds.assign(1, pollfd{wake[0], POLLIN, 0});
            Clock::time_point due = Clock::time_point::max();
            for (const Watched& w : sources) {
                const bool watched = !w.inError && !w.givenUp;
                fds.push_back({watched ? w.source->Descriptor() : -1, POLLIN, 0});
                if (w.inError)
                    due = std::min(due, w.retryAt);
            }
            settleFrom(now);
            if (pending)
                due = std::min({due, quietAt, limitAt});
            int timeout = -1;
            if (due != Clock::time_point::max())
                timeout =
                    due <= now ? 0 : static_cast<int>(std::chrono::ceil<milliseconds>(due - now).count());
            const int ready = poll(fds.data(), fds.size(), timeout);
            ++wakeUps;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0) {
                const milliseconds wait = std::max(kFirstRetryMs, Backoff(++pollFailures));
                if (pollFailures == 1)
                    Log(std::string("poll failed: ") + std::strerror(errno) + "; trying again in " +
                        Ms(wait) + ", then less and less often");
                if (!Pause(wait))
                    return;
                continue;
            }
            if (pollFailures > 0)
                Log("poll works again after " + std::to_string(pollFailures) + " failures");
            pollFailures = 0;
            if (fds[0].revents & POLLIN) {
                char drain[64];
                while (read(wake[0], drain, sizeof drain) > 0) {
                }
            }
            if (stopping)
                return;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                Log("its wake pipe failed (" + PollTrouble(fds[0].revents) + "): making it again");
                RemakeWakePipe();
            }
            now = Clock::now();
            for (std::size_t i = 1; i < fds.size(); ++i) {
                Watched& w = sources[i - 1];
                const short revents = fds[i].revents;
                if (revents == 0)
                    continue;
                const PortEvents events = (revents & POLLIN) ? w.source->ReadEvents() : PortEvents::None;
                if (events == PortEvents::Changed)
                    changed = true;
                if (revents & (POLLERR | POLLHUP | POLLNVAL))
                    Incident(w, PollTrouble(revents), now);
                else if (events == PortEvents::Failed)
                    Incident(w, "reading its events failed", now);
            }
            settleFrom(now);
            if (pending && (now >= quietAt || now >= limitAt)) {
                pending = false;
                report();
            }
        }
    }
};

PortWatcher::PortWatcher() : m_impl(std::make_unique<Impl>()) {}

PortWatcher::~PortWatcher() {
    Stop();
}

void PortWatcher::AddSource(std::unique_ptr<PortEventSource> source) {
    if (source && source->Descriptor() >= 0 && !Running()) {
        Impl::Watched w;
        w.source = std::move(source);
        m_impl->sources.push_back(std::move(w));
    }
}

void PortWatcher::AddSystemSources(const std::string& portsFolder, bool systemDevices) {
    if (systemDevices) {
        if (auto udev = MakeUdevPortSource())
            AddSource(std::move(udev));
        else
            AddSource(MakeFolderPortSource("/dev", IsSystemDeviceName));
    }
    if (!portsFolder.empty())
        AddSource(MakeFolderPortSource(portsFolder, IsPortLinkName));
}

std::vector<std::string> PortWatcher::Describe() const {
    std::vector<std::string> lines;
    for (const auto& w : m_impl->sources)
        lines.push_back(w.source->Describe());
    return lines;
}

void PortWatcher::SetLog(LogFunction log) {
    if (!Running())
        m_impl->log = std::move(log);
}

bool PortWatcher::Start(std::function<void()> changed, std::chrono::milliseconds settle) {
    if (Running() || m_impl->sources.empty())
        return false;
    if (pipe2(m_impl->wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_impl->running = true;
    m_impl->stopping = false;
    m_impl->wakeUps = 0;
    m_impl->thread = std::thread(
        [impl = m_impl.get(), changed = std::move(changed), settle] { impl->Run(changed, settle); });
    return true;
}

void PortWatcher::Stop() {
    if (!m_impl || !m_impl->thread.joinable())
        return;
    {
        std::lock_guard guard(m_impl->lock);
        m_impl->stopping = true;
        const char c = 1;
        [[maybe_unused]] const ssize_t n = write(m_impl->wake[1], &c, 1);
    }
    m_impl->stopRequested.notify_all();
    m_impl->thread.join();
    for (int& fd : m_impl->wake) {
        close(fd);
        fd = -1;
    }
    m_impl->running = false;
}

bool PortWatcher::Running() const {
    return m_impl->running;
}

std::uint64_t PortWatcher::WakeUps() const {
    return m_impl->wakeUps;
}

} // namespace corvane
