// The upgrade dialog with real events and the real message dialog, the processor played by the
// test through the messages the reply handling sends and the line by the fake context, which
// reports each write as gone at once: the checks of Start and their messages in order, a whole
// exchange with its frames, packets and pauses as quiet on the line, the window painting between
// packets, and Verify after it; a packet that cannot go out, missing and refused results, a lost
// link, and the close question (the read-back: UpgradeReadBackTest.cpp; the fixture:
// UpgradeDialogFixture.h).

#include "UpgradeDialogFixture.h"

namespace corvane::test {
namespace {

TEST_F(UpgradeDialogTest, StartChecksComeInOrderWithTheirMessages) {
    const std::string fpga = WriteFile("FPGA.bin", Pattern(3000, 1));
    const std::string lower = WriteFile("fpga.bin", Pattern(3000, 1));
    const std::string empty = WriteFile("MCU.bin", {});
    const std::string missing = (m_dir.path() + "/images/none/FPGA.bin").toStdString();
    // Connected, the targets ticked with their files, the one message.
    const std::vector<std::tuple<bool, std::vector<std::pair<int, std::string>>, std::string>> cases = {
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
    for (const auto& [connected, chosen, message] : cases) {
        state.linkState = connected ? kLinkSynchronised : kLinkClosed;
        for (int i = 0; i < kTargetCount; ++i)
            d.SetSelected(i, false);
        for (const auto& [target, path] : chosen)
            Choose(target, path);
        answerer.boxes.clear();
        Command(Dlg::kStartId);
        EXPECT_EQ(Said(answerer), std::vector<std::string>{message});
        EXPECT_TRUE(context.sentBytes.empty()) << "nothing is sent for " << message;
    }
}

TEST_F(UpgradeDialogTest, AnImageGoesOutPacketByPacketWhileTheWindowPaintsAndVerifyComparesItsReadBack) {
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
    EXPECT_FALSE(d.Control<QWidget>(Dlg::kVerifyId)->isEnabled()) << "no image confirmed yet";
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

    // Verify over the confirmed image: the read-back equal to it (padded to whole blocks), then
    // one with a byte changed in block 5.
    ASSERT_TRUE(d.Control<QWidget>(Dlg::kVerifyId)->isEnabled());
    for (bool damaged : {false, true}) {
        answerer.boxes.clear();
        Command(Dlg::kVerifyId);
        Reply(kReplyBootAnnounce, 0);
        ASSERT_TRUE(WaitFor([&] { return Count(kCmdReadBack) == (damaged ? 2 : 1); }));
        std::vector<std::uint8_t> padded = image;
        padded.resize(13 * 1024);
        if (damaged)
            padded[4 * 1024 + 7] ^= 0x40;
        for (std::uint16_t n = 1; n <= 13; ++n)
            d.OnReadBackBlock(Block(n, padded.data() + (n - 1) * 1024).data());
        Reply(kReplyBootAnnounce, 3);
        ASSERT_TRUE(WaitFor([&] { return !answerer.boxes.empty(); }));
        EXPECT_EQ(d.VerifyResult(), damaged ? 4 : -1);
        EXPECT_EQ(answerer.boxes[0].message,
                  damaged ? "Verify failed: the image read back differs from the file sent from block 5"
                          : "Verify passed: the image read back equals the file sent.");
    }
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
    Connect();
    Choose(0, WriteFile("FPGA.bin", Pattern(13 * 1024, 7)));
    Dlg& d = PageUnderTest();
    // The line takes 0x8000, 0x8001 and two packets; the third cannot go.
    const auto report = context.onLineWrite;
    context.onLineWrite = [&](std::uint64_t ticket) {
        report(ticket);
        if (context.lineWrites == 4)
            context.lineResult = LineSend::NoBuffer;
    };
    MessageBoxAnswerer answerer;
    Command(Dlg::kStartId);
    BootLoaderTakesImage();
    ASSERT_TRUE(WaitFor([&] { return !answerer.boxes.empty(); }));
    Drain();
    EXPECT_EQ(Said(answerer),
              std::vector<std::string>{"Upgrade failed,Restart The Machine\nData packet 3 of 13 "
                                       "could not be sent: no write buffer was free."});
    EXPECT_EQ(Count(kCmdEndImage), 0) << "no 0x8004 as if the image were whole";
    EXPECT_TRUE(d.ControlsEnabled());
    EXPECT_EQ(context.lineReleases, 1);
    EXPECT_EQ(context.keepAliveRestarts, context.keepAliveStops);
    QTest::qWait(100);
    EXPECT_EQ(Packets().size(), 2u);
}

// Closing while an image goes out asks first; Cancel keeps the run, OK takes the processor out
// of its boot loader and has the port found again.
TEST_F(UpgradeDialogTest, ClosingDuringARunAsksAndOkLeavesTheBootLoader) {
    Connect();
    Dlg dialog(context, nullptr);
    dialog.Create();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.SetSelected(2, true);
    dialog.Control<QLineEdit>(Dlg::kPathIds[2])
        ->setText(QString::fromStdString(WriteFile("HDMIRX.bin", Pattern(100, 1))));
    SendWindowMessage(&dialog, WM_COMMAND, MakeWParam(Dlg::kStartId, BN_CLICKED), 0);
    Drain();
    ASSERT_EQ(dialog.State(), TargetAt(2).state);
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        MessageBoxAnswerer answerer(ok ? CMessageboxDlg::kLeftId : CMessageboxDlg::kRightId);
        SendWindowMessage(&dialog, WM_COMMAND, MakeWParam(CBaseDialog::kCloseId, BN_CLICKED), 0);
        Drain();
        std::vector<std::string> expected{"Is upgrade HDMIRX,exit?"};
        if (ok)
            expected.push_back("Restart The Machine");
        EXPECT_EQ(Said(answerer), expected);
        EXPECT_EQ(dialog.isVisible(), !ok);
        EXPECT_EQ(Count(kCmdEndImage), ok ? 1 : 0);
        EXPECT_EQ(connect.Count(WM_PORT_CLOSED), ok ? 1 : 0);
        EXPECT_EQ(dialog.State(), ok ? 0u : TargetAt(2).state);
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
