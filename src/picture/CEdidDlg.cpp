#include "picture/CEdidDlg.h"

#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "picture/EdidFrames.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog146.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/DialogTexts.h"
#include "widgets/ValueEdit.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

// The input list over the group's first row.
constexpr int kListInset = 14;
constexpr int kListTopInGroup = 26;
constexpr int kListHeight = 24;

bool IsSlot(std::intptr_t index) {
    return index >= 0 && index < kEdidSlotCount;
}

} // namespace

CEdidDlg::CEdidDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context), m_state(context.State()) {
    Ui::Dialog146 ui;
    ui.setupUi(this);
    m_group = ui.edidGroup;
    m_advanced = ui.advanced;
    m_apply = ui.apply;
    m_reset = ui.reset;
    for (std::size_t i = 0; i < kEdidFieldCount; ++i) {
        m_boxes[i] = Control<oRealEdit>(kBoxIds[i]);
        m_labels[i] = Control<QWidget>(kLabelIds[i]);
    }
    m_buttonsTopAdvanced = m_apply->y();
    m_groupHeightAdvanced = m_group->height();
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool CEdidDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    m_inputList = new CDropButton(this);
    SetControlId(m_inputList, kInputListId);
    const QRect group = m_group->geometry();
    m_inputList->setGeometry(group.x() + kListInset, group.y() + kListTopInGroup,
                             group.width() - 2 * kListInset, kListHeight);
    // It only shows whose timing the page holds: the processor's current input decides.
    m_inputList->setEnabled(false);
    // Its name when the language has none (IDD146_1212_Name).
    m_inputList->setAccessibleName(QStringLiteral("EDID input"));
    m_inputList->show();
    FillInputList();

    const EdidBoxes shown = EdidBoxesOf(m_state.edidTimings[m_edidSlot]);
    for (EdidField f : kEdidFields) {
        const EdidRange range = EdidRangeOf(f);
        Box(f)->Setup(QStringLiteral("%d"), true, static_cast<float>(range.min),
                      static_cast<float>(range.max), static_cast<float>(shown[f]));
    }
    ShowAdvanced(false);
    ShowSlot();
    return true;
}

std::intptr_t CEdidDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CEdidDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kApplyId, &CEdidDlg::OnApply),
        Map::Command(kResetId, &CEdidDlg::OnReset),
        Map::Command(kAdvancedId, &CEdidDlg::OnAdvanced),
        Map::Timer(kTimerResetPause, &CEdidDlg::OnResetPause),
        Map::Message(WM_VALUE_COMMITTED, &CEdidDlg::OnValueCommitted),
        Map::Message(WM_DEVICE_REPLY, &CEdidDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CEdidDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void CEdidDlg::ApplyLanguage() {
    ApplyDialogTexts(this, kDialogId);
    const std::string title = GetLangString("IDD146_1100");
    if (!title.empty())
        m_group->setTitle(QString::fromStdString(title));
    FillInputList();
    update();
}

void CEdidDlg::FillInputList() {
    if (!m_inputList)
        return;
    m_inputList->ResetContent();
    for (const InputInfo& input : m_state.inputs)
        m_inputList->AddString(QString::fromStdString(input.name));
    m_inputList->SetCurSel(static_cast<int>(m_edidSlot));
}

// ---- showing

bool CEdidDlg::Advanced() const {
    return m_advanced->isChecked();
}

bool CEdidDlg::IsAdvancedField(EdidField field) {
    return field != EdidField::HActive && field != EdidField::VActive && field != EdidField::Fps;
}

EdidBoxes CEdidDlg::Boxes() const {
    EdidBoxes b;
    for (EdidField f : kEdidFields)
        b[f] = static_cast<int>(std::trunc(Box(f)->GetValue())); // digits only: whole numbers
    return b;
}

void CEdidDlg::ShowSlot() {
    const std::uint32_t slot = std::min<std::uint32_t>(m_edidSlot, kEdidSlotCount - 1);
    const EdidBoxes shown = EdidBoxesOf(m_state.edidTimings[slot]);
    for (EdidField f : kEdidFields) {
        // What is typed for one input is no value of another: another input drops the typing.
        if (slot != m_shownSlot)
            Box(f)->DropTyped();
        // As reported, also outside the box's range; a box being typed into keeps the typing.
        Box(f)->SetReportedValue(static_cast<float>(shown[f]));
    }
    m_shownSlot = slot;
    m_checked = Boxes();
}

void CEdidDlg::ShowAdvanced(bool on) {
    for (EdidField f : kEdidFields) {
        if (!IsAdvancedField(f))
            continue;
        const auto i = static_cast<std::size_t>(f);
        m_boxes[i]->setVisible(on);
        m_labels[i]->setVisible(on);
    }
    // Without the advanced rows, Apply and Reset come up below FPS and the group closes under them.
    const int rows = Box(EdidField::VFront)->geometry().bottom() - Box(EdidField::Fps)->geometry().bottom();
    const int shift = on ? 0 : rows;
    for (CGdipButton* button : {m_apply, m_reset})
        button->move(button->x(), m_buttonsTopAdvanced - shift);
    m_group->resize(m_group->width(), m_groupHeightAdvanced - shift);
    update();
}

void CEdidDlg::OnAdvanced() {
    ShowAdvanced(m_advanced->isChecked());
}

// ---- the rules

void CEdidDlg::Correct(EdidField field) {
    const int corrected = EdidCorrected(Boxes(), field);
    if (corrected != Boxes()[field])
        Box(field)->SetValue(static_cast<float>(corrected));
    m_checked[field] = corrected;
}

std::intptr_t CEdidDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    const auto it = std::find(kBoxIds.begin(), kBoxIds.end(), static_cast<int>(id));
    if (it == kBoxIds.end())
        return 0;
    Correct(kEdidFields[static_cast<std::size_t>(it - kBoxIds.begin())]);
    return 0;
}

