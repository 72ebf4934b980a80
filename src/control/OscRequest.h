#pragma once

// The OSC messages of the control interface, checked into the same operations as the HTTP
// requests. The address space follows the HTTP operations, numbered as the operator sees them:
//   /corvane/input i                      /api/input {"input"}
//   /corvane/preset/recall i              /api/preset/recall {"preset"}
//   /corvane/preset/load i                /api/preset/load {"slot"}
//   /corvane/layer/N/on i|T|F             /api/layer {"layer": N, "on"}
//   /corvane/layer/N/window i i i i       /api/layer {"layer": N, "x", "y", "w", "h"}
//   /corvane/picture/N/brightness i       /api/picture {"output": N, "brightness"}
//     (and contrast, gamma f or s "off", colortemp s, red, green, blue)
//   /corvane/sync                         /api/sync
// A message becomes the HTTP request's body and goes through ParseRequest, so every range and
// every refusal is the HTTP interface's own. Whole numbers may come as integers (i, h) or as
// floats that are whole (f, d: show software often sends floats); a switch as T/F or 0/1.
// No Qt and no OSC library: the packet's reader hands over the address and the arguments.

#include "control/ControlRequest.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::control {

// One argument of a message by its OSC type tag: 'i' (int32), 'h' (int64), 'f' (float32),
// 'd' (float64), 's' (string), 'T' (true), 'F' (false); other tags are kept for the error.
struct OscArgument {
    char type = 'i';
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;
};

struct OscMessage {
    std::string address;
    std::vector<OscArgument> arguments;
};

// The operation of a message, or the error: 404 for an address that names none, 400 for
// arguments of the wrong number, type or range (the field is the HTTP field's name).
ParsedRequest ParseOscMessage(const OscMessage& message);

} // namespace corvane::control
