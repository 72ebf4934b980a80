#pragma once

// The line of a firmware exchange. The boot loader takes every frame and data packet off the
// line at the line's rate and needs quiet after some of them (to enter upgrade mode, to write a
// block into its flash). The pacer writes them one at a time: each only when the one before it
// has left the port and the quiet it asks for has passed since then, so every pause reaches the
// processor as silence on the line, whatever the rate.
//
// "Left the port" is what the port reports (its write completed and its output drained), and
// never earlier than the line could have carried the bytes at its rate (10 bits a byte) from the
// moment they were written: a driver that reports an empty queue early (a pseudo-terminal does at
// once) still gives the processor its quiet. A write that cannot be queued, ends incomplete or
// does not leave within kLeaveLimitMs ends the exchange; nothing more is written for it.
//
// Time is passed in, so that the pacing is followed with a fake clock. No Qt.

#include "link/CommandFrame.h"
#include "link/LineSend.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The port as a firmware exchange writes to it: as the line's one owner.
class ExchangeLine {
public:
    virtual ~ExchangeLine() = default;
    // Starts writing; the moment the bytes have left the port is reported to
    // ExchangePacer::Left with `ticket`.
    virtual LineSend Write(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) = 0;
};

// An item of the exchange that has left the port.
struct Departure {
    bool packet = false;      // a data packet, else a control frame
    std::uint16_t code = 0;   // of a frame
    std::uint64_t number = 0; // of a packet: 1..count
    std::uint64_t count = 0;  // of a packet: the image's packets
    std::chrono::steady_clock::time_point at;
};

// Why an exchange ended on the line.
struct ExchangeFailure {
    enum class Kind {
        NotQueued,  // the write could not be started (`send` says why)
        Incomplete, // the write ended before all its bytes left (`status`)
        NotLeft,    // the bytes did not leave within kLeaveLimitMs
    };
    Kind kind = Kind::NotQueued;
    LineSend send = LineSend::Queued;
    std::uint32_t status = 0;
    bool packet = false;
    std::uint16_t code = 0;   // of a frame
    std::uint64_t number = 0; // of a packet
    std::uint64_t count = 0;
};

// One sentence naming the frame or packet and what went wrong, for the operator: "Data packet 15
// of 300 did not leave the port within 5 s: the processor is not taking bytes." (or Chinese).
std::string DescribeFailure(const ExchangeFailure& failure, bool chinese);

class ExchangePacer {
public:
    using Clock = std::chrono::steady_clock;

    // How long a write may take to leave the port beyond the time the line needs for it.
    static constexpr std::chrono::milliseconds kLeaveLimitMs{5000};

    // A new exchange on a line of `baudRate` bits a second (0: not known; no wire time is
    // assumed). Whatever an earlier exchange left queued is forgotten; its reports are ignored.
    void Start(std::uint32_t baudRate);
    // Forgets everything queued; the report of a write on its way is ignored.
    void Stop();

    // Queues a control frame after everything queued so far, to be written once the line has
    // been quiet for `quiet` after the item before it left.
    void QueueFrame(const Frame& frame, std::chrono::milliseconds quiet);
    // Queues the data packets of `image` (kept by the caller until they have all left): `quiet`
    // before the first, `pause` before each later one.
    void QueueImage(const std::vector<std::uint8_t>& image, std::chrono::milliseconds quiet,
                    std::chrono::milliseconds pause);

    // Writes the next item when it is due. Returns when to call again: the next item's due time,
    // or, while an item is on its way, the moment it counts as not left; nothing when there is
    // nothing to do until something is queued (or after a failure).
    std::optional<Clock::time_point> Pump(ExchangeLine& line, Clock::time_point now);
    // The report of a write. Returns what left, or nothing for a report of no interest (an
    // earlier exchange's, a repeat) and when the report ends the exchange (Failed()).
    std::optional<Departure> Left(std::uint64_t ticket, bool complete, std::uint32_t status,
                                  Clock::time_point now);

    bool Failed() const { return m_failure.has_value(); }
    const ExchangeFailure& Failure() const { return *m_failure; }
    // Nothing queued and nothing on its way.
    bool Idle() const { return m_queue.empty() && !m_out; }

    // The image queued last.
    std::uint64_t ImageBytes() const { return m_imageBytes; }
    std::uint64_t ImageBytesWritten() const { return m_imageWritten; }
    std::uint64_t ImageBytesLeft() const { return m_imageLeft; }
    std::uint64_t PacketCount() const { return m_packetCount; }
    // What the image's packets not yet written need at least: each its wire time and its pause.
    std::chrono::milliseconds ImageTimeLeft() const;

    // The line's time for `bytes` at the exchange's rate, 10 bits a byte.
    Clock::duration WireTime(std::size_t bytes) const;

private:
    struct Item {
        std::chrono::milliseconds quiet{0};
        bool image = false;
        Frame frame{};
        const std::vector<std::uint8_t>* data = nullptr; // of an image
        std::chrono::milliseconds pause{0};
        std::uint64_t offset = 0; // of an image: the next byte to send
        std::uint64_t number = 0; // of an image: packets written so far
    };
    struct Out {
        std::uint64_t ticket = 0;
        Clock::time_point written;
        Clock::duration wire{};
        Departure departure;
    };
    void Fail(ExchangeFailure failure);

    std::uint32_t m_baudRate = 0;
    std::deque<Item> m_queue;
    std::optional<Out> m_out;
    Clock::time_point m_lastLeft{};
    bool m_anyLeft = false;
    std::optional<ExchangeFailure> m_failure;
    std::uint64_t m_imageBytes = 0;
    std::uint64_t m_imageWritten = 0;
    std::uint64_t m_imageLeft = 0;
    std::uint64_t m_packetCount = 0;
    std::chrono::milliseconds m_imagePause{0};
};

} // namespace corvane
