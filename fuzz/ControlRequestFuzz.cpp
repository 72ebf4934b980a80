// Random requests to the control interface, as a client on the network (or a browser's page)
// may send them: the first byte picks the method, the path and whether it opens the event
// socket, the second the Host, Origin, Content-Type and Authorization headers (each a good
// one, a refused one, none or text taken from the input: the lines that follow, one each),
// the rest is the body. Nothing may crash or throw, every answer is a known status with a
// JSON body, a request whose headers are refused never reaches the target and is answered
// with its rule's status, and a request is refused or becomes an operation whose fields hold
// their ranges. The whole answer (rate, headers, token, checks, the operation against a target
// that records it) is run too.

#include "control/ControlRequest.h"
#include "control/ControlService.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

using namespace corvane;
using namespace corvane::control;

namespace {

constexpr std::uint16_t kPort = 8642;
constexpr const char* kToken = "fuzz-token-0123456789";
constexpr const char* kAllowedOrigin = "http://panel.example:8080";

class Target : public ControlTarget {
public:
    Target() { state.linkState = kLinkSynchronised; }
    const DeviceState& State() const override { return state; }
    LinkSummary Link() const override { return {}; }
    Outcome Execute(const Operation& op) override {
        ++executed;
        if (const auto* l = std::get_if<SetLayer>(&op)) {
            if (l->layer < 0 || l->layer > 3)
                std::abort();
            if (l->window &&
                (l->window->x + l->window->w > kCanvasLimit || l->window->y + l->window->h > kCanvasLimit ||
                 l->window->w < kMinLayerSize || l->window->h < kMinLayerSize))
                std::abort();
        } else if (const auto* p = std::get_if<SetPicture>(&op)) {
            if (p->output < 0 || p->output > 3 ||
                (p->gamma && *p->gamma != 255 && (*p->gamma < 5 || *p->gamma > 50)) ||
                (p->colorTemp && *p->colorTemp > 8))
                std::abort();
        } else if (const auto* i = std::get_if<SelectInput>(&op)) {
            if (i->input < 0 || i->input > 3)
                std::abort();
        } else if (const auto* r = std::get_if<RecallPreset>(&op)) {
            if (r->preset < 0 || r->preset > 9)
                std::abort();
        } else if (const auto* s = std::get_if<LoadPresetSlot>(&op)) {
            if (s->slot < 0 || s->slot > 9)
                std::abort();
        }
        return Outcome::Sent;
    }
    DeviceState state;
    long executed = 0;
};

constexpr std::array<std::string_view, 12> kPaths{
    "/api/status",      "/api/state", "/api/input",     "/api/preset/recall",
    "/api/preset/load", "/api/layer", "/api/picture",   "/api/sync",
    "/api/layer/",      "/api",       "/api/input?x=1", "/api/events"};
constexpr std::array<std::string_view, 4> kMethods{"GET", "POST", "OPTIONS", "PUT"};

enum Variant { kGood = 0, kRefused = 1, kMissing = 2, kFromInput = 3 };

// The next line of the input (without its '\n'); the rest stays.
std::string_view NextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

bool Known(int s) {
    for (int k : {200, 204, 400, 401, 403, 404, 405, 409, 413, 415, 421, kStatusUpgrade})
        if (s == k)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string_view method = kMethods[data[0] >> 6];
    const bool upgrade = (data[0] & 0x20) != 0;
    const std::string_view path = kPaths[(data[0] & 0x1F) % kPaths.size()];
    const auto variant = [&](int header) { return static_cast<Variant>((data[1] >> (2 * header)) & 3); };
    // Copies, so that a read beyond the end of each is seen by the address sanitizer.
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    std::array<std::string, 4> taken;
    for (int h = 0; h < 4; ++h)
        if (variant(h) == kFromInput)
            taken[static_cast<std::size_t>(h)] = std::string(NextLine(rest));
    const std::string body(rest);

    const ParsedRequest parsed = ParseRequest(method, path, body);
    if (!parsed.Ok()) {
        const int s = parsed.error.status;
        if (s != 400 && s != 404 && s != 405 && s != 413)
            std::abort();
        if (parsed.error.message.empty())
            std::abort();
    }

    static Target target;
    static ControlService service = [] {
        ControlSettings s;
        s.token = kToken;
        s.allowedOrigins = {kAllowedOrigin};
        return ControlService(s, target);
    }();
    static std::int64_t now = 0;
    now += 1000; // never rate-limited: every request reaches the checks

    HttpRequest r;
    r.method = method;
    r.path = path;
    r.body = body;
    r.client = "fuzz";
    r.localAddress = "127.0.0.1";
    r.localPort = kPort;
    r.upgrade = upgrade;
    const std::string bearer = std::string("Bearer ") + kToken;
    static constexpr std::array<const char*, 3> kHosts{"127.0.0.1:8642", "127.0.0.1.evil.com:8642", nullptr};
    static constexpr std::array<const char*, 3> kOrigins{kAllowedOrigin, "http://panel.example:8080/",
                                                         nullptr};
    static constexpr std::array<const char*, 3> kTypes{"application/json", "text/plain", ""};
    const auto pick = [&](int h, const std::array<const char*, 3>& fixed) -> std::optional<std::string_view> {
        const Variant v = variant(h);
        if (v == kFromInput)
            return std::string_view(taken[static_cast<std::size_t>(h)]);
        const char* text = fixed[static_cast<std::size_t>(v)];
        return text ? std::optional<std::string_view>(text) : std::nullopt;
    };
    r.host = pick(0, kHosts);
    r.origin = pick(1, kOrigins);
    r.contentType = pick(2, kTypes).value_or("");
    switch (variant(3)) {
    case kGood:
        r.authorization = bearer;
        r.queryToken = kToken;
        break;
    case kRefused:
        r.authorization = "Bearer wrong";
        break;
    case kMissing:
        break;
    case kFromInput:
        r.authorization = taken[3];
        r.queryToken = taken[3];
        break;
    }

    const long before = target.executed;
    const HttpResponse a = service.Handle(r, now);
    if (!Known(a.status))
        std::abort();
    if (a.status == kStatusUpgrade || a.status == 204) {
        if (!a.body.empty())
            std::abort();
    } else if (nlohmann::json::parse(a.body, nullptr, false).is_discarded()) {
        std::abort();
    }
    for (char c : a.logLine)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            std::abort();
    // The fixed refusals get their rule's answer, in the order of the rules, and nothing runs.
    const bool reached = target.executed != before;
    if (variant(0) == kRefused || variant(0) == kMissing) {
        if (a.status != 421 || reached)
            std::abort();
    } else if (variant(0) == kGood && variant(1) == kRefused) {
        if (a.status != 403 || reached)
            std::abort();
    } else if (variant(0) == kGood && variant(1) != kFromInput && variant(2) == kRefused &&
               variant(3) == kGood && method == "POST" && !upgrade && a.status != 415) {
        std::abort();
    }
    if (reached && (a.status != 200 || method != "POST" || upgrade || !IsJsonContentType(r.contentType) ||
                    !r.host || !HostAllowed(*r.host, "127.0.0.1", kPort) ||
                    (r.origin && !OriginAllowed(service.Settings(), *r.origin))))
        std::abort();
    if (a.status == kStatusUpgrade && (!upgrade || method != "GET"))
        std::abort();
    return 0;
}
