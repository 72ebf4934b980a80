// The upgrade dialog with real events and the real message dialog, the processor played by the
// test through the messages the reply handling sends and the line by the fake context, which
// reports each write as gone at once: the checks of Start and their messages in order, a whole
// exchange with its frames, packets and pauses as quiet on the line, the window painting between
// packets, a packet that cannot go out, missing and refused results, a lost link, and the close
// questions by state (the read-back and Verify: UpgradeReadBackTest.cpp; the fixture:
// UpgradeDialogFixture.h).

#include "UpgradeDialogFixture.h"

namespace corvane::test {
namespace {

TEST_F(UpgradeDialogTest, StartChecksComeInOrderWithTheirMessages) {
    const std::string fpga = WriteFile("FPGA.bin", Pattern(3000, 1));
    const std::string lower = WriteFile("fpga.bin", Pattern(3000, 1));
    const std::string empty = WriteFile("MCU.bin", {});
    struct Case {
        bool connected;
        std::vector<std::pair<int, std::string>> chosen;
        std::string message;
    };
    const std::string missing = (m_dir.path() + "/images/none/FPGA.bin").toStdString();
    const std::vector<Case> cases = {
        {false, {{0, fpga}}, "Please open the serial!"},
        {true, {}, "Please Select file!"},
        {true, {{0, missing}}, "FPGA File no exist!"},
        {true, {{0, lower}}, "FPGA File format error!"},
        {true, {{0, fpga}, {1, missing}}, "MCU File no exist!"},
        {true, {{0, fpga}, {1, empty}}, "MCU File is empty: " + empty},
        {true, {{0, "  " + lower + "  "}}, "FPGA File format error!"},
    };
    MessageBoxAnswerer answerer;
    Dlg& d = PageUnderTest();
    for (std::size_t k = 0; k < cases.size(); ++k) {
        state.linkState = cases[k].connected ? kLinkSynchronised : kLinkClosed;
        for (int i = 0; i < kTargetCount; ++i)
            d.SetSelected(i, false);
        for (const auto& [target, path] : cases[k].chosen)
            Choose(target, path);
        answerer.boxes.clear();
        Command(Dlg::kStartId);
        ASSERT_EQ(answerer.boxes.size(), 1u) << k;
        EXPECT_EQ(answerer.boxes[0].message, cases[k].message) << k;
        EXPECT_TRUE(context.sentBytes.empty()) << "nothing is sent for case " << k;
    }
}

TEST_F(UpgradeDialogTest, AnImageGoesOutPacketByPacketWithItsPausesWhileTheWindowPaints) {
    Connect();
    context.link.baudRate = 921600;
    const std::vector<std::uint8_t> image = Pattern(12 * 1024 + 1, 3);
    Choose(0, WriteFile("FPGA.bin", image));
    Dlg& d = PageUnderTest();
    std::vector<std::uint64_t> paintsAtPacket;
    context.onSend = [&](const std::uint8_t*, std::size_t length) {
        if (length == kPacketSize)
            paintsAtPacket.push_back(d.Paints());
    };
    MessageBoxAnswerer answerer;
    Command(Dlg::kStartId);
    EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kCmdEnterBoot});
    EXPECT_FALSE(d.ControlsEnabled());
    BootLoaderTakesImage();
    const Frame announce = BuildAnnounceFrame(1, image.size()); // the FPGA
    EXPECT_EQ(context.sentBytes[1], std::vector<std::uint8_t>(announce.begin(), announce.end()));
    EXPECT_EQ(context.keepAliveStops, 1);
    ASSERT_TRUE(WaitFor([&] { return Count(kCmdEndImage) == 1; }));
    const auto packets = Packets();
    ASSERT_EQ(packets.size(), 13u);
    for (std::size_t k = 0; k < packets.size(); ++k) {
        const std::size_t at = k * kPacketData;
        const Packet p = BuildDataPacket(image.data() + at, image.size() - at);
        EXPECT_EQ(packets[k], std::vector<std::uint8_t>(p.begin(), p.end())) << k;
    }
    EXPECT_EQ(d.ProgressValue(), 1000);
    EXPECT_EQ(d.DetailText(), QString("100 % - 12289 of 12289 bytes - 0 s left"));
    // The window painted between packets, not only at the end.
    int gapsWithPaint = 0;
    for (std::size_t k = 1; k < paintsAtPacket.size(); ++k)
        gapsWithPaint += paintsAtPacket[k] > paintsAtPacket[k - 1] ? 1 : 0;
    EXPECT_GE(gapsWithPaint, 3) << "paints: " << paintsAtPacket.front() << ".." << paintsAtPacket.back();
    // 0x8004 after the last packet; the result confirms the image; the run ends with the summary.
    EXPECT_EQ(Codes().back(), kCmdEndImage);
    EXPECT_EQ(d.StatusText(), "FPGA ");
    Reply(kAckUpgradeStep, 1);
    ASSERT_TRUE(WaitFor([&] { return !answerer.boxes.empty(); }));
    EXPECT_EQ(answerer.boxes[0].message, "Upgrade finsh,Restart The Machine");
    EXPECT_TRUE(d.ControlsEnabled());
    EXPECT_EQ(context.keepAliveRestarts, 1);
}

