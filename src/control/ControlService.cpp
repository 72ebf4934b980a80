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
    }
    return "";
}

} // namespace

std::string ErrorBody(const std::string& message, const std::string& field) {
    Json j{{"ok", false}, {"error", message}};
    if (!field.empty())
        j["field"] = field;
    return Dump(j);
}

ControlService::ControlService(ControlSettings settings, ControlTarget& target)
    : m_settings(std::move(settings)), m_target(target), m_limiter(m_settings.ratePerSecond) {}

HttpResponse ControlService::Handle(const HttpRequest& request, std::int64_t nowMs) {
    const std::string what = std::string(request.method) + " " + std::string(request.path.substr(0, 64));
    if (!m_limiter.Allow(request.client, nowMs)) {
        HttpResponse r = Answer(429, ErrorBody("too many requests"));
        r.refused = true;
        r.logLine = request.client + " " + what + ": too many requests";
        return r;
    }
    if (!Authorised(m_settings, request.authorization)) {
        HttpResponse r =
            Answer(401, ErrorBody(request.authorization.empty() ? "a token is required" : "wrong token"));
        r.refused = true;
        r.logLine = request.client + " " + what + ": refused, " +
                    (request.authorization.empty() ? "no token" : "wrong token");
        return r;
    }
    const ParsedRequest parsed = ParseRequest(request.method, request.path, request.body);
    if (!parsed.Ok()) {
        HttpResponse r = Answer(parsed.error.status, ErrorBody(parsed.error.message, parsed.error.field));
        r.logLine = request.client + " " + what + ": " + std::to_string(parsed.error.status) + " " +
                    (parsed.error.field.empty() ? "" : parsed.error.field + ": ") + parsed.error.message;
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

    Outcome outcome;
    if (m_target.State().linkState != kLinkSynchronised)
        outcome = Outcome::NotSynchronised;
    else if (link.waiting)
        outcome = Outcome::Busy;
    else
        outcome = m_target.Execute(op);

    HttpResponse r;
    r.logLine = request.client + " " + what + ": " + OperationName(op) + " " + OutcomeName(outcome);
    switch (outcome) {
    case Outcome::Sent:
    case Outcome::Unchanged:
        r.status = 200;
        r.body =
            Dump(Json{{"ok", true}, {"operation", OperationName(op)}, {"sent", outcome == Outcome::Sent}});
        break;
    case Outcome::NotSynchronised:
        r.status = 409;
        r.body = ErrorBody("the processor is not synchronised: nothing was sent");
        break;
    case Outcome::Busy:
        r.status = 409;
        r.body = ErrorBody("the processor is answering an earlier change: nothing was sent");
        break;
    case Outcome::NoPresetFile:
        r.status = 404;
        r.body = ErrorBody("the slot has no readable preset file: nothing was sent", "slot");
        break;
    }
    return r;
}

} // namespace corvane::control
