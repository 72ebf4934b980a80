#pragma once

// The simulated processor on a pseudo-terminal. Its far end is published as a COM port
// for the application: a link Ports/COM<n> pointing at the terminal. One thread runs the
// line: it reads the application's commands, answers through ProcessorModel, sends the
// keep-alive and the ping, paces what it sends at the wire speed of its baud rate, takes what
// it receives off the terminal no faster than the application's baud rate carries it and
// applies the faults it has been told to show.

#include "Flood.h"
#include "ProcessorModel.h"
#include "SimFaults.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace corvane::sim {

// The pings the processor sent and the application's answers. A ping is sent when its last
// byte is written to the line; an answer is matched with the oldest ping still unanswered,
// except that pings older than kPingAnswerWindowMs count as unanswered.
struct PingStats {
    std::uint64_t sent = 0;
    std::uint64_t answered = 0;
    std::uint64_t waiting = 0;    // sent, not answered yet
    std::uint64_t unanswered = 0; // no answer within kPingAnswerWindowMs
    std::uint64_t unexpected = 0; // answers with no ping to match
    std::chrono::microseconds longest{0};
    std::chrono::microseconds last{0};
};
inline constexpr std::chrono::milliseconds kPingAnswerWindowMs{4000};

// An item the processor received: a 39-byte frame or a 1039-byte block, with the times its
// first and its last byte were taken off the line.
struct ReceivedItem {
    enum class Kind { Frame, DataPacket, PresetFile };
    Kind kind = Kind::Frame;
    std::uint16_t code = 0; // the frame's code (0 for a block)
    std::chrono::steady_clock::time_point first{};
    std::chrono::steady_clock::time_point last{};
};
// How many received items the simulator keeps (the oldest go first).
inline constexpr std::size_t kReceivedItemsKept = 4096;

struct FloodStatus {
    bool running = false;
    std::chrono::milliseconds remaining{0};
    FloodCounts counts; // of every flood since the start
};

struct SimOptions {
    int port = 1;            // the link is <portsFolder>/COM<port>
    std::string portsFolder; // folder of the COM links
    unsigned baud = 115200;  // the rate the processor listens at
    // Send at the wire speed and read at the application's (10 bits a byte).
    bool pacing = true;
    bool bootLoader = false;                           // start in the boot loader
    std::chrono::milliseconds keepAlivePeriodMs{1000}; // 0: no keep-alive
    std::chrono::milliseconds pingPeriodMs{5000};      // 0: no ping
    std::string trafficLogPath;                        // one line a frame; empty: none
    // How long the processor is silent while it restarts after a factory reset (0x000A).
    std::chrono::milliseconds restartMs{2000};
    Faults faults;
    std::uint32_t seed = 1; // random choices of the faults
};

