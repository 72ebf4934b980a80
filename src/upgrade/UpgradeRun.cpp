// The upgrade dialog's exchange with the boot loader: the run over the ticked targets, the
// frames and data packets paced by the line, the results and a lost link.

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "shell/Config.h"
#include "shell/Language.h"
#include "upgrade/CUpdataDlg.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

namespace corvane {

namespace {

using std::chrono::milliseconds;
using Clock = ExchangePacer::Clock;

constexpr std::uint32_t kEraseTickWrap = 9999;
constexpr std::uint32_t kEraseCountLimit = 128;
constexpr std::uint32_t kEraseCountScale = 130;

// The erase text's dots, for every upgrade dialog of the process.
std::uint32_t eraseTick = 0;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

bool Upgrading(std::uint32_t state) {
    return TargetOfState(state) >= 0;
}

} // namespace

// ---- a run over the ticked targets

std::intptr_t CUpdataDlg::OnUpgradeNext(std::uintptr_t, std::intptr_t) {
    if (!m_closing)
        RunNext();
    return 0;
}

void CUpdataDlg::RunNext() {
    controlsEnabled = 0;
    EnableControls(false);
    const int i = NextPendingTarget(pending);
    if (i < 0) {
        Summarise();
        return;
    }
    const auto k = static_cast<std::size_t>(i);
    const UpgradeTarget& target = TargetAt(i);
    const QString path = m_paths[k]->text().trimmed();
    QString reason;
    if (!ReadImageFile(path, fileData, reason))
        qCWarning(lcUpgrade).noquote() << "cannot read" << path << ":" << reason;
    fileSize = fileData.size();
    if (CheckImageSize(fileSize) != ImageCheck::Good) {
        // The file changed since Start: nothing is announced for it.
        std::fill(pending.begin(), pending.end(), 0);
        LetGoOfLine();
        Message(MessageText(kMsgTips), std::string(target.nameText) +
                                           Tr("File cannot be read: ", "文件无法读取: ") +
                                           path.toStdString() + " (" + reason.toStdString() + ")");
        controlsEnabled = 1;
        EnableControls(true);
        return;
    }
    m_current = i;
    sentBytes = 0;
    SetStatus(QStringLiteral("Wait for a response..."));
    m_detail->clear();
    SetProgress(0);
    m_checker.Reset();
    state = target.state;
    BeginExchange();
    SendCommand(kCmdEnterBoot);
    phase = kPhaseUpgradeRequested;
}

void CUpdataDlg::Summarise() {
    if (!m_summaryClock.isValid())
        m_summaryClock.start();
    const RunEnd end = EndOfRun(selected, done, m_summaryClock.elapsed() >= kSummaryWaitMs.count());
    if (end == RunEnd::WaitForResults) {
        m_summaryTimer->start(milliseconds{100});
        return;
    }
    m_summaryClock.invalidate();
    LetGoOfLine();
    const std::string head = end == RunEnd::Finished ? "Upgrade finsh," : "Upgrade failed,";
    Message(MessageText(kMsgTips), head + MessageText(kMsgRestartMachine));
    controlsEnabled = 1;
    EnableControls(true);
}

std::intptr_t CUpdataDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (m_context.State().linkState != kLinkSynchronised)
        return -1;
    corvane::Frame frame{};
    switch (code) {
    case kCmdEnterBoot:
    case kCmdReadBack:
    case kCmdEndImage:
        frame = MakeFrame(static_cast<std::uint16_t>(code));
        break;
    case kCmdAnnounceImage:
        frame = BuildAnnounceFrame(static_cast<std::uint8_t>(argument), fileSize);
        break;
    default:
        return 0;
    }
    if (m_leaving) {
        // The dialog closes and the port with it: the last word goes out at once.
        m_pacer.Stop();
        ReleaseLine();
        m_context.SendToDevice(frame.data(), frame.size());
        return 0;
    }
    m_pacer.QueueFrame(frame, QuietBefore(static_cast<std::uint16_t>(code)));
    Pump();
    return 0;
}

