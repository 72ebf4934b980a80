// The upgrade dialog against the simulated processor, which takes bytes off the line no faster
// than its rate: the FPGA image of 300 blocks and the MCU image in one run reach its boot
// loader byte for byte at 115200 baud (the failures of a run: the widget suite and the pacer's
// unit table).

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "link/CommandCodes.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/Pages.h"
#include "upgrade/CUpdataDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::CommandsWithCode;

namespace {

constexpr int kSyncTimeoutMs = 12000;
// 301 packets at 115200 baud: each 90 ms on the wire and 30 ms of quiet, about 37 s.
constexpr int kSlowRunTimeoutMs = 150000;

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 17 + (i >> 9));
    return v;
}

CUpdataDlg* OpenDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CUpdataDlg*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// An FPGA image of 301 packets and an MCU image go out in one run at 115200 baud and the
// processor holds them byte for byte.
TEST(UpgradeEndToEnd, FpgaAndMcuReachTheProcessorByteForByteAt115200Baud) {
    AppHarness h;
    sim::Simulator& sim = h.AddSimulator(1, 115200, {});
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
    h.Main().SelectPage(kMisc, 0);
    auto* misc = static_cast<CMiscDlg*>(h.Main().Page(kMisc));
    QTest::mouseClick(misc->Control<QAbstractButton>(CMiscDlg::kUpgradeId), Qt::LeftButton);
    CUpdataDlg* dialog = nullptr;
    ASSERT_TRUE(h.WaitFor([&] { return (dialog = OpenDialog()) != nullptr; }, 5000));
    h.messages.clear();
    const std::vector<std::uint8_t> images[] = {Pattern(300 * 1024 + 77, 9), Pattern(16 * 1024 + 5, 2)};
    for (int target : {0, 1}) {
        const std::string path = h.Folder() + (target == 0 ? "/FPGA.bin" : "/MCU.bin");
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(images[target].data()),
                static_cast<qint64>(images[target].size()));
        dialog->SetSelected(target, true);
        dialog->Control<QLineEdit>(CUpdataDlg::kPathIds[static_cast<std::size_t>(target)])
            ->setText(QString::fromStdString(path));
    }
    QTest::mouseClick(dialog->Control<QAbstractButton>(CUpdataDlg::kStartId), Qt::LeftButton);
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kSlowRunTimeoutMs))
        << "no end of the run within " << kSlowRunTimeoutMs << " ms; sent " << dialog->SentBytes();
    EXPECT_EQ(h.messages, std::vector<std::string>{"Tips: Upgrade finsh,Restart The Machine"});
    std::vector<std::uint8_t> held[2];
    std::uint64_t packets = 0;
    sim.Inspect([&](const sim::ProcessorModel& m) {
        held[0] = m.Image(sim::Target::Fpga);
        held[1] = m.Image(sim::Target::Mcu);
        packets = m.PacketsReceived();
    });
    EXPECT_EQ(held[0], images[0]);
    EXPECT_EQ(held[1], images[1]);
    EXPECT_EQ(packets, 301u + 17u);
    EXPECT_EQ(CommandsWithCode(sim, kCmdEndImage), 2u);
    EXPECT_TRUE(dialog->Done(0) && dialog->Done(1));
    EXPECT_TRUE(dialog->ControlsEnabled());
    EXPECT_EQ(h.LinkState(), kLinkSynchronised) << "the keep-alive watch came back after the transfer";
}

} // namespace
