// The upgrade dialog against the simulated processor at 921600 baud: the FPGA and MCU images
// reach its boot loader byte for byte; a result that never comes ends the run before the MCU;
// a cable pulled during the transfer is reported; the FPGA image read back equals the
// processor's; Verify finds the first block in which the processor's image differs.

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
#include <algorithm>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::CommandsWithCode;

namespace {

constexpr int kSyncTimeoutMs = 12000;
// 64 blocks at 30 ms and 16 at 100 ms, the erase, the results: a few seconds; room for a loaded machine.
constexpr int kRunTimeoutMs = 40000;

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
    void Start(sim::Faults faults = {}) {
        m_sim = &h.AddSimulator(1, 921600, faults);
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.App().config.showUpgradeLoadBtn = 1;
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
    bool Told(const std::string& message) {
        return std::find(h.messages.begin(), h.messages.end(), message) != h.messages.end();
    }
    std::vector<std::uint8_t> ReadBackFile() {
        QFile f(QString::fromStdString(m_dialog->ReadBackPath()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = f.readAll();
        return {bytes.begin(), bytes.end()};
    }

    AppHarness h;
    sim::Simulator* m_sim = nullptr;
    CUpdataDlg* m_dialog = nullptr;
};

TEST_F(UpgradeEndToEnd, FpgaAndMcuReachTheProcessorByteForByte) {
    Start();
    const auto fpga = Pattern(64 * 1024 - 100, 1);
    const auto mcu = Pattern(16 * 1024 + 5, 2);
    Choose(0, WriteImage("FPGA.bin", fpga));
    Choose(1, WriteImage("MCU.bin", mcu));
    Click(CUpdataDlg::kStartId);
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kRunTimeoutMs));
    EXPECT_EQ(h.messages, std::vector<std::string>{"Tips: Upgrade finsh,Restart The Machine"});
    EXPECT_EQ(SimImage(*m_sim, sim::Target::Fpga), fpga);
    EXPECT_EQ(SimImage(*m_sim, sim::Target::Mcu), mcu);
    EXPECT_TRUE(m_dialog->Done(0) && m_dialog->Done(1));
    EXPECT_TRUE(m_dialog->ControlsEnabled());
    EXPECT_EQ(h.LinkState(), kLinkSynchronised) << "the keep-alive watch came back after the transfer";
}

TEST_F(UpgradeEndToEnd, AMissingFpgaResultEndsTheRunBeforeTheMcu) {
    sim::Faults faults;
    faults.upgrade.noResult = true;
    Start(faults);
    Choose(0, WriteImage("FPGA.bin", Pattern(8 * 1024, 3)));
    Choose(1, WriteImage("MCU.bin", Pattern(4 * 1024, 4)));
    Click(CUpdataDlg::kStartId);
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kRunTimeoutMs));
    EXPECT_EQ(h.messages, std::vector<std::string>{"Tips: Upgrade failed,Restart The Machine"});
    EXPECT_EQ(CommandsWithCode(*m_sim, kCmdAnnounceImage), 1u) << "the MCU image is never announced";
    EXPECT_TRUE(SimImage(*m_sim, sim::Target::Mcu).empty());
    std::uint64_t packets = 0;
    m_sim->Inspect([&](const sim::ProcessorModel& m) { packets = m.PacketsReceived(); });
    EXPECT_EQ(packets, 8u);
}

TEST_F(UpgradeEndToEnd, APulledCableDuringTheTransferIsReported) {
    sim::Faults faults;
    faults.vanishAfterPackets = 10;
    Start(faults);
    Choose(0, WriteImage("FPGA.bin", Pattern(64 * 1024, 5)));
    Click(CUpdataDlg::kStartId);
    ASSERT_TRUE(h.WaitFor([&] { return Told("Tips: Connect is disconnection !"); }, kRunTimeoutMs));
    ASSERT_TRUE(h.WaitFor([&] { return m_dialog->ControlsEnabled(); }, kRunTimeoutMs));
    EXPECT_EQ(m_dialog->State(), 0u);
    EXPECT_LT(m_dialog->SentBytes(), 64u * 1024) << "the rest of the image is not sent";
}

TEST_F(UpgradeEndToEnd, TheFpgaImageReadBackEqualsTheProcessors) {
    Start();
    const auto image = SimImage(*m_sim, sim::Target::Fpga);
    ASSERT_EQ(image.size(), 64u * 1024);
    Click(CUpdataDlg::kLoadId);
    ASSERT_TRUE(
        h.WaitFor([&] { return m_dialog->Phase() == CUpdataDlg::kPhaseReadBackDone; }, kRunTimeoutMs));
    EXPECT_EQ(m_dialog->StatusText(), "Upgrade load finish!");
    EXPECT_EQ(ReadBackFile(), image);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(m_dialog->ReadBackPartPath())));
    EXPECT_TRUE(h.messages.empty());
    EXPECT_TRUE(m_dialog->ControlsEnabled());
}

TEST_F(UpgradeEndToEnd, DamagedReadBackBlocksAreReportedAndDropped) {
    sim::Faults faults;
    faults.upgrade.damageReadBack = 63;
    Start(faults);
    Click(CUpdataDlg::kLoadId);
    ASSERT_TRUE(
        h.WaitFor([&] { return m_dialog->Phase() == CUpdataDlg::kPhaseReadBackDone; }, kRunTimeoutMs));
    ASSERT_TRUE(h.WaitFor([&] { return Told("Upgrade Machine: Checksum is Error !"); }, 5000));
    // Block 64 follows block 62: out of order, dropped too (its box is not shown while the
    // checksum's is open).
    const auto image = SimImage(*m_sim, sim::Target::Fpga);
    const auto got = ReadBackFile();
    ASSERT_EQ(got.size(), 62u * 1024) << "only the blocks in order are kept";
    EXPECT_TRUE(std::equal(got.begin(), got.end(), image.begin()));
}

TEST_F(UpgradeEndToEnd, VerifyReportsTheFirstDifferingBlock) {
    Start();
    const auto fpga = Pattern(16 * 1024, 6);
    Choose(0, WriteImage("FPGA.bin", fpga));
    Click(CUpdataDlg::kStartId);
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kRunTimeoutMs));
    ASSERT_EQ(h.messages, std::vector<std::string>{"Tips: Upgrade finsh,Restart The Machine"});
    h.messages.clear();
    EXPECT_EQ(m_sim->Execute("image fpga damage 5"), "ok\n");
    Click(CUpdataDlg::kVerifyId);
    ASSERT_TRUE(h.WaitFor([&] { return !h.messages.empty(); }, kRunTimeoutMs));
    EXPECT_EQ(m_dialog->VerifyResult(), 5);
    EXPECT_EQ(h.messages[0],
              "Upgrade Machine: Verify failed: the image read back differs from the file sent from block 6");
}

} // namespace
