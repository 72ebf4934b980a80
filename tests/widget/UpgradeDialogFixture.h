#pragma once

// The fixture of the upgrade dialog's suites: the dialog with real events and the real message
// dialog, the processor played by the test through the messages the reply handling sends, the
// line by the fake context, which reports each write as gone at once.

#include "FakePageContext.h"
#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "platform/WindowMessages.h"
#include "upgrade/CUpdataDlg.h"
#include "upgrade/UpgradeImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace corvane::test {

using Dlg = CUpdataDlg;

inline std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 10));
    return v;
}

// A read-back block as the processor sends it.
inline Packet Block(std::uint16_t number, const std::uint8_t* data) {
    Packet b{};
    b[8] = static_cast<std::uint8_t>(number & 0xFF);
    b[9] = static_cast<std::uint8_t>(number >> 8);
    std::copy(data, data + kPacketData, b.begin() + kPacketDataOffset);
    b[kPacketChecksumOffset] = PacketChecksum(b.data());
    return b;
}

class UpgradeDialogTest : public PageFixture<Dlg> {
protected:
    UpgradeDialogTest() : PageFixture(QSize(470, 300)) {
        context.upgradeFolder = m_dir.path().toStdString();
        context.windows[Window::ConnectDialog] = &connect;
        // The line: every write leaves the port at once (as a pseudo-terminal reports it).
        context.onLineWrite = [this](std::uint64_t ticket) {
            auto* dialog = dynamic_cast<Dlg*>(context.WindowOf(Window::UpgradeDialog));
            if (dialog)
                QTimer::singleShot(0, dialog, [dialog, ticket] { dialog->OnWriteLeft(ticket, true, 0); });
        };
    }
    void OnCreated(Dlg&) override {}

    std::string WriteFile(const QString& name, const std::vector<std::uint8_t>& bytes) {
        QDir().mkpath(m_dir.path() + "/images");
        const QString path = m_dir.path() + "/images/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path.toStdString();
    }
    void Choose(int target, const std::string& path) {
        Dlg& d = PageUnderTest();
        d.SetSelected(target, true);
        d.Control<QLineEdit>(Dlg::kPathIds[static_cast<std::size_t>(target)])
            ->setText(QString::fromStdString(path));
    }
    void Command(int id) {
        SendWindowMessage(&PageUnderTest(), WM_COMMAND, MakeWParam(id, BN_CLICKED), 0);
        Drain();
    }
    // The control frames sent so far, by code.
    std::vector<std::uint16_t> Codes() const {
        std::vector<std::uint16_t> codes;
        for (const auto& bytes : context.sentBytes)
            if (bytes.size() == kFrameSize)
                codes.push_back(FrameCode(bytes.data()));
        return codes;
    }
    int Count(std::uint16_t code) const { return static_cast<int>(std::ranges::count(Codes(), code)); }
    std::vector<std::vector<std::uint8_t>> Packets() const {
        std::vector<std::vector<std::uint8_t>> p;
        for (const auto& bytes : context.sentBytes)
            if (bytes.size() == kPacketSize)
                p.push_back(bytes);
        return p;
    }
    // The processor: announce, two erase steps, erase finished; then the packets go out.
    void BootLoaderTakesImage() {
        const int announced = Count(kCmdAnnounceImage);
        Reply(kReplyBootAnnounce, 0);
        ASSERT_TRUE(WaitFor([&] { return Count(kCmdAnnounceImage) == announced + 1; }));
        Reply(kReplyBootAnnounce, 4);
        Reply(kReplyBootAnnounce, 4);
        Reply(kReplyBootAnnounce, 2);
    }

    // Start, the boot loader takes the image, and every packet and 0x8004 go out.
    void StartAndSendImage() {
        Command(Dlg::kStartId);
        BootLoaderTakesImage();
        ASSERT_TRUE(WaitFor([&] { return Count(kCmdEndImage) == 1; }));
    }
    // What the message dialogs said, in order.
    static std::vector<std::string> Said(const MessageBoxAnswerer& answerer) {
        std::vector<std::string> said;
        for (const ShownBox& b : answerer.boxes)
            said.push_back(b.message);
        return said;
    }

    // The text of a file in the upgrade folder.
    QByteArray FileText(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

    RecordingPage connect;
    QTemporaryDir m_dir;
};

} // namespace corvane::test
