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

} // namespace corvane
