#include "device/EditRecorder.h"

#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "link/CommandFrame.h"

#include <chrono>
#include <memory>
#include <utility>

namespace corvane {

namespace {

// A preset file is one block: a 14-byte header, then its command frames one after the other.
constexpr std::size_t kPresetFileRecords = 14;
constexpr int kPresetFileRecordCount = 24;

bool Has(EditSlices slices, EditKind kind, int index) {
    return (slices & EditSlice(kind, index)) != 0;
}

bool SameLayer(const LayerInfo& a, const LayerInfo& b) {
    return a.source == b.source && a.zoomOn == b.zoomOn && a.zoomX == b.zoomX && a.zoomY == b.zoomY &&
           a.zoomW == b.zoomW && a.zoomH == b.zoomH && a.srcW == b.srcW && a.srcH == b.srcH && a.x == b.x &&
           a.y == b.y && a.w == b.w && a.h == b.h && a.visible == b.visible;
}

bool SameWindow(const OutputInfo& a, const OutputInfo& b) {
    return a.canvasX == b.canvasX && a.canvasY == b.canvasY && a.width == b.width && a.height == b.height &&
           a.winX == b.winX && a.winY == b.winY && a.winW == b.winW && a.winH == b.winH;
}

bool SameResolution(const OutputInfo& a, const OutputInfo& b) {
    return a.resIndex == b.resIndex && a.hActive == b.hActive && a.vActive == b.vActive &&
           a.resTag == b.resTag;
}

bool SameBlend(const OutputInfo& a, const OutputInfo& b) {
    for (int s = 0; s < kSideCount; ++s) {
        const BlendSide &x = a.blend[s], &y = b.blend[s];
        if (x.enable != y.enable || x.direction != y.direction || x.gamma != y.gamma || x.table != y.table ||
            x.start != y.start || x.size != y.size)
            return false;
    }
    return a.curve == b.curve;
}

bool SamePicture(const PictureSettings& a, const PictureSettings& b) {
    return a.brightness == b.brightness && a.contrast == b.contrast && a.gamma == b.gamma &&
           a.colorTemp == b.colorTemp && a.red == b.red && a.green == b.green && a.blue == b.blue &&
           a.aux0 == b.aux0 && a.aux1 == b.aux1 && a.aux2 == b.aux2 && a.aux3 == b.aux3;
}

bool SameCrop(const CropRect& a, const CropRect& b) {
    return a.on == b.on && a.hStart == b.hStart && a.vStart == b.vStart && a.hSize == b.hSize &&
           a.vSize == b.vSize && a.hTotal == b.hTotal && a.vTotal == b.vTotal;
}

void CopyWindow(OutputInfo& to, const OutputInfo& from) {
    to.canvasX = from.canvasX;
    to.canvasY = from.canvasY;
    to.width = from.width;
    to.height = from.height;
    to.winX = from.winX;
    to.winY = from.winY;
    to.winW = from.winW;
    to.winH = from.winH;
}

void CopyResolution(OutputInfo& to, const OutputInfo& from) {
    to.resIndex = from.resIndex;
    to.hActive = from.hActive;
    to.vActive = from.vActive;
    to.resTag = from.resTag;
}

// The slices one command frame sets.
EditSlices SlicesOfFrame(const std::uint8_t* f) {
    const std::uint8_t b6 = f[6];
    const bool one = b6 < 4;
    switch (FrameCode(f)) {
    case kCmdLayer:
        return one ? EditSlice(EditKind::Layer, b6) : 0;
    case kCmdOutputWindow:
        return one ? EditSlice(EditKind::OutputWindow, b6) : 0;
    case kCmdPicture:
        if (f[7] == 1)
            return EditKindSlices(EditKind::Picture);
        return one ? EditSlice(EditKind::Picture, b6) : 0;
    case kCmdBlend:
    case kCmdBlendCurve:
        return one ? EditSlice(EditKind::Blend, b6) : 0;
    case kCmdCrop:
        return one ? EditSlice(EditKind::Crop, b6) : 0;
    case kCmdCropPreset:
        return b6 == 0x12   ? EditSlice(EditKind::Crop, 0) | EditSlice(EditKind::Crop, 1)
               : b6 == 0x34 ? EditSlice(EditKind::Crop, 2) | EditSlice(EditKind::Crop, 3)
                            : 0;
    case kCmdFrameMode:
        return EditSlice(EditKind::FrameMode, 0);
    case kCmdSelectInput:
        return one ? EditSlice(EditKind::Input, 0) : 0;
    case kCmdInputBackup:
        return EditSlice(EditKind::InputBackup, 0);
    default:
        return 0;
    }
}

const char* KindName(EditKind kind, bool chinese) {
    switch (kind) {
    case EditKind::Resolution:
        return chinese ? "分辨率" : "resolution";
    case EditKind::OutputWindow:
        return chinese ? "窗口" : "window";
    case EditKind::Blend:
        return chinese ? "边缘融合" : "Edge blend";
    case EditKind::Crop:
        return chinese ? "裁剪" : "Crop";
    case EditKind::FrameMode:
        return chinese ? "帧同步模式" : "Frame sync mode";
    case EditKind::Input:
        return chinese ? "输入" : "Input";
    case EditKind::InputBackup:
        return chinese ? "输入备份" : "Input backup";
    case EditKind::Picture:
        return chinese ? "图像" : "Picture";
    default:
        return chinese ? "图层" : "Layer";
    }
}

} // namespace

bool ReplayableIndex(int index) {
    return !(index < 0 || index > 3);
}

EditValues CaptureEditValues(const DeviceState& state) {
    EditValues v;
    v.layers = state.layers;
    v.outputs = state.outputs;
    v.picture = state.picture;
    v.crop = state.crop;
    v.currentInput = state.currentInput;
    return v;
}

bool HoldsEditValues(const DeviceState& state, const EditValues& v, EditSlices slices) {
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<std::size_t>(i);
        if (Has(slices, EditKind::Layer, i) && !SameLayer(state.layers[n], v.layers[n]))
            return false;
        if (Has(slices, EditKind::OutputWindow, i) && !SameWindow(state.outputs[n], v.outputs[n]))
            return false;
        if (Has(slices, EditKind::Resolution, i) && !SameResolution(state.outputs[n], v.outputs[n]))
            return false;
        if (Has(slices, EditKind::Blend, i) && !SameBlend(state.outputs[n], v.outputs[n]))
            return false;
        if (Has(slices, EditKind::Picture, i) && !SamePicture(state.picture[n], v.picture[n]))
            return false;
        if (Has(slices, EditKind::Crop, i) && !SameCrop(state.crop.rects[n], v.crop.rects[n]))
            return false;
    }
    if (Has(slices, EditKind::FrameMode, 0) && state.crop.frameMode != v.crop.frameMode)
        return false;
    if (Has(slices, EditKind::Input, 0) && state.currentInput != v.currentInput)
        return false;
    if (Has(slices, EditKind::InputBackup, 0) && state.crop.inputBackup != v.crop.inputBackup)
        return false;
    return true;
}

