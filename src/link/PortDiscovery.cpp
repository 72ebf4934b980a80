#include "link/PortDiscovery.h"

#include <algorithm>
#include <cctype>

namespace corvane {

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c, char upper) {
    return std::toupper(static_cast<unsigned char>(c)) == upper;
}
} // namespace

std::uint32_t ComPortNumber(std::string_view text) {
    if (text.size() < 4 || text.size() > 5)
        return 0;
    if (!IsLetter(text[0], 'C') || !IsLetter(text[1], 'O') || !IsLetter(text[2], 'M'))
        return 0;
    std::uint32_t number = 0;
    for (char c : text.substr(3)) {
        if (!IsDigit(c))
            return 0;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return number; // COM0 and COM00 give 0: no port
}

bool EnumerateSerialPorts(const std::vector<SerialPortValue>& values, std::vector<SerialPortEntry>& list) {
    for (const SerialPortValue& value : values) {
        const std::uint32_t number = ComPortNumber(value.data);
        if (number == 0)
            continue;
        const bool known = std::any_of(list.begin(), list.end(),
                                       [number](const SerialPortEntry& e) { return e.number == number; });
        if (!known)
            list.push_back({value.data, number, value.name});
    }
    return !list.empty();
}

bool EnumerateSerialPorts(std::vector<SerialPortEntry>& list) {
    return EnumerateSerialPorts(ListSerialPortValues(), list);
}

std::string SerialPortDevice(std::uint32_t number) {
    std::vector<SerialPortEntry> list;
    EnumerateSerialPorts(list);
    for (const SerialPortEntry& entry : list) {
        if (entry.number == number)
            return entry.device;
    }
    return {};
}

} // namespace corvane
