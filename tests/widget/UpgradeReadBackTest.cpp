// The upgrade dialog's read-back with real events: its checks block by block, its file (whole
// or nothing, an FPGA.bin there kept), a block that cannot be saved, a file that cannot be
// created (Verify: after the whole exchange in UpgradeDialogTest.cpp; the fixture:
// UpgradeDialogFixture.h).

#include "UpgradeDialogFixture.h"

namespace corvane::test {
namespace {

// A read-back ended by a refused block keeps nothing and leaves the operator's FPGA.bin as it
// is; the whole one that follows takes the name and keeps that file aside.
TEST_F(UpgradeDialogTest, TheFirstRefusedBlockEndsAReadBackAWholeOneTakesTheNameAndKeepsTheFileThere) {
    config.showUpgradeLoadBtn = 1;
    Connect();
    Dlg& d = PageUnderTest();
    context.link.baudRate = 921600;
    // First a folder where the file cannot be created: nothing starts.
    const std::string folder = context.upgradeFolder;
    context.upgradeFolder = folder + "/no/such/folder";
    Command(Dlg::kLoadId);
    EXPECT_EQ(d.StatusText(), "Create 'FPAG.bin' file fail...");
    EXPECT_EQ(std::make_pair(d.State(), context.sentBytes.size()), std::make_pair(0u, std::size_t{0}));
    context.upgradeFolder = folder;
    const QString final = QString::fromStdString(d.ReadBackPath());
    {
        QFile mine(final);
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("the operator's own image");
    }
    const std::vector<std::uint8_t> image = Pattern(3 * 1024, 9);
    {
        MessageBoxAnswerer answerer;
        Command(Dlg::kLoadId);
        Reply(kReplyBootAnnounce, 0);
        ASSERT_TRUE(WaitFor([&] { return Count(kCmdReadBack) == 1; }));
        d.OnReadBackBlock(Block(1, image.data()).data());
        Packet bad = Block(2, image.data() + 1024);
        bad[100] ^= 1;
        d.OnReadBackBlock(bad.data());
        EXPECT_EQ(d.State(), 0u) << "the read-back ended at the refused block";
        // The processor goes on sending: nothing more is taken, no second box.
        d.OnReadBackBlock(Block(2, image.data() + 1024).data());
        d.OnReadBackBlock(Block(3, image.data() + 2048).data());
        ASSERT_TRUE(WaitFor([&] { return !answerer.boxes.empty(); }));
        Reply(kReplyBootAnnounce, 3);
        Drain();
        EXPECT_EQ(Said(answerer),
                  std::vector<std::string>{"Checksum is Error !\nRead-back block 2 was refused: "
                                           "its checksum is wrong.\nThe read-back is incomplete: "
                                           "nothing of it was kept."});
        EXPECT_TRUE(WaitFor([&] { return Codes().back() == kCmdEndImage; })) << "the boot loader is left";
        EXPECT_EQ(context.readBackModes, (std::vector<bool>{true, false}));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(d.ReadBackPartPath())));
        EXPECT_EQ(FileText(final), "the operator's own image");
        EXPECT_FALSE(d.OwnsLine());
    }
    context.sentBytes.clear();
    MessageBoxAnswerer answerer;
    Command(Dlg::kLoadId);
    EXPECT_TRUE(d.OwnsLine());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(d.ReadBackPartPath())));
    EXPECT_EQ(connect.Count(WM_PORT_CLOSED), 0) << "already at 921600 baud";
    Reply(kReplyBootAnnounce, 0);
    ASSERT_TRUE(WaitFor([&] { return Count(kCmdReadBack) == 1; }));
    for (std::uint16_t n = 1; n <= 3; ++n)
        d.OnReadBackBlock(Block(n, image.data() + (n - 1) * 1024).data());
    Drain();
    EXPECT_EQ(d.ProgressValue(), 3 * 1000 / 16383);
    EXPECT_EQ(FileText(final), "the operator's own image") << "untouched while reading";
    Reply(kReplyBootAnnounce, 3);
    EXPECT_EQ(d.Phase(), Dlg::kPhaseReadBackDone);
    EXPECT_EQ(context.readBackModes, (std::vector<bool>{true, false, true, false}));
    const QByteArray got = FileText(final);
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), image);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(d.ReadBackPartPath())));
    // The operator's file is kept beside it, under the time of day, and the box says where.
    const QString kept = QString::fromStdString(d.KeptAsidePath());
    ASSERT_FALSE(kept.isEmpty());
    EXPECT_EQ(FileText(kept), "the operator's own image");
    EXPECT_EQ(Said(answerer),
              std::vector<std::string>{"Upgrade load finish!\nThe FPGA.bin that was in " +
                                       QFileInfo(kept).absolutePath().toStdString() + " is kept as " +
                                       QFileInfo(kept).fileName().toStdString() + "."});
    EXPECT_TRUE(d.ControlsEnabled());
    EXPECT_FALSE(d.OwnsLine());
}

TEST_F(UpgradeDialogTest, ABlockThatCannotBeSavedStopsTheReadBack) {
    config.showUpgradeLoadBtn = 1;
    Connect();
    Dlg& d = PageUnderTest();
    context.link.baudRate = 115200;
    MessageBoxAnswerer answerer;
    Command(Dlg::kLoadId);
    EXPECT_EQ(connect.Count(WM_PORT_CLOSED), 1) << "the search finds the boot loader at 921600 baud";
    Reply(kReplyBootAnnounce, 0);
    ASSERT_TRUE(WaitFor([&] { return Count(kCmdReadBack) == 1; }));
    const std::vector<std::uint8_t> image = Pattern(4 * 1024, 11);
    // The file may not grow beyond two blocks: the third cannot be written.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 2 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    for (std::uint16_t n = 1; n <= 4; ++n)
        d.OnReadBackBlock(Block(n, image.data() + (n - 1) * 1024).data());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    Drain();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(
        answerer.boxes[0].message.rfind("Save file is Error\nRead-back block 3 could not be written: ", 0),
        0u)
        << answerer.boxes[0].message;
    EXPECT_EQ(d.State(), 0u);
    EXPECT_TRUE(WaitFor([&] { return Codes().back() == kCmdEndImage; })) << "the boot loader is left";
    EXPECT_EQ(context.readBackModes, (std::vector<bool>{true, false}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(d.ReadBackPartPath())));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(d.ReadBackPath()))) << "no file with a hole";
}

} // namespace
} // namespace corvane::test