namespace {

// Copies the slices of `from` into the parts of `to` (a DeviceState or EditValues).
template <class To> void CopySlices(To& to, const EditValues& from, EditSlices slices) {
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<std::size_t>(i);
        if (Has(slices, EditKind::Layer, i))
            to.layers[n] = from.layers[n];
        if (Has(slices, EditKind::OutputWindow, i))
            CopyWindow(to.outputs[n], from.outputs[n]);
        if (Has(slices, EditKind::Resolution, i))
            CopyResolution(to.outputs[n], from.outputs[n]);
        if (Has(slices, EditKind::Blend, i)) {
            to.outputs[n].blend = from.outputs[n].blend;
            to.outputs[n].curve = from.outputs[n].curve;
        }
        if (Has(slices, EditKind::Picture, i))
            to.picture[n] = from.picture[n];
        if (Has(slices, EditKind::Crop, i))
            to.crop.rects[n] = from.crop.rects[n];
    }
    if (Has(slices, EditKind::FrameMode, 0))
        to.crop.frameMode = from.crop.frameMode;
    if (Has(slices, EditKind::Input, 0))
        to.currentInput = from.currentInput;
    if (Has(slices, EditKind::InputBackup, 0))
        to.crop.inputBackup = from.crop.inputBackup;
}

} // namespace

void RestoreEditValues(DeviceState& state, const EditValues& values, EditSlices slices) {
    CopySlices(state, values, slices);
}

