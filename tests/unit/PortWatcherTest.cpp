// The port watcher: fake sources on pipes (udev's stand-in, and sources that go into error)
// and the Ports folder watched with inotify.

#include "platform/PortWatcher.h"

#include "ScratchFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace std::chrono_literals;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

namespace {

constexpr auto kSettle = 20ms;
// Generous: the machine may be loaded.
constexpr auto kReportLimit = 5s;
// How long to watch for a report that must not come.
constexpr auto kQuietWatch = 300ms;

// The write end of a fake source's pipe, shared between the test and the source (which makes
// a new pipe when it is reopened).
struct FakeEnds {
    ~FakeEnds() {
        if (writer >= 0)
            close(writer);
    }
    void Write(const char* events) {
        std::lock_guard guard(lock);
        ASSERT_EQ(write(writer, events, strlen(events)), ssize_t(strlen(events)));
    }
    void CloseWriter() {
        std::lock_guard guard(lock);
        close(writer);
        writer = -1;
    }

    std::mutex lock;
    int writer = -1;
    std::atomic<int> reopenings{0};
};

enum class Reopening { Works, Fails, StaysInError };

// Stands in for udev: each byte written is one event, 's' for a serial device, anything else
// for another kind of device; 'c' makes the source close its own descriptor (a descriptor
// closed by mistake), 'e' makes its read fail. A writer closed is a hang-up.
class FakeSource final : public PortEventSource {
public:
    FakeSource(std::shared_ptr<FakeEnds> ends, Reopening reopening = Reopening::Works,
               std::shared_ptr<FakeEnds> fallback = nullptr)
        : m_ends(std::move(ends)), m_reopening(reopening), m_fallback(std::move(fallback)) {
        Open();
    }
    ~FakeSource() override {
        if (m_open)
            close(m_fd);
    }
    int Descriptor() const override { return m_fd; }
    PortEvents ReadEvents() override {
        bool serial = false;
        char buffer[64];
        ssize_t n;
        while ((n = read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == 'c') {
                    close(m_fd); // its number stays: poll finds it closed
                    m_open = false;
                    return PortEvents::None;
                }
                if (buffer[i] == 'e')
                    return PortEvents::Failed;
                serial = serial || buffer[i] == 's';
            }
        }
        if (n == 0)
            return PortEvents::Failed; // the writer is gone
        return serial ? PortEvents::Changed : PortEvents::None;
    }
    std::string Describe() const override { return m_fallback ? "fake udev" : "fake source"; }
    bool Reopen() override {
        ++m_ends->reopenings;
        if (m_reopening == Reopening::Fails)
            return false;
        if (m_open)
            close(m_fd);
        Open();
        if (m_reopening == Reopening::StaysInError)
            m_ends->CloseWriter();
        return true;
    }
    std::unique_ptr<PortEventSource> Fallback() override {
        return m_fallback ? std::make_unique<FakeSource>(m_fallback) : nullptr;
    }

private:
    void Open() {
        int ends[2];
        if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
            return;
        m_fd = ends[0];
        m_open = true;
        std::lock_guard guard(m_ends->lock);
        if (m_ends->writer >= 0)
            close(m_ends->writer);
        m_ends->writer = ends[1];
    }

    std::shared_ptr<FakeEnds> m_ends;
    Reopening m_reopening;
    std::shared_ptr<FakeEnds> m_fallback;
    int m_fd = -1;
    bool m_open = false;
};

// What the watcher reported and logged.
class Watch {
public:
    std::function<void()> Callback() {
        return [this] {
            std::lock_guard lock(m_mutex);
            ++m_count;
            m_changed.notify_all();
        };
    }
    PortWatcher::LogFunction Log() {
        return [this](const std::string& line) {
            std::lock_guard lock(m_mutex);
            m_lines.push_back(line);
        };
    }
    // Waits until at least `n` reports came; false when the limit passed first.
    bool WaitFor(int n, std::chrono::milliseconds limit = kReportLimit) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_count >= n; });
    }
    int Count() {
        std::lock_guard lock(m_mutex);
        return m_count;
    }
    // How many lines logged hold `part`.
    int Logged(const std::string& part) {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_lines.begin(), m_lines.end(), [&](const std::string& l) {
            return l.find(part) != std::string::npos;
        }));
    }
    std::string All() {
        std::lock_guard lock(m_mutex);
        std::string all;
        for (const std::string& l : m_lines)
            all += l + "\n";
        return all;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
    std::vector<std::string> m_lines;
};

class PortWatcherTest : public ::testing::Test {
protected:
    void TearDown() override { watcher.Stop(); }
    std::unique_ptr<PortEventSource> FakeUdev() { return std::make_unique<FakeSource>(m_udev); }
    void Udev(const char* events) { m_udev->Write(events); }

    std::shared_ptr<FakeEnds> m_udev = std::make_shared<FakeEnds>();
    Watch reports;
    PortWatcher watcher;
};

} // namespace

