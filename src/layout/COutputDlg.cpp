#include "layout/COutputDlg.h"

#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "layout/LayoutLog.h"
#include "layout/LayoutPageCalls.h"
#include "layout/OutputFrames.h"
#include "link/CommandCodes.h"
#include "pages/EditAction.h"
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
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace corvane {

namespace {

// The resolution list over the first row of its group, the rate list beside its caption.
constexpr QRect kResolutionListRect(24, 94, 272, 24);
constexpr int kRateListWidth = 62;
constexpr int kRateListHeight = 24;
constexpr int kRate50Item = 0;
constexpr int kRate60Item = 1;

// Initial mosaic size of the manual boxes.
constexpr float kInitialMosaicWidth = 1920;
constexpr float kInitialMosaicHeight = 1080;

// A pattern's picture is the top of its hot spot; its caption lies below it.
constexpr int kPatternPictureHeight = 84;
constexpr int kPatternInset = 7;
constexpr int kPatternCellGap = 2;
constexpr int kPatternMarkWidth = 2;
// Outputs in the pictures have the proportions of a 16:9 picture.
constexpr int kCellAspectW = 16;
constexpr int kCellAspectH = 9;
// Below this height a cell of a picture carries no number.
constexpr int kCellNumberMinHeight = 13;
constexpr int kCellNumberPixelSize = 10;

const QColor kPatternFace(28, 28, 28);
const QColor kPatternCell(70, 70, 70);
const QColor kPatternCellMarked(110, 74, 8);

// Columns and rows of the four outputs in each pattern.
struct PatternShape {
    int columns;
    int rows;
};
constexpr PatternShape kPatternShapes[COutputDlg::kPatternCount] = {{2, 2}, {4, 1}, {1, 4}};

int BoxInt(const oRealEdit* box) {
    return static_cast<int>(box->GetValue()); // the boxes take digits only: whole numbers
}

QColor Colour(QRgb rgb) {
    return QColor::fromRgba(rgb);
}

bool IsOutput(std::intptr_t index) {
    return index >= 0 && index < kOutputCount;
}

std::uint16_t Field16(int value) {
    return static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF));
}

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

// ---- picks

OutputPick& COutputDlg::Pick(int output) {
    std::optional<OutputPick>& slot = m_context.Picks()[static_cast<std::size_t>(output & 3)];
    if (!slot) {
        // What the processor runs, and the customised timing as the list's last row has it.
        const OutputInfo& o = m_state.outputs[static_cast<std::size_t>(output & 3)];
        const ResolutionEntry& custom = m_state.resolutions[kCustomResolutionRow];
        OutputPick pick;
        pick.row =
            o.resIndex < static_cast<std::uint32_t>(kResolutionCount) ? static_cast<int>(o.resIndex) : 0;
        pick.customWidth = custom.width;
        pick.customHeight = custom.height;
        pick.customTag = custom.tag;
        if (pick.row == kCustomResolutionRow)
            TakeReportedResolution(pick, o);
        pick.winX = o.winX;
        pick.winY = o.winY;
        pick.winW = o.winW;
        pick.winH = o.winH;
        slot = pick;
    }
    return *slot;
}

int COutputDlg::PickedRes(int output) const {
    const std::optional<OutputPick>& slot = m_context.Picks()[static_cast<std::size_t>(output & 3)];
    return slot ? slot->row : 0;
}

void COutputDlg::SyncCustomResolution() {
    const OutputPick& pick = Pick(static_cast<int>(m_currentOutput));
    CustomResolution& c = m_state.customResolution;
    c.mode = static_cast<std::uint8_t>(pick.row == kCustomResolutionRow ? kCustomResolutionRow : 0);
    c.hActive = pick.customWidth;
    c.vActive = pick.customHeight;
    c.tag = pick.customTag;
}

void COutputDlg::TakeReported(int output) {
    if (m_applyBusy || !IsOutput(output))
        return;
    const OutputInfo& o = m_state.outputs[static_cast<std::size_t>(output)];
    OutputPick& pick = Pick(output);
    if (o.resIndex < static_cast<std::uint32_t>(kResolutionCount))
        m_appliedRes[static_cast<std::size_t>(output)] = static_cast<int>(o.resIndex);
    TakeReportedResolution(pick, o);
    pick.winX = o.winX;
    pick.winY = o.winY;
    pick.winW = o.winW;
    pick.winH = o.winH;
}

