// corvane-link: does this serial port reach a processor? Opens the port, synchronises with
// the processor the way Corvane does and prints its state as text.
//
//   corvane-link [options] PORT        PORT: COM3 or 3
//     --baud N          only this rate (default: 921600, then 115200, like the search)
//     --measure N       then time N request-answer round trips and print the figures
//     --watch SECONDS   then keep the link until it is lost (exit 4) or SECONDS pass (exit 0)
//     --ports-dir DIR   (POSIX) the folder of COM<n> links to list instead of the one beside
//                       the program
//     --verbose         log what happens on standard error
//
// Exit codes: 0 synchronised, 1 wrong arguments, 2 no such port, 3 no processor answered,
// 4 the link was lost, 5 the port could not be opened.

#include "LinkConsole.h"
#include "StateText.h"
#include "link/PortDiscovery.h"
#include "platform/SerialPortList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::linktool;

namespace {

enum Exit {
    kExitOk = 0,
    kExitUsage = 1,
    kExitNoSuchPort = 2,
    kExitNoAnswer = 3,
    kExitLinkLost = 4,
    kExitCannotOpen = 5
};

int Usage() {
    std::cerr << "usage: corvane-link [--baud N] [--measure N] [--watch SECONDS] [--ports-dir DIR] "
                 "[--verbose] PORT\n"
                 "  PORT is COM3 or 3\n";
    return kExitUsage;
}

bool ToNumber(const std::string& text, long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end != nullptr && *end == '\0' && value >= 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> rates{921600, 115200};
    long measure = 0;
    long watchSeconds = -1;
    bool verbose = false;
    std::string portsDir;
    std::string portText;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long value = 0;
        auto next = [&](long& out) { return i + 1 < argc && ToNumber(argv[++i], out); };
        if (arg == "--baud") {
            if (!next(value) || value <= 0)
                return Usage();
            rates = {static_cast<int>(value)};
        } else if (arg == "--measure") {
            if (!next(measure))
                return Usage();
        } else if (arg == "--watch") {
            if (!next(watchSeconds))
                return Usage();
        } else if (arg == "--ports-dir") {
            if (i + 1 >= argc)
                return Usage();
            portsDir = argv[++i];
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (!arg.empty() && arg[0] != '-' && portText.empty()) {
            portText = arg;
        } else {
            return Usage();
        }
    }
    if (portText.empty())
        return Usage();
    long number = 0;
    const std::uint32_t com = ComPortNumber(portText);
    if (com != 0)
        number = com;
    else if (!ToNumber(portText, number) || number < 1 || number > 99)
        return Usage();
    if (!portsDir.empty()) {
        SerialPortSources sources = SystemSerialPortSources();
        sources.portsFolder = portsDir;
        SetSerialPortSources(sources);
    }

    const std::string port = "COM" + std::to_string(number);
    LinkConsole console([verbose](const std::string& line) {
        if (verbose)
            std::cerr << "corvane-link: " << line << std::endl;
    });
    const Attempt attempt = console.Synchronise(static_cast<int>(number), rates);
    switch (attempt.outcome) {
    case Outcome::NoSuchPort:
        std::cout << "no such port: " << port << std::endl;
        return kExitNoSuchPort;
    case Outcome::CannotOpen:
        std::cout << "cannot open " << port << ": " << attempt.error << std::endl;
        return kExitCannotOpen;
    case Outcome::NoAnswer:
        std::cout << "no processor answered on " << port << std::endl;
        return kExitNoAnswer;
    case Outcome::Synchronised:
        break;
    }
    std::cout << "synchronised " << port << " baud=" << attempt.baudRate << "\n"
              << DescribeState(console.State()) << std::flush;
    if (measure > 0) {
        const RoundTrips trips = console.MeasureRoundTrips(static_cast<int>(measure));
        char line[200];
        std::snprintf(line, sizeof line,
                      "measure sync-ms=%.1f round-trips=%zu lost=%d median-ms=%.2f p95-ms=%.2f\n",
                      static_cast<double>(attempt.syncTime.count()) / 1000.0, trips.ms.size(), trips.lost,
                      Percentile(trips.ms, 0.5), Percentile(trips.ms, 0.95));
        std::cout << line << std::flush;
    }
    if (watchSeconds >= 0) {
        const std::string why = console.WatchUntilLost(std::chrono::seconds(watchSeconds));
        if (!why.empty()) {
            std::cout << "link lost on " << port << ": " << why << std::endl;
            return kExitLinkLost;
        }
    }
    console.Close();
    return kExitOk;
}
