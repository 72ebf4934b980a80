#pragma once

// The connection dialog's rules without widgets: which line of the port list is selected,
// when an automatic attempt makes the list anew, what Connect needs, which controls a state
// enables, when "Auto connect..." shows and the range of the baud-rate field.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

// The line of `port` in `ports`; -1 when it is not listed.
int LineOfPort(const std::vector<std::uint32_t>& ports, std::uint32_t port);

// The line selected when the list is made anew: the port in use (`lastPort`) while a port is
// open, else the one chosen before (0: none), else the configured one, else the first line.
int LineToSelect(const std::vector<std::uint32_t>& ports, bool portOpen, int lastPort, std::uint32_t chosen,
                 std::uint32_t configured);

// An automatic attempt makes the list anew only when the number of ports changed since it was
// made; it then selects the port tried, or the first line.
bool RebuildAfterAttempt(std::size_t listed, std::size_t present);
int LineAfterAttempt(const std::vector<std::uint32_t>& ports, std::uint32_t tried);

// Connect with no port open needs a chosen port: without one the operator is asked for it.
bool ConnectNeedsAPort(bool portOpen, std::uint32_t chosen);

struct PortControls {
    bool list = false;
    bool connect = false;
    bool disconnect = false;
    bool baud = false;
    bool operator==(const PortControls&) const = default;
};
// The port list while no port is open; Connect always; DisConnect while one is; never the rate.
PortControls ControlsFor(bool portOpen);

// A hidden dialog comes up by itself (a port tried, the link lost) unless the operator hid it.
bool ComesUpByItself(bool hidden, bool hiddenByUser);

// "Auto connect..." shows while the search runs and nothing is connected.
bool ShowsAutoConnect(bool searching, bool connected);

// The baud-rate field: the configured rate as it is (the lowest rate when none is), its range
// widened to take it.
struct BaudField {
    float low = 0;
    float high = 0;
    float value = 0;
    bool operator==(const BaudField&) const = default;
};
BaudField BaudFieldFor(std::uint32_t configured, float low, float high);

} // namespace corvane
