#pragma once

// What the simulated processor knows and how it answers: its state (the same fields the
// application keeps), its stored presets, its boot loader and firmware images. Pure logic,
// no I/O: every command returns the records to send, each with a delay from now.

#include "Blocks.h"
#include "ReplyRecords.h"
#include "SettingRules.h"
#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace corvane::sim {

struct Outgoing {
    std::chrono::milliseconds delay{0}; // from the moment the command was handled
    std::vector<std::uint8_t> bytes;    // one record (39 bytes) or one read-back block (1039 bytes)
    bool reply = true;                  // an answer to a command (subject to the drop and delay faults)
};

// The firmware targets of the boot loader, by the target byte of 0x8001.
enum class Target : std::uint8_t { Mcu = 0, Fpga = 1, HdmiRx = 2 };

// Records in a preset file.
inline constexpr int kPresetRecords = 24;
// Presets the processor keeps, recalled by command 0x0005 with their index.
inline constexpr int kStoredPresets = 10;

// Pause between two erase-progress announcements of the boot loader.
inline constexpr std::chrono::milliseconds kErasePeriodMs{50};

// The outputs' own frame rate in hundredths of a hertz (every output resolution runs at 60 Hz).
inline constexpr std::uint16_t kOwnOutputFpsX100 = 6000;

// Failures of the boot loader, each for the test that needs it.
struct UpgradeFaults {
    bool noAnnounce = false; // 0x8000 (and a hello in the boot loader) goes unanswered
    bool noResult = false;   // an image is taken, but its result never comes
    int damagePacket = 0;    // the Nth data packet of each image arrives with a bad checksum (0: none)
    int damageReadBack = 0;  // read-back block N goes out with a bad checksum (0: none)
    int skipReadBack = 0;    // read-back block N is not sent, so the next is out of order (0: none)
};

class ProcessorModel {
public:
    ProcessorModel();

    // A 39-byte command from the application.
    std::vector<Outgoing> OnCommand(const std::uint8_t* frame);
    // A 1039-byte block from the application: a firmware data packet or a preset file.
    std::vector<Outgoing> OnBlock(const std::uint8_t* block);

    // The whole state, in the order a synchronisation reports it, ending with the blend
    // curve of output index 3.
    std::vector<Frame> StateRecords() const;

    // Changes the signal on an input; returns the records that report it (the input status
    // when the input is the current one, and its crop record when the picture's size changed:
    // the crop's totals follow the signal, and a window that no longer fits becomes the whole
    // picture).
    std::vector<Outgoing> SetInputSignal(int input, bool present, std::uint16_t width, std::uint16_t height,
                                         std::uint16_t refreshX10);

    // Starts in the boot loader (as after a failed upgrade): returns the announce.
    std::vector<Outgoing> EnterBootLoader();
    bool InBootLoader() const { return m_bootLoader; }

    void SetRefuseUpgrade(bool refuse) { m_refuseUpgrade = refuse; }
    void SetUpgradeFaults(const UpgradeFaults& faults) { m_upgradeFaults = faults; }
    const UpgradeFaults& GetUpgradeFaults() const { return m_upgradeFaults; }
    // Flips one byte of block `block` of a stored image (a flash cell gone bad), so that a
    // read-back differs from the file sent there; false when the image has no such block.
    bool DamageImage(Target target, std::size_t block);
    // Every change of an output's resolution is refused, as for a resolution the processor
    // cannot run.
    void SetRefuseResolution(bool refuse) { m_refuseResolution = refuse; }
    bool RefusesResolution() const { return m_refuseResolution; }

    // True once after a factory reset (0x000A): the processor restarts, silent for a while.
    bool TakeRestart() {
        const bool restart = m_restart;
        m_restart = false;
        return restart;
    }

    // Stores the setting the processor runs (the current input, layers, outputs with their
    // blending, picture settings, crops and the input backup switch) as its preset `slot`
    // (0..kStoredPresets - 1), as its front panel's save does; false for another slot.
    bool StorePreset(int slot);
    bool HasStoredPreset(int slot) const;

    // The presence flags of the thirteen components, as reply 0xB2 reports them.
    const std::array<std::uint8_t, 13>& SysInfo() const { return m_sysInfo; }
    void SetSysInfo(const std::array<std::uint8_t, 13>& flags) { m_sysInfo = flags; }
    const FirmwareVersions& Versions() const { return m_versions; }