void COutputDlg::DropUnappliedPick(int alsoOutput) {
    for (int output : {static_cast<int>(m_currentOutput), alsoOutput}) {
        if (!IsOutput(output))
            continue;
        OutputPick& pick = Pick(output);
        const int applied = m_appliedRes[static_cast<std::size_t>(output)];
        if (pick.row == applied)
            continue;
        qCDebug(lcLayout) << "output" << output << ": row" << pick.row << "was not applied; back to"
                          << applied;
        pick.row = applied;
        if (output == static_cast<int>(m_currentOutput)) {
            m_resolutionList->SetCurSel(applied);
            PickResolution(applied);
        }
    }
}

// ---- showing

void COutputDlg::ShowOutput(std::uint32_t n) {
    m_currentOutput = std::min<std::uint32_t>(n, kOutputCount - 1);
    for (int i = 0; i < kOutputCount; ++i) {
        const bool current = static_cast<std::uint32_t>(i) == m_currentOutput;
        m_outputButtons[i]->setChecked(current);
        m_outputButtons[i]->SetTextColour(Colour(current ? theme::kOrange : theme::kInactive));
    }
    if (!m_resolutionList)
        return; // not set up yet
    const int row = Pick(static_cast<int>(m_currentOutput)).row;
    m_resolutionList->SetCurSel(row);
    PickResolution(row);
    ShowWindowBoxes();
}

void COutputDlg::PickResolution(int row) {
    row = std::clamp(row, 0, kResolutionCount - 1);
    Pick(static_cast<int>(m_currentOutput)).row = row;
    const bool custom = row == kCustomResolutionRow;
    m_hActive->setEnabled(custom);
    m_vActive->setEnabled(custom);
    m_rateList->setEnabled(custom);
    ShowResolutionBoxes();
    SyncCustomResolution();
}

void COutputDlg::ShowResolutionBoxes() {
    const OutputPick& pick = Pick(static_cast<int>(m_currentOutput));
    const ActiveTiming t = ActiveTimingOf(m_state, pick);
    m_hActive->SetValue(t.width);
    m_vActive->SetValue(t.height);
    const bool fifty = pick.row == kCustomResolutionRow && pick.customTag == 1;
    m_rateList->SetCurSel(fifty ? kRate50Item : kRate60Item);
}

void COutputDlg::ShowWindowBoxes() {
    const OutputPick& pick = Pick(static_cast<int>(m_currentOutput));
    const OutputInfo& o = m_state.outputs[m_currentOutput];
    m_winX->SetValue(WholeWindowValue(pick.winX));
    m_winY->SetValue(WholeWindowValue(pick.winY));
    m_winW->SetValue(WholeWindowValue(pick.winW));
    m_winH->SetValue(WholeWindowValue(pick.winH));
    m_mosaicX->SetValue(static_cast<float>(o.canvasX));
    m_mosaicY->SetValue(static_cast<float>(o.canvasY));
    m_mosaicW->SetValue(o.width);
    m_mosaicH->SetValue(o.height);
}

OutputBoxValues COutputDlg::BoxValues() {
    const OutputPick& pick = Pick(static_cast<int>(m_currentOutput));
    const OutputInfo& o = m_state.outputs[m_currentOutput];
    const ActiveTiming t = ActiveTimingOf(m_state, pick);
    OutputBoxValues v;
    v.hActive = BoxInt(m_hActive);
    v.vActive = BoxInt(m_vActive);
    v.winX = WholeWindowValue(pick.winX);
    v.winY = WholeWindowValue(pick.winY);
    v.winW = WholeWindowValue(pick.winW);
    v.winH = WholeWindowValue(pick.winH);
    v.canvasX = static_cast<int>(std::min<std::uint32_t>(o.canvasX, kMosaicLimit));
    v.canvasY = static_cast<int>(std::min<std::uint32_t>(o.canvasY, kMosaicLimit));
    v.width = o.width;
    v.height = o.height;
    v.activeWidth = t.width;
    v.activeHeight = t.height;
    return v;
}

