#pragma once

// What the operator changed on the processor, recorded as undo steps in an EditHistory. The
// recorder watches every frame that leaves for the processor and every record that comes back:
// it keeps the values the processor holds as far as Corvane knows them (the baseline, one slice
// of DeviceState per command: a layer, an output's window, an output's resolution, an output's
// edge blend, an output's picture settings, an input's crop, the frame mode, the current input,
// the input backup), so that a change sent is a step from the baseline's values (its earlier
// values) to the state's (its later ones).
//
// A frame sent outside an action is a step of its own; steps of the same slices within
// EditHistory::kCoalesceMs of each other are one (arrow keys pressed in a row, a slider moved).
// An action (BeginAction .. EndAction, nested ones count as one) gathers every frame sent
// meanwhile into one step (a drag, a group move, "Clear all layers", an arrangement pattern); an
// action that records nothing (an input change, which switches the old input's crop off) only
// moves the baseline. A preset file sent whole is one step too: its undo sends the preset file
// built from the state before it, its redo the file again. An output's resolution changes the
// state when the processor acknowledges it: that acknowledgement is the step (with the window the
// Apply gave the output, sent in an action that awaits it).
//
// Undo writes the step's earlier values into the state and asks the replay target to send each
// slice again through the pages (the same builders and pages as the change); redo the same with
// the later values. Frames sent while replaying move the baseline and record nothing. Without
// Qt; the main window feeds it and provides the replay target.

#include "device/DeviceState.h"
#include "device/EditHistory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// One kind of slice; each has four of them (an index 0..3), the frame mode, input and input
// backup only the first.
enum class EditKind : int {
    Resolution = 0,
    OutputWindow,
    Blend,
    Crop,
    FrameMode,
    Input,
    InputBackup,
    Picture,
    Layer,
    Count
};
inline constexpr int kEditKindCount = static_cast<int>(EditKind::Count);

// A set of slices: bit 4 * kind + index.
using EditSlices = std::uint64_t;
constexpr EditSlices EditSlice(EditKind kind, int index) {
    return EditSlices{1} << (4 * static_cast<int>(kind) + (index & 3));
}
constexpr EditSlices EditKindSlices(EditKind kind) {
    return EditSlices{0xF} << (4 * static_cast<int>(kind));
}
// Whether a replay may send slice `index` again: one of the four layers, outputs or inputs;
// anything past the last is refused unsent.
bool ReplayableIndex(int index);

// The values of every slice.
struct EditValues {
    std::array<LayerInfo, kLayerCount> layers{};
    std::array<OutputInfo, kOutputCount> outputs{};
    std::array<PictureSettings, kOutputCount> picture{};
    CropState crop{};
    std::uint32_t currentInput = 0;
};
EditValues CaptureEditValues(const DeviceState& state);
// Whether the state holds `values` in every slice of `slices`.
bool HoldsEditValues(const DeviceState& state, const EditValues& values, EditSlices slices);
// Writes `values` into the state, slice by slice.
void RestoreEditValues(DeviceState& state, const EditValues& values, EditSlices slices);
void CopyEditValues(EditValues& to, const EditValues& from, EditSlices slices);

// What leaving bytes change: one or more 39-byte command frames, or a preset file (every slice
// a preset file holds; `presetFile` set). Frames that change no slice give 0.
EditSlices SlicesOfCommand(const std::uint8_t* data, std::size_t length, bool* presetFile = nullptr);
// What a record of the processor reports (an acknowledged resolution: the outputs concerned).
EditSlices SlicesOfRecord(const std::uint8_t* record);
// The slices a preset file sets.
EditSlices PresetFileSlices();
// A step's name when its page gave none: "Layer2", "Output1 window", "Picture ALL", ...
std::string EditWhat(EditSlices slices, bool chinese);

// What sends a slice again, through the pages (the main window provides it; tests fake it).
class EditReplayTarget {
public:
    virtual ~EditReplayTarget() = default;
    // The state holds the values to send: the pages show them and the slice's command leaves.
    // False when nothing could be sent.
    virtual bool Resend(EditKind kind, int index) = 0;
    // A whole preset file, sent as the presets page sends one.
    virtual bool SendPresetFile(const std::vector<std::uint8_t>& bytes) = 0;
    // The preset file built from the state (its preset slices), sent the same way.
    virtual bool SendStateAsPresetFile() = 0;
};

class EditRecorder {
public:
    using Clock = std::function<std::int64_t()>; // steady milliseconds
    // How long after a step (or its undo or redo) the processor's records of its slices are its
    // answer, taken as the step's values, rather than a later change of someone else.
    static constexpr std::int64_t kAnswerMs = 2000;

    EditRecorder(DeviceState& state, Clock clock = {});

    void SetReplayTarget(EditReplayTarget* target) { m_target = target; }
    // Whether names are Chinese.
    void SetChinese(bool chinese) { m_chinese = chinese; }

    // A new synchronisation: the baseline is the state, the history is emptied.
    void Synchronised();
    // Bytes left for the processor (after the page wrote the state they were built from).
    void Sent(const std::uint8_t* data, std::size_t length);
    // A record was dispatched (the state holds what it reported).
    void Reported(const std::uint8_t* record);

    // The operator's action begins: what it sends until its end is one step named `what` (a
    // name from its slices when empty); with `record` false nothing of it is recorded.
    void BeginAction(std::string what, bool record = true);
    // What the action sends waits for the processor's acknowledgement (a resolution applied to
    // one output travels in its window command): it moves no baseline and records nothing; the
    // acknowledgement is the step, from the values before the action to those acknowledged.
    void AwaitAcknowledgement();
    void EndAction();
    bool InAction() const { return m_actionDepth > 0; }

    // Undoes (redoes) the newest step the state still shows; false when none, or when nothing
    // could be sent.
    bool Undo();
    bool Redo();
    std::string UndoText();
    std::string RedoText();
    bool Replaying() const { return m_replaying; }

    EditHistory& History() { return m_history; }
    const EditValues& Baseline() const { return m_baseline; }

private:
    struct Action {
        std::string what;
        bool record = true;
        bool awaitsAcknowledgement = false;
        EditSlices slices = 0;
        EditValues before;
        std::vector<std::uint8_t> presetFile; // the last preset file sent in it
    };

    std::int64_t Now() const;
    // Sent bytes while replaying, outside an action, or inside one.
    void Take(EditSlices slices, const std::uint8_t* data, std::size_t length, bool presetFile);
    void RecordStep(std::string what, EditSlices slices, const EditValues& before, std::string coalesceKey,
                    std::vector<std::uint8_t> presetFile);
    bool Replay(EditSlices slices, const std::shared_ptr<EditValues>& values, bool asPresetFile);
    // The processor's records for `slices` within kAnswerMs are its answer: `values` take them.
    void Await(std::shared_ptr<EditValues> values, EditSlices slices);

    DeviceState& m_state;
    Clock m_clock;
    EditHistory m_history;
    EditValues m_baseline;
    EditReplayTarget* m_target = nullptr;
    bool m_chinese = false;
    bool m_replaying = false;
    int m_actionDepth = 0;
    Action m_action;
    struct Answer {
        std::shared_ptr<EditValues> values;
        EditSlices slices = 0;
        std::int64_t untilMs = 0;
    };
    Answer m_answer;
    int m_replayedResolutions = 0; // resolutions a replay sent, whose acknowledgements are no step
};

} // namespace corvane
