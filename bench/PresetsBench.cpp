// Building a preset file from the state and saving it into a slot's file as the presets page
// does: written beside the old one, flushed to the disk, renamed over it. Each save is timed
// on its own; the first, the median, the 99th percentile and the worst are reported as
// counters (milliseconds).

#include "presets/PresetFile.h"
#include "presets/PresetStore.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace corvane;

namespace {

struct Scratch {
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            folder = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder;
};

DeviceState BusyState() {
    DeviceState s;
    for (std::size_t i = 0; i < 4; ++i) {
        s.layers[i].x = 1920 * static_cast<std::uint32_t>(i);
        s.layers[i].visible = 1;
        s.picture[i].colorTemp = static_cast<std::uint8_t>(i * 2);
        for (std::size_t c = 0; c < 16; ++c)
            s.outputs[i].curve[c] = static_cast<std::uint8_t>(c * 16);
    }
    return s;
}

void Report(benchmark::State& state, std::vector<double>& ms) {
    if (ms.empty())
        return;
    state.counters["first_ms"] = ms.front(); // makes the file: the folder's entry is new
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
    state.counters["worst_ms"] = ms.back();
}

void BM_BuildPresetFile(benchmark::State& state) {
    const DeviceState s = BusyState();
    for (auto _ : state) {
        PresetFile f = BuildPresetFile(s);
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_BuildPresetFile);

void BM_BuildAndSavePresetFile(benchmark::State& state) {
    Scratch scratch;
    const std::string path = PresetFilePath(scratch.folder, "P03.bin");
    DeviceState s = BusyState();
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const PresetFile f = BuildPresetFile(s);
        if (SavePresetFile(path, f) != PresetSaveResult::Saved) {
            state.SkipWithError("the save failed");
            break;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        ++s.currentInput; // a different file each time
        s.currentInput &= 3;
    }
    Report(state, ms);
}
BENCHMARK(BM_BuildAndSavePresetFile)->Iterations(300)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
