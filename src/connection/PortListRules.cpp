#include "connection/PortListRules.h"

#include <algorithm>

namespace corvane {

int LineOfPort(const std::vector<std::uint32_t>& ports, std::uint32_t port) {
    const auto it = std::find(ports.begin(), ports.end(), port);
    return it == ports.end() ? -1 : static_cast<int>(it - ports.begin());
}

int LineToSelect(const std::vector<std::uint32_t>& ports, bool portOpen, int lastPort, std::uint32_t chosen,
                 std::uint32_t configured) {
    if (portOpen && lastPort > 0) {
        if (const int line = LineOfPort(ports, static_cast<std::uint32_t>(lastPort)); line >= 0)
            return line;
    }
    if (chosen != 0) {
        if (const int line = LineOfPort(ports, chosen); line >= 0)
            return line;
    }
    return std::max(0, LineOfPort(ports, configured));
}

bool RebuildAfterAttempt(std::size_t listed, std::size_t present) {
    return present != listed;
}

int LineAfterAttempt(const std::vector<std::uint32_t>& ports, std::uint32_t tried) {
    return std::max(0, LineOfPort(ports, tried));
}

bool ConnectNeedsAPort(bool portOpen, std::uint32_t chosen) {
    return !portOpen && chosen == 0;
}

PortControls ControlsFor(bool portOpen) {
    return {!portOpen, true, portOpen, false};
}

bool ComesUpByItself(bool hidden, bool hiddenByUser) {
    return hidden && !hiddenByUser;
}

bool ShowsAutoConnect(bool searching, bool connected) {
    return searching && !connected;
}

BaudField BaudFieldFor(std::uint32_t configured, float low, float high) {
    const float value = configured != 0 ? static_cast<float>(configured) : low;
    return {std::min(low, value), std::max(high, value), value};
}

} // namespace corvane
