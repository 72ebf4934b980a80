#include "control/OscRequest.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>

namespace corvane::control {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kRoot = "/corvane/";

ParsedRequest Fail(int status, std::string field, std::string message) {
    ParsedRequest r;
    r.error = {status, std::move(field), std::move(message)};
    return r;
}

// The path's parts after /corvane/, split at slashes ("layer/2/on" -> layer, 2, on).
std::vector<std::string_view> Parts(std::string_view address) {
    std::vector<std::string_view> parts;
    address.remove_prefix(kRoot.size());
    while (!address.empty()) {
        const std::size_t slash = address.find('/');
        parts.push_back(address.substr(0, slash));
        if (slash == std::string_view::npos)
            break;
        address.remove_prefix(slash + 1);
    }
    return parts;
}

// The number of the layer or output in an address ("2" of /corvane/layer/2/on), as the HTTP
// body's field: a text that is no number is an out-of-range number for ParseRequest.
std::int64_t NumberPart(std::string_view text) {
    std::int64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size())
        return -1;
    return n;
}

// An argument as the JSON value of a number field: integers as they are, floats as they are
// (ParseRequest takes them only when whole). Other types: nullopt.
std::optional<Json> NumberValue(const OscArgument& a) {
    switch (a.type) {
    case 'i':
    case 'h':
        return Json(a.integer);
    case 'f':
    case 'd':
        if (!std::isfinite(a.real))
            return std::nullopt;
        return Json(a.real);
    default:
        return std::nullopt;
    }
}

std::string TypeError(const OscArgument& a, const char* wanted) {
    return std::string("takes ") + wanted + ", not the type '" + std::string(1, a.type) + "'";
}

struct Mapping {
    std::string path;
    Json body = Json::object();
};

// Sets body[field] from the message's only argument, a number.
std::optional<ParsedRequest> OneNumber(const OscMessage& m, Mapping& map, const char* field) {
    if (m.arguments.size() != 1)
        return Fail(400, field, "takes one argument, not " + std::to_string(m.arguments.size()));
    const std::optional<Json> v = NumberValue(m.arguments[0]);
    if (!v)
        return Fail(400, field, TypeError(m.arguments[0], "a number"));
    map.body[field] = *v;
    return std::nullopt;
}

std::optional<ParsedRequest> Switch(const OscMessage& m, Mapping& map) {
    if (m.arguments.size() != 1)
        return Fail(400, "on", "takes one argument, not " + std::to_string(m.arguments.size()));
    const OscArgument& a = m.arguments[0];
    if (a.type == 'T' || a.type == 'F') {
        map.body["on"] = a.type == 'T';
        return std::nullopt;
    }
    const std::optional<Json> v = NumberValue(a);
    if (!v)
        return Fail(400, "on", TypeError(a, "T, F, 0 or 1"));
    const double n = v->get<double>();
    if (n != 0.0 && n != 1.0)
        return Fail(400, "on", "takes T, F, 0 or 1");
    map.body["on"] = n == 1.0;
    return std::nullopt;
}

std::optional<ParsedRequest> Window(const OscMessage& m, Mapping& map) {
    static constexpr const char* kFields[] = {"x", "y", "w", "h"};
    if (m.arguments.size() != 4)
        return Fail(400, "window",
                    "takes four arguments (x y w h), not " + std::to_string(m.arguments.size()));
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<Json> v = NumberValue(m.arguments[i]);
        if (!v)
            return Fail(400, kFields[i], TypeError(m.arguments[i], "a number"));
        map.body[kFields[i]] = *v;
    }
    return std::nullopt;
}

// gamma: a number (0.5 .. 5.0) or the text "off"; colortemp: a name of the list.
std::optional<ParsedRequest> TextOrNumber(const OscMessage& m, Mapping& map, const char* field, bool number) {
    if (m.arguments.size() != 1)
        return Fail(400, field, "takes one argument, not " + std::to_string(m.arguments.size()));
    const OscArgument& a = m.arguments[0];
    if (a.type == 's') {
        map.body[field] = a.text;
        return std::nullopt;
    }
    if (number) {
        if (const std::optional<Json> v = NumberValue(a)) {
            map.body[field] = *v;
            return std::nullopt;
        }
    }
    return Fail(400, field, TypeError(a, number ? "a number or \"off\"" : "a name"));
}

std::optional<ParsedRequest> NoArguments(const OscMessage& m) {
    if (!m.arguments.empty())
        return Fail(400, "", "takes no arguments, not " + std::to_string(m.arguments.size()));
    return std::nullopt;
}

// The HTTP request of an address, its body filled from the arguments; nullopt and `error` when
// the message cannot be one.
std::optional<Mapping> Map(const OscMessage& m, ParsedRequest& error) {
    const std::string_view address = m.address;
    if (address.substr(0, kRoot.size()) != kRoot) {
        error = Fail(404, "", "unknown OSC address");
        return std::nullopt;
    }
    const std::vector<std::string_view> p = Parts(address);
    Mapping map;
    std::optional<ParsedRequest> failed;
    if (p.size() == 1 && p[0] == "input") {
        map.path = "/api/input";
        failed = OneNumber(m, map, "input");
    } else if (p.size() == 2 && p[0] == "preset" && (p[1] == "recall" || p[1] == "load")) {
        const bool recall = p[1] == "recall";
        map.path = recall ? "/api/preset/recall" : "/api/preset/load";
        failed = OneNumber(m, map, recall ? "preset" : "slot");
    } else if (p.size() == 3 && p[0] == "layer" && (p[2] == "on" || p[2] == "window")) {
        map.path = "/api/layer";
        map.body["layer"] = NumberPart(p[1]);
        failed = p[2] == "on" ? Switch(m, map) : Window(m, map);
    } else if (p.size() == 3 && p[0] == "picture") {
        static constexpr std::pair<std::string_view, const char*> kValues[] = {{"brightness", "brightness"},
                                                                               {"contrast", "contrast"},
                                                                               {"red", "red"},
                                                                               {"green", "green"},
                                                                               {"blue", "blue"}};
        map.path = "/api/picture";
        map.body["output"] = NumberPart(p[1]);
        bool known = false;
        for (const auto& [name, field] : kValues) {
            if (p[2] == name) {
                known = true;
                failed = OneNumber(m, map, field);
            }
        }
        if (p[2] == "gamma") {
            known = true;
            failed = TextOrNumber(m, map, "gamma", true);
        } else if (p[2] == "colortemp") {
            known = true;
            failed = TextOrNumber(m, map, "colorTemp", false);
        }
        if (!known) {
            error = Fail(404, "", "unknown OSC address");
            return std::nullopt;
        }
    } else if (p.size() == 1 && p[0] == "sync") {
        map.path = "/api/sync";
        failed = NoArguments(m);
    } else {
        error = Fail(404, "", "unknown OSC address");
        return std::nullopt;
    }
    if (failed) {
        error = std::move(*failed);
        return std::nullopt;
    }
    return map;
}

} // namespace

ParsedRequest ParseOscMessage(const OscMessage& message) {
    ParsedRequest error;
    const std::optional<Mapping> map = Map(message, error);
    if (!map)
        return error;
    // A string argument of any bytes (not UTF-8, say) becomes text JSON can hold, which the
    // checks then refuse as no name they know; a plain dump would throw.
    return ParseRequest("POST", map->path, map->body.dump(-1, ' ', false, Json::error_handler_t::replace));
}

} // namespace corvane::control
