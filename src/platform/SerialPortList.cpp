#include "platform/SerialPortList.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <tuple>

namespace corvane {

namespace {

struct DeviceRange {
    std::string_view prefix;
    std::uint32_t firstNumber;
    std::uint32_t count;
};

constexpr DeviceRange kDeviceRanges[] = {
    {"ttyS", 1, 10},
    {"ttyUSB", 11, 20},
    {"ttyACM", 31, 20},
};

// The decimal number after `prefix` when the whole rest of `name` is digits.
std::optional<std::uint32_t> NumberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
        name.size() > prefix.size() + 6)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

bool StartsWithCom(std::string_view name) {
    return name.size() >= 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'M';
}

bool IsCharacterDevice(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool IsSymbolicLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::uint32_t SystemDeviceComNumber(std::string_view deviceName) {
    for (const DeviceRange& range : kDeviceRanges) {
        // "ttyS" is a prefix of neither "ttyUSB" nor "ttyACM" followed by digits only.
        const auto k = NumberAfter(deviceName, range.prefix);
        if (k && *k < range.count)
            return range.firstNumber + *k;
    }
    return 0;
}

std::vector<std::string> ScanSystemSerialDevices(const std::string& devFolder,
                                                 const std::string& sysTtyFolder) {
    std::vector<std::string> devices;
    for (const std::string& name : FolderEntries(devFolder)) {
        if (SystemDeviceComNumber(name) == 0 || !IsCharacterDevice(JoinPath(devFolder, name)))
            continue;
        if (name.rfind("ttyS", 0) == 0) {
            // Most machines have device nodes for UARTs that are not there; the serial
            // driver reports those with port type 0 (unknown).
            std::ifstream type(JoinPath(JoinPath(sysTtyFolder, name), "type"));
            int value = 0;
            if (!(type >> value) || value == 0)
                continue;
        }
        devices.push_back(name);
    }
    return devices;
}

SerialPortSources SystemSerialPortSources() {
    SerialPortSources sources;
    const std::string exe = ExecutableFolder();
    if (!exe.empty())
        sources.portsFolder = ProgramFoldersFor(exe).ports;
    sources.devices = [] { return ScanSystemSerialDevices(); };
    return sources;
}

std::vector<SerialPortValue> ListSerialPortValues(const SerialPortSources& sources) {
    struct Ranked {
        std::uint32_t number; // 0 sorts last
        int source;           // 0 link, 1 device
        SerialPortValue value;
    };
    std::vector<Ranked> ranked;
    std::set<std::uint32_t> held;

    if (!sources.portsFolder.empty()) {
        for (const std::string& name : FolderEntries(sources.portsFolder)) {
            const std::string path = JoinPath(sources.portsFolder, name);
            if (!StartsWithCom(name) || !IsSymbolicLink(path) || !IsCharacterDevice(path))
                continue;
            // Links named other than COM<n> sort after every number.
            const std::uint32_t number = ComNameNumber(name);
            if (number != 0)
                held.insert(number);
            ranked.push_back({number, 0, {path, name}});
        }
    }
    if (sources.devices) {
        for (const std::string& device : sources.devices()) {
            const std::uint32_t number = SystemDeviceComNumber(device);
            if (number == 0 || held.count(number) != 0)
                continue;
            held.insert(number);
            ranked.push_back({number, 1, {JoinPath("/dev", device), "COM" + std::to_string(number)}});
        }
    }

    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        const std::uint32_t an = a.number == 0 ? UINT32_MAX : a.number;
        const std::uint32_t bn = b.number == 0 ? UINT32_MAX : b.number;
        return std::tie(an, a.source, a.value.data) < std::tie(bn, b.source, b.value.data);
    });
    std::vector<SerialPortValue> values;
    values.reserve(ranked.size());
    for (Ranked& r : ranked)
        values.push_back(std::move(r.value));
    return values;
}

} // namespace corvane