void COutputDlg::StoreBoxValues(const OutputBoxValues& v) {
    OutputPick& pick = Pick(static_cast<int>(m_currentOutput));
    OutputInfo& o = m_state.outputs[m_currentOutput];
    if (pick.row == kCustomResolutionRow) {
        pick.customWidth = Field16(v.hActive);
        pick.customHeight = Field16(v.vActive);
    }
    pick.winX = v.winX;
    pick.winY = v.winY;
    pick.winW = v.winW;
    pick.winH = v.winH;
    o.winX = Field16(v.winX);
    o.winY = Field16(v.winY);
    o.winW = Field16(v.winW);
    o.winH = Field16(v.winH);
    o.canvasX = static_cast<std::uint32_t>(std::max(v.canvasX, 0));
    o.canvasY = static_cast<std::uint32_t>(std::max(v.canvasY, 0));
    o.width = Field16(v.width);
    o.height = Field16(v.height);
    SyncCustomResolution();
}

// ---- messages

void COutputDlg::OnChooseOutput(int id) {
    const int n = id - kOutputButtonFirst;
    if (auto* layout = m_context.CallsOf<LayoutPageCalls>(Window::LayoutPage))
        layout->SelectOutputCell(n);
    ShowOutput(static_cast<std::uint32_t>(n));
}

std::intptr_t COutputDlg::OnPickResolution(std::uintptr_t, std::intptr_t row) {
    if (row < 0 || row >= kResolutionCount)
        return 0;
    PickResolution(static_cast<int>(row));
    return 0;
}

std::intptr_t COutputDlg::OnPickRate(std::uintptr_t, std::intptr_t item) {
    OutputPick& pick = Pick(static_cast<int>(m_currentOutput));
    if (pick.row != kCustomResolutionRow)
        return 0;
    pick.customTag = item == kRate50Item ? 1 : 0;
    SyncCustomResolution();
    // V Active is checked again as if it had changed.
    return OnValueCommitted(kBoxVActive, 0);
}

std::intptr_t COutputDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    if (!isVisible() || m_applyBusy)
        return 0;
    oRealEdit* box = nullptr;
    switch (static_cast<int>(id)) {
    case kBoxHActive:
        box = m_hActive;
        break;
    case kBoxVActive:
        box = m_vActive;
        break;
    case kBoxWinX:
        box = m_winX;
        break;
    case kBoxWinY:
        box = m_winY;
        break;
    case kBoxWinW:
        box = m_winW;
        break;
    case kBoxWinH:
        box = m_winH;
        break;
    case kBoxMosaicX:
        box = m_mosaicX;
        break;
    case kBoxMosaicY:
        box = m_mosaicY;
        break;
    case kBoxMosaicW:
        box = m_mosaicW;
        break;
    case kBoxMosaicH:
        box = m_mosaicH;
        break;
    default:
        return 0;
    }
    const bool resolutionBox = id == kBoxHActive || id == kBoxVActive;
    if (resolutionBox && Pick(static_cast<int>(m_currentOutput)).row != kCustomResolutionRow)
        return 0; // only the customised timing is typed
    if (!resolutionBox)
        DropUnappliedPick();
    const BoxChange change = CheckBox(static_cast<int>(id), BoxInt(box), BoxValues());
    box->SetValue(static_cast<float>(change.shown));
    StoreBoxValues(change.after);
    if (change.tellBlend)
        TellBlendPage();
    if (change.requestWindow)
        RequestWindowCommand(static_cast<int>(m_currentOutput));
    return 0;
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

// ---- Apply and Reset

void COutputDlg::ResetWindowOf(int output) {
    OutputPick& pick = Pick(output);
    OutputInfo& o = m_state.outputs[static_cast<std::size_t>(output)];
    const ActiveTiming t = ActiveTimingOf(m_state, pick);
    ResetWindow(pick, o, t.width, t.height);
    o.winX = 0;
    o.winY = 0;
    o.winW = t.width;
    o.winH = t.height;
}

