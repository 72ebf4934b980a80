#pragma once

// The control interface's answer to one HTTP request, without the network. In this order:
// the rate limit of its client (429), the Host header (421), the Origin header (403; a
// browser's preflight from an allowed origin is answered here, 204), the token (401), for the
// event socket its path (404) or its acceptance, for a POST the Content-Type (415), the checks
// of the request (400, 404, 405, 413), then for a change the rule that nothing is sent while a
// firmware transfer owns the line, without a synchronised link or while the processor answers
// a wait (409), then the operation itself, handed to a ControlTarget: the main window, which
// runs it through the operator's own paths. No Qt.

#include "control/ControlAccess.h"
#include "control/ControlRequest.h"
#include "control/StateJson.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::control {

// How an operation ended.
enum class Outcome {
    Sent,            // the frame(s) went to the processor
    Unchanged,       // nothing to do (the input is already the current one)
    NotSynchronised, // refused: no synchronised link; nothing sent
    Busy,            // refused: the processor is answering a wait; nothing sent
    NoPresetFile,    // refused: the slot has no readable 1039-byte file; nothing sent
    TransferRunning, // refused: a firmware transfer or read-back owns the line; nothing sent
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
    std::string_view method; // "GET", "POST", "OPTIONS" or another word
    std::string_view path;   // without the query
    std::string_view body;
    std::string_view authorization;         // the Authorization header, empty when none
    std::string client;                     // the client's address, for the rate limit and the log
    std::optional<std::string_view> host;   // the Host header; none when missing (or given twice)
    std::optional<std::string_view> origin; // the Origin header; none when missing
    std::string_view contentType;           // the Content-Type header, empty when none
    std::string localAddress;               // the address the connection arrived on
    std::uint16_t localPort = 0;            // and its port
    bool upgrade = false;                   // a WebSocket's opening request
    std::string_view queryToken;            // its ?token=, for the event socket alone
};

// A status of an accepted WebSocket opening: Qt's WebSocket server answers the handshake.
inline constexpr int kStatusUpgrade = 101;

struct HttpResponse {
    int status = 200;
    std::string body;     // JSON; empty for 101 and 204
    bool refused = false; // 401, 403, 415, 421 or 429: the log says so
    std::string logLine;  // what the log keeps of the request (never the token; control
                          // characters escaped)
    // Headers besides Content-Type, Content-Length and Cache-Control: those a browser needs
    // for an allowed origin, WWW-Authenticate for 401.
    std::vector<std::pair<std::string, std::string>> headers;
};

class ControlService {
public:
    ControlService(ControlSettings settings, ControlTarget& target);

    HttpResponse Handle(const HttpRequest& request, std::int64_t nowMs);
    const ControlSettings& Settings() const { return m_settings; }

private:
    HttpResponse Operate(const HttpRequest& request, const std::string& who);

    ControlSettings m_settings;
    ControlTarget& m_target;
    RateLimiter m_limiter;
};

// A change as the interface runs it, whoever asks (HTTP, OSC): refused while a firmware
// transfer owns the line, without a synchronised link or while the processor answers a wait;
// otherwise the target's own outcome.
Outcome RunChange(ControlTarget& target, const Operation& operation);

// "sent", "not synchronised", ... as the log names an outcome.
const char* OutcomeName(Outcome outcome);
// Why nothing was sent, as the answer says it ("the processor is not synchronised: nothing was
// sent"); empty for Sent and Unchanged.
std::string OutcomeMessage(Outcome outcome);

// {"ok": false, "error": message, "field": field} (without "field" when empty).
std::string ErrorBody(const std::string& message, const std::string& field = {});

} // namespace corvane::control
