// The processor's state, the answers it sends to each command and the reports of its state.
#include "ProcessorModel.h"

#include "device/ReplyDispatcher.h"

#include <algorithm>
#include <sstream>

namespace corvane::sim {

using std::chrono::milliseconds;

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

std::vector<Outgoing> ProcessorModel::OnBlock(const std::uint8_t* b) {
    return IsDataPacket(b) ? TakeDataPacket(b) : TakePresetFile(b);
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
