// Soak: the application, offscreen and running its event loop as the program does, against a
// simulated processor that floods it with every reply kind at line rate (921600 baud).
// Reports what a processor that repeats itself costs:
// - resident memory after 5 s of the flood, at its end, and the difference;
// - the longest ping round trip during the flood (the simulator times each ping from its last
//   byte on the line to the answer), and whether every ping was answered;
// - records sent, boxes answered, the most boxes open at once.
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_flood [--seconds N] [--answer-ms MS]
//   --answer-ms: the operator answers the open box every MS milliseconds (default 50; 0: never).

#include "BenchPorts.h"
#include "RunEvents.h"
#include "Simulator.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/IoEngine.h"
#include "mainwindow/CMainDlg.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "shell/CorvaneApp.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

using namespace corvane;

namespace {

int OpenBoxes(CMessageboxDlg** first) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<CMessageboxDlg*>(w); box && box->isVisible()) {
            if (n++ == 0 && first)
                *first = box;
        }
    return n;
}

// Runs the event loop for `ms` milliseconds or until `done` holds.
void RunFor(
    int ms, const std::function<bool()>& done = [] { return false; }) {
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (clock.elapsed() >= ms || done())
            loop.quit();
    });
    check.start(10);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    int answerMs = 50;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--answer-ms") == 0)
            answerMs = std::atoi(argv[++i]);
    }
    QApplication application(argc, argv);
    ApplyApplicationTheme(application);

    const std::string root = bench::MakePortsFolder("flood");
    if (root.empty())
        return 1;

    sim::SimOptions o;
    o.port = 1;
    o.portsFolder = root + "/Ports";
    o.baud = 921600;
    auto simulator = std::make_unique<sim::Simulator>(o);
    std::string error;
    if (!simulator->Start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    test::ShownMainWindow ui;
    auto app = std::make_unique<CCorvaneApp>();
    app->InitInstance(ui, root, root + "/runtime");
    RunFor(15000, [&] { return app->state.linkState == kLinkSynchronised; });
    if (app->state.linkState != kLinkSynchronised) {
        std::printf("the application did not synchronise\n");
        return 1;
    }
    RunFor(1000);

    simulator->Execute("pings reset");
    const std::uint64_t recordsBefore = simulator->Flood().counts.records;
    simulator->Execute("fault flood " + std::to_string(seconds));
    QElapsedTimer clock;
    clock.start();
    double rssAt5 = 0;
    int mostOpen = 0;
    int answered = 0;
    qint64 lastAnswer = 0;
    bool linkKept = true;
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        CMessageboxDlg* box = nullptr;
        const int open = OpenBoxes(&box);
        mostOpen = std::max(mostOpen, open);
        if (box && answerMs > 0 && clock.elapsed() - lastAnswer >= answerMs) {
            box->EndDialog(IDOK);
            lastAnswer = clock.elapsed();
            ++answered;
        }
        linkKept = linkKept && app->state.linkState == kLinkSynchronised;
        if (rssAt5 == 0 && clock.elapsed() >= 5000)
            rssAt5 = test::ResidentMegabytes();
        if (clock.elapsed() >= 1000LL * seconds && !simulator->Flood().running)
            loop.quit();
    });
    sampler.start(10);
    loop.exec();
    sampler.stop();
    const double rssEnd = test::ResidentMegabytes();
    const double floodSeconds = static_cast<double>(clock.elapsed()) / 1000.0;
    RunFor(3000, [&] {
        const sim::PingStats p = simulator->Pings();
        return p.waiting == 0;
    });
    const sim::PingStats pings = simulator->Pings();
    const std::uint64_t records = simulator->Flood().counts.records - recordsBefore;

    if (answerMs > 0)
        std::printf("flood of %d s at 921600 baud, boxes answered every %d ms\n", seconds, answerMs);
    else
        std::printf("flood of %d s at 921600 baud, boxes never answered\n", seconds);
    std::printf("  records sent: %llu (%.0f a second)\n", static_cast<unsigned long long>(records),
                static_cast<double>(records) / floodSeconds);
    std::printf("  resident memory: %.1f MB after 5 s, %.1f MB after %d s: %+.2f MB\n", rssAt5, rssEnd,
                seconds, rssEnd - rssAt5);
    std::printf("  pings: %llu sent, %llu answered, %llu unanswered; longest round trip %.1f ms\n",
                static_cast<unsigned long long>(pings.sent), static_cast<unsigned long long>(pings.answered),
                static_cast<unsigned long long>(pings.unanswered + pings.waiting),
                static_cast<double>(pings.longest.count()) / 1000.0);
    std::printf("  boxes: %d answered, at most %d open at once; link %s\n", answered, mostOpen,
                linkKept ? "kept synchronised throughout" : "LOST");

    simulator->Stop();
    QTest::qWait(50);
    ShutDownWindowMessages();
    ui.main->ShutDownLink();
    ui.main.reset();
    app.reset();
    IoEngine::Instance().Stop();
    ResetSerialPortSources();
    bench::RemovePortsFolder(root);
    return 0;
}
