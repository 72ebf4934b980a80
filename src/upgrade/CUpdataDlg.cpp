#include "upgrade/CUpdataDlg.h"

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "platform/Paths.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/SystemMessages.h"
#include "shell/Config.h"
#include "shell/Language.h"
#include "ui_dialog182.h"
#include "widgets/CGdipButton.h"
#include "widgets/Theme.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>

Q_LOGGING_CATEGORY(lcUpgrade, "corvane.upgrade", QtInfoMsg)

namespace corvane {

namespace {

using std::chrono::milliseconds;

constexpr int kBoxGap = 4;        // between a check box and its label
constexpr int kDrawnBoxSize = 16; // a check box drawn when its image is missing
constexpr std::uint32_t kEraseTickWrap = 9999;
constexpr std::uint32_t kEraseCountLimit = 128;
constexpr std::uint32_t kEraseCountScale = 130;

// The erase text's dots, for every upgrade dialog of the process.
std::uint32_t eraseTick = 0;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QPixmap LoadBox(const char* name) {
    return QPixmap(Q(JoinPath(JoinPath(ExecutableFolder(), "Image"), name)));
}

QPixmap DrawnBox(bool on) {
    QPixmap pixmap(kDrawnBoxSize, kDrawnBoxSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(on ? QColor::fromRgba(theme::kOrange) : QColor::fromRgba(theme::kInactive), 1));
    p.setBrush(on ? QBrush(QColor::fromRgba(theme::kOrange)) : QBrush(Qt::NoBrush));
    p.drawRect(QRect(2, 2, kDrawnBoxSize - 5, kDrawnBoxSize - 5));
    return pixmap;
}

// Reads a whole file; an empty vector and the reason when it cannot be read.
bool ReadWholeFile(const QString& path, std::vector<std::uint8_t>& data, QString& reason) {
    data.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return false;
    }
    data.assign(bytes.begin(), bytes.end());
    return true;
}

bool Upgrading(std::uint32_t state) {
    return TargetOfState(state) >= 0;
}

} // namespace

CUpdataDlg::CUpdataDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::FloatingWindow), m_context(context) {
    Ui::Dialog182 ui;
    ui.setupUi(this);
    m_labels = {ui.fpgaLabel, ui.mcuLabel, ui.hdmirxLabel};
    m_paths = {ui.fpgaPath, ui.mcuPath, ui.hdmirxPath};
    m_open = {ui.fpgaOpen, ui.mcuOpen, ui.hdmirxOpen};
    m_start = ui.start;
    m_load = ui.load;
    m_verify = ui.verify;
    m_progress = ui.progress;
    m_status = ui.status;
    m_detail = ui.detail;

    auto makeTimer = [this](auto onTimeout) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, onTimeout);
        return timer;
    };
    m_packetTimer = makeTimer([this] {
        if (m_sending)
            SendNextPacket();
        else
            EndOfImage();
    });
    m_resultTimer = makeTimer([this] { ResultWaitOver(); });
    m_summaryTimer = makeTimer([this] { Summarise(); });
    m_announceTimer = makeTimer([this] { OnAnnounce(); });
    m_context.SetOpenWindow(Window::UpgradeDialog, this);
}

CUpdataDlg::~CUpdataDlg() {
    // Closing forgot the window in the context already. A dialog destroyed with the main window
    // (the program ends while it is open) outlives the context: only its own file is tidied.
    if (m_readBackFile.isOpen()) {
        m_readBackFile.close();
        QFile::remove(m_readBackFile.fileName());
    }
}

bool CUpdataDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    LoadBoxImages();
    PlaceBoxes();
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_status->clear();
    m_detail->clear();
    m_load->setVisible(m_context.Settings().showUpgradeLoadBtn != 0);
    for (int i = 0; i < kTargetCount; ++i)
        SetSelected(i, false);
    EnableControls(true);
    return true;
}

