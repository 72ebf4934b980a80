#include "control/OscService.h"

#include <algorithm>

namespace corvane::control {

OscService::OscService(const ControlSettings& settings, std::vector<std::string> allowedSenders,
                       ControlTarget& target)
    : m_open(IsLoopbackAddress(settings.address)), m_allowed(std::move(allowedSenders)), m_target(target),
      m_limiter(settings.ratePerSecond) {}

bool OscService::Hears(const std::string& sender) const {
    return m_open || std::find(m_allowed.begin(), m_allowed.end(), sender) != m_allowed.end();
}

OscResult OscService::Handle(const OscMessage& message, const std::string& sender, std::int64_t nowMs) {
    OscResult r;
    const std::string who = LogSafe(sender, 64) + " OSC " + LogSafe(message.address, 64) + ": ";
    if (!m_limiter.Allow(sender, nowMs)) {
        r.refused = r.limited = true;
        r.logLine = who + "refused, too many messages";
        return r;
    }
    const ParsedRequest parsed = ParseOscMessage(message);
    if (!parsed.Ok()) {
        r.refused = true;
        r.logLine = who + "refused, " + std::to_string(parsed.error.status) + " " +
                    (parsed.error.field.empty() ? "" : LogSafe(parsed.error.field, 64) + ": ") +
                    parsed.error.message;
        return r;
    }
    const Operation& op = *parsed.operation;
    const Outcome outcome = RunChange(m_target, op);
    r.ran = outcome == Outcome::Sent || outcome == Outcome::Unchanged;
    r.refused = !r.ran;
    r.logLine = who + OperationName(op) + " " +
                (r.ran ? std::string(OutcomeName(outcome)) : "refused, " + OutcomeMessage(outcome));
    return r;
}

} // namespace corvane::control
