// The serial link end to end over a pseudo-terminal pair standing in for the cable: the far
// side writes records, the link (I/O engine, serial port, record cutter) hands them to its
// owner on a worker thread.
//
// BM_RecordLatency: from the moment the far side writes the last byte of a record to the
// moment OnDeviceRecord is entered; median, 99th percentile and worst, in microseconds.
// BM_RecordThroughput: one million records cut at random points, written as fast as the
// pseudo-terminal takes them; records per second, records lost or out of order, and heap
// allocations per record once the link runs (the far side's writer is outside the count:
// it allocates nothing either).

#include "AllocationCounter.h"
#include "BenchFigures.h"
#include "link/ByteOrder.h"
#include "link/FXSerialPort.h"
#include "link/IoEngine.h"
#include "platform/SerialPortList.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using Clock = std::chrono::steady_clock;
using bench::Percentile;

namespace {

constexpr int kBenchPort = 77;

// The far side of the cable, and the Ports link that makes it COM77.
class Cable {
public:
    Cable() {
        m_far = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_far < 0 || ::grantpt(m_far) != 0 || ::unlockpt(m_far) != 0 ||
            ::ptsname_r(m_far, name, sizeof name) != 0)
            std::abort();
        char folder[] = "/tmp/corvane-bench-ports-XXXXXX";
        if (::mkdtemp(folder) == nullptr)
            std::abort();
        m_folder = folder;
        m_link = m_folder + "/COM" + std::to_string(kBenchPort);
        if (::symlink(name, m_link.c_str()) != 0)
            std::abort();
        SetSerialPortSources({m_folder, {}});
    }
    ~Cable() {
        ResetSerialPortSources();
        ::unlink(m_link.c_str());
        ::rmdir(m_folder.c_str());
        ::close(m_far);
    }

    void Write(const std::uint8_t* data, std::size_t length) {
        while (length > 0) {
            const ssize_t n = ::write(m_far, data, length);
            if (n > 0) {
                data += n;
                length -= static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
                std::abort();
            }
        }
    }

private:
    int m_far = -1;
    std::string m_folder;
    std::string m_link;
};

Frame NumberedRecord(std::uint32_t serial) {
    Frame f = StartFrame(0x00A8);
    PutLE24(&f[6], serial);
    SealFrame(f);
    return f;
}

// Takes the time a record arrives and checks that records come complete and in order.
class BenchOwner : public LinkOwner {
public:
    void OnDeviceRecord(const std::uint8_t* record) override {
        arrived.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        const std::uint32_t serial = GetLE24(&record[6]);
        if (serial != expected || FrameChecksum(record) != record[kChecksumOffset])
            wrong.fetch_add(1, std::memory_order_relaxed);
        expected = serial + 1;
        count.fetch_add(1, std::memory_order_release);
        if (notify)
            count.notify_one();
    }
    void OnReadBackBlock(const std::uint8_t*) override {}
    void OnPortClosed() override {}

    std::atomic<Clock::rep> arrived{0};
    std::atomic<std::uint64_t> count{0};
    std::atomic<std::uint64_t> wrong{0};
    std::uint32_t expected = 0; // worker threads only, one at a time
    bool notify = false;        // wake a waiting measurer after each record
};

// The measuring thread sleeps while it waits: on a machine with few processors a spinning
// waiter would take the processor from the threads it measures.
void WaitFor(const std::atomic<std::uint64_t>& count, std::uint64_t n) {
    for (std::uint64_t seen = count.load(std::memory_order_acquire); seen < n;
         seen = count.load(std::memory_order_acquire))
        count.wait(seen, std::memory_order_acquire);
}

void PollFor(const std::atomic<std::uint64_t>& count, std::uint64_t n) {
    while (count.load(std::memory_order_acquire) < n)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
}

void BM_RecordLatency(benchmark::State& state) {
    Cable cable;
    BenchOwner owner;
    owner.notify = true;
    FXSerialPort link;
    link.SetOwner(&owner);
    if (link.Open(kBenchPort, 921600, 8, 1) != 1) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    std::mt19937 random(3);
    constexpr int kSamples = 2000;
    std::vector<double> micros;
    micros.reserve(kSamples);
    std::uint32_t serial = 0;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            // The line is idle between records, as between the processor's replies; every
            // other record comes in two parts, so the last byte completes a carried tail.
            std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 800));
            const Frame f = NumberedRecord(serial++);
            std::size_t head = 0;
            if (i % 2 == 1) {
                head = 1 + random() % (kFrameSize - 1);
                cable.Write(f.data(), head);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
            const std::uint64_t before = owner.count.load(std::memory_order_acquire);
            const Clock::time_point sent = Clock::now();
            cable.Write(f.data() + head, kFrameSize - head);
            WaitFor(owner.count, before + 1);
            const Clock::time_point entered(Clock::duration(owner.arrived.load(std::memory_order_relaxed)));
            micros.push_back(std::chrono::duration<double, std::micro>(entered - sent).count());
        }
    }
    state.counters["median_us"] = Percentile(micros, 0.50);
    state.counters["p99_us"] = Percentile(micros, 0.99);
    state.counters["max_us"] = *std::max_element(micros.begin(), micros.end());
    state.counters["wrong"] = static_cast<double>(owner.wrong.load());
    link.Close();
}

void BM_RecordThroughput(benchmark::State& state) {
    constexpr std::uint32_t kRecords = 1'000'000;
    constexpr std::uint32_t kWarmUp = 20'000;
    std::vector<std::uint8_t> stream;
    stream.reserve(std::size_t{kRecords} * kFrameSize);
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        const Frame f = NumberedRecord(i);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    std::mt19937 random(5);
    std::vector<std::uint16_t> cuts(1 << 16);
    for (auto& c : cuts)
        c = static_cast<std::uint16_t>(1 + random() % 300);

    Cable cable;
    BenchOwner owner;
    FXSerialPort link;
    link.SetOwner(&owner);
    if (link.Open(kBenchPort, 921600, 8, 1) != 1) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    double seconds = 0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        std::thread writer([&] {
            std::size_t pos = 0;
            std::size_t cut = 0;
            while (pos < stream.size()) {
                const std::size_t n = std::min<std::size_t>(cuts[cut++ & 0xFFFF], stream.size() - pos);
                cable.Write(stream.data() + pos, n);
                pos += n;
            }
        });
        PollFor(owner.count, kWarmUp);
        const Clock::time_point warmAt = Clock::now();
        const std::uint64_t allocationsAtWarm = corvane::bench::AllocationCount();
        PollFor(owner.count, kRecords);
        const Clock::time_point end = Clock::now();
        allocations = corvane::bench::AllocationCount() - allocationsAtWarm;
        writer.join();
        seconds = std::chrono::duration<double>(end - warmAt).count();
    }
    const double steady = kRecords - kWarmUp;
    state.counters["records_per_s"] = steady / seconds;
    state.counters["records"] = static_cast<double>(owner.count.load());
    state.counters["lost_or_reordered"] =
        static_cast<double>(owner.wrong.load()) + static_cast<double>(kRecords - owner.count.load());
    state.counters["allocs_per_record"] = static_cast<double>(allocations) / steady;
    link.Close();
}

} // namespace

BENCHMARK(BM_RecordLatency)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordThroughput)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    IoEngine::Instance().Stop();
    return 0;
}
