// The firmware transfer as the operator runs it, offscreen, against the simulator, which takes
// bytes off the line no faster than its rate: an FPGA image (1 MiB, 1024 packets, by default)
// from the upgrade dialog of the application, at 115200 and at 921600 baud.
// - the transfer as the processor saw it, from the first byte of the first packet to the last
//   byte of the last, against its floor: each packet's wire time (1039 bytes, 10 bits a byte)
//   and, between two packets, the pause (30 ms) as quiet on the line; beside it the figure
//   against max(pause, wire time) a packet, the floor if the pause could overlap the wire time;
// - the quiet the processor got after 0x8000, between the packets and before 0x8004;
// - the window's lateness while the packets go out: how late a 10 ms timer fires (the dialog
//   paints when the progress moves, once a packet, so paints say little of it).
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_upgrade [--kib N] [--baud RATE]...

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "link/CommandCodes.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/Pages.h"
#include "upgrade/CUpdataDlg.h"
#include "upgrade/UpgradeImage.h"
#include "widgets/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace corvane;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kPauseMs = 30.0;
constexpr double kEndQuietMs = 130.0;
constexpr double kBootQuietMs = 100.0;

constexpr std::chrono::milliseconds kTickMs{10};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Quantile(std::vector<double> v, double q) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// One upgrade at `baud`; false when it did not end well.
bool Measure(unsigned baud, std::size_t imageSize) {
    test::AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, baud);
    h.StartApplication();
    if (!h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 15000)) {
        std::fprintf(stderr, "no link at %u baud\n", baud);
        return false;
    }
    h.Main().SelectPage(kMisc, 0);
    auto* misc = static_cast<CMiscDlg*>(h.Main().Page(kMisc));
    QTest::mouseClick(misc->Control<QAbstractButton>(CMiscDlg::kUpgradeId), Qt::LeftButton);
    CUpdataDlg* dialog = nullptr;
    h.WaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<CUpdataDlg*>(w); d && d->isVisible())
                    dialog = d;
            return dialog != nullptr;
        },
        5000);
    if (!dialog)
        return false;

    std::vector<std::uint8_t> image(imageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 10));
    const std::string path = h.Folder() + "/FPGA.bin";
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    f.close();
    dialog->SetSelected(0, true);
    dialog->Control<QLineEdit>(CUpdataDlg::kPathIds[0])->setText(QString::fromStdString(path));

    std::vector<Clock::time_point> ticks;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] { ticks.push_back(Clock::now()); });
    tick.start(kTickMs);
    const Clock::time_point started = Clock::now();
    QTest::mouseClick(dialog->Control<QAbstractButton>(CUpdataDlg::kStartId), Qt::LeftButton);
    const double packetMs = kPacketSize * 10.0 * 1000.0 / baud;
    const int limitMs = static_cast<int>(BlockCount(imageSize) * (packetMs + kPauseMs) * 2 + 60000);
    const bool finished = h.WaitFor([&] { return !h.messages.empty(); }, limitMs);
    const Clock::time_point ended = Clock::now();
    std::vector<std::uint8_t> received;
    s.Inspect([&](const sim::ProcessorModel& m) { received = m.Image(sim::Target::Fpga); });
    const std::vector<sim::ReceivedItem> items = s.Received();

    // What the processor saw: the packets and the frames around them, and the quiet before each.
    std::vector<const sim::ReceivedItem*> packets;
    double afterEnter = -1;
    double beforeEnd = -1;
    std::vector<double> between;
    const sim::ReceivedItem* previous = nullptr;
    for (const sim::ReceivedItem& item : items) {
        if (item.first < started)
            continue;
        const double quiet = previous ? Ms(item.first - previous->last) : -1;
        if (item.kind == sim::ReceivedItem::Kind::DataPacket) {
            if (!packets.empty()) {
                between.push_back(quiet);
                if (quiet < kPauseMs)
                    std::printf(
                        "  short quiet before packet %zu: %.2f ms (packet %.2f..%.2f ms after the start, "
                        "the one before %.2f..%.2f)\n",
                        packets.size() + 1, quiet, Ms(item.first - started), Ms(item.last - started),
                        Ms(previous->first - started), Ms(previous->last - started));
            }
            packets.push_back(&item);
        } else if (item.code == kCmdAnnounceImage && previous && previous->code == kCmdEnterBoot) {
            afterEnter = quiet;
        } else if (item.code == kCmdEndImage && previous &&
                   previous->kind == sim::ReceivedItem::Kind::DataPacket) {
            beforeEnd = quiet;
        }
        previous = &item;
    }
    const double n = static_cast<double>(packets.size());
    const double spanMs = packets.empty() ? 0 : Ms(packets.back()->last - packets.front()->first);
    const double floorMs = n * packetMs + (n - 1) * kPauseMs;
    const double overlapFloorMs = n * std::max(packetMs, kPauseMs);

    tick.stop();
    std::vector<double> late;
    for (std::size_t k = 1; k < ticks.size(); ++k)
        if (!packets.empty() && ticks[k] >= packets.front()->first && ticks[k] <= packets.back()->last)
            late.push_back(Ms(ticks[k] - ticks[k - 1]) - static_cast<double>(kTickMs.count()));
    std::printf("upgrade of a %zu-byte FPGA image at %u baud: %s, image %s, %.0f packets, whole run %.1f s\n",
                imageSize, baud, finished ? h.messages.front().c_str() : "no end",
                received == image ? "equal" : "DIFFERENT", n, Ms(ended - started) / 1000.0);
    std::printf(
        "  first to last packet at the processor %.1f ms; floor %.1f ms (%.0f x %.1f ms on the wire + "
        "%.0f x %.0f ms of quiet): %+.2f %%\n",
        spanMs, floorMs, n, packetMs, n - 1, kPauseMs, (spanMs / floorMs - 1.0) * 100.0);
    std::printf("  against %.0f x max(%.0f ms, %.1f ms) = %.1f ms, the floor if the pause could overlap the "
                "wire: %+.2f %%\n",
                n, kPauseMs, packetMs, overlapFloorMs, (spanMs / overlapFloorMs - 1.0) * 100.0);
    const auto shortQuiets =
        std::count_if(between.begin(), between.end(), [](double q) { return q < kPauseMs; });
    std::printf(
        "  quiet at the processor: after 0x8000 %.1f ms (at least %.0f), between packets min %.1f "
        "1st percentile %.1f median %.1f max %.1f ms (at least %.0f; %ld shorter), before 0x8004 %.1f ms "
        "(at least %.0f)\n",
        afterEnter, kBootQuietMs, between.empty() ? 0 : *std::min_element(between.begin(), between.end()),
        Quantile(between, 0.01), Quantile(between, 0.5),
        between.empty() ? 0 : *std::max_element(between.begin(), between.end()), kPauseMs,
        static_cast<long>(shortQuiets), beforeEnd, kEndQuietMs);
    std::printf("  the window during the transfer: a %lld ms timer late by at most %.1f ms, 99th percentile "
                "%.1f ms (%zu ticks)\n",
                static_cast<long long>(kTickMs.count()),
                late.empty() ? 0 : *std::max_element(late.begin(), late.end()), Quantile(late, 0.99),
                late.size());
    std::fflush(stdout);
    return finished && received == image;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ApplyApplicationTheme(application);
    std::size_t kib = 1024;
    std::vector<unsigned> rates;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--kib") == 0)
            kib = static_cast<std::size_t>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (std::strcmp(argv[i], "--baud") == 0)
            rates.push_back(static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10)));
    }
    if (rates.empty())
        rates = {115200, 921600};
    bool good = true;
    for (unsigned baud : rates)
        good = Measure(baud, kib * 1024) && good;
    return good ? 0 : 1;
}
