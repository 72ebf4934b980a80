// corvane-sim: the processor simulator. Speaks the processor's side of the serial protocol
// on a pseudo-terminal published as a COM port for Corvane.

#include "Simulator.h"
#include "platform/Paths.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <string>
#include <unistd.h>

using namespace corvane;
using namespace corvane::sim;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

void Usage() {
    std::printf(
        "Usage: corvane-sim [options]\n"
        "The processor simulator: a video processor on a pseudo-terminal, published as the COM\n"
        "port Ports/COM<n> for Corvane, which finds it by its automatic search.\n\n"
        "Options:\n"
        "  --port N             COM number of the link (default 1)\n"
        "  --beside EXE         put the link in the Ports folder of the program EXE (beside it, or\n"
        "                       the user's own when EXE is an installed program)\n"
        "                       (default: beside corvane-sim itself)\n"
        "  --ports-dir DIR      put the link in the folder DIR instead\n"
        "  --baud RATE          the baud rate the processor listens at: 115200 (default) or 921600;\n"
        "                       bytes sent at another rate are not understood\n"
        "  --no-pacing          send and read as fast as possible instead of at the wire speed\n"
        "  --boot-loader        start in the boot loader (announces 0x8002 on its own)\n"
        "  --keep-alive MS      keep-alive period (default 1000, 0 for none)\n"
        "  --restart-ms MS      silence of the restart after a factory reset (default 2000)\n"
        "  --ping MS            ping period (default 5000, 0 for none)\n"
        "  --log FILE           append the traffic log (one line a frame) to FILE\n"
        "  --seed N             seed of the random choices of the faults\n"
        "Faults (also switchable at run time with the 'fault' command):\n"
        "  --silent             send nothing and ignore everything (link loss)\n"
        "  --drop N             drop the next N replies\n"
        "  --delay MS           delay every reply by MS milliseconds\n"
        "  --corrupt N          corrupt the checksum of the next N records\n"
        "  --split              write records in small pieces\n"
        "  --garbage            put garbage bytes between records\n"
        "  --refuse-upgrade     every firmware image ends with a failed result\n"
        "  --refuse-resolution  every change of an output's resolution is refused\n"
        "  --stall MS           read nothing for the first MS milliseconds (a processor busy erasing)\n"
        "  --flood SECONDS      once Corvane asks for the state, flood it with every reply kind at\n"
        "                       line rate for SECONDS (noise, torn and split records included)\n"
        "  -h, --help           this text\n\n"
        "Commands, one a line on standard input; each answer ends with a line 'ok' or 'error: ...':\n%s",
        Simulator::Help().c_str());
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string beside;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "corvane-sim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (a == "--port") {
            options.port = std::atoi(value().c_str());
        } else if (a == "--beside") {
            beside = value();
        } else if (a == "--ports-dir") {
            options.portsFolder = value();
        } else if (a == "--baud") {
            options.baud = static_cast<unsigned>(std::atoi(value().c_str()));
        } else if (a == "--no-pacing") {
            options.pacing = false;
        } else if (a == "--boot-loader") {
            options.bootLoader = true;
        } else if (a == "--keep-alive") {
            options.keepAlivePeriodMs = std::chrono::milliseconds(std::atoi(value().c_str()));
        } else if (a == "--restart-ms") {
            options.restartMs = std::chrono::milliseconds(std::atoi(value().c_str()));
        } else if (a == "--ping") {
            options.pingPeriodMs = std::chrono::milliseconds(std::atoi(value().c_str()));
        } else if (a == "--log") {
            options.trafficLogPath = value();
        } else if (a == "--seed") {
            options.seed = static_cast<std::uint32_t>(std::strtoul(value().c_str(), nullptr, 0));
        } else if (a == "--silent") {
            options.faults.silent = true;
        } else if (a == "--drop") {
            options.faults.drop = std::atoi(value().c_str());
        } else if (a == "--delay") {
            options.faults.delay = std::chrono::milliseconds(std::atoi(value().c_str()));
        } else if (a == "--corrupt") {
            options.faults.corrupt = std::atoi(value().c_str());
        } else if (a == "--split") {
            options.faults.split = true;
        } else if (a == "--garbage") {
            options.faults.garbage = true;
        } else if (a == "--refuse-upgrade") {
            options.faults.refuseUpgrade = true;
        } else if (a == "--refuse-resolution") {
            options.faults.refuseResolution = true;
        } else if (a == "--stall") {
            options.faults.stall = std::chrono::milliseconds(std::atoi(value().c_str()));
        } else if (a == "--flood") {
            const double seconds = std::strtod(value().c_str(), nullptr);
            if (!(seconds > 0)) {
                std::fprintf(stderr, "corvane-sim: --flood needs a number of seconds\n");
                return 2;
            }
            options.faults.flood = std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0));
        } else {
            std::fprintf(stderr, "corvane-sim: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }
    if (options.port < 1 || options.port > 99) {
        std::fprintf(stderr, "corvane-sim: the port number must be 1..99\n");
        return 2;
    }
    if (options.portsFolder.empty()) {
        std::string folder = ExecutableFolder();
        if (!beside.empty()) {
            const std::size_t slash = beside.find_last_of('/');
            folder = slash == std::string::npos ? std::string(".") : beside.substr(0, slash);
        }
        // The Ports folder of the program there: beside it in a build folder, the user's own
        // when it is installed.
        options.portsFolder = ProgramFoldersFor(folder).ports;
    }

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator simulator(options);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("corvane-sim: COM%d at %u baud%s: %s -> %s\nready\n", options.port, options.baud,
                options.bootLoader ? " (boot loader)" : "", simulator.LinkPath().c_str(),
                simulator.TerminalPath().c_str());
    std::fflush(stdout);

    bool input = true;
    std::string pending;
    while (!g_stop) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        if (!input || poll(&fd, 1, 200) <= 0) {
            if (!input)
                usleep(200 * 1000);
            continue;
        }
        char buffer[1024];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input = false; // no more commands; run until a signal ends us
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            std::fputs(simulator.Execute(line).c_str(), stdout);
            std::fflush(stdout);
            if (line.rfind("quit", 0) == 0)
                g_stop = 1;
        }
    }
    simulator.Stop();
    return 0;
}
