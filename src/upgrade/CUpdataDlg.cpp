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

} // namespace

// Reads a whole file; an empty vector and the reason when it cannot be read.
bool CUpdataDlg::ReadImageFile(const QString& path, std::vector<std::uint8_t>& data, QString& reason) {
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
    m_pumpTimer = makeTimer([this] { Pump(); });
    m_resultTimer = makeTimer([this] { ResultWaitOver(); });
    m_summaryTimer = makeTimer([this] { Summarise(); });
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
        if (!ReadImageFile(path, data, reason)) {
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
    const CloseStep step = OnClosing(state, phase);
    if (step != CloseStep::Close && step != CloseStep::LeaveBootLoader) {
        const int question = step == CloseStep::AskFpga     ? kMsgUpgradingFpgaExit
                             : step == CloseStep::AskMcu    ? kMsgUpgradingMcuExit
                             : step == CloseStep::AskHdmiRx ? kMsgUpgradingHdmiRxExit
                                                            : kMsgReadingFpgaExit;
        if (Message(MessageText(kMsgUpgradeMachine), MessageText(question),
                    CMessageboxDlg::kModeInformation) != IDOK)
            return;
    }
    if (step != CloseStep::Close) {
        StopTimers();
        m_inImage = false;
        m_awaitingResult = false;
        state = kStateIdle;
        m_leaving = true;
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
    m_pacer.Stop();
    m_inImage = false;
    m_awaitingResult = false;
    ReleaseLine();
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

} // namespace corvane