void COutputDlg::OnApply() {
    const int current = static_cast<int>(m_currentOutput);
    OutputPick& pick = Pick(current);
    int h = BoxInt(m_hActive);
    if (h % 2 != 0) {
        h -= 1;
        m_hActive->SetValue(static_cast<float>(h));
    }
    if (pick.row == kCustomResolutionRow) {
        // The boxes show a listed row's size otherwise: that is no customised timing.
        pick.customWidth = Field16(h);
        pick.customHeight = Field16(BoxInt(m_vActive));
        SyncCustomResolution();
    }
    const std::string title = MessageText(kMsgOutputSetting);
    const OutputInfo& o = m_state.outputs[m_currentOutput];
    ApplyCheck check;
    check.linkState = m_state.linkState;
    check.pickedRow = pick.row;
    check.appliedRow = m_appliedRes[m_currentOutput];
    check.customWidth = pick.customWidth;
    check.customHeight = pick.customHeight;
    check.customTag = pick.customTag;
    check.hActive = o.hActive;
    check.vActive = o.vActive;
    check.resTag = o.resTag;
    switch (CheckApply(check)) {
    case ApplyStep::NotConnected:
        m_context.ShowMessage(title, MessageText(kMsgOpenSerial), CMessageboxDlg::kModeInformation);
        m_applyBusy = false;
        return;
    case ApplyStep::Nothing:
        m_applyBusy = false;
        return;
    case ApplyStep::RepaintOnly:
        update();
        return;
    case ApplyStep::Ask:
        break;
    }
    const int answer =
        m_context.ShowMessage(title, MessageText(kMsgSelectApplyOutput), CMessageboxDlg::kModeApplyOutput);
    if (answer != kApplyOneAnswer && answer != kApplyAllAnswer) {
        m_applyBusy = false;
        return;
    }
    if (m_state.linkState != kLinkSynchronised) {
        // The link went while the question was open.
        m_context.ShowMessage(title, MessageText(kMsgOpenSerial), CMessageboxDlg::kModeInformation);
        return;
    }
    BeforeApply before;
    for (int k = 0; k < kOutputCount; ++k) {
        before.picks[static_cast<std::size_t>(k)] = Pick(k);
        before.outputs[static_cast<std::size_t>(k)] = m_state.outputs[static_cast<std::size_t>(k)];
    }
    const OutputPick chosen = Pick(current);
    std::uint16_t code = kCmdOutputWindow;
    int argument = current;
    if (answer == kApplyOneAnswer) {
        ResetWindowOf(current);
    } else {
        for (int k = 0; k < kOutputCount; ++k) {
            OutputPick& p = Pick(k);
            p.row = chosen.row;
            if (chosen.row == kCustomResolutionRow) {
                p.customWidth = chosen.customWidth;
                p.customHeight = chosen.customHeight;
                p.customTag = chosen.customTag;
            }
            ResetWindowOf(k);
        }
        code = kCmdOutputResolution;
        argument = kAllOutputs;
    }
    ShowWindowBoxes();
    TellBlendPage();
    std::intptr_t sent = -1;
    {
        // The step to undo is the processor's acknowledgement, with the windows reset here.
        const EditAction apply(m_context, AwaitingAcknowledgement{});
        m_buildingApply = true;
        sent = SendWindowMessage(this, WM_DEVICE_COMMAND, code, argument);
        m_buildingApply = false;
    }
    if (sent < 0)
        return;
    m_beforeApply = before;
    m_context.StopKeepAlive();
    m_context.ShowWait(Tr("Set Output Resolution...", "设置输出分辨率..."));
    m_applyBusy = true;
    qCInfo(lcLayout) << "output resolution row" << chosen.row
                     << (answer == kApplyOneAnswer ? "for output" : "for all") << current;
}

