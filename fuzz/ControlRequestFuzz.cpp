// Random requests to the control interface, as a client on the network may send them: the
// first byte picks the method and the path, the rest is the body. Nothing may crash or throw,
// every answer is a known status with a JSON body, and a request is refused or becomes an
// operation whose fields hold their ranges. The whole answer (token, rate, checks, the
// operation against a target that records it) is run too.

#include "control/ControlRequest.h"
#include "control/ControlService.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

using namespace corvane;
using namespace corvane::control;

namespace {

class Target : public ControlTarget {
public:
    Target() { state.linkState = kLinkSynchronised; }
    const DeviceState& State() const override { return state; }
    LinkSummary Link() const override { return {}; }
    Outcome Execute(const Operation& op) override {
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
};

constexpr std::array<std::string_view, 11> kPaths{
    "/api/status",      "/api/state", "/api/input",    "/api/preset/recall",
    "/api/preset/load", "/api/layer", "/api/picture",  "/api/sync",
    "/api/layer/",      "/api",       "/api/input?x=1"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view method = (data[0] & 0x80) ? "GET" : "POST";
    const std::string_view path = kPaths[(data[0] & 0x7F) % kPaths.size()];
    // An exact copy, so that a read beyond the end is seen by the address sanitizer.
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);

    const ParsedRequest parsed = ParseRequest(method, path, body);
    if (!parsed.Ok()) {
        const int s = parsed.error.status;
        if (s != 400 && s != 404 && s != 405 && s != 413)
            std::abort();
        if (parsed.error.message.empty())
            std::abort();
    }

    static Target target;
    static ControlService service({}, target);
    static std::int64_t now = 0;
    now += 1000; // never rate-limited: every request reaches the checks
    const HttpResponse r = service.Handle({method, path, body, {}, "fuzz"}, now);
    if (r.status != 200 && r.status != 400 && r.status != 404 && r.status != 405 && r.status != 409 &&
        r.status != 413)
        std::abort();
    if (nlohmann::json::parse(r.body, nullptr, false).is_discarded())
        std::abort();
    return 0;
}
