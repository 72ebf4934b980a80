#include "platform/PortWatcher.h"

// Windows tells the top-level windows itself when a serial device arrives or leaves
// (WM_DEVICECHANGE), so this layer has no sources of its own there: no source is made and
// the watcher never starts. The automatic search's walk of the port list still finds a new
// port.

namespace corvane {

std::unique_ptr<PortEventSource> MakeUdevPortSource() {
    return nullptr;
}

std::unique_ptr<PortEventSource> MakeFolderPortSource(std::string /*folder*/,
                                                      std::function<bool(std::string_view)> /*accept*/) {
    return nullptr;
}

struct PortWatcher::Impl {};

PortWatcher::PortWatcher() : m_impl(std::make_unique<Impl>()) {}

PortWatcher::~PortWatcher() = default;

void PortWatcher::AddSource(std::unique_ptr<PortEventSource> /*source*/) {}

void PortWatcher::AddSystemSources(const std::string& /*portsFolder*/, bool /*systemDevices*/) {}

std::vector<std::string> PortWatcher::Describe() const {
    return {};
}

void PortWatcher::SetLog(LogFunction /*log*/) {}

bool PortWatcher::Start(std::function<void()> /*changed*/, std::chrono::milliseconds /*settle*/) {
    return false;
}

void PortWatcher::Stop() {}

bool PortWatcher::Running() const {
    return false;
}

std::uint64_t PortWatcher::WakeUps() const {
    return 0;
}

} // namespace corvane
