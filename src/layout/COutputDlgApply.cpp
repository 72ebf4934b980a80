#include "dialogs/CMessageboxDlg.h"
#include "layout/COutputDlg.h"
#include "layout/LayoutLog.h"
#include "layout/OutputFields.h"
#include "layout/OutputFrames.h"
#include "layout/PageValues.h"
#include "link/CommandCodes.h"
#include "pages/EditAction.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "widgets/ValueEdit.h"

namespace corvane {

// ---- Apply and Reset of a resolution, and its re-apply after an undo or redo

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
            TakeChosenPick(Pick(k), chosen);
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

} // namespace corvane