void CEdidDlg::CatchUpCommits() {
    for (EdidField f : kEdidFields) {
        oRealEdit* box = Box(f);
        if (box->IsTyped())
            box->Commit(); // its notification, when it comes, finds the box already corrected
        if (Boxes()[f] != m_checked[f])
            Correct(f);
    }
}

// ---- Apply and Reset

bool CEdidDlg::CheckLink() {
    if (m_state.linkState == kLinkSynchronised)
        return true;
    m_context.ShowMessage(MessageText(kMsgTips), MessageText(kMsgOpenSerial));
    return false;
}

std::string CEdidDlg::WaitText(bool reset) const {
    const std::string language = m_context.LanguageName();
    if (reset)
        return language == "Chinese" ? "设置EDID..." : "Set EDID...";
    if (language == "English")
        return "Set EDID....";
    if (language == "Chinese")
        return "设置 EDID...";
    return "Set EDID...";
}

void CEdidDlg::OnApply() {
    if (!CheckLink() || m_resetPending)
        return;
    CatchUpCommits();
    // Untouched boxes go as the processor reported them; a timing beyond the pixel-rate limit
    // (the processor may report one) goes with its frame rate lowered to fit. The boxes show
    // what is sent.
    const EdidBoxes shown = Boxes();
    const EdidBoxes boxes = EdidFitPixelRate(shown);
    for (EdidField f : kEdidFields) {
        if (boxes[f] == shown[f])
            continue;
        Box(f)->SetValue(static_cast<float>(boxes[f]));
        m_checked[f] = boxes[f];
    }
    m_state.edidTimings[m_edidSlot] = EdidTimingOf(boxes);
    if (SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdEdid, static_cast<std::intptr_t>(m_edidSlot)) < 0)
        return;
    m_context.StopKeepAlive();
    m_context.ShowWait(WaitText(false));
}

void CEdidDlg::OnReset() {
    if (!CheckLink() || m_resetPending)
        return;
    // The frame carries the record as it was; the processor returns to its built-in timing.
    if (SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdEdid,
                          static_cast<std::intptr_t>(m_edidSlot) + kEdidResetArgumentOffset) < 0)
        return;
    // The wait starts with the frame: an acknowledgement that comes within the pause then ends
    // it, rather than leaving a wait that only its time-out (which closes the port) would end.
    m_context.StopKeepAlive();
    m_context.ShowWait(WaitText(true));
    m_resetPending = true;
    m_resetSlot = m_edidSlot;
    SetTimer(kTimerResetPause, kResetPauseMs);
}

void CEdidDlg::OnResetPause() {
    KillTimer(kTimerResetPause);
    if (!m_resetPending)
        return;
    m_resetPending = false;
    if (EdidEndReset(m_state, m_resetSlot) && m_resetSlot == m_edidSlot)
        ShowSlot();
}

// ---- the processor

std::intptr_t CEdidDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    switch (code) {
    case kReplyEdid:
        // Whichever slot was reported, the page shows the one of the input selected.
        if (m_inputList && m_inputList->GetCurSel() >= 0)
            m_edidSlot = static_cast<std::uint32_t>(m_inputList->GetCurSel());
        ShowSlot();
        return 0;
    case kReplyCrop:
        if (!IsSlot(index))
            return 0;
        m_edidSlot = static_cast<std::uint32_t>(index);
        if (m_inputList)
            m_inputList->SetCurSel(static_cast<int>(index));
        ShowSlot();
        return 0;
    default:
        return 0;
    }
}

std::intptr_t CEdidDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    const std::optional<corvane::Frame> f = EdidCommandFrame(m_state, code, argument, Advanced());
    if (!f)
        return -1;
    m_context.SendToDevice(f->data(), f->size());
    return 0;
}

} // namespace corvane
