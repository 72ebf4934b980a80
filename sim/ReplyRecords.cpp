#include "ReplyRecords.h"

#include "link/ByteOrder.h"
#include "platform/CodePage936.h"

#include <algorithm>
#include <cstdio>

namespace corvane::sim {

namespace {

Frame Sealed(Frame f) {
    SealFrame(f);
    return f;
}

void PutCropRect(std::uint8_t* p, const CropRect& r) {
    p[0] = r.on;
    PutLE16(p + 1, r.hStart);
    PutLE16(p + 3, r.vStart);
    PutLE16(p + 5, r.hSize);
    PutLE16(p + 7, r.vSize);
    PutLE16(p + 9, r.hTotal);
    PutLE16(p + 11, r.vTotal);
}

// Texts travel in code page 936; the state keeps them as UTF-8. At most `room` bytes, never
// half a character.
std::size_t PutCodePage936(std::uint8_t* p, const std::string& text, std::size_t room) {
    std::string bytes = ToCodePage936(text).value_or(std::string());
    std::size_t n = 0;
    while (n < bytes.size()) {
        const std::size_t step = static_cast<unsigned char>(bytes[n]) >= 0x80 ? 2 : 1;
        if (n + step > room || n + step > bytes.size())
            break;
        n += step;
    }
    std::copy_n(bytes.begin(), n, p);
    return n;
}

} // namespace

Frame EdidReply(const DeviceState& s, int slot) {
    Frame f = StartFrame(0xA2);
    const EdidTiming& t = s.edidTimings[slot];
    f[6] = static_cast<std::uint8_t>(slot);
    const std::uint16_t v[9] = {t.hBlank, t.vBlank, t.hActive, t.vActive,   t.hSync,
                                t.vSync,  t.hFront, t.vFront,  t.refreshX10};
    for (int i = 0; i < 9; ++i)
        PutLE16(&f[7 + 2 * i], v[i]);
    return Sealed(f);
}

Frame InputStatusReply(const DeviceState& s, int input) {
    Frame f = StartFrame(0xA3);
    const InputInfo& in = s.inputs[input];
    f[6] = static_cast<std::uint8_t>(input);
    f[7] = in.signal;
    PutLE16(&f[8], in.width);
    PutLE16(&f[10], in.height);
    PutLE16(&f[12], in.refreshX10);
    PutLE16(&f[14], s.crop.inputFpsX100);
    PutLE16(&f[16], s.crop.outputFpsX100);
    return Sealed(f);
}

Frame VersionsReply(const FirmwareVersions& v) {
    Frame f = StartFrame(0xA4);
    f[6] = v.b6;
    f[7] = v.b7;
    f[8] = v.b8;
    f[9] = v.b9;
    return Sealed(f);
}

Frame CropReply(const DeviceState& s, int group) {
    Frame f = StartFrame(0xA7);
    f[6] = static_cast<std::uint8_t>(s.currentInput);
    f[7] = static_cast<std::uint8_t>(s.crop.frameMode);
    PutCropRect(&f[8], s.crop.rects[2 * group]);
    PutCropRect(&f[21], s.crop.rects[2 * group + 1]);
    f[34] = static_cast<std::uint8_t>(group);
    f[35] = s.crop.inputBackup;
    return Sealed(f);
}

Frame LayerReply(const DeviceState& s, int layer) {
    Frame f = StartFrame(0xA8);
    const LayerInfo& l = s.layers[layer];
    f[6] = static_cast<std::uint8_t>(layer);
    f[7] = static_cast<std::uint8_t>(l.source);
    f[8] = l.zoomOn;
    const std::uint16_t v[6] = {l.zoomX, l.zoomY, l.zoomW, l.zoomH, l.srcW, l.srcH};
    for (int i = 0; i < 6; ++i)
        PutLE16(&f[9 + 2 * i], v[i]);
    PutLE24(&f[21], l.x);
    PutLE24(&f[24], l.y);
    PutLE24(&f[27], l.w);
    PutLE24(&f[30], l.h);
    f[33] = l.visible;
    return Sealed(f);
}

Frame BlendReply(const DeviceState& s, int output) {
    Frame f = StartFrame(0xA9);
    f[6] = static_cast<std::uint8_t>(output);
    std::uint8_t bits = 0;
    for (int side = 0; side < kSideCount; ++side) {
        const BlendSide& b = s.outputs[output].blend[side];
        bits |= static_cast<std::uint8_t>((b.enable & 1) << (2 * side));
        bits |= static_cast<std::uint8_t>((b.direction & 1) << (2 * side + 1));
        std::uint8_t* p = &f[8 + 6 * side];
        p[0] = b.gamma;
        p[1] = b.table;
        PutLE16(p + 2, b.start);
        PutLE16(p + 4, b.size);
    }
    f[7] = bits;
    return Sealed(f);
}

Frame CurveReply(const DeviceState& s, int output) {
    Frame f = StartFrame(0xAA);
    f[6] = static_cast<std::uint8_t>(output);
    std::copy(s.outputs[output].curve.begin(), s.outputs[output].curve.end(), &f[7]);
    return Sealed(f);
}

Frame OutputReply(const DeviceState& s, int output) {
    Frame f = StartFrame(0xAB);
    const OutputInfo& o = s.outputs[output];
    f[6] = static_cast<std::uint8_t>(output);
    PutLE24(&f[7], o.canvasX);
    PutLE24(&f[10], o.canvasY);
    const std::uint16_t v[6] = {o.width, o.height, o.winX, o.winY, o.winW, o.winH};
    for (int i = 0; i < 6; ++i)
        PutLE16(&f[13 + 2 * i], v[i]);
    f[25] = static_cast<std::uint8_t>(o.resIndex);
    PutLE16(&f[26], o.hActive);
    PutLE16(&f[28], o.vActive);
    f[30] = static_cast<std::uint8_t>(o.resTag);
    return Sealed(f);
}

Frame PictureReply(const DeviceState& s, int pair) {
    Frame f = StartFrame(0xAC);
    f[6] = pair == 0 ? 0x12 : 0x34;
    for (int k = 0; k < 2; ++k) {
        const PictureSettings& p = s.picture[2 * pair + k];
        const std::uint8_t v[11] = {p.brightness, p.contrast, p.gamma, p.colorTemp, p.red, p.green,
                                    p.blue,       p.aux0,     p.aux1,  p.aux2,      p.aux3};
        std::copy(v, v + 11, &f[7 + 11 * k]);
    }
    return Sealed(f);
}

Frame WifiReply(const DeviceState& s) {
    Frame f = StartFrame(0xB1);
    f[6] = static_cast<std::uint8_t>(PutCodePage936(&f[7], s.wifi.ssid, 14));
    f[21] = static_cast<std::uint8_t>(PutCodePage936(&f[22], s.wifi.password, 11));
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(s.wifi.ip.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) == 4) {
        f[34] = static_cast<std::uint8_t>(a);
        f[35] = static_cast<std::uint8_t>(b);
        f[36] = static_cast<std::uint8_t>(c);
        f[37] = static_cast<std::uint8_t>(d);
    }
    return Sealed(f);
}

Frame SysInfoReply(const std::array<std::uint8_t, 13>& flags) {
    Frame f = StartFrame(0xB2);
    std::copy(flags.begin(), flags.end(), &f[6]);
    return Sealed(f);
}

Frame AckReply(std::uint8_t operation, std::uint8_t status, std::uint8_t argument) {
    Frame f = StartFrame(0xAE);
    f[6] = operation;
    f[7] = status;
    f[8] = argument;
    return Sealed(f);
}

Frame AnnounceReply(std::uint8_t status) {
    return MakeFrameByte6(0x8002, status);
}

Frame SimpleReply(std::uint16_t code) {
    return code == 0xB3 || code == 0xB0 ? MakeFrameByte6(code, 0) : MakeFrame(code);
}

} // namespace corvane::sim
