// The firmware transfer as the operator runs it, offscreen, against the simulator at 921600
// baud: a 1 MiB FPGA image (1024 packets) from the upgrade dialog of the application.
// - the transfer time, from the first packet to the last, against its floor: per packet the
//   longer of its pause (30 ms) and its wire time (1039 bytes at 921600 baud: 11.3 ms), since
//   each packet is written before its pause starts;
// - the longest gap between two paints of the dialog while the packets go out.
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_upgrade

#include "AppHarness.h"
#include "ProcessorModel.h"
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
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace corvane;

namespace {

class PaintClock : public QObject {
public:
    explicit PaintClock(const QElapsedTimer& clock) : m_clock(clock) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            paints.push_back(m_clock.nsecsElapsed());
        return false;
    }
    std::vector<qint64> paints;

private:
    const QElapsedTimer& m_clock;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ApplyApplicationTheme(application);
    constexpr std::size_t kImageSize = 1024 * 1024;
    constexpr double kPauseMs = 30.0;
    constexpr double kWireMs = 1039.0 * 10.0 / 921600.0 * 1000.0;

    test::AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    if (!h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 15000)) {
        std::fprintf(stderr, "no link\n");
        return 1;
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
        return 1;

    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 10));
    const std::string path = h.Folder() + "/FPGA.bin";
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    f.close();
    dialog->SetSelected(0, true);
    dialog->Control<QLineEdit>(CUpdataDlg::kPathIds[0])->setText(QString::fromStdString(path));

    QElapsedTimer clock;
    clock.start();
    PaintClock paints(clock);
    dialog->installEventFilter(&paints);
    qint64 first = -1;
    qint64 last = -1;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::uint64_t sent = dialog->SentBytes();
        if (first < 0 && sent > 0)
            first = clock.nsecsElapsed();
        if (last < 0 && sent == kImageSize)
            last = clock.nsecsElapsed();
    });
    watch.start();
    QTest::mouseClick(dialog->Control<QAbstractButton>(CUpdataDlg::kStartId), Qt::LeftButton);
    const bool finished = h.WaitFor([&] { return !h.messages.empty(); }, 120000);
    watch.stop();
    std::vector<std::uint8_t> received;
    s.Inspect([&](const sim::ProcessorModel& m) { received = m.Image(sim::Target::Fpga); });

    const double packets = static_cast<double>(BlockCount(kImageSize));
    const double spanMs = static_cast<double>(last - first) / 1e6;
    // From the first packet written to the last: one pause (or wire time) fewer than packets.
    const double floorMs = (packets - 1) * std::max(kPauseMs, kWireMs);
    std::vector<qint64> gaps;
    qint64 previous = first;
    for (qint64 t : paints.paints) {
        if (t < first || t > last)
            continue;
        gaps.push_back(t - previous);
        previous = t;
    }
    gaps.push_back(last - previous);
    std::sort(gaps.begin(), gaps.end());
    const qint64 longestGap = gaps.back();
    const qint64 p99Gap = gaps[gaps.size() * 99 / 100];
    const auto over50 = std::count_if(gaps.begin(), gaps.end(), [](qint64 g) { return g >= 50'000'000; });
    std::printf("upgrade of a %zu-byte FPGA image at 921600 baud: %s, image %s\n", kImageSize,
                finished ? h.messages.front().c_str() : "no end", received == image ? "equal" : "DIFFERENT");
    std::printf("  packets %.0f, first to last packet %.1f ms, floor %.1f ms (%.0f x max(%.0f ms, %.1f ms)): "
                "%+.2f %%\n",
                packets, spanMs, floorMs, packets - 1, kPauseMs, kWireMs, (spanMs / floorMs - 1.0) * 100.0);
    std::printf("  whole transfer (1024 x 30 ms floor %.0f ms, target <= %.0f ms): %.1f ms\n",
                packets * kPauseMs, packets * kPauseMs * 1.02, spanMs + kPauseMs);
    std::printf("  paints during the transfer %zu, gap between two paints: longest %.1f ms (target < 50 ms), "
                "99th percentile %.1f ms, %ld gaps of 50 ms or more\n",
                gaps.size() - 1, static_cast<double>(longestGap) / 1e6, static_cast<double>(p99Gap) / 1e6,
                static_cast<long>(over50));
    return finished && received == image ? 0 : 1;
}
