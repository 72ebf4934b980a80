// The application's own figures, offscreen, against the simulator over a pseudo-terminal:
// - start-up: from the start of the application object to the main window shown;
// - Connect to synchronised (linkState 2), at 921600 and 115200 baud, against the wire time
//   of the records the processor sends;
// - resident memory after synchronisation.
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_app

#include "ProcessorModel.h"
#include "RunEvents.h"
#include "Simulator.h"
#include "connection/CConnectDlg.h"
#include "link/IoEngine.h"
#include "mainwindow/CMainDlg.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "shell/CorvaneApp.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer process;
    process.start();
    QApplication application(argc, argv);
    ApplyApplicationTheme(application);

    char folder[] = "/tmp/corvane-bench-app-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string root = folder;
    std::system(("mkdir -p " + root + "/Ports " + root + "/runtime").c_str());
    SetSerialPortSources({root + "/Ports", {}});

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
                    baud, Median(times), times.empty() ? 0 : *std::max_element(times.begin(), times.end()),
                    wireMs, records, Median(times) - wireMs);
    }
    SendWindowMessage(connect, WM_COMMAND, MakeWParam(1374, BN_CLICKED), 0);
    RunEventsUntil([&] { return app->state.linkState == kLinkSynchronised; }, kSyncTimeoutMs);
    std::printf("resident memory after synchronisation: %.1f MB\n", test::ResidentMegabytes());

    for (auto& s : sims)
        s->Stop();
    QTest::qWait(50);
    ShutDownWindowMessages();
    main.ShutDownLink();
    ui.main.reset();
    app.reset();
    IoEngine::Instance().Stop();
    ResetSerialPortSources();
    std::system(("rm -rf " + root).c_str());
    return 0;
}