    const DeviceState& State() const { return m_state; }
    DeviceState& MutableState() { return m_state; }

    // What was received, for the control channel.
    std::uint64_t PingAnswers() const { return m_pingAnswers; }
    std::uint64_t CommandsReceived() const { return m_commands; }
    // The last kReceivedKept command frames, oldest first.
    static constexpr std::size_t kReceivedKept = 1024;
    const std::deque<Frame>& ReceivedCommands() const { return m_received; }
    const std::vector<std::uint8_t>& Image(Target target) const;
    std::uint64_t PacketsReceived() const { return m_packets; }
    // Preset files received, and those refused as a whole (version, record count, checksum).
    std::uint64_t PresetFilesReceived() const { return m_presetFiles; }
    std::uint64_t PresetFilesRefused() const { return m_refusedPresetFiles; }
    std::uint64_t BadPackets() const { return m_badPackets; }

    // One line per field group, "key value ..." pairs, for the control channel's "state".
    std::string Describe() const;

private:
    // What the processor made of an output command (0x0009, 0x000D) or a crop (0x0001).
    enum class OutputOutcome {
        None,            // not an output command, or an output index it ignores
        WindowStored,    // placement and window stored, the resolution unchanged
        ResolutionTaken, // the output(s) run the new resolution
        Refused,         // nothing changed: a resolution it cannot run, no output named, or a
                         // crop window outside its picture
    };

    OutputOutcome Apply(const std::uint8_t* f); // stores what a setting command changes
    OutputOutcome ApplyOutputWindow(const std::uint8_t* f);
    OutputOutcome ApplyOutputResolution(const std::uint8_t* f);
    std::vector<Outgoing> BootCommand(const std::uint8_t* f);
    // The two kinds of 1039-byte block: an image's data packet (for the boot loader), a preset
    // file (applied record by record).
    std::vector<Outgoing> TakeDataPacket(const std::uint8_t* b);
    std::vector<Outgoing> TakePresetFile(const std::uint8_t* b);
    // Recalls preset `slot`: a stored one, else for slots 0..2 the built-in arrangement of
    // the layers; false (nothing changed) for an empty slot.
    bool RecallPreset(int slot);
    void ApplyPreset(int slot);
    // Command 0x000E: stores the settings unless the processor would not take them.
    bool ApplyWifi(const std::uint8_t* f);
    void SetCurrentInput(int input);
    // The frame rates 0xA3 reports: the current input's, and the outputs' - the input's in frame
    // sync mode while the input has a signal, else their own.
    void UpdateFrameRates();
    static Outgoing Out(const Frame& f, std::chrono::milliseconds delay = std::chrono::milliseconds{0});
    void AddState(std::vector<Outgoing>& out) const;

    DeviceState m_state;
    std::array<std::optional<DeviceState>, kStoredPresets> m_storedPresets;
    std::array<std::uint8_t, 4> m_inputPresent{}; // signals on the inputs, as the processor sees them
    std::array<InputInfo, 4> m_inputSignal{};
    FirmwareVersions m_versions;
    std::array<std::uint8_t, 13> m_sysInfo{};

    bool m_bootLoader = false;
    bool m_restart = false;
    bool m_refuseUpgrade = false;
    UpgradeFaults m_upgradeFaults;
    std::uint32_t m_imagePackets = 0; // data packets of the image being received
    bool m_refuseResolution = false;
    bool m_transferring = false;
    bool m_transferBad = false;
    Target m_target = Target::Fpga;
    std::uint32_t m_announcedBlocks = 0;
    std::uint32_t m_receivedBlocks = 0;
    std::vector<std::uint8_t> m_incoming;
    std::array<std::vector<std::uint8_t>, 3> m_images;

    std::uint64_t m_pingAnswers = 0;
    std::uint64_t m_commands = 0;
    std::deque<Frame> m_received;
    std::uint64_t m_packets = 0;
    std::uint64_t m_badPackets = 0;
    std::uint64_t m_presetFiles = 0;
    std::uint64_t m_refusedPresetFiles = 0;
};

} // namespace corvane::sim
