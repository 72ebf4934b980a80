// The upgrade dialog against the simulated processor, which takes bytes off the line no faster
// than its rate: the FPGA image of 300 blocks and the MCU image in one run reach its boot
// loader byte for byte at 115200 baud; a processor that stops reading ends the
// transfer without 0x8004.

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
// 64 blocks at 41 ms and 16 at 111 ms, the erase, the results: a few seconds; room for a loaded machine.
constexpr int kRunTimeoutMs = 40000;
// 301 packets at 115200 baud: each 90 ms on the wire and 30 ms of quiet, about 37 s.
constexpr int kSlowRunTimeoutMs = 150000;

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 17 + (i >> 9));
    return v;
}

std::vector<std::uint8_t> SimImage(sim::Simulator& s, sim::Target target) {
    std::vector<std::uint8_t> image;
    s.Inspect([&](const sim::ProcessorModel& m) { image = m.Image(target); });
    return image;
}

class UpgradeEndToEnd : public ::testing::Test {
protected:
    void Start(sim::Faults faults = {}, unsigned baud = 921600) {
        m_sim = &h.AddSimulator(1, baud, faults);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kMisc, 0);
        auto* misc = static_cast<CMiscDlg*>(h.Main().Page(kMisc));
        QTest::mouseClick(misc->Control<QAbstractButton>(CMiscDlg::kUpgradeId), Qt::LeftButton);
        ASSERT_TRUE(h.WaitFor([&] { return (m_dialog = OpenDialog()) != nullptr; }, 5000));
        h.messages.clear();
    }
    static CUpdataDlg* OpenDialog() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CUpdataDlg*>(w); d && d->isVisible())
                return d;
        return nullptr;
    }
    std::string WriteImage(const char* name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = h.Folder() + "/" + name;
        QFile f(QString::fromStdString(path));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }
    void Choose(int target, const std::string& path) {
        m_dialog->SetSelected(target, true);
        m_dialog->Control<QLineEdit>(CUpdataDlg::kPathIds[static_cast<std::size_t>(target)])
            ->setText(QString::fromStdString(path));
    }
    void Click(int id) { QTest::mouseClick(m_dialog->Control<QAbstractButton>(id), Qt::LeftButton); }

    // The data packets the processor has taken off the line.
    std::uint64_t Packets() {
        std::uint64_t n = 0;
        m_sim->Inspect([&](const sim::ProcessorModel& m) { n = m.PacketsReceived(); });
        return n;
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CUpdataDlg* m_dialog = nullptr;
};

// An FPGA image of 301 packets and an MCU image go out in one run at 115200 baud and the
// processor holds them byte for byte.
TEST_F(UpgradeEndToEnd, FpgaAndMcuReachTheProcessorByteForByteAt115200Baud) {
    Start({}, 115200);
    const auto fpga = Pattern(300 * 1024 + 77, 9);
    const auto mcu = Pattern(16 * 1024 + 5, 2);
    Choose(0, WriteImage("FPGA.bin", fpga));
    Choose(1, WriteImage("MCU.bin", mcu));
    Click(CUpdataDlg::kStartId);
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kSlowRunTimeoutMs))
        << "no end of the run within " << kSlowRunTimeoutMs << " ms; sent " << m_dialog->SentBytes();
    EXPECT_EQ(h.messages, std::vector<std::string>{"Tips: Upgrade finsh,Restart The Machine"});
    EXPECT_EQ(SimImage(*m_sim, sim::Target::Fpga), fpga);
    EXPECT_EQ(SimImage(*m_sim, sim::Target::Mcu), mcu);
    EXPECT_EQ(Packets(), 301u + 17u);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdEndImage), 2u);
    EXPECT_TRUE(m_dialog->Done(0) && m_dialog->Done(1));
    EXPECT_TRUE(m_dialog->ControlsEnabled());
    EXPECT_EQ(h.LinkState(), kLinkSynchronised) << "the keep-alive watch came back after the transfer";
}

TEST_F(UpgradeEndToEnd, AProcessorThatStopsReadingEndsTheTransferWithoutTheEnd) {
    Start();
    const auto fpga = Pattern(128 * 1024, 8);
    Choose(0, WriteImage("FPGA.bin", fpga));
    Click(CUpdataDlg::kStartId);
    ASSERT_TRUE(h.WaitFor([&] { return Packets() >= 5; }, kRunTimeoutMs))
        << "no packet reached the processor";
    // Busy (erasing, say): it takes nothing off the line for a long while. The terminal holds a
    // few packets, then the next one cannot leave the port.
    ASSERT_EQ(m_sim->Execute("fault stall 30000"), "ok\n");
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kRunTimeoutMs)) << "the transfer did not end";
    ASSERT_EQ(h.messages.size(), 1u);
    const std::string head = "Tips: Upgrade failed,Restart The Machine\nData packet ";
    EXPECT_EQ(h.messages[0].rfind(head, 0), 0u) << h.messages[0];
    EXPECT_NE(h.messages[0].find(" of 128 did not leave the port within 5 s"), std::string::npos)
        << h.messages[0];
    EXPECT_EQ(m_dialog->State(), 0u);
    EXPECT_TRUE(m_dialog->ControlsEnabled());
    EXPECT_FALSE(m_dialog->OwnsLine());
    // What waited in the terminal reaches the processor when it reads again; 0x8004 never does.
    ASSERT_EQ(m_sim->Execute("fault stall 0"), "ok\n");
    const std::uint64_t before = Packets();
    ASSERT_TRUE(h.WaitFor([&] { return Packets() > before; }, 10000));
    QTest::qWait(500);
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdEndImage), 0u);
    EXPECT_LT(Packets(), 128u);
    EXPECT_NE(SimImage(*m_sim, sim::Target::Fpga), fpga);
}

} // namespace
