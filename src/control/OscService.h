#pragma once

// The control interface's OSC side, without the network: who is heard, the rate limit of each
// sender, and each message checked into an operation and run as an HTTP request runs it (the
// same ranges, the same refusals while a firmware transfer owns the line, without a
// synchronised link or while the processor answers a wait). OSC answers nothing, so what
// became of a message is a log line. No Qt.

#include "control/ControlService.h"
#include "control/OscRequest.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::control {

struct OscResult {
    bool ran = false;     // it reached the operator's path (sent, or nothing to change)
    bool refused = false; // refused: the log says why
    bool limited = false; // refused by the rate limit (logged as a flood, not each)
    std::string logLine;  // the sender, the address and what became of it (control bytes escaped)
};

class OscService {
public:
    // `allowedSenders`: the senders heard off loopback, as the listener writes addresses
    // (IPv4 dotted, IPv6 as Qt writes it).
    OscService(const ControlSettings& settings, std::vector<std::string> allowedSenders,
               ControlTarget& target);

    // Whether messages of this sender are heard: every sender on a loopback address (only
    // this PC reaches it), on any other only the listed ones.
    bool Hears(const std::string& sender) const;
    OscResult Handle(const OscMessage& message, const std::string& sender, std::int64_t nowMs);

private:
    bool m_open;
    std::vector<std::string> m_allowed;
    ControlTarget& m_target;
    RateLimiter m_limiter;
};

} // namespace corvane::control
