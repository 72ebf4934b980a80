// The port watcher: a fake udev source and the Ports folder watched with inotify.

#include "platform/PortWatcher.h"

#include "ScratchFolder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
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

// Stands in for udev: each byte written is one event, 's' for a serial device, anything else
// for another kind of device.
class FakeUdevSource final : public PortEventSource {
public:
    explicit FakeUdevSource(int readEnd) : m_fd(readEnd) {}
    ~FakeUdevSource() override { close(m_fd); }
    int Descriptor() const override { return m_fd; }
    bool ReadEvents() override {
        bool serial = false;
        char buffer[64];
        ssize_t n;
        while ((n = read(m_fd, buffer, sizeof buffer)) > 0)
            for (ssize_t i = 0; i < n; ++i)
                serial = serial || buffer[i] == 's';
        return serial;
    }
    std::string Describe() const override { return "fake udev"; }

private:
    int m_fd;
};

class Reports {
public:
    std::function<void()> Callback() {
        return [this] {
            std::lock_guard lock(m_mutex);
            ++m_count;
            m_changed.notify_all();
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

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

class PortWatcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe2(m_pipe, O_NONBLOCK | O_CLOEXEC), 0); }
    void TearDown() override {
        watcher.Stop();
        close(m_pipe[1]);
    }
    std::unique_ptr<PortEventSource> FakeUdev() { return std::make_unique<FakeUdevSource>(m_pipe[0]); }
    void Udev(const char* events) {
        ASSERT_EQ(write(m_pipe[1], events, strlen(events)), ssize_t(strlen(events)));
    }

    int m_pipe[2] = {-1, -1};
    Reports reports;
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

TEST_F(PortWatcherTest, LinksMadeAndRemovedInThePortsFolderAreReported) {
    ScratchFolder scratch;
    const std::string ports = scratch.File("Ports");
    ASSERT_EQ(mkdir(ports.c_str(), 0755), 0);
    watcher.AddSource(
        MakeFolderPortSource(ports, [](std::string_view name) { return name.rfind("COM", 0) == 0; }));
    ASSERT_TRUE(watcher.Start(reports.Callback(), kSettle));

    // A simulator starts: its link appears.
    ASSERT_EQ(symlink("/dev/null", (ports + "/COM5").c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(1));
    // A file that names no port.
    WriteBytes(ports + "/notes.txt", "x");
    std::this_thread::sleep_for(kQuietWatch);
    EXPECT_EQ(reports.Count(), 1);
    // The simulator ends: its link goes.
    ASSERT_EQ(unlink((ports + "/COM5").c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(2));
}

TEST_F(PortWatcherTest, APortsFolderMadeAfterTheStartIsWatchedFromThen) {
    ScratchFolder scratch;
    const std::string ports = scratch.File("Ports");
    auto source = MakeFolderPortSource(ports, nullptr);
    ASSERT_TRUE(source);
    watcher.AddSource(std::move(source));
    ASSERT_TRUE(watcher.Start(reports.Callback(), kSettle));

    ASSERT_EQ(mkdir(ports.c_str(), 0755), 0);
    ASSERT_TRUE(reports.WaitFor(1)) << "the folder appearing is a change";
    ASSERT_EQ(symlink("/dev/null", (ports + "/COM7").c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(2));

    // Removed with its links, and made again.
    ASSERT_EQ(unlink((ports + "/COM7").c_str()), 0);
    ASSERT_EQ(rmdir(ports.c_str()), 0);
    ASSERT_TRUE(reports.WaitFor(3));
    ASSERT_EQ(mkdir(ports.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/null", (ports + "/COM8").c_str()), 0);
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