class Simulator {
public:
    explicit Simulator(SimOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the terminal, makes the link and starts the line's thread.
    bool Start(std::string* error);
    // Ends the thread, removes the link and closes the terminal.
    void Stop();

    // Runs one control command (see Help()) on the line's thread; thread-safe.
    std::string Execute(const std::string& line);
    static std::string Help();

    // Runs `look` on the line's thread with the processor's model (for tests).
    void Inspect(const std::function<void(const ProcessorModel&)>& look);
    // The pings and the flood, read on the line's thread.
    PingStats Pings();
    FloodStatus Flood();
    // The last `last` items received (of at most kReceivedItemsKept), oldest first, read on
    // the line's thread.
    std::vector<ReceivedItem> Received(std::size_t last = kReceivedItemsKept);

    std::string LinkPath() const;
    std::string TerminalPath() const;

private:
    struct Scheduled {
        std::chrono::steady_clock::time_point due;
        std::vector<std::uint8_t> bytes;
        bool reply;
    };
    struct Command {
        std::string line;
        std::string answer;
        bool done = false;
        const std::function<void()>* task = nullptr;
    };

    // How much of the traffic log is kept in memory, in lines.
    static constexpr std::size_t kTrafficLines = 2000;
    // The pause between the pieces of a split record.
    static constexpr std::chrono::milliseconds kSplitGapMs{2};

    // The terminal can be set to `baud`.
    static bool RateSupported(unsigned baud);
    bool OpenTerminal(std::string* error);
    void CloseTerminal();
    void Run();
    void ReadFromLine(std::chrono::steady_clock::time_point now);
    // The application's rate on the terminal (the simulator's own when it cannot be read).
    unsigned ApplicationBaud() const;
    // Paced reading: the next slice may be taken (a slice's worth of wire time has passed
    // since the last), and when it may.
    bool MayRead(std::chrono::steady_clock::time_point now) const;
    std::chrono::steady_clock::time_point ReadDue() const;
    bool Stalled(std::chrono::steady_clock::time_point now) const { return now < m_stallUntil; }
    void Cut();
    std::chrono::steady_clock::time_point TakenAt(std::uint64_t offset) const;
    void Remember(const std::uint8_t* bytes, std::size_t length, std::size_t at);
    std::string ReceivedLines(std::size_t last) const;
    void Handle(const std::uint8_t* bytes, std::size_t length);
    void Queue(std::vector<Outgoing> out);
    void QueueNow(const Frame& f, bool reply);
    void MoveDueToWire(std::chrono::steady_clock::time_point now);
    void WriteToLine(std::chrono::steady_clock::time_point now);
    std::chrono::steady_clock::time_point NextWake(std::chrono::steady_clock::time_point now) const;
    // Restarting after a factory reset: nothing is sent, everything received is lost.
    bool Restarting(std::chrono::steady_clock::time_point now) const { return now < m_restartUntil; }
    void StartRestart(std::chrono::steady_clock::time_point now);
    bool BaudMatches() const;
    void Log(bool toProcessor, const std::uint8_t* bytes, std::size_t length, const char* note = "");
    std::string Control(const std::string& line); // a control command, on the line's thread
    void Wake();
    void RunOnLine(const std::function<void()>& task);
    // Puts bytes on the wire; `endsWithPing`: they end with a whole ping, timed when written.
    void PushToWire(const std::uint8_t* bytes, std::size_t length, bool endsWithPing);
    void Popped(std::size_t length, bool written, std::chrono::steady_clock::time_point now);
    void FeedFlood(std::chrono::steady_clock::time_point now);
    bool FloodRunning(std::chrono::steady_clock::time_point now) const { return now < m_floodUntil; }
    void StartFlood(std::chrono::milliseconds duration);
    void PingAnswered(std::chrono::steady_clock::time_point now);
    std::string PingLine() const;

    SimOptions m_options;
    ProcessorModel m_model;
    std::mt19937 m_random;

    int m_master = -1;
    int m_slave = -1; // held open so that the line stays up while no application has it open
    int m_wake[2] = {-1, -1};
    std::string m_terminalPath;
    std::string m_linkPath;
    bool m_vanished = false;
    std::chrono::steady_clock::time_point m_restartUntil{}; // silent until then (restart)
    std::uint64_t m_restarts = 0;

    std::vector<std::uint8_t> m_in;
    // Paced reading: the wire time up to which the line's bytes have been taken, and the
    // slices taken that are still in m_in (where in the stream each ends, and when it was read).
    std::chrono::steady_clock::time_point m_readLine{};
    unsigned m_readBaud = 115200; // the application's rate, read at each turn of the loop
    std::chrono::steady_clock::time_point m_stallUntil{}; // nothing is read until then
    std::uint64_t m_inStart = 0;                          // where in the stream m_in[0] is
    std::deque<std::pair<std::uint64_t, std::chrono::steady_clock::time_point>> m_slices;
    std::deque<ReceivedItem> m_receivedItems;
    std::vector<Scheduled> m_queue; // ordered by due time
    std::deque<std::uint8_t> m_wire;
    std::chrono::steady_clock::time_point m_lineFree{};
    std::chrono::steady_clock::time_point m_nextKeepAlive{};
    std::chrono::steady_clock::time_point m_nextPing{};

    FloodSource m_flood;
    std::chrono::steady_clock::time_point m_floodUntil{}; // the flood runs until then
    bool m_floodArmed = false;                            // starts at the first state request
    bool m_floodPause = false;                            // a split record's head is out
    std::chrono::steady_clock::time_point m_floodResume{};

    std::uint64_t m_wirePushed = 0;       // bytes ever put on the wire
    std::uint64_t m_wirePopped = 0;       // bytes ever taken off it (written or dropped)
    std::deque<std::uint64_t> m_pingEnds; // where the pings on the wire end
    std::deque<std::chrono::steady_clock::time_point> m_pingsOut; // written, not yet answered
    PingStats m_pings;

    std::deque<std::string> m_traffic; // the last lines of the traffic log
    std::map<std::uint16_t, std::uint64_t> m_received;
    std::uint64_t m_notUnderstood = 0;
    FILE* m_logFile = nullptr;
    std::chrono::steady_clock::time_point m_started;

    std::mutex m_commandLock;
    std::condition_variable m_commandDone;
    std::deque<Command*> m_commands;
    std::atomic<bool> m_stop{false};
    bool m_running = false; // the line's thread takes commands (guarded by m_commandLock)
    std::thread m_thread;
};

} // namespace corvane::sim
