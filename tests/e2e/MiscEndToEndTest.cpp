// The misc page and the WiFi configuration against the simulated processor: WiFi settings
// reach the processor and its acknowledgement is shown; a factory reset
// closes the port, the processor restarts silently, and the application finds it again and
// loads its factory state by itself - also when another port is listed, which the walk of the
// port list alone would stop at.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "device/LinkMembers.h"
#include "link/CommandCodes.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/CWificonfigDlg.h"
#include "mainwindow/Pages.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using corvane::test::AppHarness;
using corvane::test::CommandsWithCode;

namespace {

constexpr int kSyncTimeoutMs = 12000;
constexpr int kAnswerTimeoutMs = 5000;
// The port closes, the processor restarts (2 s of silence), the search tries its port every
// three seconds: on a loaded machine well within this.
constexpr int kFoundAgainTimeoutMs = 40000;

class MiscEndToEnd : public ::testing::Test {
protected:
    void Start() {
        h.StartApplication();
        ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kSyncTimeoutMs));
        h.Main().SelectPage(kMisc, 0);
        m_misc = static_cast<CMiscDlg*>(h.Main().Page(kMisc));
        m_wifi = static_cast<CWificonfigDlg*>(h.Main().Pages().Find(Window::WifiDialog));
        ASSERT_TRUE(m_misc->isVisible());
        h.messages.clear();
    }

    void Click(CBaseDialog* dialog, int id) {
        QTest::mouseClick(dialog->Control<QAbstractButton>(id), Qt::LeftButton);
    }

    bool Told(const std::string& message) {
        return std::find(h.messages.begin(), h.messages.end(), message) != h.messages.end();
    }

    AppHarness h;
    CMiscDlg* m_misc = nullptr;
    CWificonfigDlg* m_wifi = nullptr;
};

} // namespace

TEST_F(MiscEndToEnd, WifiSettingsReachTheProcessorAndItsAnswerIsShown) {
    sim::Simulator& sim = h.AddSimulator(1, 921600);
    Start();
    Click(m_misc, CMiscDlg::kWifiId);
    ASSERT_TRUE(m_wifi->isVisible());
    m_wifi->Control<QLineEdit>(CWificonfigDlg::kAddressId)->setText("10.0.0.254");
    m_wifi->Control<QLineEdit>(CWificonfigDlg::kSsidId)->setText("Stage-Left");
    m_wifi->Control<QLineEdit>(CWificonfigDlg::kPasswordId)->setText("secret-1234");
    Click(m_wifi, CWificonfigDlg::kApplyId);
    ASSERT_TRUE(h.WaitFor([&] { return Told("Wifi configure: Set up success!"); }, kAnswerTimeoutMs));
    EXPECT_TRUE(h.WaitFor([&] { return !h.Main().WaitShown(); }, kAnswerTimeoutMs))
        << "the answer ends the wait";
    sim.Inspect([&](const sim::ProcessorModel& m) {
        const WifiConfig& w = m.State().wifi;
        EXPECT_EQ(std::tie(w.ip, w.ssid, w.password), std::tie("10.0.0.254", "Stage-Left", "secret-1234"));
    });
    EXPECT_EQ(CommandsWithCode(sim, kCmdWifi), 1u);
}

TEST_F(MiscEndToEnd, AFactoryResetIsFoundAndSynchronisedAgainWithoutTheOperator) {
    sim::Simulator& sim = h.AddSimulator(1, 921600);
    // A second port where nothing answers: the walk of the list would end there.
    sim::Faults silent;
    silent.silent = true;
    h.AddSimulator(2, 115200, silent);
    Start();
    // Something to be reset: the backup switch on.
    Click(m_misc, CMiscDlg::kBackupId);
    auto simBackup = [&] {
        std::uint8_t backup = 0;
        sim.Inspect([&](const sim::ProcessorModel& m) { backup = m.State().crop.inputBackup; });
        return backup;
    };
    ASSERT_TRUE(h.WaitFor([&] { return simBackup() == 1; }, kAnswerTimeoutMs));
    EXPECT_EQ(h.App().state.crop.inputBackup, 1);
    EXPECT_TRUE(m_misc->BackupShown());

    Click(m_misc, CMiscDlg::kResetId);
    ASSERT_TRUE(h.WaitFor([&] { return Told("Tips: Restart The Machine"); }, kAnswerTimeoutMs));
    EXPECT_TRUE(Told("Tips: Restore the factory settings?"));
    EXPECT_TRUE(h.WaitFor([&] { return h.LinkState() != kLinkSynchronised; }, kAnswerTimeoutMs))
        << "the port is closed";
    EXPECT_EQ(CommandsWithCode(sim, kCmdFactoryReset), 1u);

    // Found again and synchronised by the search alone, with the factory state.
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, kFoundAgainTimeoutMs));
    EXPECT_EQ(h.Main().Link().lastPort, 1);
    EXPECT_TRUE(h.WaitFor([&] { return h.App().state.crop.inputBackup == 0 && !m_misc->BackupShown(); },
                          kAnswerTimeoutMs));
    EXPECT_EQ(h.Main().Link().restartPort, -1) << "the restart search is over";
    EXPECT_FALSE(h.Main().WaitShown());
    EXPECT_EQ(h.messages,
              (std::vector<std::string>{"Tips: Restore the factory settings?", "Tips: Restart The Machine"}))
        << "nothing else to tell";
}
