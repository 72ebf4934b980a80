#pragma once

// The flood fault: a processor that repeats itself at line rate. Every kind of record the
// processor sends comes again and again, built from its state with valid indices: the state
// replies, the keep-alive, the acknowledgement of every operation (the ones the application
// shows in a message box with both results, each repeated one to four times in a row), the
// end of an arrangement, the system information (repeated too) and the ping. Noise bytes,
// torn heads of records and records split by a pause are mixed in, as a loose cable does.
//
// A torn head never swallows the record after it (its bytes are chosen so that the record
// they make with the next one has a wrong checksum), and a ping is never torn or split: every
// ping that goes out reaches the application whole. Acknowledgement 11 (another client took
// the processor) is left out: it ends the session by design (the `takeover` command sends it).

#include "ReplyRecords.h"

#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

namespace corvane::sim {

// What the flood builds its records from.
struct FloodContext {
    const DeviceState& state;
    const FirmwareVersions& versions;
    const std::array<std::uint8_t, 13>& sysInfo;
};

// One piece of the flood, to be put on the line as it is.
struct FloodPiece {
    std::vector<std::uint8_t> bytes;
    bool pauseAfter = false; // the head of a split record: the line pauses before the next piece
    bool endsWithPing = false;
};

struct FloodCounts {
    std::uint64_t records = 0; // whole records
    std::uint64_t pings = 0;
    std::uint64_t noiseBytes = 0;
    std::uint64_t tornHeads = 0;
    std::uint64_t splitRecords = 0;
};

class FloodSource {
public:
    explicit FloodSource(std::uint32_t seed = 1);

    // The next piece: whole records (with noise or a torn head before them), or the head or
    // the rest of a split record.
    FloodPiece Next(const FloodContext& context);

    const FloodCounts& Counts() const { return m_counts; }
    // The head of a split record is out and its rest not yet.
    bool SplitPending() const { return !m_splitRest.empty(); }

    // Acknowledgements the application shows in a message box: operation and status.
    static const std::vector<std::array<std::uint8_t, 2>>& BoxAcknowledgements();

private:
    struct Group {
        Frame frame;
        int repeats = 1;
    };
    void NewRound(const FloodContext& context);
    int Below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }

    std::mt19937 m_random;
    std::deque<Group> m_round;
    std::vector<std::uint8_t> m_splitRest; // the rest of a split record, sent after the pause
    FloodCounts m_counts;
};

} // namespace corvane::sim
