// Bytes to records to DeviceState: the cutting of received reads plus the reply
// dispatcher, on one core. Reports records per second and heap allocations per record.

#include "AllocationCounter.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"
#include "link/ByteOrder.h"
#include "link/RecordCutter.h"

#include <benchmark/benchmark.h>
#include <vector>

using namespace corvane;

namespace {

using NullHost = NullDispatcherHost;

class DispatchSink : public RecordSink {
public:
    explicit DispatchSink(ReplyDispatcher& d) : m_dispatcher(d) {}
    void OnRecord(const std::uint8_t* r) override {
        m_dispatcher.OnDeviceRecord(r);
        ++records;
    }
    void OnReadBackBlock(const std::uint8_t*) override {}
    std::uint64_t records = 0;

private:
    ReplyDispatcher& m_dispatcher;
};

void Put(std::vector<std::uint8_t>& s, Frame f) {
    SealFrame(f);
    s.insert(s.end(), f.begin(), f.end());
}

// What the processor sends for a full synchronisation, plus the keep-alive and ping.
std::vector<std::uint8_t> SynchronisationStream() {
    std::vector<std::uint8_t> s;
    Frame f = StartFrame(0xA4);
    Put(s, f);
    for (int i = 0; i < 4; ++i) {
        f = StartFrame(0xA3);
        f[6] = std::uint8_t(i);
        PutLE16(&f[8], 1920);
        Put(s, f);
        f = StartFrame(0xA8);
        f[6] = std::uint8_t(i);
        f[7] = std::uint8_t(i);
        PutLE24(&f[21], 125 + 960 * i);
        Put(s, f);
        f = StartFrame(0xAB);
        f[6] = std::uint8_t(i);
        Put(s, f);
        f = StartFrame(0xA9);
        f[6] = std::uint8_t(i);
        Put(s, f);
        f = StartFrame(0xA2);
        f[6] = std::uint8_t(i);
        Put(s, f);
    }
    for (int g = 0; g < 2; ++g) {
        f = StartFrame(0xA7);
        f[6] = std::uint8_t(2 * g);
        f[34] = std::uint8_t(g);
        Put(s, f);
        f = StartFrame(0xAC);
        f[6] = g == 0 ? 0x12 : 0x34;
        Put(s, f);
    }
    f = StartFrame(0xB1);
    f[6] = 8;
    f[21] = 8;
    Put(s, f);
    Put(s, StartFrame(0xAD));
    Put(s, StartFrame(0xB3));
    for (int i = 0; i < 4; ++i) {
        f = StartFrame(0xAA);
        f[6] = std::uint8_t(i);
        Put(s, f);
    }
    return s;
}

// Cuts and dispatches the stream in reads of `state.range(0)` bytes.
void BM_CutAndDispatch(benchmark::State& state) {
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 64; ++i) {
        const auto one = SynchronisationStream();
        stream.insert(stream.end(), one.begin(), one.end());
    }
    DeviceState device;
    NullHost host;
    LinkSession session(device, host);
    ReplyDispatcher dispatcher(device, session, host);
    RecordCutter cutter;
    DispatchSink sink(dispatcher);
    const std::size_t read = static_cast<std::size_t>(state.range(0));

    auto feedAll = [&] {
        for (std::size_t pos = 0; pos < stream.size(); pos += read)
            cutter.Feed(stream.data() + pos, std::min(read, stream.size() - pos), sink);
    };
    feedAll(); // warm up: the state's texts reach their steady size
    sink.records = 0;
    const std::uint64_t allocationsBefore = corvane::bench::AllocationCount();
    for (auto _ : state)
        feedAll();
    const std::uint64_t allocations = corvane::bench::AllocationCount() - allocationsBefore;
    state.SetItemsProcessed(static_cast<std::int64_t>(sink.records));
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.records * kFrameSize));
    state.counters["allocs_per_record"] =
        sink.records ? static_cast<double>(allocations) / static_cast<double>(sink.records) : 0.0;
}

} // namespace

// 39: one record a read; 1039: the read size of the port; 97: reads that split records.
BENCHMARK(BM_CutAndDispatch)->Arg(39)->Arg(97)->Arg(1039);

BENCHMARK_MAIN();
