#include "control/ControlRequest.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <nlohmann/json.hpp>

namespace corvane::control {

namespace {

using Json = nlohmann::json;

constexpr std::array<const char*, 9> kColorTempNames{"4000K", "5000K",  "6500K",  "7500K", "8200K",
                                                     "9300K", "10000K", "11500K", "user"};
constexpr std::uint8_t kUserColorTemp = 8;
constexpr std::uint8_t kGammaOff = 255;
constexpr int kGammaTenthsMin = 5;
constexpr int kGammaTenthsMax = 50;

ParsedRequest Fail(int status, std::string field, std::string message) {
    ParsedRequest r;
    r.error = {status, std::move(field), std::move(message)};
    return r;
}

ParsedRequest Take(Operation op) {
    ParsedRequest r;
    r.operation = std::move(op);
    return r;
}

// The body of a POST: an object (an empty body is an empty object), with no other field than
// `allowed`. On failure `error` holds the answer.
std::optional<Json> ObjectBody(std::string_view body, std::initializer_list<const char*> allowed,
                               ParsedRequest& error) {
    bool blank = true;
    for (char c : body)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            blank = false;
    if (blank)
        return Json::object();
    Json j = Json::parse(body.begin(), body.end(), nullptr, false);
    if (j.is_discarded()) {
        error = Fail(400, "body", "the body is not JSON");
        return std::nullopt;
    }
    if (!j.is_object()) {
        error = Fail(400, "body", "the body is not a JSON object");
        return std::nullopt;
    }
    for (const auto& item : j.items()) {
        bool known = false;
        for (const char* name : allowed)
            known = known || item.key() == name;
        if (!known) {
            error = Fail(400, item.key(), "unknown field");
            return std::nullopt;
        }
    }
    return j;
}

// An integer field within [low, high]. Missing: nullopt and no error unless `required`.
// Floating-point numbers are taken only when whole (1.0), never booleans or texts.
std::optional<std::int64_t> Integer(const Json& j, const char* name, std::int64_t low, std::int64_t high,
                                    bool required, ParsedRequest& error) {
    const auto it = j.find(name);
    if (it == j.end()) {
        if (required)
            error = Fail(400, name, "missing");
        return std::nullopt;
    }
    std::int64_t v = 0;
    if (it->is_number_integer()) {
        if (it->is_number_unsigned()) {
            const std::uint64_t u = it->get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(high)) {
                error = Fail(400, name, "out of range " + std::to_string(low) + ".." + std::to_string(high));
                return std::nullopt;
            }
            v = static_cast<std::int64_t>(u);
        } else {
            v = it->get<std::int64_t>();
        }
    } else if (it->is_number_float()) {
        const double d = it->get<double>();
        if (!std::isfinite(d) || d != std::floor(d)) {
            error = Fail(400, name, "not a whole number");
            return std::nullopt;
        }
        if (d < static_cast<double>(low) || d > static_cast<double>(high)) {
            error = Fail(400, name, "out of range " + std::to_string(low) + ".." + std::to_string(high));
            return std::nullopt;
        }
        v = static_cast<std::int64_t>(d);
    } else {
        error = Fail(400, name, "not a number");
        return std::nullopt;
    }
    if (v < low || v > high) {
        error = Fail(400, name, "out of range " + std::to_string(low) + ".." + std::to_string(high));
        return std::nullopt;
    }
    return v;
}

bool Failed(const ParsedRequest& r) {
    return !r.error.message.empty();
}

ParsedRequest ParseNumbered(std::string_view body, const char* field, int count, ParsedRequest (*make)(int)) {
    ParsedRequest error;
    const std::optional<Json> j = ObjectBody(body, {field}, error);
    if (!j)
        return error;
    const auto n = Integer(*j, field, 1, count, true, error);
    if (!n)
        return error;
    return make(static_cast<int>(*n - 1));
}

ParsedRequest ParseLayer(std::string_view body) {
    ParsedRequest error;
    const std::optional<Json> j = ObjectBody(body, {"layer", "on", "x", "y", "w", "h"}, error);
    if (!j)
        return error;
    const auto layer = Integer(*j, "layer", 1, 4, true, error);
    if (!layer)
        return error;
    SetLayer op;
    op.layer = static_cast<int>(*layer - 1);
    if (const auto on = j->find("on"); on != j->end()) {
        if (!on->is_boolean())
            return Fail(400, "on", "not true or false");
        op.on = on->get<bool>();
    }
    const bool any = j->contains("x") || j->contains("y") || j->contains("w") || j->contains("h");
    if (any) {
        // The window is set whole: each of its four fields is required once one is given.
        const auto x = Integer(*j, "x", 0, kCanvasLimit, true, error);
        if (!x)
            return error;
        const auto y = Integer(*j, "y", 0, kCanvasLimit, true, error);
        if (!y)
            return error;
        const auto w = Integer(*j, "w", kMinLayerSize, kCanvasLimit, true, error);
        if (!w)
            return error;
        const auto h = Integer(*j, "h", kMinLayerSize, kCanvasLimit, true, error);
        if (!h)
            return error;
        if (*x + *w > kCanvasLimit)
            return Fail(400, "w", "x + w beyond the canvas (59999)");
        if (*y + *h > kCanvasLimit)
            return Fail(400, "h", "y + h beyond the canvas (59999)");
        op.window = LayerWindow{static_cast<std::uint32_t>(*x), static_cast<std::uint32_t>(*y),
                                static_cast<std::uint32_t>(*w), static_cast<std::uint32_t>(*h)};
    }
    if (!op.on && !op.window)
        return Fail(400, "on", "nothing to set: give \"on\" or the window x, y, w, h");
    return Take(op);
}

ParsedRequest ParsePicture(std::string_view body) {
    ParsedRequest error;
    const std::optional<Json> j = ObjectBody(
        body, {"output", "brightness", "contrast", "gamma", "colorTemp", "red", "green", "blue"}, error);
    if (!j)
        return error;
    const auto output = Integer(*j, "output", 1, 4, true, error);
    if (!output)
        return error;
    SetPicture op;
    op.output = static_cast<int>(*output - 1);
    const auto byte = [&](const char* name, std::optional<std::uint8_t>& into) {
        if (const auto v = Integer(*j, name, 0, 255, false, error))
            into = static_cast<std::uint8_t>(*v);
        return !Failed(error);
    };
    if (!byte("brightness", op.brightness) || !byte("contrast", op.contrast) || !byte("red", op.red) ||
        !byte("green", op.green) || !byte("blue", op.blue))
        return error;
    if (const auto g = j->find("gamma"); g != j->end()) {
        if (g->is_string()) {
            if (g->get<std::string>() != "off")
                return Fail(400, "gamma", "a number 0.5..5.0 or \"off\"");
            op.gamma = kGammaOff;
        } else if (g->is_number()) {
            const double d = g->get<double>();
            const double tenths = std::round(d * 10.0);
            if (!std::isfinite(d) || tenths < kGammaTenthsMin || tenths > kGammaTenthsMax)
                return Fail(400, "gamma", "out of range 0.5..5.0");
            op.gamma = static_cast<std::uint8_t>(tenths);
        } else {
            return Fail(400, "gamma", "a number 0.5..5.0 or \"off\"");
        }
    }
    if (const auto t = j->find("colorTemp"); t != j->end()) {
        if (!t->is_string())
            return Fail(400, "colorTemp",
                        "one of 4000K, 5000K, 6500K, 7500K, 8200K, 9300K, 10000K, 11500K, user");
        const std::string name = t->get<std::string>();
        for (std::size_t i = 0; i < kColorTempNames.size(); ++i)
            if (name == kColorTempNames[i])
                op.colorTemp = static_cast<std::uint8_t>(i);
        if (!op.colorTemp)
            return Fail(400, "colorTemp",
                        "one of 4000K, 5000K, 6500K, 7500K, 8200K, 9300K, 10000K, 11500K, user");
    }
    const bool gains = op.red || op.green || op.blue;
    if (gains) {
        // The page's rule: a gain moved makes the colour temperature the user's.
        if (op.colorTemp && *op.colorTemp != kUserColorTemp)
            return Fail(400, "colorTemp", "gains are the user colour temperature's: give \"user\" or none");
        op.colorTemp = kUserColorTemp;
    }
    if (!op.brightness && !op.contrast && !op.gamma && !op.colorTemp)
        return Fail(400, "output", "nothing to set: give at least one picture value");
    return Take(op);
}

} // namespace