bool COutputDlg::ApplyStateResolution(int output) {
    if (!IsOutput(output) || m_state.linkState != kLinkSynchronised)
        return false;
    const OutputInfo& o = m_state.outputs[static_cast<std::size_t>(output)];
    if (o.resIndex >= static_cast<std::uint32_t>(kResolutionCount))
        return false;
    // The pick is what the state holds (the step's values), as the processor will run it.
    OutputPick& pick = Pick(output);
    pick = AppliedPick(m_state, output);
    // The resolution command carries the resolution of the output shown.
    ShowOutput(static_cast<std::uint32_t>(output));
    m_buildingApply = true;
    const std::intptr_t sent = SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdOutputResolution, output);
    m_buildingApply = false;
    if (sent < 0)
        return false;
    if (!m_applyBusy) {
        m_context.StopKeepAlive();
        m_context.ShowWait(Tr("Set Output Resolution...", "设置输出分辨率..."));
        m_applyBusy = true;
    }
    qCInfo(lcLayout) << "output" << output << "resolution row" << pick.row << "applied again (undo or redo)";
    return true;
}

void COutputDlg::EndApply(bool applied) {
    if (!m_applyBusy)
        return;
    m_applyBusy = false;
    if (!applied && m_beforeApply) {
        // Refused: the processor still runs what it reported; so do the page and the canvas.
        qCInfo(lcLayout) << "output resolution refused by the processor";
        for (int k = 0; k < kOutputCount; ++k) {
            const auto i = static_cast<std::size_t>(k);
            Pick(k) = m_beforeApply->picks[i];
            OutputInfo& o = m_state.outputs[i];
            const OutputInfo& was = m_beforeApply->outputs[i];
            o.winX = was.winX;
            o.winY = was.winY;
            o.winW = was.winW;
            o.winH = was.winH;
            o.width = was.width;
            o.height = was.height;
            Pick(k).row = m_appliedRes[i];
        }
        TellBlendPage();
    }
    m_beforeApply.reset();
    ShowOutput(m_currentOutput);
}

void COutputDlg::OnReset() {
    DropUnappliedPick();
    ResetWindowOf(static_cast<int>(m_currentOutput));
    ShowWindowBoxes();
    TellBlendPage();
    RequestWindowCommand(static_cast<int>(m_currentOutput));
}

// ---- arrangement

void COutputDlg::SetArrangeMode(bool automatic) {
    m_arrangeAuto = automatic;
    for (int id = kMosaicCaptionFirst; id <= kBoxMosaicH; ++id)
        if (QWidget* w = Control<QWidget>(id))
            w->setVisible(!automatic);
    for (int i = 0; i < kPatternCount; ++i) {
        m_patterns[i]->setVisible(automatic);
        if (QWidget* caption = Control<QWidget>(kPatternCaptionFirst + i))
            caption->setVisible(automatic);
    }
    if (m_patternSurface)
        m_patternSurface->setVisible(automatic);
    m_autoArrange->setChecked(automatic);
    m_manualArrange->setChecked(!automatic);
    m_autoArrange->SetTextColour(Colour(automatic ? theme::kOrange : theme::kInactive));
    m_manualArrange->SetTextColour(Colour(automatic ? theme::kInactive : theme::kOrange));
    update();
}

void COutputDlg::OnAutoArrange() {
    SetArrangeMode(true);
}

void COutputDlg::OnManualArrange() {
    SetArrangeMode(false);
}

void COutputDlg::OnPattern(int id) {
    if (!m_arrangeAuto || m_context.WaitShown())
        return;
    Arrange(id - kPatternFirst);
}