std::intptr_t CUpdataDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CUpdataDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kOpenIds[0], kOpenIds[2], &CUpdataDlg::OnOpen),
        Map::Command(kStartId, &CUpdataDlg::OnStart),
        Map::Command(kLoadId, &CUpdataDlg::OnLoad),
        Map::Command(kVerifyId, &CUpdataDlg::OnVerify),
        Map::Command(kCloseId, &CUpdataDlg::OnCloseBox),
        Map::Message(WM_DEVICE_COMMAND, &CUpdataDlg::OnDeviceCommand),
        Map::Message(WM_DEVICE_REPLY, &CUpdataDlg::OnDeviceReply),
        Map::Message(WM_UPGRADE_NEXT, &CUpdataDlg::OnUpgradeNext),
    };
    return map.Dispatch(*this, message);
}

void CUpdataDlg::ApplyLanguage() {
    CBaseDialog::ApplyLanguage();
    PlaceBoxes();
}

// ---- showing

bool CUpdataDlg::Chinese() const {
    return languageCtrlId == kLanguageCtrlChinese;
}

void CUpdataDlg::LoadBoxImages() {
    m_boxOn = LoadBox("checkin.png");
    m_boxOff = LoadBox("checkout.png");
    if (m_boxOn.isNull())
        m_boxOn = DrawnBox(true);
    if (m_boxOff.isNull())
        m_boxOff = DrawnBox(false);
}

void CUpdataDlg::PlaceBoxes() {
    const QSize size = m_boxOff.size();
    for (std::size_t i = 0; i < boxRect.size(); ++i) {
        const QRect label = m_labels[i]->geometry();
        boxRect[i] = QRect(
            QPoint(label.left() - kBoxGap - size.width(), label.center().y() - size.height() / 2), size);
    }
}

void CUpdataDlg::paintEvent(QPaintEvent* event) {
    CBaseDialog::paintEvent(event);
    QPainter painter(this);
    for (std::size_t i = 0; i < boxRect.size(); ++i)
        painter.drawPixmap(boxRect[i].topLeft(), selected[i] ? m_boxOn : m_boxOff);
    ++m_paints;
}

void CUpdataDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    for (int i = 0; i < kTargetCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (boxRect[k].contains(at) || m_labels[k]->geometry().contains(at)) {
            if (controlsEnabled)
                SetSelected(i, selected[k] == 0);
            return;
        }
    }
    CBaseDialog::mousePressEvent(event);
}

void CUpdataDlg::SetSelected(int target, bool on) {
    const auto k = static_cast<std::size_t>(std::clamp(target, 0, kTargetCount - 1));
    selected[k] = on ? 1 : 0;
    m_paths[k]->setEnabled(on && controlsEnabled);
    m_open[k]->setEnabled(on && controlsEnabled);
    update(boxRect[k]);
}

void CUpdataDlg::EnableControls(bool enable) {
    for (std::size_t i = 0; i < selected.size(); ++i) {
        m_paths[i]->setEnabled(enable && selected[i]);
        m_open[i]->setEnabled(enable && selected[i]);
    }
    m_start->setEnabled(enable);
    m_load->setEnabled(enable);
    m_verify->setEnabled(enable && !m_verifyImage.empty());
}

void CUpdataDlg::SetStatus(const QString& text) {
    m_status->setText(text);
}

void CUpdataDlg::SetProgress(int value) {
    m_progress->setValue(std::clamp(value, 0, 1000));
}

QString CUpdataDlg::StatusText() const {
    return m_status->text();
}

QString CUpdataDlg::DetailText() const {
    return m_detail->text();
}

int CUpdataDlg::ProgressValue() const {
    return m_progress->value();
}

void CUpdataDlg::ShowTransferLine() {
    const milliseconds left = m_sender.TimeLeft() + (m_sender.Finished() ? milliseconds{0} : kEndPauseMs);
    m_detail->setText(Q(ProgressLine(m_sender.SentBytes(), m_sender.TotalBytes(), left, Chinese())));
}

