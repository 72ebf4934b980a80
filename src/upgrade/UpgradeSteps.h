#pragma once

// The decisions of an upgrade run without widgets: which target comes next, how a run ends,
// what the boot loader's announce starts, what a lost link or a failed write ends, what
// closing the dialog does in each state, and why a read-back stopped. The dialog keeps the
// window, the files and the timers and asks these.

#include "upgrade/ExchangePacer.h"
#include "upgrade/UpgradeImage.h"

#include <array>
#include <cstdint>

namespace corvane {

// `state`: nothing runs, a read-back runs, or the target of TargetOfState is upgraded.
inline constexpr std::uint32_t kUpgradeStateIdle = 0;
inline constexpr std::uint32_t kUpgradeStateReadBack = 1;
// `phase`
inline constexpr std::uint32_t kUpgradePhaseRequested = 6;    // 0x8000 sent for an image
inline constexpr std::uint32_t kUpgradePhaseAnnounced = 1;    // 0x8001 sent
inline constexpr std::uint32_t kUpgradePhaseBootWaiting = 99; // the boot loader is up, nothing runs
inline constexpr std::uint32_t kUpgradePhaseReadBackDone = 5; // the read-back ended
inline constexpr std::uint32_t kUpgradePhaseRestart = 88;     // the processor asks for a restart

using TargetFlags = std::array<std::uint32_t, kTargetCount>;

// The first target still pending; -1 when none is.
int NextPendingTarget(const TargetFlags& pending);

// The end of a run once no target is pending: every ticked target confirmed, or not; the
// results still missing are waited for until `waitOver`.
enum class RunEnd { Finished, Failed, WaitForResults };
RunEnd EndOfRun(const TargetFlags& selected, const TargetFlags& done, bool waitOver);

// What the boot loader's announce (0x8002, status 0) starts.
enum class AnnounceStep { ReadBack, Announce, AlreadyAnnounced, BootWaiting };
AnnounceStep AfterAnnounce(std::uint32_t state, std::uint32_t phase);

// Whether a lost link ends something: a read-back or the upgrade of a target.
bool LinkLossEnds(std::uint32_t state);

// Whether a write that failed means the port itself went (a pulled cable, the port closed).
bool PortGone(const ExchangeFailure& failure);

// What closing the dialog does: close at once, take the processor out of its boot loader
// first, or ask first what runs (the answer OK leaves the boot loader).
enum class CloseStep { Close, LeaveBootLoader, AskReadBack, AskFpga, AskMcu, AskHdmiRx };
CloseStep OnClosing(std::uint32_t state, std::uint32_t phase);

// Why a read-back stopped, as the report of the block's refusal (0x8004 status) names it.
inline constexpr int kReadBackBadChecksum = 2;
inline constexpr int kReadBackOutOfOrder = 3;
inline constexpr int kReadBackNotSaved = 4;
// The refusal kind of a verdict; 0 for a block that is taken.
int RefusalOf(BlockVerdict verdict);
// The head of the box of a read-back that ended incomplete ("Checksum is Error !"), in English
// and in Chinese; empty texts for a kind that is none of the three.
struct TextPair {
    const char* english;
    const char* chinese;
};
TextPair RefusalHead(int kind);

} // namespace corvane
