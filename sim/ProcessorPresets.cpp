// The processor's presets: its own three arrangements, the settings stored in its slots and
// recalled by index, and the preset files the application sends.
#include "ProcessorModel.h"
#include "device/ReplyDispatcher.h"

namespace corvane::sim {

namespace {

// Canvas area spanned by the four outputs in the factory arrangement.
constexpr std::uint32_t kCanvasLeft = 125;
constexpr std::uint32_t kCanvasTop = 198;
constexpr std::uint32_t kCanvasWidth = 4 * 1920;
constexpr std::uint32_t kCanvasHeight = 1080;

} // namespace

void ProcessorModel::ApplyPreset(int slot) {
    // The processor's own presets 1 to 3: four windows in a 2 x 2 grid, side by side in one
    // row across the middle, stacked as four full-width rows.
    for (int i = 0; i < 4; ++i) {
        LayerInfo& l = m_state.layers[i];
        l.visible = 1;
        l.source = static_cast<std::uint32_t>(i);
        l.zoomOn = 0;
        switch (slot) {
        case 0:
            l.w = kCanvasWidth / 2;
            l.h = kCanvasHeight / 2;
            l.x = kCanvasLeft + l.w * (i % 2);
            l.y = kCanvasTop + l.h * (i / 2);
            break;
        case 1:
            l.w = kCanvasWidth / 4;
            l.h = kCanvasHeight / 2;
            l.x = kCanvasLeft + l.w * i;
            l.y = kCanvasTop + kCanvasHeight / 4;
            break;
        default:
            l.w = kCanvasWidth;
            l.h = kCanvasHeight / 4;
            l.x = kCanvasLeft;
            l.y = kCanvasTop + l.h * i;
            break;
        }
    }
}

bool ProcessorModel::StorePreset(int slot) {
    if (slot < 0 || slot >= kStoredPresets)
        return false;
    m_storedPresets[static_cast<std::size_t>(slot)] = m_state;
    return true;
}

bool ProcessorModel::HasStoredPreset(int slot) const {
    return slot >= 0 && slot < kStoredPresets && m_storedPresets[static_cast<std::size_t>(slot)].has_value();
}

bool ProcessorModel::RecallPreset(int slot) {
    if (HasStoredPreset(slot)) {
        // What a preset holds; the signals, EDIDs, frame mode and WiFi stay as they are.
        const DeviceState& p = *m_storedPresets[static_cast<std::size_t>(slot)];
        m_state.layers = p.layers;
        m_state.outputs = p.outputs;
        m_state.picture = p.picture;
        m_state.crop.rects = p.crop.rects;
        m_state.crop.inputBackup = p.crop.inputBackup;
        SetCurrentInput(static_cast<int>(p.currentInput));
        return true;
    }
    if (slot < 0 || slot >= 3)
        return false;
    ApplyPreset(slot);
    return true;
}

std::vector<Outgoing> ProcessorModel::TakePresetFile(const std::uint8_t* b) {
    std::vector<Outgoing> out;
    const bool checksumOk = BlockChecksum(b) == b[kBlockSize - 1];
    // A preset file: checked as a whole (its version, its 24 records, its checksum), then its
    // records are applied one after another, each only with its own magic and checksum right;
    // the new state is reported and the wait ended. A file that fails the check changes
    // nothing and is answered with status 0, so the application's wait still ends.
    if (m_bootLoader)
        return out;
    ++m_presetFiles;
    const bool version = b[8] == 0 && b[9] == 0 && b[10] == 0 && b[11] == 1;
    const int count = b[12] << 8 | b[13];
    if (!version || count != kPresetRecords || !checksumOk) {
        ++m_refusedPresetFiles;
        out.push_back(Out(AckReply(kAckGeneric, 0, 0)));
        return out;
    }
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* r = b + 14 + kFrameSize * static_cast<std::size_t>(k);
        if (HasFrameMagic(r) && FrameChecksum(r) == r[kChecksumOffset])
            Apply(r);
    }
    AddState(out);
    out.push_back(Out(AckReply(kAckGeneric, 1, 0)));
    return out;
}

} // namespace corvane::sim