std::intptr_t CUpdataDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t status) {
    if (m_closing)
        return 0;
    if (code == kReplyBootAnnounce) {
        switch (status) {
        case 0:
            OnAnnounce();
            break;
        case 1:
            if (state == kStateIdle)
                Message(MessageText(kMsgTips), MessageText(kMsgRestartMachine));
            phase = kPhaseRestart;
            break;
        case 2:
            OnEraseFinished();
            break;
        case 3:
            OnReadBackFinished();
            break;
        case 4:
            OnErase();
            break;
        default:
            break;
        }
    } else if (code == kReplyLinkLost) {
        if (status == 1)
            OnLinkLost();
        else
            OnReadBackError(status);
    } else if (code == kAckUpgradeStep) {
        OnResult(status);
    }
    return 0;
}

void CUpdataDlg::OnAnnounce() {
    // What answers the announce waits for the quiet after 0x8000 (the pacer holds it).
    const AnnounceStep step = AfterAnnounce(state, phase);
    switch (step) {
    case AnnounceStep::ReadBack:
        m_context.SetReadBackExpected(true);
        m_readBackClock.start();
        SendCommand(kCmdReadBack);
        break;
    case AnnounceStep::Announce:
    case AnnounceStep::AlreadyAnnounced:
        if (m_current == 0)
            eraseCount = 0;
        if (step == AnnounceStep::Announce)
            SendCommand(kCmdAnnounceImage, TargetAt(m_current).targetByte);
        phase = kPhaseAnnounced;
        break;
    case AnnounceStep::BootWaiting:
        SetStatus(Q(Tr("Upgrade ready...", "升级准备中...")));
        phase = kPhaseBootWaiting;
        break;
    }
}

void CUpdataDlg::OnErase() {
    const std::string dots(eraseTick % 4, '.');
    SetStatus(Q(Tr("Upgrade is erase", "擦除中") + dots));
    eraseTick = eraseTick + 1 >= kEraseTickWrap ? 0 : eraseTick + 1;
    if (state == TargetAt(0).state) {
        ++eraseCount;
        SetProgress(static_cast<int>(std::min(eraseCount, kEraseCountLimit) * 1000 / kEraseCountScale));
    }
}

void CUpdataDlg::OnEraseFinished() {
    SetStatus(Q(Tr("Upgrade erase finish!", "擦除完成！")));
    sentBytes = 0;
    if (!Upgrading(state) || m_inImage || m_awaitingResult)
        return;
    const UpgradeTarget& target = TargetAt(m_current);
    SetStatus(Q(Tr(target.sendingEn, target.sendingZh)));
    if (fileSize == 0)
        return;
    if (!m_keepAliveStopped) {
        m_context.StopKeepAlive();
        m_keepAliveStopped = true;
    }
    // The packets, each after the pause of the one before; 0x8004 after the last one's pause
    // and the end pause.
    m_inImage = true;
    m_pacer.QueueImage(fileData, milliseconds{0}, target.pause);
    SendCommand(kCmdEndImage);
}

milliseconds CUpdataDlg::QuietBefore(std::uint16_t code) const {
    switch (code) {
    case kCmdAnnounceImage:
    case kCmdReadBack:
        return kBootPauseMs;
    case kCmdEndImage:
        return m_inImage ? TargetAt(m_current).pause + kEndPauseMs : milliseconds{0};
    default:
        return milliseconds{0};
    }
}

// ---- the line

void CUpdataDlg::BeginExchange() {
    m_pacer.Start(m_context.Session().Link().baudRate);
    m_releaseWhenIdle = false;
    m_leaving = false;
    m_inImage = false;
}

LineSend CUpdataDlg::Write(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) {
    m_ownsLine = true;
    return m_context.SendOnLine(data, length, ticket);
}