TEST_F(UpgradeDialogTest, AMissingResultARefusedImageAndALostLinkEndTheRun) {
    Connect();
    Choose(0, WriteFile("FPGA.bin", Pattern(1500, 4)));
    Choose(1, WriteFile("MCU.bin", Pattern(700, 5)));
    Dlg& d = PageUnderTest();
    {
        MessageBoxAnswerer answerer;
        StartAndSendImage();
        EXPECT_EQ(Count(kCmdEnterBoot), 1) << "the MCU waits for the FPGA result";
        // No result: after its wait the run ends and the MCU image is never sent.
        ASSERT_TRUE(WaitFor([&] { return !answerer.boxes.empty(); }, 8000));
        EXPECT_EQ(answerer.boxes[0].message, "Upgrade failed,Restart The Machine");
        Drain();
        EXPECT_EQ(Count(kCmdEnterBoot), 1);
        EXPECT_EQ(Packets().size(), 2u);
        EXPECT_TRUE(d.ControlsEnabled());
        EXPECT_EQ(context.keepAliveRestarts, context.keepAliveStops);
    }
    {
        // The FPGA alone, its image refused.
        d.SetSelected(1, false);
        context.sentBytes.clear();
        MessageBoxAnswerer answerer;
        StartAndSendImage();
        Reply(kAckUpgradeStep, 0);
        ASSERT_TRUE(WaitFor([&] { return answerer.boxes.size() == 2; }));
        EXPECT_EQ(Said(answerer),
                  (std::vector<std::string>{"FPGA Upgrade Error !", "Upgrade failed,Restart The Machine"}));
        EXPECT_EQ(d.State(), 0u);
    }
    {
        // The line goes while the packets of the last target go out: the rest is not sent.
        d.SetSelected(0, false);
        Choose(2, WriteFile("HDMIRX.bin", Pattern(40 * 1024, 6)));
        context.sentBytes.clear();
        MessageBoxAnswerer answerer;
        Command(Dlg::kStartId);
        BootLoaderTakesImage();
        ASSERT_TRUE(WaitFor([&] { return Packets().size() >= 3; }));
        Reply(kReplyLinkLost, 1);
        ASSERT_TRUE(WaitFor([&] { return answerer.boxes.size() == 2; }));
        EXPECT_EQ(Said(answerer), (std::vector<std::string>{"Connect is disconnection !",
                                                            "Upgrade failed,Restart The Machine"}));
        const std::size_t sent = Packets().size();
        QTest::qWait(200);
        EXPECT_EQ(Packets().size(), sent);
        EXPECT_LT(sent, 40u);
        EXPECT_EQ(Count(kCmdEndImage), 0);
        EXPECT_TRUE(d.ControlsEnabled());
        EXPECT_EQ(context.keepAliveRestarts, context.keepAliveStops);
    }
}

TEST_F(UpgradeDialogTest, APacketThatCannotGoOutEndsTheRunAtOnceWithoutTheEnd) {
    struct Case {
        LineSend refusal;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {LineSend::NoBuffer,
         {"Upgrade failed,Restart The Machine\nData packet 3 of 13 could not be sent: no write buffer was "
          "free."}},
        // A closed port is the link lost, whichever report comes first.
        {LineSend::NotStarted, {"Connect is disconnection !", "Upgrade failed,Restart The Machine"}},
    };
    Connect();
    Choose(0, WriteFile("FPGA.bin", Pattern(13 * 1024, 7)));
    Dlg& d = PageUnderTest();
    const auto report = context.onLineWrite;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.refusal));
        context.sentBytes.clear();
        context.lineWrites = 0;
        context.lineReleases = 0;
        context.lineResult = LineSend::Queued;
        // The line takes 0x8000, 0x8001 and two packets; the third cannot go.
        context.onLineWrite = [&](std::uint64_t ticket) {
            report(ticket);
            if (context.lineWrites == 4)
                context.lineResult = c.refusal;
        };
        MessageBoxAnswerer answerer;
        Command(Dlg::kStartId);
        BootLoaderTakesImage();
        ASSERT_TRUE(WaitFor([&] { return answerer.boxes.size() == c.boxes.size(); }));
        Drain();
        EXPECT_EQ(Said(answerer), c.boxes);
        EXPECT_EQ(Count(kCmdEndImage), 0) << "no 0x8004 as if the image were whole";
        EXPECT_TRUE(d.ControlsEnabled());
        EXPECT_EQ(context.lineReleases, 1);
        EXPECT_EQ(context.keepAliveRestarts, context.keepAliveStops);
        QTest::qWait(100);
        EXPECT_EQ(Packets().size(), 2u);
    }
}

