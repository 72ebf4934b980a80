#pragma once

// The preset file: the processor's whole setting in one 1039-byte block, as it is kept in a
// slot's file on the PC and sent to the processor in one piece.
//
//   offset  size  content
//   0       8     magic D2 E3 F4 05 16 27 38 49
//   8       4     00 00 00 01
//   12      2     number of records, high byte first: 00 18 (24)
//   14      936   24 complete command frames, each with its own checksum (kPresetRecordCodes)
//   950     88    zero
//   1038    1     the low byte of the sum of bytes 0..1037
//
// Every record comes from the builder of the subsystem that owns its command, each from a
// fresh frame template, so the file and the pages always agree.

#include "device/DeviceState.h"
#include "device/OutputPicks.h"
#include "link/CommandFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

inline constexpr std::size_t kPresetFileSize = kBlockSize;
inline constexpr int kPresetRecordCount = 24;
inline constexpr std::size_t kPresetRecordsOffset = 14;
inline constexpr std::size_t kPresetZerosOffset =
    kPresetRecordsOffset + kPresetRecordCount * kFrameSize;               // 950
inline constexpr std::size_t kPresetChecksumOffset = kPresetFileSize - 1; // 1038

// Bytes 0..13: the magic, the version and the record count.
inline constexpr std::array<std::uint8_t, kPresetRecordsOffset> kPresetHeader = {
    0xD2, 0xE3, 0xF4, 0x05, 0x16, 0x27, 0x38, 0x49, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18};

// The code of record k: the current input, four output windows, four layers, four picture
// settings, four edge blends, four blend curves, two crop pairs, the input backup switch.
extern const std::array<std::uint16_t, kPresetRecordCount> kPresetRecordCodes;

using PresetFile = std::array<std::uint8_t, kPresetFileSize>;

// Record k (0..23) as the file carries it.
Frame BuildPresetRecord(const DeviceState& state, int k);

// The whole file from what the processor runs as the application holds it: each output's
// record (built as the output page builds code 0x0009) carries the resolution the output runs
// (AppliedPick), never a row the output page picked and did not apply, so loading the file
// applies nothing nobody applied.
PresetFile BuildPresetFile(const DeviceState& state);

// The low byte of the sum of bytes 0..1037 of a 1039-byte file.
std::uint8_t PresetFileChecksum(const std::uint8_t* file);

// Command 0x0005: recall the preset the processor keeps under `index` (byte 6, the low byte).
Frame BuildPresetRecallFrame(std::intptr_t index);

// What a check of a file found, record by record.
struct PresetRecordCheck {
    int index = 0;             // k
    std::uint16_t code = 0;    // the code it carries
    bool magicOk = false;      // starts with the frame magic
    bool checksumOk = false;   // its own checksum is right
    bool expectedCode = false; // the code the file format puts there
};

struct PresetFileCheck {
    std::size_t size = 0;
    bool sizeOk = false;                    // exactly 1039 bytes
    bool magicOk = false;                   // bytes 0..7
    bool versionOk = false;                 // bytes 8..11
    int recordCount = 0;                    // bytes 12..13 (0 when the file is too short to say)
    bool zerosOk = false;                   // bytes 950..1037 are zero
    bool checksumOk = false;                // byte 1038
    std::vector<PresetRecordCheck> records; // the records the file holds room for (at most 24)

    // Everything as the application writes it.
    bool Valid() const;
    // One line: "preset file: 1039 bytes, magic ok, ..., records 24/24 ok" or what is wrong.
    std::string Describe() const;
};

// Checks any bytes as a preset file; never reads outside [data, data + size).
PresetFileCheck CheckPresetFile(const std::uint8_t* data, std::size_t size);

} // namespace corvane
