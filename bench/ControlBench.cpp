// The control interface's figures, offscreen, the application against the simulator over a
// pseudo-terminal at 921600 baud, clients on their own threads with plain blocking sockets:
// - from an HTTP request (a layer's window, the path of a drag) to its answer, which the
//   interface gives after the layer command was handed to the port, and to the processor
//   having read the frame (the wire time of 39 bytes at 921600 baud is 0.42 ms of it);
// - requests a second the interface answers (GET /api/status, and GET /api/state with the
//   whole state) from four clients at once, with the rate limit set out of the way, while a
//   10 ms timer on the user-interface thread measures how late the window runs its events.
// - from an OSC message (a layer's window, sent with liblo over UDP on loopback) to the
//   processor having read the layer command, over 1,000 messages.
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_control

#include "AppHarness.h"
#include "BenchFigures.h"
#include "HarnessBench.h"
#include "ProcessorModel.h"
#include "RunEvents.h"
#include "link/CommandCodes.h"
#include "mainwindow/ControlGateway.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#ifdef CORVANE_OSC
#include <lo/lo.h>
#endif

using namespace corvane;
using Clock = std::chrono::steady_clock;
using bench::Ms;
using bench::Percentile;

namespace {

constexpr int kLatencyRounds = 400;
constexpr int kOscRounds = 1000;
constexpr auto kFloodTime = std::chrono::seconds(4);
constexpr int kFloodClients = 4;

int Connect(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// One request on a kept-alive connection; the status of its answer, 0 when the line failed.
int Exchange(int fd, const std::string& request, std::string& buffer) {
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        return 0;
    char chunk[16384];
    for (;;) {
        const std::size_t end = buffer.find("\r\n\r\n");
        if (end != std::string::npos) {
            std::size_t length = 0;
            std::string head = buffer.substr(0, end);
            std::transform(head.begin(), head.end(), head.begin(),
                           [](char c) { return static_cast<char>(std::tolower(c)); });
            if (const std::size_t at = head.find("content-length:"); at != std::string::npos)
                length = std::stoul(head.substr(at + 15));
            if (buffer.size() >= end + 4 + length) {
                const int status = std::stoi(buffer.substr(9, 3));
                buffer.erase(0, end + 4 + length);
                return status;
            }
        }
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return 0;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

// The headers the interface asks for: its own address and port in Host, JSON in a POST.
std::string Post(const std::string& path, const std::string& body, quint16 port) {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string Get(const std::string& path, quint16 port) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    test::AppHarness h;
    sim::Simulator* simulator = bench::StartSynchronised(h);
    if (simulator == nullptr)
        return 1;
    sim::Simulator& sim = *simulator;
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    control::ControlSettings settings;
    settings.enabled = true;
    settings.port = port;
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        settings.oscPort = probe.localPort();
    }
    settings.ratePerSecond = 1000000; // the figure is the interface's, not the limit's
    ControlGateway gateway(h.Main());
    if (!gateway.Start(settings))
        return 1;

    const auto layerFrames = [&] {
        std::size_t n = 0;
        sim.Inspect([&](const sim::ProcessorModel& m) {
            for (const Frame& f : m.ReceivedCommands())
                n += FrameCode(f.data()) == kCmdLayer ? 1 : 0;
        });
        return n;
    };

    // ---- request -> answer (frame handed to the port) -> frame read by the processor
    std::vector<double> answered, received;
    std::atomic<bool> done{false};
    std::thread latency([&] {
        const int fd = Connect(port);
        std::string buffer;
        for (int i = 0; i < kLatencyRounds && fd >= 0; ++i) {
            const std::size_t before = layerFrames();
            const std::string body = "{\"layer\":1,\"x\":" + std::to_string(125 + (i % 2) * 120) +
                                     ",\"y\":198,\"w\":1920,\"h\":1080}";
            const Clock::time_point t0 = Clock::now();
            if (Exchange(fd, Post("/api/layer", body, port), buffer) != 200)
                break;
            const Clock::time_point t1 = Clock::now();
            while (layerFrames() == before && Clock::now() - t0 < std::chrono::seconds(2))
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            const Clock::time_point t2 = Clock::now();
            answered.push_back(Ms(t1 - t0));
            received.push_back(Ms(t2 - t0));
            std::this_thread::sleep_for(
                std::chrono::milliseconds(3)); // the processor's answer comes back between
        }
        if (fd >= 0)
            ::close(fd);
        done = true;
    });
    test::RunEventsUntil([&] { return done.load(); }, std::chrono::seconds(120));
    latency.join();
    std::printf(
        "request -> answer (layer command handed to the port): median %.3f ms, p95 %.3f ms (%zu requests)\n",
        Percentile(answered, 0.5), Percentile(answered, 0.95), answered.size());
    std::printf("request -> frame read by the processor:                median %.3f ms, p95 %.3f ms\n",
                Percentile(received, 0.5), Percentile(received, 0.95));

#ifdef CORVANE_OSC
    // ---- OSC message -> frame read by the processor
    std::vector<double> oscReceived;
    done = false;
    std::thread osc([&] {
        lo_address target = lo_address_new("127.0.0.1", std::to_string(settings.oscPort).c_str());
        // The count of every command the processor read (its list keeps only the last 1,024)
        // and whether the last one is a layer command.
        const auto commands = [&] {
            std::pair<std::uint64_t, bool> c;
            sim.Inspect([&](const sim::ProcessorModel& m) {
                c = {m.CommandsReceived(), !m.ReceivedCommands().empty() &&
                                               FrameCode(m.ReceivedCommands().back().data()) == kCmdLayer};
            });
            return c;
        };
        const auto layerRead = [&](std::uint64_t before) {
            const auto [count, layer] = commands();
            return count > before && layer;
        };
        for (int i = 0; i < kOscRounds; ++i) {
            const std::uint64_t before = commands().first;
            const Clock::time_point t0 = Clock::now();
            if (lo_send(target, "/corvane/layer/1/window", "iiii", 125 + (i % 2) * 120, 198, 1920, 1080) < 0)
                break;
            while (!layerRead(before) && Clock::now() - t0 < std::chrono::seconds(2))
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            oscReceived.push_back(Ms(Clock::now() - t0));
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        lo_address_free(target);
        done = true;
    });
    test::RunEventsUntil([&] { return done.load(); }, std::chrono::seconds(600));
    osc.join();
    std::printf(
        "OSC message -> frame read by the processor:            median %.3f ms, p95 %.3f ms (%zu messages)\n",
        Percentile(oscReceived, 0.5), Percentile(oscReceived, 0.95), oscReceived.size());
#endif

    // ---- requests a second with the window's event lateness
    for (const char* path : {"/api/status", "/api/state"}) {
        std::atomic<long> answers{0}, failures{0};
        std::atomic<bool> stop{false};
        std::vector<double> lateness;
        QElapsedTimer tick;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(10);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (tick.isValid())
                lateness.push_back(std::max(0.0, static_cast<double>(tick.nsecsElapsed()) / 1e6 - 10.0));
            tick.restart();
        });
        probe.start();
        std::vector<std::thread> clients;
        const Clock::time_point start = Clock::now();
        for (int c = 0; c < kFloodClients; ++c)
            clients.emplace_back([&] {
                const int fd = Connect(port);
                std::string buffer;
                const std::string request = Get(path, port);
                while (!stop && fd >= 0) {
                    if (Exchange(fd, request, buffer) == 200)
                        ++answers;
                    else
                        ++failures;
                }
                if (fd >= 0)
                    ::close(fd);
            });
        test::RunEventsUntil([&] { return Clock::now() - start >= kFloodTime; }, std::chrono::seconds(30));
        stop = true;
        test::RunEventsUntil([&] { return false; }, std::chrono::milliseconds(200)); // the last answers
        for (std::thread& t : clients)
            t.join();
        probe.stop();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("GET %-12s %4d clients: %.0f requests/s answered (%ld failed); window's 10 ms timer late "
                    "by median "
                    "%.2f ms, p99 %.2f ms, max %.2f ms\n",
                    path, kFloodClients, static_cast<double>(answers.load()) / seconds, failures.load(),
                    Percentile(lateness, 0.5), Percentile(lateness, 0.99), Percentile(lateness, 1.0));
    }
    return 0;
}
