// What the setting commands change in the processor's state (also the records of a preset
// file), and what the processor refuses to take.
#include "ProcessorModel.h"
#include "device/ReplyDispatcher.h"
#include "link/ByteOrder.h"
#include "platform/CodePage936.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace corvane::sim {

namespace {

// Text the processor keeps in code page 936, as UTF-8.
std::string FromCodePage936Field(const std::uint8_t* p, std::size_t length, std::size_t room) {
    const std::size_t n = std::min(length, room);
    return FromCodePage936(p, static_cast<std::size_t>(std::find(p, p + n, 0) - p));
}

void ReadCropRect(CropRect& r, const std::uint8_t* p) {
    r.on = p[0];
    r.hStart = GetLE16(p + 1);
    r.vStart = GetLE16(p + 3);
    r.hSize = GetLE16(p + 5);
    r.vSize = GetLE16(p + 7);
    r.hTotal = GetLE16(p + 9);
    r.vTotal = GetLE16(p + 11);
}

} // namespace

ProcessorModel::OutputOutcome ProcessorModel::ApplyOutputWindow(const std::uint8_t* f) {
    const std::uint8_t k = f[6];
    if (k >= 4)
        return OutputOutcome::None;
    OutputInfo& o = m_state.outputs[k];
    const Resolution r = ReadResolution(f + 25);
    const bool change = !Runs(o, r);
    // A refused resolution takes the placement with it: the output stays as it was.
    if (change && (m_refuseResolution || !CanRun(r)))
        return OutputOutcome::Refused;
    o.canvasX = GetLE24(f + 7);
    o.canvasY = GetLE24(f + 10);
    o.width = GetLE16(f + 13);
    o.height = GetLE16(f + 15);
    o.winX = GetLE16(f + 17);
    o.winY = GetLE16(f + 19);
    o.winW = GetLE16(f + 21);
    o.winH = GetLE16(f + 23);
    TakeResolution(o, r);
    return change ? OutputOutcome::ResolutionTaken : OutputOutcome::WindowStored;
}

ProcessorModel::OutputOutcome ProcessorModel::ApplyOutputResolution(const std::uint8_t* f) {
    const std::uint8_t which = f[6]; // an output, or 4 for all
    const Resolution r = ReadResolution(f + 7);
    if (which > 4 || m_refuseResolution || !CanRun(r))
        return OutputOutcome::Refused;
    for (int n = 0; n < 4; ++n) {
        if (n != which && which != 4)
            continue;
        // The window becomes the whole active picture; the place on the canvas stays.
        OutputInfo& o = m_state.outputs[n];
        TakeResolution(o, r);
        o.winX = 0;
        o.winY = 0;
        o.winW = o.width = r.width;
        o.winH = o.height = r.height;
    }
    return OutputOutcome::ResolutionTaken;
}

