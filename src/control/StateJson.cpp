#include "control/StateJson.h"

#include "control/ControlRequest.h"

namespace corvane::control {

namespace {

using Json = nlohmann::json;

const char* LinkStateName(std::uint32_t s) {
    switch (s) {
    case kLinkClosed:
        return "closed";
    case kLinkOpen:
        return "open";
    case kLinkSynchronised:
        return "synchronised";
    default:
        return "unknown";
    }
}

Json Rect(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    return Json{{"x", x}, {"y", y}, {"w", w}, {"h", h}};
}

Json InputJson(const DeviceState& s, int i) {
    const InputInfo& in = s.inputs[static_cast<std::size_t>(i)];
    return Json{
        {"input", i + 1},    {"name", in.name},     {"current", in.isCurrent != 0}, {"signal", in.signal},
        {"width", in.width}, {"height", in.height}, {"refreshX10", in.refreshX10}};
}

Json InputsJson(const DeviceState& s) {
    Json inputs = Json::array();
    for (int i = 0; i < kInputCount; ++i)
        inputs.push_back(InputJson(s, i));
    return Json{{"currentInput", s.currentInput + 1}, {"inputs", inputs}};
}

Json LayerJson(const DeviceState& s, int i) {
    const LayerInfo& l = s.layers[static_cast<std::size_t>(i)];
    return Json{
        {"layer", i + 1},
        {"on", l.visible != 0},
        {"input", l.source + 1},
        {"window", Rect(l.x, l.y, l.w, l.h)},
        {"zoom", Json{{"on", l.zoomOn != 0}, {"x", l.zoomX}, {"y", l.zoomY}, {"w", l.zoomW}, {"h", l.zoomH}}},
        {"sourceWidth", l.srcW},
        {"sourceHeight", l.srcH}};
}

Json OutputJson(const DeviceState& s, int i) {
    const OutputInfo& o = s.outputs[static_cast<std::size_t>(i)];
    static constexpr const char* kSides[] = {"H1", "H2", "V1", "V2"};
    Json blend = Json::array();
    for (int k = 0; k < kSideCount; ++k) {
        const BlendSide& b = o.blend[static_cast<std::size_t>(k)];
        blend.push_back(Json{{"side", kSides[k]},
                             {"enable", b.enable != 0},
                             {"direction", b.direction},
                             {"gamma", b.gamma},
                             {"table", b.table},
                             {"start", b.start},
                             {"size", b.size}});
    }
    return Json{{"output", i + 1},
                {"canvas", Rect(o.canvasX, o.canvasY, o.width, o.height)},
                {"window", Rect(o.winX, o.winY, o.winW, o.winH)},
                {"resolution", o.resIndex},
                {"hActive", o.hActive},
                {"vActive", o.vActive},
                {"blend", blend},
                {"curve", o.curve}};
}

Json PictureJson(const DeviceState& s, int i) {
    const PictureSettings& p = s.picture[static_cast<std::size_t>(i)];
    Json gamma = p.gamma == 255 ? Json("off") : Json(p.gamma / 10.0);
    const char* temp = ColorTempName(p.colorTemp);
    return Json{{"output", i + 1},
                {"brightness", p.brightness},
                {"contrast", p.contrast},
                {"gamma", gamma},
                {"colorTemp", *temp ? Json(temp) : Json(p.colorTemp)},
                {"red", p.red},
                {"green", p.green},
                {"blue", p.blue}};
}

Json CropJson(const DeviceState& s) {
    Json rects = Json::array();
    for (int i = 0; i < kInputCount; ++i) {
        const CropRect& r = s.crop.rects[static_cast<std::size_t>(i)];
        rects.push_back(Json{{"input", i + 1},
                             {"on", r.on != 0},
                             {"window", Rect(r.hStart, r.vStart, r.hSize, r.vSize)},
                             {"totalWidth", r.hTotal},
                             {"totalHeight", r.vTotal}});
    }
    return Json{{"frameMode", s.crop.frameMode},
                {"inputFpsX100", s.crop.inputFpsX100},
                {"outputFpsX100", s.crop.outputFpsX100},
                {"inputBackup", s.crop.inputBackup != 0},
                {"inputs", rects}};
}

Json EdidJson(const DeviceState& s) {
    Json slots = Json::array();
    for (int i = 0; i < kEdidSlotCount; ++i) {
        const EdidTiming& t = s.edidTimings[static_cast<std::size_t>(i)];
        slots.push_back(Json{{"input", i + 1},
                             {"hActive", t.hActive},
                             {"vActive", t.vActive},
                             {"hBlank", t.hBlank},
                             {"vBlank", t.vBlank},
                             {"hSync", t.hSync},
                             {"vSync", t.vSync},
                             {"hFront", t.hFront},
                             {"vFront", t.vFront},
                             {"refreshX10", t.refreshX10}});
    }
    return slots;
}

Json VersionsJson(const DeviceState& s) {
    return Json{{"primary", s.verPrimary}, {"secondary", s.verSecondary}};
}

Json WifiJson(const DeviceState& s) {
    return Json{{"ip", s.wifi.ip}, {"ssid", s.wifi.ssid}};
}

} // namespace

Json LinkToJson(const LinkSummary& link) {
    return Json{{"state", LinkStateName(link.linkState)},
                {"synchronised", link.linkState == kLinkSynchronised},
                {"connected", link.connected},
                {"port", link.port >= 0 ? Json("COM" + std::to_string(link.port)) : Json(nullptr)},
                {"baud", link.baud},
                {"waiting", link.waiting},
                {"transfer", link.transferRunning}};
}

Json StateToJson(const DeviceState& s, const LinkSummary& link) {
    Json j = InputsJson(s);
    j["link"] = LinkToJson(link);
    Json layers = Json::array(), outputs = Json::array(), picture = Json::array(), presets = Json::array();
    for (int i = 0; i < kLayerCount; ++i)
        layers.push_back(LayerJson(s, i));
    for (int i = 0; i < kOutputCount; ++i) {
        outputs.push_back(OutputJson(s, i));
        picture.push_back(PictureJson(s, i));
    }
    for (int i = 0; i < kPresetCount; ++i)
        presets.push_back(Json{{"slot", i + 1},
                               {"name", s.presets[static_cast<std::size_t>(i)].name},
                               {"file", s.presets[static_cast<std::size_t>(i)].file}});
    j["layers"] = layers;
    j["outputs"] = outputs;
    j["picture"] = picture;
    j["crop"] = CropJson(s);
    j["edid"] = EdidJson(s);
    j["wifi"] = WifiJson(s);
    j["versions"] = VersionsJson(s);
    j["presets"] = presets;
    return j;
}

std::string Dump(const Json& j) {
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::vector<std::string> EventTracker::Changes(const DeviceState& s, const LinkSummary& link) {
    // Each part under its key, with the event it makes.
    std::vector<std::pair<std::string, Json>> parts;
    parts.emplace_back("link", Json{{"event", "link"}, {"data", LinkToJson(link)}});
    parts.emplace_back("input", Json{{"event", "input"}, {"data", InputsJson(s)}});
    for (int i = 0; i < kLayerCount; ++i)
        parts.emplace_back("layer" + std::to_string(i), Json{{"event", "layer"}, {"data", LayerJson(s, i)}});
    for (int i = 0; i < kOutputCount; ++i) {
        parts.emplace_back("output" + std::to_string(i),
                           Json{{"event", "output"}, {"data", OutputJson(s, i)}});
        parts.emplace_back("picture" + std::to_string(i),
                           Json{{"event", "picture"}, {"data", PictureJson(s, i)}});
    }
    parts.emplace_back("crop", Json{{"event", "crop"}, {"data", CropJson(s)}});
    parts.emplace_back("edid", Json{{"event", "edid"}, {"data", EdidJson(s)}});
    parts.emplace_back("wifi", Json{{"event", "wifi"}, {"data", WifiJson(s)}});
    parts.emplace_back("versions", Json{{"event", "versions"}, {"data", VersionsJson(s)}});

    const bool first = m_last.empty();
    std::vector<std::string> events;
    for (auto& [key, event] : parts) {
        auto it = m_last.find(key);
        if (it != m_last.end() && it->second == event)
            continue;
        if (!first)
            events.push_back(Dump(event));
        m_last[key] = std::move(event);
    }
    return events;
}

} // namespace corvane::control