void CUpdataDlg::ShowReadBackLine(std::uint32_t number) {
    const std::uint64_t total = std::uint64_t{kReadBackProgressBlocks} * kPacketData;
    const std::uint64_t got = std::min(total, std::uint64_t{number} * kPacketData);
    const milliseconds left = EstimateLeft(got, total, milliseconds{m_readBackClock.elapsed()});
    m_detail->setText(Q(ProgressLine(got, total, left, Chinese())));
}

int CUpdataDlg::Message(const std::string& title, const std::string& text, std::uint32_t mode) {
    return m_context.ShowMessage(title, text, mode);
}

void CUpdataDlg::SendCommand(std::uint16_t code, std::intptr_t argument) {
    SendWindowMessage(this, WM_DEVICE_COMMAND, code, argument);
}

std::string CUpdataDlg::ReadBackPath() const {
    std::string folder = m_context.UpgradeFolder();
    if (folder.empty())
        folder = JoinPath(ExecutableFolder(), "UpgradeFile");
    return JoinPath(folder, "FPGA.bin");
}

std::string CUpdataDlg::ReadBackPartPath() const {
    return ReadBackPath() + ".part";
}

// ---- the operator

void CUpdataDlg::OnOpen(int id) {
    const auto it = std::find(kOpenIds.begin(), kOpenIds.end(), id);
    if (it == kOpenIds.end())
        return;
    const auto k = static_cast<std::size_t>(it - kOpenIds.begin());
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Upgrade File(*.bin)"));
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    if (QFileInfo::exists(path))
        m_paths[k]->setText(path);
}

void CUpdataDlg::OnStart() {
    if (m_context.State().linkState != kLinkSynchronised) {
        Message(MessageText(kMsgTips), MessageText(kMsgOpenSerial));
        return;
    }
    for (int i = 0; i < kTargetCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        done[k] = 0;
        pending[k] = selected[k];
    }
    for (int i = 0; i < kTargetCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!selected[k])
            continue;
        const UpgradeTarget& target = TargetAt(i);
        const QString path = m_paths[k]->text().trimmed();
        const std::string name = target.nameText;
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists() || info.isDir()) {
            Message(MessageText(kMsgTips), name + MessageText(kMsgFileNotExist));
            return;
        }
        if (FileNameOf(path.toStdString()) != target.fileName) {
            Message(MessageText(kMsgTips), name + MessageText(kMsgFileFormatError));
            return;
        }
        // An image that cannot be announced as it is never starts a run: an unreadable file
        // would be announced as 0 blocks, a file of more than 65535 blocks with a count that
        // wrapped.
        std::vector<std::uint8_t> data;
        QString reason;
        if (!ReadWholeFile(path, data, reason)) {
            qCWarning(lcUpgrade).noquote() << "cannot read" << path << ":" << reason;
            Message(MessageText(kMsgTips), name + Tr("File cannot be read: ", "文件无法读取: ") +
                                               path.toStdString() + " (" + reason.toStdString() + ")");
            return;
        }
        const ImageCheck check = CheckImageSize(data.size());
        if (check == ImageCheck::Empty) {
            Message(MessageText(kMsgTips), name + Tr("File is empty: ", "文件为空: ") + path.toStdString());
            return;
        }
        if (check == ImageCheck::TooLarge) {
            Message(MessageText(kMsgTips),
                    name + Tr("File is too large: ", "文件太大: ") + path.toStdString() + " (" +
                        std::to_string(BlockCount(data.size())) +
                        Tr(" blocks of 1024 bytes, at most 65535)", " 个 1024 字节块, 最多 65535)"));
            return;
        }
    }
    if (std::none_of(selected.begin(), selected.end(), [](std::uint32_t s) { return s != 0; })) {
        const std::string language = m_context.LanguageName();
        const char* text = language == "English"   ? "Please Select file!"
                           : language == "Chinese" ? "请选择文件!"
                                                   : "Please Sel file!";
        Message(MessageText(kMsgTips), text);
        return;
    }
    m_summaryClock.invalidate();
    RunNext();
}

void CUpdataDlg::OnLoad() {
    StartReadBack(false);
}

void CUpdataDlg::OnVerify() {
    if (m_verifyImage.empty())
        return;
    StartReadBack(true);
}