void CopyEditValues(EditValues& to, const EditValues& from, EditSlices slices) {
    CopySlices(to, from, slices);
}

EditSlices SlicesOfCommand(const std::uint8_t* data, std::size_t length, bool* presetFile) {
    if (presetFile)
        *presetFile = false;
    if (!data)
        return 0;
    if (length == kBlockSize) {
        if (presetFile)
            *presetFile = true;
        EditSlices slices = 0;
        for (int k = 0; k < kPresetFileRecordCount; ++k)
            slices |= SlicesOfFrame(data + kPresetFileRecords + static_cast<std::size_t>(k) * kFrameSize);
        return slices;
    }
    EditSlices slices = 0;
    for (std::size_t at = 0; at + kFrameSize <= length; at += kFrameSize)
        slices |= SlicesOfFrame(data + at);
    return slices;
}

EditSlices SlicesOfRecord(const std::uint8_t* r) {
    const std::uint8_t b6 = r[6];
    const bool one = b6 < 4;
    switch (FrameCode(r)) {
    case kReplyLayer:
        return one ? EditSlice(EditKind::Layer, b6) : 0;
    case kReplyOutput:
        return one ? EditSlice(EditKind::OutputWindow, b6) | EditSlice(EditKind::Resolution, b6) : 0;
    case kReplyBlend:
    case kReplyCurve:
        return one ? EditSlice(EditKind::Blend, b6) : 0;
    case kReplyPicture:
        return b6 == 0x12   ? EditSlice(EditKind::Picture, 0) | EditSlice(EditKind::Picture, 1)
               : b6 == 0x34 ? EditSlice(EditKind::Picture, 2) | EditSlice(EditKind::Picture, 3)
                            : 0;
    case kReplyCrop: {
        if (!one)
            return 0;
        const int pair = r[34] == 0 ? 0 : 2;
        return EditSlice(EditKind::Crop, pair) | EditSlice(EditKind::Crop, pair + 1) |
               EditSlice(EditKind::FrameMode, 0) | EditSlice(EditKind::Input, 0) |
               EditSlice(EditKind::InputBackup, 0);
    }
    case kReplyInputStatus:
        return one ? EditSlice(EditKind::Input, 0) : 0;
    case kReplyAck: {
        if (r[6] != kAckOutput || r[7] != 1)
            return 0;
        const EditSlices both = EditKindSlices(EditKind::OutputWindow) | EditKindSlices(EditKind::Resolution);
        if (r[8] == 4)
            return both;
        return r[8] < 4
                   ? both & (EditSlice(EditKind::OutputWindow, r[8]) | EditSlice(EditKind::Resolution, r[8]))
                   : 0;
    }
    default:
        return 0;
    }
}

EditSlices PresetFileSlices() {
    // An output's record carries the resolution the output runs, with its window.
    return EditKindSlices(EditKind::OutputWindow) | EditKindSlices(EditKind::Resolution) |
           EditKindSlices(EditKind::Layer) | EditKindSlices(EditKind::Picture) |
           EditKindSlices(EditKind::Blend) | EditKindSlices(EditKind::Crop) | EditSlice(EditKind::Input, 0) |
           EditSlice(EditKind::InputBackup, 0);
}

std::string EditWhat(EditSlices slices, bool chinese) {
    const char* layerWord = chinese ? "图层" : "Layer";
    const char* outputWord = chinese ? "输出" : "Output";
    const char* inputWord = chinese ? "输入" : "Input";
    int kinds = 0;
    EditKind only = EditKind::Layer;
    for (int k = 0; k < kEditKindCount; ++k)
        if (slices & EditKindSlices(static_cast<EditKind>(k))) {
            ++kinds;
            only = static_cast<EditKind>(k);
        }
    if (kinds == 0)
        return {};
    if (kinds > 1)
        return chinese ? "多项设置" : "Changes";
    const EditSlices of = (slices >> (4 * static_cast<int>(only))) & 0xF;
    int index = -1; // the one slice of the kind, -1 when several
    for (int i = 0; i < 4; ++i)
        if (of == (1u << i))
            index = i;
    const std::string kind = KindName(only, chinese);
    const std::string number = index < 0 ? std::string() : std::to_string(index + 1);
    switch (only) {
    case EditKind::Layer:
        return index < 0 ? std::string(chinese ? "多个图层" : "Layers") : layerWord + number;
    case EditKind::OutputWindow:
    case EditKind::Resolution:
        return index < 0 ? kind + (chinese ? " 全部输出" : " of outputs") : outputWord + number + " " + kind;
    case EditKind::Blend:
        return index < 0 ? kind : kind + " " + outputWord + number;
    case EditKind::Picture:
        return of == 0xF ? kind + " ALL" : index < 0 ? kind : kind + " " + outputWord + number;
    case EditKind::Crop:
        return index < 0 ? kind : kind + " " + inputWord + number;
    default:
        return kind;
    }
}

