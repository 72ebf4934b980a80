#include "BenchPorts.h"

#include "platform/SerialPortList.h"

#include <filesystem>
#include <stdlib.h>
#include <system_error>
#include <vector>

namespace corvane::bench {

std::string MakePortsFolder(const std::string& tag) {
    std::string pattern = "/tmp/corvane-bench-" + tag + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        return {};
    const std::string root = name.data();
    std::error_code error;
    std::filesystem::create_directories(root + "/Ports", error);
    std::filesystem::create_directories(root + "/runtime", error);
    if (error)
        return {};
    SetSerialPortSources({root + "/Ports", {}});
    return root;
}

void RemovePortsFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

} // namespace corvane::bench