void CUpdataDlg::ClosePage() {
    OnCloseBox();
}

void CUpdataDlg::OnCloseBox() {
    if (m_closing)
        return;
    bool leaveBootLoader = false;
    if (phase == kPhaseBootWaiting && state == kStateIdle) {
        leaveBootLoader = true;
    } else if (state == kStateReadBack || Upgrading(state)) {
        int question = kMsgReadingFpgaExit;
        if (state == TargetAt(0).state)
            question = kMsgUpgradingFpgaExit;
        else if (state == TargetAt(1).state)
            question = kMsgUpgradingMcuExit;
        else if (state == TargetAt(2).state)
            question = kMsgUpgradingHdmiRxExit;
        if (Message(MessageText(kMsgUpgradeMachine), MessageText(question),
                    CMessageboxDlg::kModeInformation) != IDOK)
            return;
        leaveBootLoader = true;
    }
    if (leaveBootLoader) {
        StopTimers();
        m_sending = false;
        m_awaitingResult = false;
        state = kStateIdle;
        SendCommand(kCmdEndImage);
        Message(MessageText(kMsgUpgradeMachine), MessageText(kMsgRestartMachine));
        if (MessageWindow* connect = m_context.WindowOf(Window::ConnectDialog))
            SendWindowMessage(connect, WM_PORT_CLOSED, 0, 0);
    }
    CloseDialog();
}

void CUpdataDlg::CloseDialog() {
    m_closing = true;
    StopTimers();
    m_sending = false;
    m_awaitingResult = false;
    if (m_readBackFile.isOpen())
        EndReadBack(false);
    if (m_keepAliveStopped) {
        m_context.RestartKeepAlive();
        m_keepAliveStopped = false;
    }
    state = kStateIdle;
    m_context.SetOpenWindow(Window::UpgradeDialog, nullptr);
    if (MessageWindow* owner = dynamic_cast<MessageWindow*>(parentWidget()))
        PostWindowMessage(owner, WM_CLOSE_PAGE, 0, 1);
    EndDialog(0);
}

void CUpdataDlg::StopTimers() {
    for (QTimer* timer : {m_packetTimer, m_resultTimer, m_summaryTimer, m_announceTimer})
        timer->stop();
}

// ---- a run over the ticked targets

std::intptr_t CUpdataDlg::OnUpgradeNext(std::uintptr_t, std::intptr_t) {
    if (!m_closing)
        RunNext();
    return 0;
}