void CUpdataDlg::Pump() {
    const std::optional<Clock::time_point> next = m_pacer.Pump(*this, Clock::now());
    if (m_pacer.Failed()) {
        OnLineFailed();
        return;
    }
    if (!next) {
        m_pumpTimer->stop();
        return;
    }
    // Rounded down: the timer comes at most a millisecond early, and the pacer, which never
    // writes before an item is due, has it come again (at once) until it is. Rounding up would
    // lengthen every pause by half a millisecond on average, a few per cent of a transfer at
    // 921600 baud.
    m_pumpTimer->start(std::max(milliseconds{0}, std::chrono::floor<milliseconds>(*next - Clock::now())));
}

void CUpdataDlg::OnWriteLeft(std::uint64_t ticket, bool complete, std::uint32_t status) {
    if (m_closing)
        return;
    const std::optional<Departure> departure = m_pacer.Left(ticket, complete, status, Clock::now());
    if (m_pacer.Failed()) {
        OnLineFailed();
        return;
    }
    if (departure)
        OnDeparted(*departure);
    if (m_releaseWhenIdle && m_pacer.Idle())
        ReleaseLine();
    Pump();
}

void CUpdataDlg::OnDeparted(const Departure& departure) {
    if (departure.packet) {
        if (!Upgrading(state)) {
            // The processor refused the image meanwhile: the rest is not sent.
            m_pacer.Stop();
            m_inImage = false;
            pending[static_cast<std::size_t>(m_current)] = 0;
            FinishTarget(false);
            return;
        }
        sentBytes = m_pacer.ImageBytesLeft();
        SetProgress(static_cast<int>(
            std::min<std::uint64_t>(1000, sentBytes * 1000 / std::max<std::uint64_t>(1, fileSize))));
        ShowTransferLine();
        return;
    }
    if (departure.code == kCmdEnterBoot && state == kStateReadBack &&
        m_context.Session().Link().baudRate != kReadBackBaud) {
        // The processor reads back at 921600 baud: the port is closed and found again there.
        if (MessageWindow* connect = m_context.WindowOf(Window::ConnectDialog))
            PostWindowMessage(connect, WM_PORT_CLOSED, 0, 0);
    } else if (departure.code == kCmdEndImage && m_inImage) {
        EndOfImage();
    }
}

void CUpdataDlg::ShowTransferLine() {
    const milliseconds left =
        m_pacer.ImageTimeLeft() + (m_pacer.ImageBytesWritten() < fileSize ? kEndPauseMs : milliseconds{0});
    m_detail->setText(Q(ProgressLine(m_pacer.ImageBytesLeft(), fileSize, left, Chinese())));
}

void CUpdataDlg::ShowReadBackLine(std::uint32_t number) {
    const std::uint64_t total = std::uint64_t{kReadBackProgressBlocks} * kPacketData;
    const std::uint64_t got = std::min(total, std::uint64_t{number} * kPacketData);
    const milliseconds left = EstimateLeft(got, total, milliseconds{m_readBackClock.elapsed()});
    m_detail->setText(Q(ProgressLine(got, total, left, Chinese())));
}

void CUpdataDlg::EndOfImage() {
    m_inImage = false;
    const auto k = static_cast<std::size_t>(m_current);
    pending[k] = 0;
    SetStatus(m_current == 2 ? QStringLiteral("HDMIR upgrade finsh !")
                             : QString::fromLatin1(TargetAt(m_current).nameText));
    if (done[k]) {
        FinishTarget(true);
        return;
    }
    m_awaitingResult = true;
    m_resultTimer->start(kResultWaitMs);
}

void CUpdataDlg::ResultWaitOver() {
    if (m_awaitingResult)
        FinishTarget(m_current >= 0 && done[static_cast<std::size_t>(m_current)] != 0);
}

