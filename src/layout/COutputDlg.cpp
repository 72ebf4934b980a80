#include "layout/COutputDlg.h"

#include "device/ReplyCodes.h"
#include "layout/LayoutLog.h"
#include "layout/LayoutPageCalls.h"
#include "layout/OutputFields.h"
#include "layout/OutputFrames.h"
#include "link/CommandCodes.h"
#include "pages/MainWindowCalls.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog166.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/CHotSpot.h"
#include "widgets/CPaintSurface.h"
#include "widgets/DialogTexts.h"
#include "widgets/ValueEdit.h"

#include <QEvent>
#include <QPainter>

namespace corvane {

namespace {

// The resolution list over the first row of its group, the rate list beside its caption.
constexpr QRect kResolutionListRect(24, 94, 272, 24);
constexpr int kRateListWidth = 62;
constexpr int kRateListHeight = 24;

// Initial mosaic size of the manual boxes.
constexpr float kInitialMosaicWidth = 1920;
constexpr float kInitialMosaicHeight = 1080;

} // namespace

COutputDlg::COutputDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context), m_state(context.State()) {
    Ui::Dialog166 ui;
    ui.setupUi(this);
    m_outputButtons[0] = ui.output1;
    m_outputButtons[1] = ui.output2;
    m_outputButtons[2] = ui.output3;
    m_outputButtons[3] = ui.output4;
    m_resolutionGroup = ui.resolutionGroup;
    m_windowGroup = ui.windowGroup;
    m_mosaicGroup = ui.mosaicGroup;
    m_otherGroup = ui.otherGroup;
    m_hActive = ui.hActive;
    m_vActive = ui.vActive;
    m_winX = ui.winX;
    m_winY = ui.winY;
    m_winW = ui.winW;
    m_winH = ui.winH;
    m_mosaicX = ui.mosaicX;
    m_mosaicY = ui.mosaicY;
    m_mosaicW = ui.mosaicW;
    m_mosaicH = ui.mosaicH;
    m_autoArrange = ui.autoArrange;
    m_manualArrange = ui.manualArrange;
    m_blend = ui.blend;
    m_patterns[0] = ui.pattern1;
    m_patterns[1] = ui.pattern2;
    m_patterns[2] = ui.pattern3;
    for (int k = 0; k < kOutputCount; ++k) {
        Pick(k);
        m_appliedRes[static_cast<std::size_t>(k)] = Pick(k).row;
    }
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool COutputDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    m_resolutionList = new CDropButton(this);
    SetControlId(m_resolutionList, kResolutionListId);
    m_resolutionList->setGeometry(kResolutionListRect);
    m_resolutionList->show();
    FillResolutionList();

    m_rateList = new CDropButton(this);
    SetControlId(m_rateList, kRateListId);
    if (const QWidget* caption = Control<QWidget>(kRateLabelId)) {
        const QRect c = caption->geometry();
        m_rateList->setGeometry(m_hActive->x(), c.y(), kRateListWidth, kRateListHeight);
    }
    m_rateList->AddString(QStringLiteral("50"));
    m_rateList->AddString(QStringLiteral("60"));
    m_rateList->SetCurSel(kRate60Item);
    m_rateList->show();

    const QString format = QStringLiteral("%d");
    m_hActive->Setup(format, false, kHActiveMin, kHActiveMax, 1920);
    m_vActive->Setup(format, false, kVActiveMin, kVActiveMax, 1080);
    m_winX->Setup(format, true, 0, kWindowPosMax, 0);
    m_winY->Setup(format, true, 0, kWindowPosMax, 0);
    m_winW->Setup(format, true, kWindowSizeMin, kWindowSizeMax, kWindowSizeMin);
    m_winH->Setup(format, true, kWindowSizeMin, kWindowSizeMax, kWindowSizeMin);
    m_mosaicX->Setup(format, true, 0, kMosaicLimit, 0);
    m_mosaicY->Setup(format, true, 0, kMosaicLimit, 0);
    m_mosaicW->Setup(format, true, kMosaicSizeMin, kMosaicLimit, kInitialMosaicWidth);
    m_mosaicH->Setup(format, true, kMosaicSizeMin, kMosaicLimit, kInitialMosaicHeight);

    // The pictures are painted above the mosaic group's frame and below their hot spots.
    m_mosaicGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_patternSurface = new CPaintSurface(this, [this](QPainter& p) { PaintPatterns(p); });
    m_patternSurface->setObjectName(QStringLiteral("patterns"));
    QRect all = PatternArea(0);
    for (int i = 1; i < kPatternCount; ++i)
        all = all.united(PatternArea(i));
    m_patternSurface->setGeometry(all);
    m_patternSurface->raise();
    for (CHotSpot* spot : m_patterns)
        spot->raise();

    SetArrangeMode(true);
    ShowOutput(m_currentOutput);
    return true;
}