void CUpdataDlg::RunNext() {
    controlsEnabled = 0;
    EnableControls(false);
    const auto next = std::find_if(pending.begin(), pending.end(), [](std::uint32_t p) { return p != 0; });
    if (next == pending.end()) {
        Summarise();
        return;
    }
    const int i = static_cast<int>(next - pending.begin());
    const auto k = static_cast<std::size_t>(i);
    const UpgradeTarget& target = TargetAt(i);
    const QString path = m_paths[k]->text().trimmed();
    QString reason;
    if (!ReadWholeFile(path, fileData, reason))
        qCWarning(lcUpgrade).noquote() << "cannot read" << path << ":" << reason;
    fileSize = fileData.size();
    if (CheckImageSize(fileSize) != ImageCheck::Good) {
        // The file changed since Start: nothing is announced for it.
        std::fill(pending.begin(), pending.end(), 0);
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
    SendCommand(kCmdEnterBoot);
    phase = kPhaseUpgradeRequested;
    m_sinceEnter.start();
}

void CUpdataDlg::Summarise() {
    std::uint32_t chosen = 0;
    std::uint32_t confirmed = 0;
    for (std::size_t k = 0; k < selected.size(); ++k) {
        chosen += selected[k] ? 1 : 0;
        confirmed += selected[k] && done[k] ? 1 : 0;
    }
    if (!m_summaryClock.isValid())
        m_summaryClock.start();
    if (chosen != confirmed && m_summaryClock.elapsed() < kSummaryWaitMs.count()) {
        m_summaryTimer->start(milliseconds{100});
        return;
    }
    m_summaryClock.invalidate();
    const std::string head = chosen == confirmed ? "Upgrade finsh," : "Upgrade failed,";
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
    m_context.SendToDevice(frame.data(), frame.size());
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
    // 0x8000 is followed by a pause before anything else goes to the boot loader.
    if (state != kStateIdle && m_sinceEnter.isValid() && m_sinceEnter.elapsed() < kBootPauseMs.count()) {
        m_announceTimer->start(milliseconds{kBootPauseMs.count() - m_sinceEnter.elapsed()});
        return;
    }
    if (state == kStateReadBack) {
        m_context.SetReadBackExpected(true);
        m_readBackClock.start();
        SendCommand(kCmdReadBack);
    } else if (Upgrading(state)) {
        if (m_current == 0)
            eraseCount = 0;
        if (phase != kPhaseAnnounced)
            SendCommand(kCmdAnnounceImage, TargetAt(m_current).targetByte);
        phase = kPhaseAnnounced;
    } else {
        SetStatus(Q(Tr("Upgrade ready...", "升级准备中...")));
        phase = kPhaseBootWaiting;
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
    if (!Upgrading(state) || m_sending || m_awaitingResult)
        return;
    const UpgradeTarget& target = TargetAt(m_current);
    SetStatus(Q(Tr(target.sendingEn, target.sendingZh)));
    if (fileSize == 0)
        return;
    if (!m_keepAliveStopped) {
        m_context.StopKeepAlive();
        m_keepAliveStopped = true;
    }
    m_sender.Start(&fileData, target.pause, ImageSender::Clock::now());
    m_sending = true;
    SendNextPacket();
}

void CUpdataDlg::SendNextPacket() {
    if (!m_sending)
        return;
    if (!Upgrading(state)) {
        // The link went or the processor refused the image: the rest is not sent.
        m_sending = false;
        pending[static_cast<std::size_t>(m_current)] = 0;
        FinishTarget(false);
        return;
    }
    const auto now = ImageSender::Clock::now();
    const Packet packet = m_sender.TakeNext(now);
    m_context.SendToDevice(packet.data(), packet.size());
    sentBytes = m_sender.SentBytes();
    SetProgress(static_cast<int>(m_sender.Progress()));
    ShowTransferLine();
    // Rounded up: a timer never ends the pause early.
    const auto due = std::chrono::ceil<milliseconds>(m_sender.NextDue() - ImageSender::Clock::now());
    if (m_sender.Finished()) {
        m_sending = false;
        m_packetTimer->start(std::max(milliseconds{0}, due) + kEndPauseMs);
    } else {
        m_packetTimer->start(std::max(milliseconds{0}, due));
    }
}

void CUpdataDlg::EndOfImage() {
    if (!Upgrading(state)) {
        pending[static_cast<std::size_t>(m_current)] = 0;
        FinishTarget(false);
        return;
    }
    SendCommand(kCmdEndImage);
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
    m_packetTimer->stop();
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
    Message(MessageText(kMsgTips), std::string("Upgrade failed,") + MessageText(kMsgRestartMachine));
    controlsEnabled = 1;
    EnableControls(true);
}

void CUpdataDlg::OnLinkLost() {
    if (state == kStateIdle || state > TargetAt(kTargetCount - 1).state)
        return;
    const bool transfer = m_sending || m_awaitingResult || m_packetTimer->isActive();
    StopTimers();
    m_sending = false;
    m_awaitingResult = false;
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

// ---- the read-back

void CUpdataDlg::StartReadBack(bool verify) {
    if (m_context.State().linkState != kLinkSynchronised) {
        Message(MessageText(kMsgTips), MessageText(kMsgOpenSerial));
        return;
    }
    SetStatus(QStringLiteral("Wait for a response..."));
    m_detail->clear();
    // The image is written beside its final name and renamed when whole: a read-back that ends
    // early never leaves a file that looks complete.
    const QString final = Q(ReadBackPath());
    const QString part = Q(ReadBackPartPath());
    QFile::remove(final);
    QFile::remove(part);
    m_readBackFile.setFileName(part);
    if (!m_readBackFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcUpgrade).noquote() << "cannot create" << part << ":" << m_readBackFile.errorString();
        SetStatus(QStringLiteral("Create 'FPAG.bin' file fail..."));
        return;
    }
    m_verifying = verify;
    m_verifyResult = -2;
    SetProgress(0);
    m_checker.Reset();
    state = kStateReadBack;
    SendCommand(kCmdEnterBoot);
    m_sinceEnter.start();
    m_readBackClock.start();
    if (m_context.Session().Link().baudRate != kReadBackBaud) {
        if (MessageWindow* connect = m_context.WindowOf(Window::ConnectDialog))
            PostWindowMessage(connect, WM_PORT_CLOSED, 0, 0);
    }
    controlsEnabled = 0;
    EnableControls(false);
}

void CUpdataDlg::OnReadBackBlock(const std::uint8_t* block) {
    if (state != kStateReadBack || !m_readBackFile.isOpen())
        return;
    switch (m_checker.Take(block)) {
    case BlockVerdict::BadChecksum:
        PostWindowMessage(this, WM_DEVICE_REPLY, kReplyLinkLost, 2);
        return;
    case BlockVerdict::OutOfOrder:
        PostWindowMessage(this, WM_DEVICE_REPLY, kReplyLinkLost, 3);
        return;
    case BlockVerdict::Accepted:
        break;
    }
    const auto* data = reinterpret_cast<const char*>(block + kPacketDataOffset);
    if (m_readBackFile.write(data, static_cast<qint64>(kPacketData)) != static_cast<qint64>(kPacketData) ||
        !m_readBackFile.flush()) {
        qCWarning(lcUpgrade).noquote()
            << "cannot write" << m_readBackFile.fileName() << ":" << m_readBackFile.errorString();
        // No block after the lost one is written: the read-back stops here.
        m_readBackFile.close();
        PostWindowMessage(this, WM_DEVICE_REPLY, kReplyLinkLost, 4);
        return;
    }
    SetProgress(static_cast<int>(ReadBackProgress(m_checker.LastBlock())));
    ShowReadBackLine(m_checker.LastBlock());
}

void CUpdataDlg::OnReadBackError(std::intptr_t kind) {
    if (state != kStateReadBack)
        return;
    if (kind == 4) {
        // A hole in the file cannot be mended: the read-back ends, the processor leaves its
        // boot loader and the part written is removed.
        EndReadBack(false);
        SendCommand(kCmdEndImage);
        state = kStateIdle;
        controlsEnabled = 1;
        EnableControls(true);
    }
    if (messageShown)
        return;
    std::string text;
    if (kind == 2)
        text = Tr("Checksum is Error !", "校验码错误！");
    else if (kind == 3)
        text = Tr("Frame order is Error！", "帧顺序错误！");
    else if (kind == 4)
        text = Tr("Save file is Error", "保存文件错误！");
    else
        return;
    SetStatus(Q(text));
    messageShown = 1;
    Message(MessageText(kMsgUpgradeMachine), text);
    messageShown = 0;
}

void CUpdataDlg::OnReadBackFinished() {
    SetStatus(Q(Tr("Upgrade load finish!", "升级导出完成！")));
    phase = kPhaseReadBackDone;
    const bool wasReading = state == kStateReadBack;
    state = kStateIdle;
    if (!wasReading)
        return;
    EndReadBack(true);
    controlsEnabled = 1;
    EnableControls(true);
    if (!m_verifying)
        return;
    m_verifying = false;
    std::vector<std::uint8_t> readBack;
    QString reason;
    ReadWholeFile(Q(ReadBackPath()), readBack, reason);
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
    const QString part = Q(ReadBackPartPath());
    if (complete && open) {
        const QString final = Q(ReadBackPath());
        QFile::remove(final);
        if (!QFile::rename(part, final))
            qCWarning(lcUpgrade).noquote() << "cannot rename" << part << "to" << final;
    } else {
        QFile::remove(part);
    }
}

} // namespace corvane
