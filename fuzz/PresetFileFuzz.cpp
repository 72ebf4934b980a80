// Random bytes as a preset file in a slot (a file someone copied, edited or a disk spoilt).
// Nothing may crash or read outside the bytes, and the check must keep its promises: at most
// the records the bytes have room for, never more than 24; a valid file is exactly 1039 bytes
// whose checksum and zeros hold; a file the application builds from the state the records
// describe is valid.

#include "presets/PresetFile.h"

#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact copy, so that a read beyond the end is seen by the address sanitizer.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const PresetFileCheck check = CheckPresetFile(bytes.data(), bytes.size());
    const std::size_t room = size >= kPresetRecordsOffset ? (size - kPresetRecordsOffset) / kFrameSize : 0;
    if (check.records.size() > kPresetRecordCount || check.records.size() > room)
        std::abort();
    for (std::size_t k = 0; k < check.records.size(); ++k)
        if (check.records[k].index != static_cast<int>(k))
            std::abort();
    if (check.Valid()) {
        if (size != kPresetFileSize || !check.checksumOk || !check.zerosOk)
            std::abort();
        const auto sum = std::accumulate(bytes.begin(), bytes.end() - 1, 0u);
        if (static_cast<std::uint8_t>(sum & 0xFF) != bytes.back())
            std::abort();
    }
    if (check.Describe().empty())
        std::abort();

    // The bytes as a state: whatever they say, the file built from it is valid.
    DeviceState state;
    if (size > 0)
        state.currentInput = data[0];
    if (size > 1)
        state.crop.inputBackup = data[1];
    for (std::size_t i = 0; i + 2 < size && i < 16; ++i)
        state.outputs[i % 4].curve[i] = data[i + 2];
    const PresetFile built = BuildPresetFile(state);
    if (!CheckPresetFile(built.data(), built.size()).Valid())
        std::abort();
    return 0;
}
