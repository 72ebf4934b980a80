#pragma once

// The list of serial ports the connection dialog and the automatic search offer.
//
// A port's COM name is accepted when it is the letters C, O, M (either case) followed by
// one or two decimal digits and nothing more: COM1 to COM99 (COM0 names no port and is
// skipped too). The first entry of a number wins; later ones with the same number are
// ignored. The order is the order of the system's list (platform/SerialPortList.h).

#include "platform/SerialPortList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct SerialPortEntry {
    std::string name;         // as the system lists it, for example COM3
    std::uint32_t number = 0; // the decimal number after the three letters
    std::string device;       // the file behind it
};

// The port number of an accepted COM name, 0 when the name is not accepted.
std::uint32_t ComPortNumber(std::string_view text);

// Appends the accepted ports of `values` to `list`, skipping numbers already in it.
// Returns true when `list` is not empty afterwards.
bool EnumerateSerialPorts(const std::vector<SerialPortValue>& values, std::vector<SerialPortEntry>& list);

// The same over the system's list.
bool EnumerateSerialPorts(std::vector<SerialPortEntry>& list);

// The file behind COM<number> in the system's list; empty when the number is not listed.
std::string SerialPortDevice(std::uint32_t number);

} // namespace corvane
