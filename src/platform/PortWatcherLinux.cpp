// The port watcher on Linux: udev's monitor, inotify, and a thread waiting in poll() with a
// wake pipe to stop it.

#include "platform/Paths.h"
#include "platform/PortWatcher.h"
#include "platform/SerialPortList.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
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

#ifdef CORVANE_HAVE_UDEV
// udev's daemon makes this socket while it runs: without it no event would ever come.
constexpr const char* kUdevControl = "/run/udev/control";

class UdevPortSource final : public PortEventSource {
public:
    ~UdevPortSource() override {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_udev)
            udev_unref(m_udev);
    }

    bool Open() {
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

    bool ReadEvents() override {
        bool relevant = false;
        while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
            const char* action = udev_device_get_action(device);
            // A device added, removed, or changed in its permissions or links.
            if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0 ||
                           std::strcmp(action, "change") == 0))
                relevant = true;
            udev_device_unref(device);
        }
        return relevant;
    }

    std::string Describe() const override { return "udev monitor (tty)"; }

private:
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
    ~FolderPortSource() override {
        if (m_fd >= 0)
            close(m_fd);
    }

    bool Open() {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0)
            return false;
        WatchFolder();
        return true;
    }

    int Descriptor() const override { return m_fd; }

    bool ReadEvents() override {
        bool relevant = false;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const std::string_view name = event->len ? std::string_view(event->name) : std::string_view();
                if (event->wd == m_folderWatch) {
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
        return relevant;
    }

    std::string Describe() const override {
        return "folder " + m_folder + (m_folderWatch >= 0 ? "" : " (waiting for it to be made)");
    }

private:
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
    struct stat st {};
    if (::stat(kUdevControl, &st) != 0)
        return nullptr;
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

struct PortWatcher::Impl {
    std::vector<std::unique_ptr<PortEventSource>> sources;
    std::thread thread;
    int wake[2] = {-1, -1};
    std::atomic<bool> running{false};

    void Run(const std::function<void()>& changed, std::chrono::milliseconds settle) {
        std::vector<pollfd> fds;
        fds.push_back({wake[0], POLLIN, 0});
        for (const auto& s : sources)
            fds.push_back({s->Descriptor(), POLLIN, 0});
        bool pending = false;
        Clock::time_point quietAt{};
        Clock::time_point limitAt{};
        for (;;) {
            int timeout = -1;
            if (pending) {
                const auto now = Clock::now();
                const auto due = std::min(quietAt, limitAt);
                timeout =
                    due <= now
                        ? 0
                        : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
            }
            const int ready = poll(fds.data(), fds.size(), timeout);
            if (ready < 0 && errno != EINTR)
                return;
            if (fds[0].revents != 0)
                return; // Stop
            bool event = false;
            for (std::size_t i = 1; i < fds.size(); ++i)
                if (fds[i].revents & POLLIN)
                    event = sources[i - 1]->ReadEvents() || event;
            const auto now = Clock::now();
            if (event) {
                if (!pending)
                    limitAt = now + kSettleLimitMs;
                pending = true;
                quietAt = now + settle;
            }
            if (pending && (now >= quietAt || now >= limitAt)) {
                pending = false;
                changed();
            }
        }
    }
};

PortWatcher::PortWatcher() : m_impl(std::make_unique<Impl>()) {}

PortWatcher::~PortWatcher() {
    Stop();
}

void PortWatcher::AddSource(std::unique_ptr<PortEventSource> source) {
    if (source && source->Descriptor() >= 0 && !Running())
        m_impl->sources.push_back(std::move(source));
}

void PortWatcher::AddSystemSources(const std::string& portsFolder, bool systemDevices) {
    if (systemDevices) {
        if (auto udev = MakeUdevPortSource())
            AddSource(std::move(udev));
        else
            AddSource(MakeFolderPortSource(
                "/dev", [](std::string_view name) { return SystemDeviceComNumber(name) != 0; }));
    }
    if (!portsFolder.empty())
        AddSource(MakeFolderPortSource(portsFolder, IsPortLinkName));
}

std::vector<std::string> PortWatcher::Describe() const {
    std::vector<std::string> lines;
    for (const auto& s : m_impl->sources)
        lines.push_back(s->Describe());
    return lines;
}

bool PortWatcher::Start(std::function<void()> changed, std::chrono::milliseconds settle) {
    if (Running() || m_impl->sources.empty())
        return false;
    if (pipe2(m_impl->wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_impl->running = true;
    m_impl->thread = std::thread(
        [impl = m_impl.get(), changed = std::move(changed), settle] { impl->Run(changed, settle); });
    return true;
}

void PortWatcher::Stop() {
    if (!m_impl || !m_impl->thread.joinable())
        return;
    const char c = 1;
    [[maybe_unused]] const ssize_t n = write(m_impl->wake[1], &c, 1);
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

} // namespace corvane
