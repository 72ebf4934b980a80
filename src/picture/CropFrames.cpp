#include "picture/CropFrames.h"

#include "link/ByteOrder.h"

namespace corvane {

namespace {

void PutRect(std::uint8_t* p, const CropRect& r) {
    p[0] = r.on;
    PutLE16(p + 1, r.hStart);
    PutLE16(p + 3, r.vStart);
    PutLE16(p + 5, r.hSize);
    PutLE16(p + 7, r.vSize);
    PutLE16(p + 9, r.hTotal);
    PutLE16(p + 11, r.vTotal);
}

} // namespace

Frame BuildCropFrame(const DeviceState& state, int input, std::uint8_t argument) {
    Frame f = StartFrame(kCmdCrop);
    const int n = input & 3;
    f[6] = static_cast<std::uint8_t>(n);
    f[7] = argument;
    PutRect(&f[8], state.crop.rects[static_cast<std::size_t>(n)]);
    SealFrame(f);
    return f;
}

Frame BuildCropPresetFrame(const DeviceState& state, int pair) {
    Frame f = StartFrame(kCmdCropPreset);
    const int k = pair == 2 ? 2 : 0;
    f[6] = pair == 0 ? 0x12 : pair == 2 ? 0x34 : static_cast<std::uint8_t>(pair);
    PutRect(&f[7], state.crop.rects[static_cast<std::size_t>(k)]);
    PutRect(&f[20], state.crop.rects[static_cast<std::size_t>(k + 1)]);
    SealFrame(f);
    return f;
}

} // namespace corvane
