#include "platform/SerialPortList.h"

// The sources the port list is taken from for the whole process (the system's, or those a
// test set), the same on every system.

#include <mutex>
#include <optional>

namespace corvane {

namespace {

std::mutex g_sourcesMutex;
std::optional<SerialPortSources> g_sources;

} // namespace

void SetSerialPortSources(SerialPortSources sources) {
    std::lock_guard lock(g_sourcesMutex);
    g_sources = std::move(sources);
}

void ResetSerialPortSources() {
    std::lock_guard lock(g_sourcesMutex);
    g_sources.reset();
}

SerialPortSources CurrentSerialPortSources() {
    std::lock_guard lock(g_sourcesMutex);
    return g_sources ? *g_sources : SystemSerialPortSources();
}

std::vector<SerialPortValue> ListSerialPortValues() {
    return ListSerialPortValues(CurrentSerialPortSources());
}

std::uint32_t ComNameNumber(std::string_view name) {
    if (name.size() < 4 || name.size() > 5)
        return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] & ~0x20) != "COM"[i])
            return 0;
    }
    std::uint32_t value = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

} // namespace corvane
