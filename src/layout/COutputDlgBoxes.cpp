#include "layout/COutputDlg.h"
#include "layout/OutputFields.h"
#include "layout/OutputFrames.h"
#include "layout/PageValues.h"
#include "pages/PageContext.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <algorithm>

namespace corvane {

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

// ---- the resolution list, the rate list and the value boxes

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

} // namespace corvane
