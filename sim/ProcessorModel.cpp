#include "ProcessorModel.h"

#include "device/ReplyDispatcher.h"
#include "link/ByteOrder.h"
#include "platform/CodePage936.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <sstream>

namespace corvane::sim {

namespace {

using std::chrono::milliseconds;

// Canvas area spanned by the four outputs in the factory arrangement.
constexpr std::uint32_t kCanvasLeft = 125;
constexpr std::uint32_t kCanvasTop = 198;
constexpr std::uint32_t kCanvasWidth = 4 * 1920;
constexpr std::uint32_t kCanvasHeight = 1080;

// What the processor accepts in an EDID it presents: each value within its bounds and a pixel
// rate, (H active + H blank) x (V active + V blank) x frame rate, of at most 594 MHz.
struct EdidBound {
    std::uint16_t EdidTiming::*field;
    std::uint16_t min;
    std::uint16_t max;
};
constexpr EdidBound kEdidBounds[] = {
    {&EdidTiming::hBlank, 96, 4092},   {&EdidTiming::vBlank, 16, 1024}, {&EdidTiming::hActive, 800, 4092},
    {&EdidTiming::vActive, 600, 2160}, {&EdidTiming::hSync, 4, 256},    {&EdidTiming::vSync, 4, 64},
    {&EdidTiming::hFront, 4, 512},     {&EdidTiming::vFront, 4, 64},    {&EdidTiming::refreshX10, 200, 1200},
};
constexpr std::uint64_t kEdidPixelRateMaxX10 = 5940000000; // 594 MHz, with the rate in tenths of a hertz

bool EdidRuns(const EdidTiming& t) {
    for (const EdidBound& b : kEdidBounds)
        if (t.*b.field < b.min || t.*b.field > b.max)
            return false;
    const std::uint64_t rateX10 = static_cast<std::uint64_t>(t.hActive + t.hBlank) *
                                  static_cast<std::uint64_t>(t.vActive + t.vBlank) * t.refreshX10;
    return rateX10 <= kEdidPixelRateMaxX10;
}

} // namespace

std::optional<EdidTiming> EdidAfter(const EdidTiming& current, const std::uint8_t* f) {
    EdidTiming t = current;
    switch (f[7]) {
    case 0: // back to the built-in timing
        return kBuiltInEdid;
    case 1: // the active size and frame rate; the blanking stays
    case 2: // the whole timing
        t.hActive = GetLE16(f + 8);
        t.vActive = GetLE16(f + 10);
        t.refreshX10 = GetLE16(f + 12);
        if (f[7] == 2) {
            t.hBlank = GetLE16(f + 14);
            t.vBlank = GetLE16(f + 16);
            t.hSync = GetLE16(f + 18);
            t.vSync = GetLE16(f + 20);
            t.hFront = GetLE16(f + 22);
            t.vFront = GetLE16(f + 24);
        }
        if (!EdidRuns(t))
            return std::nullopt;
        return t;
    default:
        return std::nullopt;
    }
}

namespace {

// Erase announcements the boot loader sends before it is ready for the image.
int EraseSteps(Target t) {
    return t == Target::Fpga ? 12 : 3;
}

// Text the processor keeps in code page 936, as UTF-8.
std::string FromCodePage936Field(const std::uint8_t* p, std::size_t length, std::size_t room) {
    const std::size_t n = std::min(length, room);
    return FromCodePage936(p, static_cast<std::size_t>(std::find(p, p + n, 0) - p));
}

// A crop window the processor can use: not empty, inside the picture the record describes.
bool CropFits(const CropRect& r) {
    return r.hSize != 0 && r.vSize != 0 && std::uint32_t{r.hStart} + r.hSize <= r.hTotal &&
           std::uint32_t{r.vStart} + r.vSize <= r.vTotal;
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

// The resolutions an output can run: a row of its list (the last one the custom timing) and
// an active picture of at most 2304000 pixels.
constexpr std::uint8_t kLastResolutionRow = kResolutionCount - 1;
constexpr std::uint32_t kMaxOutputPixels = 2304000;

// A resolution as the output commands carry it: the row, then the active width and height
// (16 bits each), then the rate flag or the row's tag. 0x0009 has it at byte 25, 0x000D at 7.
struct Resolution {
    std::uint8_t row = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t tag = 0;
};

Resolution ReadResolution(const std::uint8_t* p) {
    return Resolution{p[0], GetLE16(p + 1), GetLE16(p + 3), p[5]};
}

bool CanRun(const Resolution& r) {
    return r.row <= kLastResolutionRow && r.width != 0 && r.height != 0 &&
           std::uint32_t{r.width} * r.height <= kMaxOutputPixels;
}

bool Runs(const OutputInfo& o, const Resolution& r) {
    return o.resIndex == r.row && o.hActive == r.width && o.vActive == r.height && o.resTag == r.tag;
}

void TakeResolution(OutputInfo& o, const Resolution& r) {
    o.resIndex = r.row;
    o.hActive = r.width;
    o.vActive = r.height;
    o.resTag = r.tag;
}

std::uint8_t BlockChecksum(const std::uint8_t* b) {
    return static_cast<std::uint8_t>(std::accumulate(b, b + kBlockSize - 1, 0u) & 0xFF);
}

} // namespace

bool IsDataPacket(const std::uint8_t* block) {
    return block[8] == 0 && block[9] == 0 && block[10] == 0 && block[11] == 0;
}

std::vector<std::uint8_t> MakeDataPacket(const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> b(kBlockSize, 0);
    std::copy(kBlockMagic.begin(), kBlockMagic.end(), b.begin());
    n = std::min<std::size_t>(n, 1024);
    b[12] = static_cast<std::uint8_t>(n >> 8);
    b[13] = static_cast<std::uint8_t>(n & 0xFF);
    std::copy(data, data + n, b.begin() + 14);
    b[kBlockSize - 1] = BlockChecksum(b.data());
    return b;
}

std::vector<std::uint8_t> MakeReadBackBlock(std::uint16_t number, const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> b(kBlockSize, 0);
    std::copy(kBlockMagic.begin(), kBlockMagic.end(), b.begin());
    PutLE16(&b[8], number);
    std::copy(data, data + std::min<std::size_t>(n, 1024), b.begin() + 14);
    b[kBlockSize - 1] = BlockChecksum(b.data());
    return b;
}

ProcessorModel::ProcessorModel() {
    DeviceState& s = m_state;
    // A processor fresh from the factory: HDMI-1 and DisplayPort-1 carry 1080p60, layer 1
    // shows HDMI-1 on the first output, the outputs run 1920 x 1080 side by side.
    for (int i = 0; i < 4; ++i) {
        m_inputSignal[i] = s.inputs[i];
        m_inputSignal[i].signal = 1;
        m_inputPresent[i] = (i == 0 || i == 2) ? 1 : 0;
        OutputInfo& o = s.outputs[i];
        o.winW = 1920;
        o.winH = 1080;
        o.hActive = 1920;
        o.vActive = 1080;
        s.layers[i].source = static_cast<std::uint32_t>(i);
    }
    s.layers[0].visible = 1;
    s.layers[0].w = 1920;
    s.layers[0].h = 1080;
    for (int i = 0; i < 4; ++i)
        s.crop.rects[i] = CropRect{0, 0, 0, 1920, 1080, 1920, 1080};
    m_sysInfo.fill(1);
    SetCurrentInput(0);
    // The read-back image until an FPGA image has been sent: 64 KiB of a fixed pattern.
    m_images[static_cast<int>(Target::Fpga)].resize(64 * 1024);
    for (std::size_t i = 0; i < m_images[1].size(); ++i)
        m_images[1][i] = static_cast<std::uint8_t>((i * 31 + (i >> 10)) & 0xFF);
}

Outgoing ProcessorModel::Out(const Frame& f, milliseconds delay) {
    return Outgoing{delay, std::vector<std::uint8_t>(f.begin(), f.end()), true};
}

const std::vector<std::uint8_t>& ProcessorModel::Image(Target target) const {
    return m_images[static_cast<int>(target)];
}

void ProcessorModel::SetCurrentInput(int input) {
    m_state.currentInput = static_cast<std::uint32_t>(input);
    for (int i = 0; i < 4; ++i) {
        InputInfo& in = m_state.inputs[i];
        in.isCurrent = i == input ? 1 : 0;
        in.signal = i == input ? m_inputPresent[i] : 0;
        in.width = m_inputSignal[i].width;
        in.height = m_inputSignal[i].height;
        in.refreshX10 = m_inputSignal[i].refreshX10;
    }
    m_state.crop.cropInput = static_cast<std::uint8_t>(input);
    UpdateFrameRates();
}

void ProcessorModel::UpdateFrameRates() {
    CropState& c = m_state.crop;
    const std::size_t input = m_state.currentInput & 3;
    const bool signal = m_inputPresent[input] != 0;
    // Tenths of a hertz to hundredths, kept inside the record's 16 bits.
    const int rateX100 = std::min(m_inputSignal[input].refreshX10 * 10, 0xFFFF);
    c.inputFpsX100 = signal ? static_cast<std::uint16_t>(rateX100) : 0;
    c.outputFpsX100 = c.frameMode == 0 && signal ? c.inputFpsX100 : kOwnOutputFpsX100;
}

std::vector<Frame> ProcessorModel::StateRecords() const {
    const DeviceState& s = m_state;
    std::vector<Frame> r;
    r.push_back(VersionsReply(m_versions));
    r.push_back(InputStatusReply(s, static_cast<int>(s.currentInput)));
    const int currentGroup = s.currentInput < 2 ? 0 : 1;
    r.push_back(CropReply(s, 1 - currentGroup));
    r.push_back(CropReply(s, currentGroup));
    for (int i = 0; i < 4; ++i)
        r.push_back(LayerReply(s, i));
    for (int i = 0; i < 4; ++i)
        r.push_back(OutputReply(s, i));
    r.push_back(PictureReply(s, 0));
    r.push_back(PictureReply(s, 1));
    for (int i = 0; i < 4; ++i)
        r.push_back(EdidReply(s, i));
    r.push_back(WifiReply(s));
    for (int i = 0; i < 4; ++i)
        r.push_back(BlendReply(s, i));
    for (int i = 0; i < 4; ++i)
        r.push_back(CurveReply(s, i));
    return r;
}

void ProcessorModel::AddState(std::vector<Outgoing>& out) const {
    for (const Frame& f : StateRecords())
        out.push_back(Out(f));
}

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

std::vector<Outgoing> ProcessorModel::OnCommand(const std::uint8_t* f) {
    ++m_commands;
    Frame kept;
    std::copy(f, f + kFrameSize, kept.begin());
    m_received.push_back(kept);
    if (m_received.size() > kReceivedKept)
        m_received.pop_front();
    const std::uint16_t code = FrameCode(f);
    const std::uint8_t b6 = f[6];
    std::vector<Outgoing> out;
    if (code == kCmdPing) {
        ++m_pingAnswers;
        return out;
    }
    if (m_bootLoader || (code & 0x8000))
        return BootCommand(f);

    const bool edidTaken = code == kCmdEdid && b6 < 4 && EdidAfter(m_state.edidTimings[b6], f).has_value();
    const OutputOutcome outcome = Apply(f);
    const int group = m_state.currentInput < 2 ? 0 : 1;
    switch (code) {
    case kCmdCrop:
        if (b6 < 4) {
            out.push_back(Out(AckReply(kAckCrop, outcome == OutputOutcome::Refused ? 1 : 0, b6)));
            out.push_back(Out(CropReply(m_state, b6 < 2 ? 0 : 1)));
        }
        break;
    case kCmdEdid:
        if (b6 < 4) {
            // Status 1: the input presents the timing; 0: refused, the slot keeps its timing.
            out.push_back(Out(AckReply(kAckEdid, edidTaken ? 1 : 0, b6)));
            out.push_back(Out(EdidReply(m_state, b6)));
        } else {
            out.push_back(Out(AckReply(kAckEdid, 0, b6)));
        }
        break;
    case kCmdSelectInput:
        if (b6 < 4) {
            out.push_back(Out(InputStatusReply(m_state, b6)));
            out.push_back(Out(CropReply(m_state, group)));
        }
        break;
    case kCmdLoadPreset: {
        // Slots 0..2 hold the built-in arrangements until a setting is stored over them; an
        // empty slot recalls nothing and is answered with status 0 (the wait ends all the same).
        // The answer reports the layers only: the rest of a recalled setting (the outputs, the
        // picture, ...) the application learns when it asks for the state.
        const bool recalled = RecallPreset(b6);
        if (recalled)
            for (int i = 0; i < 4; ++i)
                out.push_back(Out(LayerReply(m_state, i)));
        out.push_back(Out(AckReply(kAckGeneric, recalled ? 1 : 0, b6)));
        break;
    }
    case kCmdLayer:
        if (b6 < 4)
            out.push_back(Out(LayerReply(m_state, b6)));
        break;
    case kCmdBlend:
        if (b6 < 4)
            out.push_back(Out(BlendReply(m_state, b6)));
        break;
    case kCmdBlendCurve:
        if (b6 < 4)
            out.push_back(Out(CurveReply(m_state, b6)));
        break;
    case kCmdOutputWindow:
        // A window or placement alone is acknowledged as operation 1 (status 0: done); a new
        // resolution as operation 0 (status 1: running it, 0: refused). Either way the output
        // record follows with what the output now runs.
        if (outcome == OutputOutcome::WindowStored)
            out.push_back(Out(AckReply(kAckOutputWindow, 0, b6)));
        else if (outcome != OutputOutcome::None)
            out.push_back(Out(AckReply(kAckOutput, outcome == OutputOutcome::ResolutionTaken ? 1 : 0, b6)));
        if (outcome != OutputOutcome::None)
            out.push_back(Out(OutputReply(m_state, b6)));
        break;
    case kCmdFactoryReset: {
        // The factory state; the firmware images stay, and so do the faults the simulator was
        // told to show and what it has received. Then the processor restarts: it answers nothing
        // (the simulator keeps it silent for its restart time).
        const auto images = m_images;
        const bool refuseUpgrade = m_refuseUpgrade;
        const bool refuseResolution = m_refuseResolution;
        const auto received = m_received;
        const std::uint64_t commands = m_commands;
        const std::uint64_t pings = m_pingAnswers;
        *this = ProcessorModel();
        m_images = images;
        m_refuseUpgrade = refuseUpgrade;
        m_refuseResolution = refuseResolution;
        m_received = received;
        m_commands = commands;
        m_pingAnswers = pings;
        m_restart = true;
        break;
    }
    case kCmdPicture:
        if (b6 < 4) {
            out.push_back(Out(AckReply(kAckPicture, 1, b6)));
            if (f[7] != 0 || b6 < 2)
                out.push_back(Out(PictureReply(m_state, 0)));
            if (f[7] != 0 || b6 >= 2)
                out.push_back(Out(PictureReply(m_state, 1)));
        }
        break;
    case kCmdFrameMode:
        // Acknowledgement 8 (which raises the application's frame-rate warning, and ends its
        // wait), then the mode it runs and the frame rates that follow from it.
        out.push_back(Out(AckReply(kAckStatus, 1, b6)));
        out.push_back(Out(CropReply(m_state, group)));
        out.push_back(Out(InputStatusReply(m_state, static_cast<int>(m_state.currentInput))));
        break;
    case kCmdOutputResolution:
        out.push_back(Out(AckReply(kAckOutput, outcome == OutputOutcome::ResolutionTaken ? 1 : 0, b6)));
        for (int n = 0; n < 4; ++n)
            if (n == b6 || b6 == 4)
                out.push_back(Out(OutputReply(m_state, n)));
        break;
    case kCmdWifi:
        // Status 1: stored; 0: not taken, the settings unchanged.
        out.push_back(Out(AckReply(kAckWifi, outcome == OutputOutcome::Refused ? 0 : 1, 0)));
        out.push_back(Out(WifiReply(m_state)));
        break;
    case kCmdInputBackup:
        out.push_back(Out(CropReply(m_state, group)));
        break;
    case kCmdEdidRequest:
        if (b6 < 4)
            out.push_back(Out(EdidReply(m_state, b6)));
        break;
    case kCmdRequestAll:
        AddState(out);
        break;
    case kCmdArrangeDone:
        out.push_back(Out(SimpleReply(0xB0)));
        break;
    case kCmdSysInfo:
        out.push_back(Out(SysInfoReply(m_sysInfo)));
        break;
    default:
        break;
    }
    return out;
}

bool ProcessorModel::DamageImage(Target target, std::size_t block) {
    std::vector<std::uint8_t>& image = m_images[static_cast<int>(target)];
    const std::size_t at = block * 1024 + 1;
    if (at >= image.size())
        return false;
    image[at] ^= 0x81;
    return true;
}

std::vector<Outgoing> ProcessorModel::EnterBootLoader() {
    m_bootLoader = true;
    m_transferring = false;
    return {Out(AnnounceReply(0))};
}

std::vector<Outgoing> ProcessorModel::BootCommand(const std::uint8_t* f) {
    std::vector<Outgoing> out;
    switch (FrameCode(f)) {
    case kCmdRequestAll: // a boot loader answers every hello with its announce
    case kCmdEnterBoot:
        if (m_upgradeFaults.noAnnounce) {
            m_bootLoader = true;
            m_transferring = false;
            return {};
        }
        return EnterBootLoader();
    case kCmdAnnounceImage: {
        if (!m_bootLoader)
            break;
        m_target = f[6] == 0 ? Target::Mcu : f[6] == 2 ? Target::HdmiRx : Target::Fpga;
        m_announcedBlocks = GetLE16(f + 7);
        m_receivedBlocks = 0;
        m_imagePackets = 0;
        m_incoming.clear();
        m_transferring = true;
        m_transferBad = false;
        const int steps = EraseSteps(m_target);
        for (int i = 1; i <= steps; ++i)
            out.push_back(Out(AnnounceReply(4), kErasePeriodMs * i));
        out.push_back(Out(AnnounceReply(2), kErasePeriodMs * (steps + 1)));
        break;
    }
    case kCmdReadBack: {
        if (!m_bootLoader)
            break;
        const std::vector<std::uint8_t>& image = m_images[static_cast<int>(Target::Fpga)];
        std::uint16_t number = 1;
        for (std::size_t pos = 0; pos < image.size(); pos += 1024, ++number) {
            if (number == m_upgradeFaults.skipReadBack)
                continue;
            Outgoing block;
            block.bytes = MakeReadBackBlock(number, image.data() + pos,
                                            std::min<std::size_t>(1024, image.size() - pos));
            if (number == m_upgradeFaults.damageReadBack)
                block.bytes[kBlockSize - 1] ^= 0x5A;
            out.push_back(std::move(block));
        }
        out.push_back(Out(AnnounceReply(3)));
        break;
    }
    case kCmdEndImage:
        if (m_transferring) {
            m_transferring = false;
            const bool good = !m_refuseUpgrade && !m_transferBad && m_receivedBlocks == m_announcedBlocks &&
                              m_receivedBlocks > 0;
            if (good)
                m_images[static_cast<int>(m_target)] = m_incoming;
            if (!m_upgradeFaults.noResult)
                out.push_back(Out(AckReply(kAckUpgradeStep, 0, good ? 1 : 0)));
        } else {
            m_bootLoader = false; // leave upgrade mode: the processor restarts into its program
        }
        break;
    default:
        break; // the boot loader knows nothing else
    }
    return out;
}

std::vector<Outgoing> ProcessorModel::OnBlock(const std::uint8_t* b) {
    std::vector<Outgoing> out;
    const bool checksumOk = BlockChecksum(b) == b[kBlockSize - 1];
    if (IsDataPacket(b)) {
        ++m_packets;
        const std::size_t n = static_cast<std::size_t>(b[12] << 8 | b[13]);
        if (!m_transferring)
            return out;
        const bool damaged = ++m_imagePackets == static_cast<std::uint32_t>(m_upgradeFaults.damagePacket);
        if (!checksumOk || damaged || n == 0 || n > 1024) {
            ++m_badPackets;
            m_transferBad = true;
            return out;
        }
        m_incoming.insert(m_incoming.end(), b + 14, b + 14 + n);
        ++m_receivedBlocks;
        return out;
    }
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

std::vector<Outgoing> ProcessorModel::SetInputSignal(int input, bool present, std::uint16_t width,
                                                     std::uint16_t height, std::uint16_t refreshX10) {
    std::vector<Outgoing> out;
    if (input < 0 || input > 3)
        return out;
    m_inputPresent[input] = present ? 1 : 0;
    if (width)
        m_inputSignal[input].width = width;
    if (height)
        m_inputSignal[input].height = height;
    if (refreshX10)
        m_inputSignal[input].refreshX10 = refreshX10;
    // The crop's picture is the signal's: a window that no longer fits becomes the whole
    // picture.
    CropRect& crop = m_state.crop.rects[input];
    const bool newPicture =
        present && (crop.hTotal != m_inputSignal[input].width || crop.vTotal != m_inputSignal[input].height);
    if (newPicture) {
        crop.hTotal = m_inputSignal[input].width;
        crop.vTotal = m_inputSignal[input].height;
        if (!CropFits(crop)) {
            crop.hStart = crop.vStart = 0;
            crop.hSize = crop.hTotal;
            crop.vSize = crop.vTotal;
        }
    }
    if (static_cast<std::uint32_t>(input) == m_state.currentInput) {
        SetCurrentInput(input);
        Outgoing o = Out(InputStatusReply(m_state, input));
        o.reply = false;
        out.push_back(o);
        if (newPicture) {
            Outgoing c = Out(CropReply(m_state, input < 2 ? 0 : 1));
            c.reply = false;
            out.push_back(c);
        }
    }
    return out;
}

std::string ProcessorModel::Describe() const {
    const DeviceState& s = m_state;
    std::ostringstream t;
    t << "mode " << (m_bootLoader ? "bootloader" : "normal") << "\n";
    t << "input current=" << s.currentInput;
    for (int i = 0; i < 4; ++i)
        t << " signal" << i << "=" << int(m_inputPresent[i]);
    t << "\n";
    for (int i = 0; i < 4; ++i) {
        const LayerInfo& l = s.layers[i];
        t << "layer " << i << " source=" << l.source << " x=" << l.x << " y=" << l.y << " w=" << l.w
          << " h=" << l.h << " visible=" << int(l.visible) << " zoom=" << int(l.zoomOn) << "\n";
    }
    for (int i = 0; i < 4; ++i) {
        const OutputInfo& o = s.outputs[i];
        t << "output " << i << " x=" << o.canvasX << " y=" << o.canvasY << " width=" << o.width
          << " height=" << o.height << " window=" << o.winX << "," << o.winY << "," << o.winW << "," << o.winH
          << " res=" << o.resIndex << " active=" << o.hActive << "x" << o.vActive << " tag=" << o.resTag
          << "\n";
    }
    for (int i = 0; i < 4; ++i) {
        const PictureSettings& p = s.picture[i];
        t << "picture " << i << " brightness=" << int(p.brightness) << " contrast=" << int(p.contrast)
          << " gamma=" << int(p.gamma) << " colortemp=" << int(p.colorTemp) << " gains=" << int(p.red) << ","
          << int(p.green) << "," << int(p.blue) << "\n";
    }
    for (int i = 0; i < 4; ++i) {
        const CropRect& c = s.crop.rects[i];
        t << "crop " << i << " on=" << int(c.on) << " start=" << c.hStart << "," << c.vStart
          << " size=" << c.hSize << "x" << c.vSize << " total=" << c.hTotal << "x" << c.vTotal << "\n";
    }
    for (int i = 0; i < 4; ++i) {
        const EdidTiming& e = s.edidTimings[i];
        t << "edid " << i << " active=" << e.hActive << "x" << e.vActive << " fps-x10=" << e.refreshX10
          << " blank=" << e.hBlank << "," << e.vBlank << " sync=" << e.hSync << "," << e.vSync
          << " front=" << e.hFront << "," << e.vFront << "\n";
    }
    t << "frame mode=" << s.crop.frameMode << " input-fps=" << s.crop.inputFpsX100
      << " output-fps=" << s.crop.outputFpsX100 << " backup=" << int(s.crop.inputBackup) << "\n";
    t << "wifi ssid=" << s.wifi.ssid << " ip=" << s.wifi.ip << "\n";
    t << "upgrade packets=" << m_packets << " bad=" << m_badPackets << " fpga=" << m_images[1].size()
      << " mcu=" << m_images[0].size() << " hdmirx=" << m_images[2].size() << "\n";
    t << "presets received=" << m_presetFiles << " refused=" << m_refusedPresetFiles << " stored=";
    const char* separator = "";
    for (int slot = 0; slot < kStoredPresets; ++slot)
        if (HasStoredPreset(slot)) {
            t << separator << slot;
            separator = ",";
        }
    t << (*separator ? "" : "none") << "\n";
    t << "pings answered=" << m_pingAnswers << " commands=" << m_commands << "\n";
    return t.str();
}

} // namespace corvane::sim