TEST_F(UpgradeDialogTest, ClosingAsksByStateAndLeavesTheBootLoader) {
    struct Case {
        const char* name;
        std::uint32_t state; // 0, 1 (Load) or a target's state
        bool bootWaiting;    // the boot loader announced itself with nothing running
        int answer;          // the button clicked
        std::string question;
        bool closes;
    };
    const std::vector<Case> cases = {
        {"idle", 0, false, CMessageboxDlg::kLeftId, "", true},
        {"boot loader waiting", 0, true, CMessageboxDlg::kLeftId, "", true},
        {"reading, stay", 1, false, CMessageboxDlg::kRightId, "Is reading FPGA file, really exit?", false},
        {"fpga", 2, false, CMessageboxDlg::kLeftId, "Is upgrade FPGA,exit?", true},
        {"hdmirx, stay", 4, false, CMessageboxDlg::kRightId, "Is upgrade HDMIRX,exit?", false},
        {"hdmirx", 4, false, CMessageboxDlg::kLeftId, "Is upgrade HDMIRX,exit?", true},
    };
    const std::string files[3] = {WriteFile("FPGA.bin", Pattern(100, 1)),
                                  WriteFile("MCU.bin", Pattern(100, 1)),
                                  WriteFile("HDMIRX.bin", Pattern(100, 1))};
    config.showUpgradeLoadBtn = 1;
    Connect();
    context.link.baudRate = 921600;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.sentBytes.clear();
        connect.Clear();
        Dlg dialog(context, nullptr);
        dialog.Create();
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        const int target = TargetOfState(c.state);
        if (target >= 0) {
            dialog.SetSelected(target, true);
            dialog.Control<QLineEdit>(Dlg::kPathIds[static_cast<std::size_t>(target)])
                ->setText(QString::fromStdString(files[target]));
            SendWindowMessage(&dialog, WM_COMMAND, MakeWParam(Dlg::kStartId, BN_CLICKED), 0);
        } else if (c.state == 1) {
            SendWindowMessage(&dialog, WM_COMMAND, MakeWParam(Dlg::kLoadId, BN_CLICKED), 0);
        }
        if (c.bootWaiting) {
            SendWindowMessage(&dialog, WM_DEVICE_REPLY, kReplyBootAnnounce, 0);
            EXPECT_EQ(dialog.Phase(), Dlg::kPhaseBootWaiting);
        }
        Drain();
        ASSERT_EQ(dialog.State(), c.state);
        MessageBoxAnswerer answerer(c.answer);
        SendWindowMessage(&dialog, WM_COMMAND, MakeWParam(CBaseDialog::kCloseId, BN_CLICKED), 0);
        Drain();
        std::vector<std::string> expected;
        if (!c.question.empty())
            expected.push_back(c.question);
        const bool leaves = c.bootWaiting || (c.state != 0 && c.closes);
        if (leaves)
            expected.push_back("Restart The Machine");
        EXPECT_EQ(Said(answerer), expected);
        EXPECT_EQ(dialog.isVisible(), !c.closes);
        EXPECT_EQ(Count(kCmdEndImage), leaves ? 1 : 0);
        EXPECT_EQ(connect.Count(WM_PORT_CLOSED), leaves ? 1 : 0);
        EXPECT_EQ(dialog.State(), c.closes ? 0u : c.state);
    }
}

TEST_F(UpgradeDialogTest, ChecksBoxesFollowClicksOnlyWhileTheControlsAreEnabled) {
    Dlg& d = PageUnderTest();
    const QPoint box = d.BoxRect(1).center();
    QTest::mouseClick(&d, Qt::LeftButton, {}, box);
    EXPECT_TRUE(d.Selected(1));
    EXPECT_TRUE(d.Control<QWidget>(Dlg::kPathIds[1])->isEnabled());
    EXPECT_FALSE(d.Control<QWidget>(Dlg::kPathIds[0])->isEnabled());
    QTest::mouseClick(&d, Qt::LeftButton, {}, box);
    EXPECT_FALSE(d.Selected(1));
    EXPECT_FALSE(d.Control<QWidget>(Dlg::kLoadId)->isVisible()) << "Load only when Config.ini shows it";
    // During a run the boxes do not change.
    Connect();
    Choose(0, WriteFile("FPGA.bin", Pattern(10, 1)));
    Command(Dlg::kStartId);
    ASSERT_FALSE(d.ControlsEnabled());
    QTest::mouseClick(&d, Qt::LeftButton, {}, d.BoxRect(2).center());
    EXPECT_FALSE(d.Selected(2));
    EXPECT_FALSE(d.Control<QWidget>(Dlg::kStartId)->isEnabled());
}

TEST_F(UpgradeDialogTest, RendersForTheGallery) {
    config.showUpgradeLoadBtn = 1;
    Dlg& d = PageUnderTest();
    Choose(0, "/home/operator/images/FPGA.bin");
    RenderForGallery(d, CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "upgrade_dialog");
}

} // namespace
} // namespace corvane::test