TEST_F(PortWatcherTest, ABurstOfUdevEventsIsReportedOnceAndOtherDevicesNotAtAll) {
    watcher.AddSource(FakeUdev());
    ASSERT_TRUE(watcher.Start(reports.Callback(), kSettle));

    // Another kind of device: nothing to look at.
    Udev("xx");
    std::this_thread::sleep_for(kQuietWatch);
    EXPECT_EQ(reports.Count(), 0);

    // One plug: several events close together.
    for (int i = 0; i < 5; ++i) {
        Udev("s");
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(reports.WaitFor(1));
    std::this_thread::sleep_for(kQuietWatch);
    EXPECT_EQ(reports.Count(), 1) << "one report for the burst";

    // The pull, later: reported again.
    Udev("xs");
    ASSERT_TRUE(reports.WaitFor(2));
}

// The simulator makes its link when it starts and removes it when it ends; the folder itself
// may come and go.
TEST_F(PortWatcherTest, LinksAndThePortsFolderItselfAreWatchedFromWhenTheyAppear) {
    ScratchFolder scratch;
    const std::string ports = scratch.File("Ports");
    auto source =
        MakeFolderPortSource(ports, [](std::string_view name) { return name.rfind("COM", 0) == 0; });
    ASSERT_TRUE(source);
    watcher.AddSource(std::move(source));
    ASSERT_TRUE(watcher.Start(reports.Callback(), kSettle));

    ASSERT_EQ(mkdir(ports.c_str(), 0755), 0);
    ASSERT_TRUE(reports.WaitFor(1)) << "the folder appearing is a change";
    // A file that names no port.
    WriteBytes(ports + "/notes.txt", "x");
    std::this_thread::sleep_for(kQuietWatch);
    EXPECT_EQ(reports.Count(), 1);

    // Removed with its files, and made again with a link.
    ASSERT_EQ(unlink((ports + "/notes.txt").c_str()), 0);
    ASSERT_EQ(rmdir(ports.c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(2));
    ASSERT_EQ(mkdir(ports.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/null", (ports + "/COM8").c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(3));
    ASSERT_EQ(unlink((ports + "/COM8").c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(4));
}

TEST_F(PortWatcherTest, StopEndsTheThreadAndNothingIsReportedAfterIt) {
    EXPECT_FALSE(watcher.Start(reports.Callback(), kSettle)) << "no source";
    watcher.AddSource(FakeUdev());
    ASSERT_TRUE(watcher.Start(reports.Callback(), 200ms));
    EXPECT_TRUE(watcher.Running());
    Udev("s");
    watcher.Stop(); // before the burst settles
    EXPECT_FALSE(watcher.Running());
    std::this_thread::sleep_for(kQuietWatch);
    EXPECT_EQ(reports.Count(), 0);
}

struct Trouble {
    const char* name;
    std::function<void(FakeEnds&)> cause;
    Reopening reopening;
    bool fallback;
    const char* incident; // what the first line says happened
    const char* outcome;  // logged once, when the watcher has dealt with it
    int reopenings;       // tries to reopen the source
};

// A source in error is reopened; one that cannot be is replaced by its fallback or given up.
// Either way the thread does not spin, and the sources still watched report their events.
TEST_F(PortWatcherTest, ASourceInErrorIsReopenedReplacedOrGivenUpWithoutSpinning) {
    const auto hangUp = [](FakeEnds& e) { e.CloseWriter(); };
    const auto closeIt = [](FakeEnds& e) { e.Write("c"); };
    const auto failRead = [](FakeEnds& e) { e.Write("e"); };
    const char* const reopened = "reopened, watching it again";
    const char* const gone = "no longer watched";
    const int tries = PortWatcher::kFailuresToGiveUp - 1;
    const Trouble troubles[] = {
        {"writer closed", hangUp, Reopening::Works, false, "hang-up", reopened, 1},
        {"descriptor closed", closeIt, Reopening::Works, false, "not open", reopened, 1},
        {"read fails", failRead, Reopening::Works, false, "reading its events failed", reopened, 1},
        {"reopening fails", hangUp, Reopening::Fails, false, "hang-up", gone, tries},
        {"in error after each reopening", hangUp, Reopening::StaysInError, false, "hang-up", gone, tries},
        {"falls back", hangUp, Reopening::Fails, true, "hang-up", "watching fake source instead", tries},
    };
    // How long a watcher that dealt with the trouble is watched for wake-ups.
    constexpr auto kSpinWatch = 1s;
    for (const Trouble& t : troubles) {
        SCOPED_TRACE(t.name);
        PortWatcher w;
        Watch seen;
        auto troubled = std::make_shared<FakeEnds>();
        auto fallback = t.fallback ? std::make_shared<FakeEnds>() : nullptr;
        auto other = std::make_shared<FakeEnds>();
        w.SetLog(seen.Log());
        w.AddSource(std::make_unique<FakeSource>(troubled, t.reopening, fallback));
        w.AddSource(std::make_unique<FakeSource>(other));
        ASSERT_TRUE(w.Start(seen.Callback(), kSettle));
        t.cause(*troubled);
        const auto until = std::chrono::steady_clock::now() + kReportLimit;
        while (seen.Logged(t.outcome) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(seen.Logged(t.outcome), 1) << "never dealt with: " << seen.All();
        // Reopened or replaced: what happened meanwhile is unknown, so the list is looked at again.
        const bool watchedAgain = t.reopening == Reopening::Works || t.fallback;
        if (watchedAgain) {
            ASSERT_TRUE(seen.WaitFor(1)) << seen.All();
        }
        const std::uint64_t wakeUps = w.WakeUps();
        std::this_thread::sleep_for(kSpinWatch);
        EXPECT_LT(w.WakeUps() - wakeUps, 10u) << "it spins";
        EXPECT_LT(wakeUps, 100u);
        EXPECT_EQ(troubled->reopenings, t.reopenings);

        FakeEnds* const again = t.fallback ? fallback.get() : watchedAgain ? troubled.get() : nullptr;
        for (FakeEnds* ends : {other.get(), again}) {
            if (!ends)
                continue;
            const int reports = seen.Count();
            ends->Write("s");
            EXPECT_TRUE(seen.WaitFor(reports + 1)) << "a source still watched reports";
            std::this_thread::sleep_for(kQuietWatch);
        }
        w.Stop();
        for (const char* line : {t.incident, "reopening it", t.outcome})
            EXPECT_EQ(seen.Logged(line), 1) << seen.All();
    }
}
