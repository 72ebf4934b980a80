#pragma once

// The control interface's answer to one HTTP request, without the network: the rate limit of
// its client, the token, the checks of the request, the rule that nothing is sent without a
// synchronised link (nor while the processor answers a wait), then the operation itself,
// handed to a ControlTarget: the main window, which runs it through the operator's own paths.
// No Qt.

#include "control/ControlAccess.h"
#include "control/ControlRequest.h"
#include "control/StateJson.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::control {

// How an operation ended.
enum class Outcome {
    Sent,            // the frame(s) went to the processor
    Unchanged,       // nothing to do (the input is already the current one)
    NotSynchronised, // refused: no synchronised link; nothing sent
    Busy,            // refused: the processor is answering a wait; nothing sent
    NoPresetFile,    // refused: the slot has no readable 1039-byte file; nothing sent
};

// What runs the operations: the main window's paths. Called on the user-interface thread.
class ControlTarget {
public:
    virtual ~ControlTarget() = default;
    virtual const DeviceState& State() const = 0;
    virtual LinkSummary Link() const = 0;
    // Only operations that change the processor, and only with a synchronised link that waits
    // for nothing (the service checks both first).
    virtual Outcome Execute(const Operation& operation) = 0;
};

struct HttpRequest {
    std::string_view method;
    std::string_view path; // without the query
    std::string_view body;
    std::string_view authorization; // the Authorization header, empty when none
    std::string client;             // the client's address, for the rate limit and the log
};

struct HttpResponse {
    int status = 200;
    std::string body;     // JSON
    bool refused = false; // 401 or 429: the log says so
    std::string logLine;  // what the log keeps of the request (never the token)
};

class ControlService {
public:
    ControlService(ControlSettings settings, ControlTarget& target);

    HttpResponse Handle(const HttpRequest& request, std::int64_t nowMs);
    // The rate limit alone (an event socket joining counts as a request).
    bool AllowClient(const std::string& client, std::int64_t nowMs) { return m_limiter.Allow(client, nowMs); }
    const ControlSettings& Settings() const { return m_settings; }

private:
    ControlSettings m_settings;
    ControlTarget& m_target;
    RateLimiter m_limiter;
};

// {"ok": false, "error": message, "field": field} (without "field" when empty).
std::string ErrorBody(const std::string& message, const std::string& field = {});

} // namespace corvane::control