std::intptr_t COutputDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<COutputDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kOutputButtonFirst, kOutputButtonFirst + kOutputCount - 1,
                          &COutputDlg::OnChooseOutput),
        Map::Command(kApplyId, &COutputDlg::OnApply),
        Map::Command(kResetId, &COutputDlg::OnReset),
        Map::Command(kAutoArrangeId, &COutputDlg::OnAutoArrange),
        Map::Command(kManualArrangeId, &COutputDlg::OnManualArrange),
        Map::CommandRange(kPatternFirst, kPatternFirst + kPatternCount - 1, &COutputDlg::OnPattern),
        Map::Command(kBlendId, &COutputDlg::OnBlend),
        Map::ControlMessage(WM_ITEM_PICKED, kResolutionListId, &COutputDlg::OnPickResolution),
        Map::ControlMessage(WM_ITEM_PICKED, kRateListId, &COutputDlg::OnPickRate),
        Map::Message(WM_VALUE_COMMITTED, &COutputDlg::OnValueCommitted),
        Map::Message(WM_DEVICE_REPLY, &COutputDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &COutputDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void COutputDlg::ApplyLanguage() {
    ApplyDialogTexts(this, kDialogId);
    const std::pair<CGroupBox*, const char*> groups[] = {{m_resolutionGroup, "IDD166_1431"},
                                                         {m_windowGroup, "IDD166_1468"},
                                                         {m_mosaicGroup, "IDD166_1477"},
                                                         {m_otherGroup, "IDD166_1486"}};
    for (const auto& [group, key] : groups) {
        const std::string title = GetLangString(key);
        if (!title.empty())
            group->setTitle(QString::fromStdString(title));
    }
    FillResolutionList();
    update();
}

void COutputDlg::FillResolutionList() {
    if (!m_resolutionList)
        return;
    m_resolutionList->ResetContent();
    for (int row = 0; row < kResolutionCount; ++row) {
        if (row == kCustomResolutionRow)
            m_resolutionList->AddString(QString::fromStdString(Tr("Customized  Resolution", "自定义分辨率")));
        else
            m_resolutionList->AddString(
                QString::fromStdString(m_state.resolutions[static_cast<std::size_t>(row)].label));
    }
    m_resolutionList->SetCurSel(Pick(static_cast<int>(m_currentOutput)).row);
}

// ---- messages

void COutputDlg::OnChooseOutput(int id) {
    const int n = id - kOutputButtonFirst;
    if (auto* layout = m_context.CallsOf<LayoutPageCalls>(Window::LayoutPage))
        layout->SelectOutputCell(n);
    ShowOutput(static_cast<std::uint32_t>(n));
}

std::intptr_t COutputDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    switch (code) {
    case kReplyAck:
        EndApply(index == 1);
        return 0;
    case kReplyWaitEnded:
        if (m_applyBusy)
            qCInfo(lcLayout) << "output resolution: the wait ended unanswered";
        m_applyBusy = false;
        m_beforeApply.reset();
        update();
        return 0;
    case kReplyOutput:
        break;
    default:
        return 0;
    }
    if (index == kOutputPagePreview) {
        update();
        return 0;
    }
    if (index >= kOutputPageIndexBase)
        index -= kOutputPageIndexBase;
    if (!IsOutput(index))
        return 0;
    TakeReported(static_cast<int>(index));
    ShowOutput(m_currentOutput);
    return 0;
}

std::intptr_t COutputDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (m_state.linkState != kLinkSynchronised)
        return -1;
    if (!m_buildingApply && !m_applyBusy)
        DropUnappliedPick(code == kCmdOutputWindow ? static_cast<int>(argument) : -1);
    const corvane::Frame f =
        BuildOutputPageFrame(m_state, m_context.Picks(), static_cast<int>(m_currentOutput),
                             static_cast<std::uint16_t>(code), static_cast<int>(argument));
    qCDebug(lcLayout) << "output command" << Qt::hex << code << Qt::dec << "for" << argument;
    m_context.SendToDevice(f.data(), f.size());
    // The layout page moves the output's cell.
    if ((code == kCmdOutputWindow || code == kCmdOutputResolution) && IsOutput(argument))
        SendWindowMessage(m_context.WindowOf(Window::LayoutPage), WM_DEVICE_REPLY, kReplyOutput, argument);
    return 0;
}

void COutputDlg::RequestWindowCommand(int output) {
    SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdOutputWindow, output);
    if (m_state.linkState != kLinkSynchronised)
        SendWindowMessage(m_context.WindowOf(Window::LayoutPage), WM_DEVICE_REPLY, kReplyOutput, output);
}

void COutputDlg::TellBlendPage() {
    if (MessageWindow* blend = m_context.WindowOf(Window::FusePage))
        SendWindowMessage(blend, WM_DEVICE_REPLY, 0, 1);
}

// ---- edge blend page

void COutputDlg::OnBlend() {
    auto* main = m_context.CallsOf<MainWindowCalls>(Window::MainWindow);
    const bool shown = main && main->ShowBlendPage(m_blend->isChecked());
    m_blend->setChecked(shown);
    if (!shown)
        return;
    // The page may be closed by its own close button or Esc: the button follows.
    if (auto* page = dynamic_cast<QWidget*>(m_context.WindowOf(Window::FusePage)))
        page->installEventFilter(this);
}

bool COutputDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide &&
        watched == dynamic_cast<QObject*>(m_context.WindowOf(Window::FusePage)))
        m_blend->setChecked(false);
    return CBaseDialog::eventFilter(watched, event);
}

} // namespace corvane