ProcessorModel::OutputOutcome ProcessorModel::Apply(const std::uint8_t* f) {
    DeviceState& s = m_state;
    const std::uint8_t b6 = f[6];
    switch (FrameCode(f)) {
    case kCmdCrop:
        if (b6 < 4) {
            CropRect r;
            ReadCropRect(r, f + 8);
            // A window that is empty or leaves its picture is refused; the input keeps its crop.
            if (!CropFits(r))
                return OutputOutcome::Refused;
            s.crop.rects[b6] = r;
        }
        break;
    case kCmdCropPreset:
        if (b6 == 0x12 || b6 == 0x34) {
            const int k = b6 == 0x12 ? 0 : 2;
            ReadCropRect(s.crop.rects[k], f + 7);
            ReadCropRect(s.crop.rects[k + 1], f + 20);
        }
        break;
    case kCmdEdid:
        if (b6 < 4)
            if (const std::optional<EdidTiming> t = EdidAfter(s.edidTimings[b6], f))
                s.edidTimings[b6] = *t;
        break;
    case kCmdSelectInput:
        if (b6 < 4)
            SetCurrentInput(b6);
        break;
    case kCmdLayer:
        if (b6 < 4) {
            LayerInfo& l = s.layers[b6];
            if (f[7] < 4)
                l.source = f[7];
            l.zoomOn = f[8];
            l.zoomX = GetLE16(f + 9);
            l.zoomY = GetLE16(f + 11);
            l.zoomW = GetLE16(f + 13);
            l.zoomH = GetLE16(f + 15);
            l.srcW = GetLE16(f + 17);
            l.srcH = GetLE16(f + 19);
            l.x = GetLE24(f + 21);
            l.y = GetLE24(f + 24);
            l.w = GetLE24(f + 27);
            l.h = GetLE24(f + 30);
            l.visible = f[33] ? 1 : 0;
        }
        break;
    case kCmdBlend:
        if (b6 < 4) {
            for (int side = 0; side < kSideCount; ++side) {
                const std::uint8_t* p = f + 7 + 7 * side;
                BlendSide& b = s.outputs[b6].blend[side];
                b.enable = p[0] & 1;
                b.direction = (p[0] >> 1) & 1;
                b.gamma = p[1];
                b.table = p[2];
                b.start = GetLE16(p + 3);
                b.size = GetLE16(p + 5);
            }
        }
        break;
    case kCmdBlendCurve:
        if (b6 < 4)
            std::copy(f + 7, f + 23, s.outputs[b6].curve.begin());
        break;
    case kCmdOutputWindow:
        return ApplyOutputWindow(f);
    case kCmdPicture:
        if (b6 < 4) {
            for (int n = 0; n < 4; ++n) {
                if (n != b6 && f[7] == 0)
                    continue;
                PictureSettings& p = s.picture[n];
                p.brightness = f[9];
                p.contrast = f[10];
                p.gamma = f[11];
                p.colorTemp = f[12];
                if (f[12] == 8) { // user gains; the presets' gains are the processor's own
                    p.red = f[13];
                    p.green = f[14];
                    p.blue = f[15];
                }
                p.aux0 = f[16];
                p.aux1 = f[17];
                p.aux2 = f[18];
                p.aux3 = f[19];
            }
        }
        break;
    case kCmdFrameMode:
        // Two modes: 0 frame sync, 1 frame conversion; any other value changes nothing.
        if (b6 <= 1) {
            s.crop.frameMode = b6;
            UpdateFrameRates();
        }
        break;
    case kCmdOutputResolution:
        return ApplyOutputResolution(f);
    case kCmdWifi:
        return ApplyWifi(f) ? OutputOutcome::None : OutputOutcome::Refused;
    case kCmdInputBackup:
        s.crop.inputBackup = b6 ? 1 : 0;
        break;
    default:
        break;
    }
    return OutputOutcome::None;
}

bool ProcessorModel::ApplyWifi(const std::uint8_t* f) {
    // The SSID: 1 to 14 bytes of code page 936 without control characters; the password: 8 to
    // 12 bytes (the module's own minimum); anything else is not taken.
    const std::size_t ssidLength = f[6];
    const std::size_t passwordLength = f[21];
    if (ssidLength == 0 || ssidLength > 14 || passwordLength < 8 || passwordLength > 12)
        return false;
    const std::uint8_t* ssid = f + 7;
    if (std::any_of(ssid, ssid + ssidLength, [](std::uint8_t b) { return b < 0x20 || b == 0x7F; }))
        return false;
    const std::string ssidText = FromCodePage936(ssid, ssidLength);
    const std::string passwordText = FromCodePage936(f + 22, passwordLength);
    constexpr std::string_view kUndecodable = "\xEF\xBF\xBD";
    if (ssidText.find(kUndecodable) != std::string::npos ||
        passwordText.find(kUndecodable) != std::string::npos)
        return false;
    WifiConfig& w = m_state.wifi;
    w.ssid = ssidText;
    w.password = FromCodePage936Field(f + 22, passwordLength, 11);
    char ip[20];
    std::snprintf(ip, sizeof ip, "%u.%u.%u.%u", f[34], f[35], f[36], f[37]);
    w.ip = ip;
    return true;
}

} // namespace corvane::sim
