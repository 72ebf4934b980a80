#pragma once

// The device state and the link as the control interface shows them (JSON), and the events
// its event socket pushes: the parts of the state that changed since the last look. Numbers
// are the operator's (inputs, layers, outputs and slots from 1). The WiFi password is never
// shown. Texts that are no UTF-8 are sent with the replacement character.

#include "device/DeviceState.h"

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace corvane::control {

// What the interface tells of the link besides DeviceState.linkState.
struct LinkSummary {
    std::uint32_t linkState = kLinkClosed;
    bool connected = false;
    int port = -1;                // COM number of the open port, -1 when none
    std::uint32_t baud = 0;       // rate of the open port
    bool waiting = false;         // the wait overlay is shown: the processor is answering something
    bool transferRunning = false; // a firmware transfer or read-back owns the serial line
};

nlohmann::json LinkToJson(const LinkSummary& link);
nlohmann::json StateToJson(const DeviceState& state, const LinkSummary& link);

// A JSON text (invalid UTF-8 replaced, never an exception).
std::string Dump(const nlohmann::json& j);

// The events since the last call: one {"event": kind, "data": ...} text for each part of the
// state that differs from what the previous call saw. The first call only takes the state in.
class EventTracker {
public:
    std::vector<std::string> Changes(const DeviceState& state, const LinkSummary& link);
    void Reset() { m_last.clear(); }

private:
    std::map<std::string, nlohmann::json> m_last;
};

} // namespace corvane::control
