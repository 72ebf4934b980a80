// Initialisation files as the language code uses them: one text looked up in a language file
// of the size the finished program will have (every control of every page), the reload of
// the 60-slot message table, and one key written to Config.ini (written aside, flushed to
// disk and renamed into place).

#include "platform/IniFile.h"
#include "shell/Language.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace corvane;

namespace {

// About 17 dialogs of 60 controls each plus the message table.
constexpr int kDialogs = 17;
constexpr int kControlsPerDialog = 60;

struct Scratch {
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            folder = pattern;
        std::ofstream out(folder + "/Chinese.ini", std::ios::binary);
        out << "[Setting]\r\nLanguage=Chinese\r\n[String]\r\n";
        for (int i = 0; i < kMessageCount; ++i)
            out << "SIDS_" << i << "=\xE8\xAE\xBE\xE7\xBD\xAE\xE6\x88\x90\xE5\x8A\x9F\\n" << i << "\r\n";
        for (int d = 0; d < kDialogs; ++d) {
            out << "IDD" << 100 + d << "_Title=\xE8\xAE\xBE\xE7\xBD\xAE " << d << "\r\n";
            for (int c = 0; c < kControlsPerDialog; ++c)
                out << "IDD" << 100 + d << "_" << 1000 + c << "=\xE6\x8E\xA7\xE4\xBB\xB6 " << c << "\r\n";
        }
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder;
};

Scratch& Files() {
    static Scratch scratch;
    return scratch;
}

void BM_GetLangString(benchmark::State& state) {
    languageFile = Files().folder + "/Chinese.ini";
    // A key near the end: the whole file is read and scanned.
    const std::string key =
        "IDD" + std::to_string(100 + kDialogs - 1) + "_" + std::to_string(1000 + kControlsPerDialog - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(GetLangString(key));
    state.SetLabel(std::to_string(std::filesystem::file_size(languageFile)) + " byte file");
}
BENCHMARK(BM_GetLangString)->Unit(benchmark::kMicrosecond);

void BM_ReloadMessageTable(benchmark::State& state) {
    languageFile = Files().folder + "/Chinese.ini";
    for (auto _ : state) {
        ReloadMessageTable();
        benchmark::DoNotOptimize(MessageText(59).data());
    }
}
BENCHMARK(BM_ReloadMessageTable)->Unit(benchmark::kMicrosecond);

void BM_WriteConfigKey(benchmark::State& state) {
    const std::string path = Files().folder + "/Config.ini";
    int n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            WritePrivateProfileString("ComSet", "PortNum", std::to_string(++n % 10), path));
}
BENCHMARK(BM_WriteConfigKey)->Unit(benchmark::kMicrosecond);

} // namespace
BENCHMARK_MAIN();
