// A full synchronisation against the simulator over a pseudo-terminal: from sending 0x00AF to
// the end of the synchronisation (linkState 2), against the wire time of the request and the
// records the processor sends. The second argument: 1 paced at the wire speed both ways (as
// the simulator runs by default), 0 without pacing (--no-pacing).

#include "ProcessorModel.h"
#include "Simulator.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"
#include "link/FXSerialPort.h"
#include "platform/SerialPortList.h"

#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

using NullHost = NullDispatcherHost;

class Owner : public LinkOwner {
public:
    void OnDeviceRecord(const std::uint8_t* r) override {
        std::lock_guard lock(m_lock);
        dispatcher.OnDeviceRecord(r);
        m_done.notify_all();
    }
    void OnReadBackBlock(const std::uint8_t*) override {}
    void OnPortClosed() override {}
    bool WaitSynchronised() {
        std::unique_lock lock(m_lock);
        return m_done.wait_for(lock, 5s, [&] { return state.linkState == kLinkSynchronised; });
    }
    void Reset() {
        std::lock_guard lock(m_lock);
        state.linkState = kLinkOpen;
    }

    std::mutex m_lock;
    std::condition_variable m_done;
    DeviceState state;
    NullHost host;
    LinkSession session{state, host};
    ReplyDispatcher dispatcher{state, session, host};
};

void BM_Synchronisation(benchmark::State& st) {
    const unsigned baud = static_cast<unsigned>(st.range(0));
    const bool pacing = st.range(1) != 0;
    char folder[] = "/tmp/corvane-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        st.SkipWithError("no temporary folder");
        return;
    }
    const std::string ports = std::string(folder) + "/Ports";
    SetSerialPortSources({ports, {}});
    sim::SimOptions options;
    options.port = 9;
    options.portsFolder = ports;
    options.baud = baud;
    options.pacing = pacing;
    options.keepAlivePeriodMs = 0ms;
    options.pingPeriodMs = 0ms;
    sim::Simulator simulator(options);
    std::string error;
    if (!simulator.Start(&error)) {
        st.SkipWithError(error.c_str());
        return;
    }
    Owner owner;
    FXSerialPort link;
    link.SetOwner(&owner);
    if (link.Open(9, static_cast<int>(baud), 8, 1) != 1) {
        st.SkipWithError("cannot open the port");
        return;
    }
    std::size_t records = 0;
    simulator.Inspect([&](const sim::ProcessorModel& m) { records = m.StateRecords().size(); });
    const Frame request = MakeFrame(kCmdRequestAll);
    for (auto _ : st) {
        owner.Reset();
        const auto start = std::chrono::steady_clock::now();
        link.SendToDevice(request.data(), request.size());
        if (!owner.WaitSynchronised()) {
            st.SkipWithError("the synchronisation did not end");
            break;
        }
        st.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double wireMs = 1000.0 * static_cast<double>((records + 1) * kFrameSize * 10) / baud;
    st.counters["records"] = static_cast<double>(records);
    st.counters["wire_ms"] = wireMs; // the request and the records
    link.Close();
    simulator.Stop();
    ResetSerialPortSources();
    std::system((std::string("rm -rf ") + folder).c_str());
}

} // namespace

BENCHMARK(BM_Synchronisation)
    ->ArgNames({"baud", "paced"})
    ->Args({921600, 1})
    ->Args({115200, 1})
    ->Args({921600, 0})
    ->Args({115200, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

BENCHMARK_MAIN();