void COutputDlg::Arrange(int pattern) {
    if (pattern < 0 || pattern >= kPatternCount)
        return;
    m_arrangePattern = pattern;
    m_patterns[pattern]->setChecked(true);
    if (m_patternSurface)
        m_patternSurface->update();
    // The outputs are sized by what they run: a pick not applied yet is dropped first.
    const std::array<OutputInfo, kOutputCount> before = m_state.outputs;
    for (int k = 0; k < kOutputCount; ++k)
        TakeReported(k);
    const std::optional<Arrangement> arrangement =
        corvane::Arrange(pattern, ActiveSizes(m_state, m_context.Picks()));
    if (arrangement)
        ApplyArrangement(m_state, *arrangement);
    // A size that changed is re-read by the blend page, as after every other size change.
    for (std::size_t k = 0; k < before.size(); ++k) {
        const OutputInfo& o = m_state.outputs[k];
        if (o.width != before[k].width || o.height != before[k].height || o.winW != before[k].winW ||
            o.winH != before[k].winH) {
            TellBlendPage();
            break;
        }
    }
    if (!arrangement)
        return;
    ShowOutput(m_currentOutput);
    qCInfo(lcLayout) << "outputs arranged in pattern" << pattern << "over" << arrangement->mosaicWidth << "x"
                     << arrangement->mosaicHeight;
    // The outputs and layers the pattern placed are one step to undo.
    const EditAction action(m_context, Tr("Arrange outputs", "排列输出"));
    for (int k = 0; k < kOutputCount; ++k)
        RequestWindowCommand(k);
    // The layers follow, in order, before the end of the arrangement is sent: the layout page
    // places each cell and sends its layer command, the layer page and the main window re-read.
    MessageWindow* layout = m_context.WindowOf(Window::LayoutPage);
    for (int l = 0; l < kLayerCount; ++l) {
        for (Window w : {Window::LayoutPage, Window::LayerPage, Window::MainWindow})
            SendWindowMessage(m_context.WindowOf(w), WM_DEVICE_REPLY, kReplyLayer, l);
        SendWindowMessage(layout, WM_LAYOUT_COMMAND, 0, l);
    }
    if (m_state.linkState == kLinkSynchronised) {
        SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdArrangeDone, 0);
        m_context.ShowWait(Tr("Set Output position...", "设置输出位置..."));
    }
}

QRect COutputDlg::PatternArea(int pattern) const {
    return m_patterns[std::clamp(pattern, 0, kPatternCount - 1)]->geometry();
}

void COutputDlg::PaintPatterns(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < kPatternCount; ++i) {
        const QRect area = PatternArea(i);
        const QRect picture(area.x(), area.y(), area.width(), kPatternPictureHeight);
        const bool marked = i == m_arrangePattern;
        p.fillRect(picture, kPatternFace);
        // The four outputs in the pattern, each 16:9, centred in the picture.
        const PatternShape shape = kPatternShapes[i];
        const QRect inner = picture.adjusted(kPatternInset, kPatternInset, -kPatternInset, -kPatternInset);
        const int byWidth = (inner.width() - (shape.columns - 1) * kPatternCellGap) / shape.columns;
        const int byHeight = (inner.height() - (shape.rows - 1) * kPatternCellGap) / shape.rows;
        const int cellW = std::min(byWidth, byHeight * kCellAspectW / kCellAspectH);
        const int cellH = cellW * kCellAspectH / kCellAspectW;
        const int totalW = shape.columns * cellW + (shape.columns - 1) * kPatternCellGap;
        const int totalH = shape.rows * cellH + (shape.rows - 1) * kPatternCellGap;
        const QPoint origin(inner.x() + (inner.width() - totalW) / 2,
                            inner.y() + (inner.height() - totalH) / 2);
        QFont font = theme::ControlFont();
        font.setPixelSize(kCellNumberPixelSize);
        p.setFont(font);
        for (int k = 0; k < kOutputCount; ++k) {
            const int column = k % shape.columns;
            const int row = k / shape.columns;
            const QRect cell(origin.x() + column * (cellW + kPatternCellGap),
                             origin.y() + row * (cellH + kPatternCellGap), cellW, cellH);
            p.fillRect(cell, marked ? kPatternCellMarked : kPatternCell);
            p.setPen(Colour(marked ? theme::kOrange : theme::kInactive));
            p.drawRect(cell.adjusted(0, 0, -1, -1));
            if (cellH >= kCellNumberMinHeight)
                p.drawText(cell, Qt::AlignCenter, QString::number(k + 1));
        }
        QPen frame(marked ? Colour(theme::kOrange) : Colour(theme::kFrameLine),
                   marked ? kPatternMarkWidth : 1);
        frame.setJoinStyle(Qt::MiterJoin);
        p.setPen(frame);
        p.setBrush(Qt::NoBrush);
        const qreal half = frame.widthF() / 2;
        p.drawRect(QRectF(picture).adjusted(half, half, -half, -half));
    }
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