const char* ColorTempName(std::uint8_t index) {
    return index < kColorTempNames.size() ? kColorTempNames[index] : "";
}

const char* OperationName(const Operation& op) {
    struct Names {
        const char* operator()(const ReadStatus&) const { return "status"; }
        const char* operator()(const ReadState&) const { return "state"; }
        const char* operator()(const SelectInput&) const { return "input"; }
        const char* operator()(const RecallPreset&) const { return "preset recall"; }
        const char* operator()(const LoadPresetSlot&) const { return "preset load"; }
        const char* operator()(const SetLayer&) const { return "layer"; }
        const char* operator()(const SetPicture&) const { return "picture"; }
        const char* operator()(const Synchronise&) const { return "sync"; }
    };
    return std::visit(Names{}, op);
}

bool ChangesProcessor(const Operation& op) {
    return !std::holds_alternative<ReadStatus>(op) && !std::holds_alternative<ReadState>(op);
}

namespace {

struct Route {
    std::string_view path;
    bool post;
};
constexpr std::array<Route, 8> kRoutes{{{"/api/status", false},
                                        {"/api/state", false},
                                        {"/api/input", true},
                                        {"/api/preset/recall", true},
                                        {"/api/preset/load", true},
                                        {"/api/layer", true},
                                        {"/api/picture", true},
                                        {"/api/sync", true}}};

// One trailing slash is the same path.
std::string_view WithoutTrailingSlash(std::string_view path) {
    if (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

std::size_t FindRoute(std::string_view path) {
    path = WithoutTrailingSlash(path);
    for (std::size_t i = 0; i < kRoutes.size(); ++i)
        if (kRoutes[i].path == path)
            return i;
    return kRoutes.size();
}

} // namespace

bool KnownPath(std::string_view path) {
    return FindRoute(path) < kRoutes.size() || WithoutTrailingSlash(path) == kEventsPath;
}

ParsedRequest ParseRequest(std::string_view method, std::string_view path, std::string_view body) {
    if (body.size() > kMaxBodyBytes)
        return Fail(413, "body", "larger than " + std::to_string(kMaxBodyBytes) + " bytes");
    const std::size_t route = FindRoute(path);
    if (route == kRoutes.size())
        return Fail(404, "", "unknown operation");
    const bool post = kRoutes[route].post;
    if (method != (post ? "POST" : "GET"))
        return Fail(405, "", post ? "use POST" : "use GET");

    switch (route) {
    case 0:
        return Take(ReadStatus{});
    case 1:
        return Take(ReadState{});
    case 2:
        return ParseNumbered(body, "input", 4, [](int n) { return Take(SelectInput{n}); });
    case 3:
        return ParseNumbered(body, "preset", 10, [](int n) { return Take(RecallPreset{n}); });
    case 4:
        return ParseNumbered(body, "slot", 10, [](int n) { return Take(LoadPresetSlot{n}); });
    case 5:
        return ParseLayer(body);
    case 6:
        return ParsePicture(body);
    default: {
        ParsedRequest error;
        if (!ObjectBody(body, {}, error))
            return error;
        return Take(Synchronise{});
    }
    }
}

} // namespace corvane::control
