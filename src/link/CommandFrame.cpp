#include "link/CommandFrame.h"

#include "link/ByteOrder.h"

#include <algorithm>

namespace corvane {

Frame FrameTemplate() {
    Frame f;
    std::copy(kFrameMagic.begin(), kFrameMagic.end(), f.begin());
    std::fill(f.begin() + 4, f.begin() + kChecksumOffset, kFiller);
    f[kChecksumOffset] = kChecksumPlaceholder;
    return f;
}

Frame StartFrame(std::uint16_t code) {
    Frame f = FrameTemplate();
    PutLE16(&f[4], code);
    return f;
}

std::uint8_t FrameChecksum(const std::uint8_t* frame) {
    unsigned sum = 0;
    for (std::size_t i = 3; i < kChecksumOffset; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void SealFrame(Frame& frame) {
    frame[kChecksumOffset] = FrameChecksum(frame.data());
}

Frame MakeFrame(std::uint16_t code) {
    Frame f = StartFrame(code);
    SealFrame(f);
    return f;
}

Frame MakeFrameByte6(std::uint16_t code, std::uint8_t byte6) {
    Frame f = StartFrame(code);
    f[kPayloadOffset] = byte6;
    SealFrame(f);
    return f;
}

std::uint16_t FrameCode(const std::uint8_t* frame) {
    return GetLE16(frame + 4);
}

bool HasFrameMagic(const std::uint8_t* bytes) {
    return std::equal(kFrameMagic.begin(), kFrameMagic.end(), bytes);
}

} // namespace corvane