// ---- the recorder

EditRecorder::EditRecorder(DeviceState& state, Clock clock)
    : m_state(state), m_clock(std::move(clock)), m_baseline(CaptureEditValues(state)) {}

std::int64_t EditRecorder::Now() const {
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void EditRecorder::Synchronised() {
    m_baseline = CaptureEditValues(m_state);
    m_history.Clear();
    m_answer = Answer{};
    m_replayedResolutions = 0;
}

void EditRecorder::Reported(const std::uint8_t* record) {
    if (!record)
        return;
    const EditSlices slices = SlicesOfRecord(record);
    if (FrameCode(record) == kReplyAck && record[6] == kAckOutput && m_replayedResolutions > 0) {
        --m_replayedResolutions; // the answer to an undone (redone) resolution
        CopyEditValues(m_baseline, CaptureEditValues(m_state), slices);
        return;
    }
    if (!slices)
        return;
    if (m_answer.values && (slices & m_answer.slices) && Now() <= m_answer.untilMs)
        // The processor's answer to the newest step (or the one just undone or redone): what it
        // runs is that step's values, also where it made more of the command than was sent (an
        // "ALL" picture edit sets every field of every output).
        CopyEditValues(*m_answer.values, CaptureEditValues(m_state), slices & m_answer.slices);
    if (FrameCode(record) == kReplyAck && !m_replaying && m_actionDepth == 0) {
        // A resolution the operator applied runs now: that is the step.
        const EditValues before = m_baseline;
        CopyEditValues(m_baseline, CaptureEditValues(m_state), slices);
        if (!HoldsEditValues(m_state, before, slices))
            RecordStep(EditWhat(slices & EditKindSlices(EditKind::Resolution), m_chinese), slices, before, {},
                       {});
        return;
    }
    CopyEditValues(m_baseline, CaptureEditValues(m_state), slices);
}

void EditRecorder::Sent(const std::uint8_t* data, std::size_t length) {
    if (!data)
        return;
    if (m_replaying)
        for (std::size_t at = 0; length != kBlockSize && at + kFrameSize <= length; at += kFrameSize)
            if (FrameCode(data + at) == kCmdOutputResolution)
                ++m_replayedResolutions;
    bool presetFile = false;
    const EditSlices slices = SlicesOfCommand(data, length, &presetFile);
    if (slices)
        Take(slices, data, length, presetFile);
}

void EditRecorder::Take(EditSlices slices, const std::uint8_t* data, std::size_t length, bool presetFile) {
    if (presetFile)
        slices |= PresetFileSlices(); // the processor runs the whole file, whatever records it holds
    const EditValues now = CaptureEditValues(m_state);
    if (m_replaying) {
        CopyEditValues(m_baseline, now, slices);
        return;
    }
    if (m_actionDepth > 0 && m_action.awaitsAcknowledgement)
        return; // the processor's acknowledgement is the step, from the baseline as it stands
    if (m_actionDepth > 0) {
        // The first time the action sends a slice, its earlier values are the baseline's.
        CopyEditValues(m_action.before, m_baseline, slices & ~m_action.slices);
        m_action.slices |= slices;
        if (presetFile)
            m_action.presetFile.assign(data, data + length);
        CopyEditValues(m_baseline, now, slices);
        return;
    }
    const EditValues before = m_baseline;
    CopyEditValues(m_baseline, now, slices);
    if (presetFile) {
        // What the processor makes of the file is known when it reports: the step holds always.
        RecordStep(EditWhat(slices, m_chinese), slices, before, {},
                   std::vector<std::uint8_t>(data, data + length));
        return;
    }
    if (HoldsEditValues(m_state, before, slices))
        return; // sent again unchanged: nothing to undo
    RecordStep(EditWhat(slices, m_chinese), slices, before, "slices:" + std::to_string(slices), {});
}

void EditRecorder::BeginAction(std::string what, bool record) {
    if (m_actionDepth++ > 0)
        return;
    m_action = Action{};
    m_action.what = std::move(what);
    m_action.record = record;
}

void EditRecorder::AwaitAcknowledgement() {
    if (m_actionDepth > 0)
        m_action.awaitsAcknowledgement = true;
}

void EditRecorder::EndAction() {
    if (m_actionDepth == 0 || --m_actionDepth > 0)
        return;
    Action action = std::move(m_action);
    m_action = Action{};
    if (!action.record || !action.slices)
        return;
    if (action.presetFile.empty() && HoldsEditValues(m_state, action.before, action.slices))
        return; // it changed nothing
    std::string what = action.what.empty() ? EditWhat(action.slices, m_chinese) : std::move(action.what);
    m_history.Seal();
    RecordStep(std::move(what), action.slices, action.before, {}, std::move(action.presetFile));
    m_history.Seal();
}

void EditRecorder::RecordStep(std::string what, EditSlices slices, const EditValues& before,
                              std::string coalesceKey, std::vector<std::uint8_t> presetFile) {
    const auto after = std::make_shared<EditValues>(CaptureEditValues(m_state));
    const auto earlier = std::make_shared<EditValues>(before);
    EditStep step;
    step.what = std::move(what);
    step.coalesceKey = std::move(coalesceKey);
    if (presetFile.empty()) {
        step.holdsAfter = [after, slices](const DeviceState& s) {
            return HoldsEditValues(s, *after, slices);
        };
        step.holdsBefore = [earlier, slices](const DeviceState& s) {
            return HoldsEditValues(s, *earlier, slices);
        };
        step.undo = [this, earlier, slices] { return Replay(slices, earlier, false); };
        step.redo = [this, after, slices] { return Replay(slices, after, false); };
        Await(after, slices);
    } else {
        // The file's values reach the state when the processor reports them; nothing to test.
        auto file = std::make_shared<const std::vector<std::uint8_t>>(std::move(presetFile));
        const EditSlices fileSlices = slices | PresetFileSlices();
        step.undo = [this, earlier, fileSlices] { return Replay(fileSlices, earlier, true); };
        step.redo = [this, file] {
            if (!m_target || m_state.linkState != kLinkSynchronised)
                return false;
            m_replaying = true;
            const bool sent = m_target->SendPresetFile(*file);
            m_replaying = false;
            return sent;
        };
    }
    m_history.Record(std::move(step), Now());
}

void EditRecorder::Await(std::shared_ptr<EditValues> values, EditSlices slices) {
    m_answer.values = std::move(values);
    m_answer.slices = slices;
    m_answer.untilMs = Now() + kAnswerMs;
}

bool EditRecorder::Replay(EditSlices slices, const std::shared_ptr<EditValues>& values, bool asPresetFile) {
    if (!m_target || m_state.linkState != kLinkSynchronised)
        return false; // nothing would leave: the state keeps what the processor has
    RestoreEditValues(m_state, *values, slices);
    if (!asPresetFile)
        Await(values, slices);
    m_replaying = true;
    bool sent = true;
    if (asPresetFile) {
        sent = m_target->SendStateAsPresetFile();
    } else {
        // Resolutions first: the windows and layers that follow are placed in the outputs they set.
        for (int k = 0; k < kEditKindCount; ++k)
            for (int i = 0; i < 4; ++i)
                if (Has(slices, static_cast<EditKind>(k), i))
                    sent = m_target->Resend(static_cast<EditKind>(k), i) && sent;
    }
    m_replaying = false;
    return sent;
}

bool EditRecorder::Undo() {
    return m_history.Undo(m_state);
}

bool EditRecorder::Redo() {
    return m_history.Redo(m_state);
}

std::string EditRecorder::UndoText() {
    return m_history.UndoText(m_state);
}

std::string EditRecorder::RedoText() {
    return m_history.RedoText(m_state);
}

} // namespace corvane
