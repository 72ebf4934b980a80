// The upgrade dialog's FPGA read-back: the blocks checked and written beside the final name, the
// first refused block ending it with nothing kept, a whole image taking the name FPGA.bin (an
// FPGA.bin already there moved aside), and Verify over it.

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "upgrade/CUpdataDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLoggingCategory>
#include <ctime>

Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

namespace corvane {

namespace {

constexpr int kMostKeptNames = 100; // names tried for a file moved aside within one second

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void CUpdataDlg::StartReadBack(bool verify) {
    if (m_context.State().linkState != kLinkSynchronised) {
        Message(MessageText(kMsgTips), MessageText(kMsgOpenSerial));
        return;
    }
    SetStatus(QStringLiteral("Wait for a response..."));
    m_detail->clear();
    // The image is written beside its final name and takes that name only when whole: a
    // read-back that ends early never leaves a file that looks complete, and an FPGA.bin
    // already there stays as it is until then.
    const QString part = Q(ReadBackPartPath());
    QFile::remove(part);
    m_readBackFile.setFileName(part);
    if (!m_readBackFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcUpgrade).noquote() << "cannot create" << part << ":" << m_readBackFile.errorString();
        SetStatus(QStringLiteral("Create 'FPAG.bin' file fail..."));
        return;
    }
    m_verifying = verify;
    m_verifyResult = -2;
    m_refusal.clear();
    m_refusalUnshown = false;
    m_keptAside.clear();
    SetProgress(0);
    m_checker.Reset();
    state = kStateReadBack;
    BeginExchange();
    SendCommand(kCmdEnterBoot);
    m_readBackClock.start();
    controlsEnabled = 0;
    EnableControls(false);
}

void CUpdataDlg::OnReadBackBlock(const std::uint8_t* block) {
    if (state != kStateReadBack || !m_readBackFile.isOpen())
        return;
    const std::uint32_t last = m_checker.LastBlock();
    const BlockVerdict verdict = m_checker.Take(block);
    if (const int refusal = RefusalOf(verdict)) {
        m_refusal = RefusedBlockText(verdict, ReadBackNumber(block), last, Chinese());
        RefuseReadBack(refusal, ReadBackNumber(block));
        return;
    }
    const auto* data = reinterpret_cast<const char*>(block + kPacketDataOffset);
    if (m_readBackFile.write(data, static_cast<qint64>(kPacketData)) != static_cast<qint64>(kPacketData) ||
        !m_readBackFile.flush()) {
        qCWarning(lcUpgrade).noquote()
            << "cannot write" << m_readBackFile.fileName() << ":" << m_readBackFile.errorString();
        m_refusal = Tr("Read-back block ", "读回的第 ") + std::to_string(m_checker.LastBlock()) +
                    Tr(" could not be written: ", " 块无法写入: ") +
                    m_readBackFile.errorString().toStdString();
        RefuseReadBack(kReadBackNotSaved, m_checker.LastBlock());
        return;
    }
    SetProgress(static_cast<int>(ReadBackProgress(m_checker.LastBlock())));
    ShowReadBackLine(m_checker.LastBlock());
}

void CUpdataDlg::RefuseReadBack(std::intptr_t kind, std::uint32_t number) {
    // A hole in the image cannot be mended: the read-back ends at the first refused block, the
    // processor leaves its boot loader and nothing of it is kept. Later blocks find the
    // read-back over and are dropped without a word: one box says it all.
    qCWarning(lcUpgrade).noquote() << "the read-back ends incomplete at block" << number << ":"
                                   << Q(m_refusal);
    EndReadBack(false);
    state = kStateIdle;
    SendCommand(kCmdEndImage);
    LetGoOfLine();
    controlsEnabled = 1;
    EnableControls(true);
    m_refusalUnshown = true;
    PostWindowMessage(this, WM_DEVICE_REPLY, kReplyLinkLost, kind);
}

void CUpdataDlg::OnReadBackError(std::intptr_t kind) {
    if (state == kStateReadBack) {
        // Reported from outside while reading: the read-back ends the same way.
        m_refusal =
            kind == kReadBackBadChecksum
                ? Tr("A read-back block was refused: its checksum is wrong.", "读回的块被拒绝: 校验码错误。")
            : kind == kReadBackOutOfOrder
                ? Tr("A read-back block was refused: it came out of order.", "读回的块被拒绝: 顺序错误。")
                : Tr("A read-back block could not be written.", "读回的块无法写入。");
        RefuseReadBack(kind, m_checker.LastBlock() + 1);
        return;
    }
    const TextPair head = RefusalHead(static_cast<int>(kind));
    if (*head.english)
        ShowRefusal(Tr(head.english, head.chinese));
}

void CUpdataDlg::ShowRefusal(const std::string& head) {
    if (!m_refusalUnshown || messageShown)
        return;
    m_refusalUnshown = false;
    SetStatus(Q(head));
    m_detail->setText(Q(m_refusal));
    std::string text =
        head + "\n" + m_refusal + "\n" +
        Tr("The read-back is incomplete: nothing of it was kept.", "读回不完整: 未保存任何内容。");
    if (m_verifying) {
        m_verifying = false;
        text += '\n';
        text += Tr("Verify compared nothing.", "校验未进行比较。");
    }
    messageShown = 1;
    Message(MessageText(kMsgUpgradeMachine), text);
    messageShown = 0;
}

void CUpdataDlg::OnReadBackFinished() {
    const bool wasReading = state == kStateReadBack;
    if (!wasReading)
        return; // a read-back that ended incomplete stays so
    phase = kPhaseReadBackDone;
    state = kStateIdle;
    if (m_checker.Accepted() == 0) {
        m_refusal = Tr("The processor sent no read-back block.", "处理器没有发送读回的块。");
        EndReadBack(false);
        LetGoOfLine();
        controlsEnabled = 1;
        EnableControls(true);
        m_refusalUnshown = true;
        ShowRefusal(Tr("Upgrade load failed!", "升级导出失败！"));
        return;
    }
    SetStatus(Q(Tr("Upgrade load finish!", "升级导出完成！")));
    EndReadBack(true);
    LetGoOfLine();
    controlsEnabled = 1;
    EnableControls(true);
    std::string where;
    if (!m_keptAside.empty())
        where = Tr("The FPGA.bin that was in ", "原来在 ") +
                QFileInfo(Q(m_keptAside)).absolutePath().toStdString() +
                Tr(" is kept as ", " 的 FPGA.bin 已另存为 ") +
                QFileInfo(Q(m_keptAside)).fileName().toStdString() + Tr(".", "。");
    else if (m_readBackFinal != ReadBackPath())
        where = Tr("The image read back is kept as ", "读回的映像保存为 ") +
                (m_readBackFinal.empty() ? ReadBackPartPath() : m_readBackFinal) +
                Tr(": the FPGA.bin there could not be moved aside.", ": 原有的 FPGA.bin 无法移开。");
    if (!where.empty()) {
        m_detail->setText(Q(where));
        if (!m_verifying)
            Message(MessageText(kMsgUpgradeMachine),
                    Tr("Upgrade load finish!", "升级导出完成！") + "\n" + where);
    }
    if (!m_verifying)
        return;
    m_verifying = false;
    std::vector<std::uint8_t> readBack;
    QString reason;
    ReadImageFile(Q(m_readBackFinal), readBack, reason);
    const std::optional<std::uint64_t> differs = FirstDifferingBlock(m_verifyImage, readBack);
    m_verifyResult = differs ? static_cast<long long>(*differs) : -1;
    const std::string text =
        differs ? Tr("Verify failed: the image read back differs from the file sent from block ",
                     "校验失败: 读回的映像与发送的文件从第 ") +
                      std::to_string(*differs + 1) + Tr("", " 块起不同")
                : Tr("Verify passed: the image read back equals the file sent.",
                     "校验通过: 读回的映像与发送的文件一致。");
    SetStatus(Q(text));
    Message(MessageText(kMsgUpgradeMachine), text);
}

void CUpdataDlg::EndReadBack(bool complete) {
    m_context.SetReadBackExpected(false);
    const bool open = m_readBackFile.isOpen();
    if (open)
        m_readBackFile.close();
    if (complete && open)
        KeepReadBack();
    else
        QFile::remove(Q(ReadBackPartPath()));
}

void CUpdataDlg::KeepReadBack() {
    const QString part = Q(ReadBackPartPath());
    QString final = Q(ReadBackPath());
    m_keptAside.clear();
    if (QFile::exists(final)) {
        // The operator's own FPGA.bin (maybe the image just sent) is never deleted: it is moved
        // aside under the time of day.
        const std::time_t now = std::time(nullptr);
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        const QString folder = QFileInfo(final).absolutePath();
        QString aside;
        for (int attempt = 1; attempt <= kMostKeptNames && aside.isEmpty(); ++attempt) {
            const QString name = folder + QLatin1Char('/') + Q(KeptAsideName("FPGA.bin", local, attempt));
            if (!QFile::exists(name))
                aside = name;
        }
        if (!aside.isEmpty() && QFile::rename(final, aside)) {
            m_keptAside = aside.toStdString();
            qCInfo(lcUpgrade).noquote() << "the FPGA.bin there is kept as" << aside;
        } else {
            // It cannot be moved: the read-back takes the other name instead.
            qCWarning(lcUpgrade).noquote()
                << "cannot move" << final << "aside; the read-back is kept as" << aside;
            final = aside;
        }
    }
    if (final.isEmpty() || !QFile::rename(part, final)) {
        // The whole image stays in the part file, which the message names.
        qCWarning(lcUpgrade).noquote() << "cannot rename" << part << "to" << final;
        m_readBackFinal.clear();
        return;
    }
    m_readBackFinal = final.toStdString();
}

} // namespace corvane
