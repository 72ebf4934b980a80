#include "control/ControlService.h"

#include <nlohmann/json.hpp>

namespace corvane::control {

namespace {

using Json = nlohmann::json;

HttpResponse Answer(int status, std::string body) {
    HttpResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

} // namespace

const char* OutcomeName(Outcome o) {
    switch (o) {
    case Outcome::Sent:
        return "sent";
    case Outcome::Unchanged:
        return "unchanged";
    case Outcome::NotSynchronised:
        return "not synchronised";
    case Outcome::Busy:
        return "busy";
    case Outcome::NoPresetFile:
        return "no preset file";
    case Outcome::TransferRunning:
        return "refused, a firmware transfer is running";
    }
    return "";
}

std::string OutcomeMessage(Outcome o) {
    switch (o) {
    case Outcome::Sent:
    case Outcome::Unchanged:
        return {};
    case Outcome::NotSynchronised:
        return "the processor is not synchronised: nothing was sent";
    case Outcome::Busy:
        return "the processor is answering an earlier change: nothing was sent";
    case Outcome::TransferRunning:
        return "a firmware transfer is running: nothing was sent";
    case Outcome::NoPresetFile:
        return "the slot has no readable preset file: nothing was sent";
    }
    return {};
}

Outcome RunChange(ControlTarget& target, const Operation& operation) {
    const LinkSummary link = target.Link();
    if (link.transferRunning)
        return Outcome::TransferRunning;
    if (target.State().linkState != kLinkSynchronised)
        return Outcome::NotSynchronised;
    if (link.waiting)
        return Outcome::Busy;
    return target.Execute(operation);
}

std::string ErrorBody(const std::string& message, const std::string& field) {
    Json j{{"ok", false}, {"error", message}};
    if (!field.empty())
        j["field"] = field;
    return Dump(j);
}

ControlService::ControlService(ControlSettings settings, ControlTarget& target)
    : m_settings(std::move(settings)), m_target(target), m_limiter(m_settings.ratePerSecond) {}

HttpResponse ControlService::Handle(const HttpRequest& request, std::int64_t nowMs) {
    const std::string what = LogSafe(request.method, 16) + " " + LogSafe(request.path, 64);
    const std::string who = LogSafe(request.client, 64) + " " + what + ": ";
    const auto refuse = [&](int status, const std::string& message, const std::string& why) {
        HttpResponse r = Answer(status, ErrorBody(message));
        r.refused = true;
        r.logLine = who + why;
        return r;
    };
    if (!m_limiter.Allow(request.client, nowMs))
        return refuse(429, "too many requests", "too many requests");
    // A page of another site that reaches this address (DNS rebinding) names its own site here.
    const std::string_view local = request.localAddress.empty() ? std::string_view(m_settings.address)
                                                                : std::string_view(request.localAddress);
    if (!request.host)
        return refuse(421, "the Host header is missing", "refused, no Host header");
    if (!HostAllowed(*request.host, local, request.localPort))
        return refuse(421, "the Host header names another site",
                      "refused, Host " + LogSafe(*request.host, 64));
    // Browsers name the page's origin; a show controller or a script sends none.
    if (request.origin && !OriginAllowed(m_settings, *request.origin))
        return refuse(403, "this origin is not allowed", "refused, Origin " + LogSafe(*request.origin, 64));

    HttpResponse r;
    if (request.origin && request.method == "OPTIONS" && !request.upgrade) {
        // The browser's preflight, sent without the token: what the page may send.
        if (!KnownPath(request.path)) {
            r = Answer(404, ErrorBody("unknown operation"));
            r.logLine = who + "404 unknown operation";
        } else {
            r.status = 204;
            r.logLine = who + "preflight";
            r.headers = {{"Access-Control-Allow-Methods", "GET, POST"},
                         {"Access-Control-Allow-Headers", "Authorization, Content-Type"},
                         {"Access-Control-Max-Age", "600"}};
        }
    } else if (!Authorised(m_settings, request.authorization, request.upgrade ? request.queryToken : "")) {
        const bool none = request.authorization.empty() && (!request.upgrade || request.queryToken.empty());
        r = refuse(401, none ? "a token is required" : "wrong token",
                   none ? "refused, no token" : "refused, wrong token");
        r.headers = {{"WWW-Authenticate", "Bearer"}};
    } else if (request.upgrade) {
        if (request.method != "GET") {
            r = Answer(405, ErrorBody("use GET"));
            r.logLine = who + "405 use GET";
        } else if (request.path != kEventsPath && request.path != std::string(kEventsPath) + "/") {
            r = Answer(404, ErrorBody("unknown operation"));
            r.logLine = who + "404 unknown operation";
        } else {
            r.status = kStatusUpgrade;
            r.logLine = who + "event socket";
        }
    } else if (request.method == "POST" && !IsJsonContentType(request.contentType)) {
        // What a page's form or no-cors fetch sends is never JSON.
        r = refuse(415, "the body must be application/json",
                   "refused, Content-Type " + (request.contentType.empty()
                                                   ? std::string("missing")
                                                   : LogSafe(request.contentType, 64)));
    } else {
        r = Operate(request, who);
    }
    if (request.origin) {
        r.headers.emplace_back("Access-Control-Allow-Origin", std::string(*request.origin));
        r.headers.emplace_back("Vary", "Origin");
    }
    return r;
}

HttpResponse ControlService::Operate(const HttpRequest& request, const std::string& who) {
    const ParsedRequest parsed = ParseRequest(request.method, request.path, request.body);
    if (!parsed.Ok()) {
        HttpResponse r = Answer(parsed.error.status, ErrorBody(parsed.error.message, parsed.error.field));
        r.logLine = who + std::to_string(parsed.error.status) + " " +
                    (parsed.error.field.empty() ? "" : LogSafe(parsed.error.field, 64) + ": ") +
                    parsed.error.message;
        return r;
    }
    const Operation& op = *parsed.operation;
    const LinkSummary link = m_target.Link();
    if (std::holds_alternative<ReadStatus>(op))
        return Answer(200, Dump(Json{{"ok", true}, {"link", LinkToJson(link)}}));
    if (std::holds_alternative<ReadState>(op)) {
        Json j{{"ok", true}, {"state", StateToJson(m_target.State(), link)}};
        return Answer(200, Dump(j));
    }

    const Outcome outcome = RunChange(m_target, op);
    HttpResponse r;
    r.logLine = who + OperationName(op) + " " + OutcomeName(outcome);
    switch (outcome) {
    case Outcome::Sent:
    case Outcome::Unchanged:
        r.status = 200;
        r.body =
            Dump(Json{{"ok", true}, {"operation", OperationName(op)}, {"sent", outcome == Outcome::Sent}});
        break;
    case Outcome::NotSynchronised:
    case Outcome::Busy:
    case Outcome::TransferRunning:
        r.status = 409;
        r.body = ErrorBody(OutcomeMessage(outcome));
        break;
    case Outcome::NoPresetFile:
        r.status = 404;
        r.body = ErrorBody(OutcomeMessage(outcome), "slot");
        break;
    }
    return r;
}

} // namespace corvane::control
