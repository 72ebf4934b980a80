#pragma once

// The requests of the local control interface, parsed and checked into typed operations
// before anything touches the state: the path names the operation, the JSON body its fields.
// Every field is checked for its type and range; a request that fails names the field and
// never reaches the processor. No Qt: the parser is fuzzed and unit-tested on its own.
//
// Numbers are the ones the operator sees: inputs 1..4 (HDMI-1 .. DisplayPort-2), layers 1..4
// ("Layer1".."Layer4"), outputs 1..4 ("DVI-1".."DVI-4"), processor presets 1..10 and preset
// slots 1..10. The operations carry them as indices from 0.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace corvane::control {

// The largest body taken; a larger one is refused (413) unread.
inline constexpr std::size_t kMaxBodyBytes = 4096;

// The event socket's path (a WebSocket on the same port).
inline constexpr std::string_view kEventsPath = "/api/events";

// Positions and sizes of a layer window on the canvas (the layer page's limits).
inline constexpr std::uint32_t kCanvasLimit = 59999;
inline constexpr std::uint32_t kMinLayerSize = 32;

// GET /api/status: the link alone.
struct ReadStatus {};
// GET /api/state: the link and the whole device state.
struct ReadState {};
// POST /api/input {"input": 1..4}
struct SelectInput {
    int input = 0;
};
// POST /api/preset/recall {"preset": 1..10}: the processor's own preset (command 0x0005).
struct RecallPreset {
    int preset = 0;
};
// POST /api/preset/load {"slot": 1..10}: the preset file of a slot in DataFile.
struct LoadPresetSlot {
    int slot = 0;
};
struct LayerWindow {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t w = 0;
    std::uint32_t h = 0;
};
// POST /api/layer {"layer": 1..4, "on": bool, "x", "y", "w", "h"}: at least the switch or the
// whole window.
struct SetLayer {
    int layer = 0;
    std::optional<bool> on;
    std::optional<LayerWindow> window;
};
// POST /api/picture {"output": 1..4, "brightness", "contrast", "gamma", "colorTemp", "red",
// "green", "blue"}: at least one value. The gamma is 0.5..5.0 or "off" (kept as tenths, 255
// off); the colour temperature a name of the picture page's list ("4000K".."11500K", "user");
// gains alone make it "user", as on the page.
struct SetPicture {
    int output = 0;
    std::optional<std::uint8_t> brightness;
    std::optional<std::uint8_t> contrast;
    std::optional<std::uint8_t> gamma;
    std::optional<std::uint8_t> colorTemp;
    std::optional<std::uint8_t> red;
    std::optional<std::uint8_t> green;
    std::optional<std::uint8_t> blue;
};
// POST /api/sync: ask the processor for its whole state.
struct Synchronise {};

using Operation = std::variant<ReadStatus, ReadState, SelectInput, RecallPreset, LoadPresetSlot, SetLayer,
                               SetPicture, Synchronise>;

// The operation's name in answers and logs ("input", "layer", ...).
const char* OperationName(const Operation& op);
// Whether the operation changes the processor (and so needs a synchronised link).
bool ChangesProcessor(const Operation& op);

struct RequestError {
    int status = 400;  // 400, 404, 405, 413, 415
    std::string field; // the field at fault; empty when it is the request itself
    std::string message;
};

struct ParsedRequest {
    std::optional<Operation> operation;
    RequestError error; // when there is no operation
    bool Ok() const { return operation.has_value(); }
};

// Whether the path names an operation or the event socket (one trailing slash allowed).
bool KnownPath(std::string_view path);

// Checks a request: its method ("GET", "POST"), its path (without query) and its body.
ParsedRequest ParseRequest(std::string_view method, std::string_view path, std::string_view body);

// The colour temperature names the interface takes, index 0..8 as the picture page's list.
const char* ColorTempName(std::uint8_t index);

} // namespace corvane::control
