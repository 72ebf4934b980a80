#include "layout/COutputDlg.h"
#include "layout/LayoutLog.h"
#include "layout/OutputFields.h"
#include "pages/PageContext.h"
#include "widgets/CDropButton.h"

namespace corvane {

// The page's pick of each output: what the operator chose for it, kept in the context's
// OutputPicks, and what the processor reports it runs.

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

} // namespace corvane
