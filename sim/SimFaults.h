#pragma once

// The faults the simulated processor can be told to show, and the `fault ...` commands of the
// control channel that set them. Pure: what a fault does is up to the line and the model.

#include "ProcessorModel.h"

#include <chrono>
#include <string>
#include <vector>

namespace corvane::sim {

struct Faults {
    bool silent = false;                // sends nothing, ignores everything (link loss)
    int drop = 0;                       // drop the next N replies
    std::chrono::milliseconds delay{0}; // delay every reply by this much
    int corrupt = 0;                    // corrupt the checksum of the next N records
    bool split = false;                 // write records in small pieces
    bool garbage = false;               // put garbage bytes between records
    bool refuseUpgrade = false;         // every image ends with a failed result
    UpgradeFaults upgrade;              // no announce, no result, damaged packets and read-back blocks
    int vanishAfterPackets = 0;         // the cable is pulled after N data packets (0: never)
    bool refuseResolution = false;      // every change of an output's resolution is refused
    // Stops reading for this long (a processor busy erasing): what the application sends
    // meanwhile waits in the terminal. From the start; at run time from the command.
    std::chrono::milliseconds stall{0};
    // Flood the application with every reply kind at line rate for this long, from the moment
    // it first asks for the whole state (at run time, `fault flood SECONDS` starts at once).
    std::chrono::milliseconds flood{0};
};

// What a `fault` command changes beyond the setting itself, for the line to act on: a stall
// starts now, a flood starts (or stops) now, everything was cleared.
enum class FaultChange { None, Stall, Flood, Clear };

// Sets the fault named by `words[1]` from `words[2]` (the words of `fault NAME [VALUE]`).
// Returns an empty string, or the error line when the name is unknown or a value is missing.
std::string SetFault(Faults& faults, const std::vector<std::string>& words, FaultChange* change);

// The `faults` line of `state`: how each fault is set, the stall as the milliseconds left of it.
std::string FaultsLine(const Faults& faults, long long stallLeftMs);

} // namespace corvane::sim
