#include "presets/PresetFile.h"

#include "blend/BlendFrames.h"
#include "layout/LayerFrames.h"
#include "layout/OutputFrames.h"
#include "link/CommandCodes.h"
#include "picture/CropFrames.h"
#include "picture/PictureFrames.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace corvane {

const std::array<std::uint16_t, kPresetRecordCount> kPresetRecordCodes = {
    kCmdSelectInput,                                                        // 0
    kCmdOutputWindow, kCmdOutputWindow, kCmdOutputWindow, kCmdOutputWindow, // 1..4
    kCmdLayer,        kCmdLayer,        kCmdLayer,        kCmdLayer,        // 5..8
    kCmdPicture,      kCmdPicture,      kCmdPicture,      kCmdPicture,      // 9..12
    kCmdBlend,        kCmdBlend,        kCmdBlend,        kCmdBlend,        // 13..16
    kCmdBlendCurve,   kCmdBlendCurve,   kCmdBlendCurve,   kCmdBlendCurve,   // 17..20
    kCmdCropPreset,   kCmdCropPreset,                                       // 21, 22
    kCmdInputBackup,                                                        // 23
};

Frame BuildPresetRecord(const DeviceState& state, int k) {
    if (k <= 0)
        return MakeFrameByte6(kCmdSelectInput, static_cast<std::uint8_t>(state.currentInput));
    if (k <= 4)
        return BuildOutputWindowFrame(state, AppliedPicks(state), k - 1);
    if (k <= 8)
        return BuildLayerFrame(state, k - 5);
    if (k <= 12)
        return BuildPictureRecordFrame(state, k - 9);
    if (k <= 16)
        return BuildBlendFrame(state, k - 13);
    if (k <= 20)
        return BuildBlendCurveFrame(state, k - 17);
    if (k <= 22)
        return BuildCropPresetFrame(state, k == 21 ? 0 : 2);
    return MakeFrameByte6(kCmdInputBackup, state.crop.inputBackup);
}

PresetFile BuildPresetFile(const DeviceState& state) {
    PresetFile file{};
    std::copy(kPresetHeader.begin(), kPresetHeader.end(), file.begin());
    for (int k = 0; k < kPresetRecordCount; ++k) {
        const Frame record = BuildPresetRecord(state, k);
        std::copy(record.begin(), record.end(),
                  file.begin() + static_cast<std::ptrdiff_t>(kPresetRecordsOffset + kFrameSize * k));
    }
    file[kPresetChecksumOffset] = PresetFileChecksum(file.data());
    return file;
}

std::uint8_t PresetFileChecksum(const std::uint8_t* file) {
    return static_cast<std::uint8_t>(std::accumulate(file, file + kPresetChecksumOffset, 0u) & 0xFF);
}

Frame BuildPresetRecallFrame(std::intptr_t index) {
    return MakeFrameByte6(kCmdLoadPreset, static_cast<std::uint8_t>(index & 0xFF));
}

bool PresetFileCheck::Valid() const {
    if (!sizeOk || !magicOk || !versionOk || recordCount != kPresetRecordCount || !zerosOk || !checksumOk ||
        records.size() != kPresetRecordCount)
        return false;
    return std::all_of(records.begin(), records.end(), [](const PresetRecordCheck& r) {
        return r.magicOk && r.checksumOk && r.expectedCode;
    });
}

std::string PresetFileCheck::Describe() const {
    std::string text = "preset file: " + std::to_string(size) + " bytes";
    if (!sizeOk) {
        text += " (not " + std::to_string(kPresetFileSize) + ")";
        return text;
    }
    const auto flag = [&](const char* what, bool ok) {
        text += ", ";
        text += what;
        text += ok ? " ok" : " WRONG";
    };
    flag("magic", magicOk);
    flag("version", versionOk);
    text += ", count " + std::to_string(recordCount);
    flag("zeros", zerosOk);
    flag("checksum", checksumOk);
    int good = 0;
    std::string bad;
    for (const PresetRecordCheck& r : records) {
        if (r.magicOk && r.checksumOk && r.expectedCode) {
            ++good;
            continue;
        }
        char entry[64];
        std::snprintf(entry, sizeof entry, " %d:%04X%s%s%s", r.index, r.code, r.magicOk ? "" : "/magic",
                      r.checksumOk ? "" : "/checksum", r.expectedCode ? "" : "/code");
        bad += entry;
    }
    text += ", records " + std::to_string(good) + "/" + std::to_string(kPresetRecordCount) + " ok";
    if (!bad.empty())
        text += ", bad:" + bad;
    return text;
}

PresetFileCheck CheckPresetFile(const std::uint8_t* data, std::size_t size) {
    PresetFileCheck check;
    check.size = size;
    check.sizeOk = size == kPresetFileSize;
    if (data == nullptr)
        size = 0;
    check.magicOk = size >= 8 && std::equal(kPresetHeader.begin(), kPresetHeader.begin() + 8, data);
    check.versionOk =
        size >= 12 && std::equal(kPresetHeader.begin() + 8, kPresetHeader.begin() + 12, data + 8);
    if (size >= kPresetRecordsOffset)
        check.recordCount = data[12] << 8 | data[13];
    for (int k = 0; k < kPresetRecordCount; ++k) {
        const std::size_t at = kPresetRecordsOffset + kFrameSize * static_cast<std::size_t>(k);
        if (at + kFrameSize > size)
            break;
        const std::uint8_t* r = data + at;
        PresetRecordCheck record;
        record.index = k;
        record.code = FrameCode(r);
        record.magicOk = HasFrameMagic(r);
        record.checksumOk = FrameChecksum(r) == r[kChecksumOffset];
        record.expectedCode = record.code == kPresetRecordCodes[static_cast<std::size_t>(k)];
        check.records.push_back(record);
    }
    if (check.sizeOk) {
        check.zerosOk = std::all_of(data + kPresetZerosOffset, data + kPresetChecksumOffset,
                                    [](std::uint8_t b) { return b == 0; });
        check.checksumOk = PresetFileChecksum(data) == data[kPresetChecksumOffset];
    }
    return check;
}

} // namespace corvane
