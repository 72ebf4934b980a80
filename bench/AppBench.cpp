// The application's own figures, offscreen, against the simulator over a pseudo-terminal:
// - start-up: from the start of the application object to the main window shown;
// - Connect to synchronised (linkState 2), at 921600 and 115200 baud, against the wire time
//   of the records the processor sends;
// - resident memory after synchronisation;
// - an arrangement of the outputs at 921600 baud: from the click on a pattern to the last frame
//   handed to the port (the time the application adds to the wire time of the nine frames:
//   four placements, four layers, the end), and to the processor having read it.
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_app

#include "BenchFigures.h"
#include "BenchPorts.h"
#include "ProcessorModel.h"
#include "RunEvents.h"
#include "Simulator.h"
#include "connection/CConnectDlg.h"
#include "layout/COutputDlg.h"
#include "link/IoEngine.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/Pages.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "shell/CorvaneApp.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace corvane;
using corvane::test::RunEventsUntil;

namespace {

// How long a Connect may take to end in a synchronised link.
constexpr std::chrono::milliseconds kSyncTimeoutMs{5000};

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer process;
    process.start();
    QApplication application(argc, argv);
    ApplyApplicationTheme(application);

    const std::string root = bench::MakePortsFolder("app");
    if (root.empty())
        return 1;

    std::vector<std::unique_ptr<sim::Simulator>> sims;
    for (unsigned baud : {921600u, 115200u}) {
        sim::SimOptions o;
        o.port = baud == 921600u ? 1 : 2;
        o.portsFolder = root + "/Ports";
        o.baud = baud;
        o.pingPeriodMs = std::chrono::milliseconds(0);
        sims.push_back(std::make_unique<sim::Simulator>(o));
        std::string error;
        if (!sims.back()->Start(&error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }

    test::ShownMainWindow ui;
    auto app = std::make_unique<CCorvaneApp>();
    QElapsedTimer startup;
    startup.start();
    app->InitInstance(ui, root, root + "/runtime");
    const double startupMs = static_cast<double>(startup.nsecsElapsed()) / 1e6;
    const double sinceProcessMs = static_cast<double>(process.nsecsElapsed()) / 1e6;
    CMainDlg& main = *ui.main;
    main.Link().idle = 0; // no automatic search: Connect is measured
    MessageWindow* connect = main.ConnectDialog();

    std::printf("start-up to the main window shown: %.1f ms (%.1f ms from the process start)\n", startupMs,
                sinceProcessMs);
    std::size_t records = 0;
    sims[0]->Inspect([&](const sim::ProcessorModel& m) { records = m.StateRecords().size(); });
    for (std::size_t s = 0; s < sims.size(); ++s) {
        const unsigned baud = s == 0 ? 921600u : 115200u;
        const double wireMs = 1000.0 * static_cast<double>((records + 1) * kFrameSize * 10) / baud;
        std::vector<double> times;
        for (int round = 0; round < 10; ++round) {
            SendWindowMessage(connect, WM_DEVICE_REPLY, 0,
                              static_cast<std::intptr_t>(s + 1)); // pick the port
            main.ConnectDialog()->Control<oRealEdit>(1373)->SetValue(static_cast<float>(baud));
            QElapsedTimer t;
            t.start();
            SendWindowMessage(connect, WM_COMMAND, MakeWParam(1374, BN_CLICKED), 0);
            if (!RunEventsUntil([&] { return app->state.linkState == kLinkSynchronised; }, kSyncTimeoutMs)) {
                std::printf("the synchronisation did not end\n");
                break;
            }
            times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            SendWindowMessage(connect, WM_COMMAND, MakeWParam(1375, BN_CLICKED), 0);
            QTest::qWait(100);
        }
        std::printf("Connect to synchronised at %6u baud: median %.1f ms, worst %.1f ms; wire time %.1f ms "
                    "(%zu records and the request); over the wire time: %.1f ms\n",
                    baud, bench::Percentile(times, 0.5),
                    times.empty() ? 0 : *std::max_element(times.begin(), times.end()), wireMs, records,
                    bench::Percentile(times, 0.5) - wireMs);
    }
    // The rest at 921600 baud, on the first processor.
    SendWindowMessage(connect, WM_DEVICE_REPLY, 0, 1);
    main.ConnectDialog()->Control<oRealEdit>(1373)->SetValue(921600.0f);
    SendWindowMessage(connect, WM_COMMAND, MakeWParam(1374, BN_CLICKED), 0);
    RunEventsUntil([&] { return app->state.linkState == kLinkSynchronised; }, kSyncTimeoutMs);
    std::printf("resident memory after synchronisation: %.1f MB\n", test::ResidentMegabytes());

    // Arrangements: the three patterns in turn, so that every click moves the outputs.
    main.SelectPage(kOutput, 0);
    auto* outputPage = static_cast<COutputDlg*>(main.Pages().Find(Window::OutputPage));
    auto arrangeEnds = [&] {
        std::size_t n = 0;
        sims[0]->Inspect([&](const sim::ProcessorModel& m) {
            for (const Frame& f : m.ReceivedCommands())
                n += FrameCode(f.data()) == kCmdArrangeDone ? 1 : 0;
        });
        return n;
    };
    constexpr int kArrangeFrames = 9;
    const double arrangeWireMs = 1000.0 * kArrangeFrames * kFrameSize * 10 / 921600.0;
    std::vector<double> handed, read;
    for (int round = 0; round < 30; ++round) {
        const std::size_t ends = arrangeEnds();
        auto* spot = outputPage->Control<QAbstractButton>(COutputDlg::kPatternFirst +
                                                          round % COutputDlg::kPatternCount);
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(spot, Qt::LeftButton);
        handed.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (!RunEventsUntil([&] { return arrangeEnds() > ends; }, kSyncTimeoutMs)) {
            std::printf("the arrangement did not reach the processor\n");
            break;
        }
        read.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        RunEventsUntil([&] { return !main.WaitOverlay()->isVisible(); }, kSyncTimeoutMs);
    }
    // A pseudo-terminal carries the bytes without the line's pace: the processor reads them as
    // soon as they are handed over, and a real line at 921600 baud adds the wire time after that.
    std::printf(
        "arrangement at 921600 baud: the application's own time, click to the last frame handed to the "
        "port: median %.2f ms, worst %.2f ms (%zu arrangements); read by the processor after median "
        "%.2f ms over the pseudo-terminal; the %d frames take %.2f ms on the wire after that\n",
        bench::Percentile(handed, 0.5), handed.empty() ? 0 : *std::max_element(handed.begin(), handed.end()),
        handed.size(), bench::Percentile(read, 0.5), kArrangeFrames, arrangeWireMs);

    for (auto& s : sims)
        s->Stop();
    QTest::qWait(50);
    ShutDownWindowMessages();
    main.ShutDownLink();
    ui.main.reset();
    app.reset();
    IoEngine::Instance().Stop();
    ResetSerialPortSources();
    bench::RemovePortsFolder(root);
    return 0;
}