void CUpdataDlg::OnResult(std::intptr_t good) {
    const bool valid = m_current >= 0;
    if (!messageShown && valid) {
        const auto k = static_cast<std::size_t>(m_current);
        if (good == 1) {
            done[k] = 1;
        } else {
            state = kStateIdle;
            const std::string text =
                std::string(TargetAt(m_current).nameText) + Tr("Upgrade Error !", "升级错误!");
            SetStatus(Q(text));
            messageShown = 1;
            Message(MessageText(kMsgUpgradeMachine), text);
            messageShown = 0;
            if (m_closing)
                return;
            if (m_inImage) {
                // Refused while the packets go out: the rest of them and 0x8004 are not sent.
                m_pacer.Stop();
                m_inImage = false;
                pending[k] = 0;
                FinishTarget(false);
                return;
            }
        }
    }
    controlsEnabled = 1;
    EnableControls(true);
    if (m_awaitingResult && valid)
        FinishTarget(good == 1 && done[static_cast<std::size_t>(m_current)] != 0);
}

void CUpdataDlg::FinishTarget(bool good) {
    m_awaitingResult = false;
    m_resultTimer->stop();
    state = kStateIdle;
    if (m_keepAliveStopped) {
        m_context.RestartKeepAlive();
        m_keepAliveStopped = false;
    }
    if (good) {
        if (m_current == 0)
            m_verifyImage = fileData;
        PostWindowMessage(this, WM_UPGRADE_NEXT, 0, 0);
        return;
    }
    LetGoOfLine();
    Message(MessageText(kMsgTips), std::string("Upgrade failed,") + MessageText(kMsgRestartMachine));
    controlsEnabled = 1;
    EnableControls(true);
}

void CUpdataDlg::OnLineFailed() {
    if (PortGone(m_pacer.Failure())) {
        // The port went (a pulled cable, the port closed): that is what the operator is told,
        // whichever of the write's report and the link's loss comes first.
        OnLinkLost();
        return;
    }
    const std::string why = DescribeFailure(m_pacer.Failure(), Chinese());
    qCWarning(lcUpgrade).noquote() << "the exchange ends:" << Q(DescribeFailure(m_pacer.Failure(), false));
    StopTimers();
    m_inImage = false;
    m_awaitingResult = false;
    const bool readBack = state == kStateReadBack;
    if (readBack)
        EndReadBack(false);
    state = kStateIdle;
    std::fill(pending.begin(), pending.end(), 0);
    ReleaseLine();
    if (m_keepAliveStopped) {
        m_context.RestartKeepAlive();
        m_keepAliveStopped = false;
    }
    SetStatus(Q(why));
    if (readBack)
        Message(MessageText(kMsgUpgradeMachine), why);
    else
        Message(MessageText(kMsgTips),
                std::string("Upgrade failed,") + MessageText(kMsgRestartMachine) + "\n" + why);
    if (m_closing)
        return;
    controlsEnabled = 1;
    EnableControls(true);
}

void CUpdataDlg::LetGoOfLine() {
    if (m_pacer.Idle())
        ReleaseLine();
    else
        m_releaseWhenIdle = true;
}

void CUpdataDlg::ReleaseLine() {
    m_releaseWhenIdle = false;
    if (!m_ownsLine)
        return;
    m_ownsLine = false;
    m_context.ReleaseLine();
}

void CUpdataDlg::OnLinkLost() {
    if (!LinkLossEnds(state))
        return;
    const bool transfer = m_inImage || m_awaitingResult;
    StopTimers();
    m_pacer.Stop();
    m_inImage = false;
    m_awaitingResult = false;
    ReleaseLine();
    if (state == kStateReadBack)
        EndReadBack(false);
    state = kStateIdle;
    const std::string text = Tr("Connect is disconnection !", "系统已经断线!");
    SetStatus(Q(text));
    Message(MessageText(kMsgTips), text);
    if (m_closing)
        return;
    controlsEnabled = 1;
    EnableControls(true);
    if (transfer) {
        pending[static_cast<std::size_t>(m_current)] = 0;
        FinishTarget(false);
    }
}

void CUpdataDlg::StopTimers() {
    for (QTimer* timer : {m_pumpTimer, m_resultTimer, m_summaryTimer})
        timer->stop();
}

} // namespace corvane
