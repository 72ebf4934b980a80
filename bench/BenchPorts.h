#pragma once

// The scratch folder of the benchmarks that run the application against the simulator: the
// simulator's COMn links go to <folder>/Ports, where the port list is pointed, and the
// application keeps its files in <folder> and <folder>/runtime.

#include <string>

namespace corvane::bench {

// Makes /tmp/corvane-bench-<tag>-XXXXXX with Ports and runtime inside and points the port
// list at its Ports; empty when it cannot be made.
std::string MakePortsFolder(const std::string& tag);

// Takes the folder away again.
void RemovePortsFolder(const std::string& folder);

} // namespace corvane::bench
