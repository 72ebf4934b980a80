#include "mainwindow/EditReplay.h"

#include "blend/BlendFrames.h"
#include "device/ReplyCodes.h"
#include "layout/LayerFrames.h"
#include "layout/OutputFrames.h"
#include "layout/OutputPageCalls.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "picture/CropFrames.h"
#include "picture/FrameSync.h"
#include "picture/PictureFrames.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"
#include "presets/PresetFile.h"
#include "presets/PresetsPageCalls.h"

namespace corvane {

void EditReplay::Tell(Window window, std::uint32_t code, std::intptr_t index) {
    if (MessageWindow* w = m_context.WindowOf(window))
        SendWindowMessage(w, WM_DEVICE_REPLY, code, index);
}

void EditReplay::Send(const Frame& frame) {
    m_context.SendToDevice(frame.data(), frame.size());
}

bool EditReplay::Resend(EditKind kind, int index) {
    DeviceState& state = m_context.State();
    if (state.linkState != kLinkSynchronised || !ReplayableIndex(index))
        return false;
    switch (kind) {
    case EditKind::Layer: {
        // The layout page places the cell and sends the layer command, as after a drag.
        for (Window w : {Window::LayoutPage, Window::LayerPage, Window::MainWindow})
            Tell(w, kReplyLayer, index);
        if (MessageWindow* layout = m_context.WindowOf(Window::LayoutPage))
            SendWindowMessage(layout, WM_LAYOUT_COMMAND, 0, index);
        else
            Send(BuildLayerFrame(state, index));
        return true;
    }
    case EditKind::OutputWindow: {
        Tell(Window::OutputPage, kReplyOutput, index + kOutputPageIndexBase);
        Tell(Window::LayoutPage, kReplyOutput, index);
        Tell(Window::FusePage, 0, 1); // the outputs' sizes may have changed
        if (MessageWindow* output = m_context.WindowOf(Window::OutputPage))
            return SendWindowMessage(output, WM_DEVICE_COMMAND, kCmdOutputWindow, index) >= 0;
        Send(BuildOutputWindowFrame(state, m_context.Picks(), index));
        return true;
    }
    case EditKind::Resolution:
        if (auto* output = m_context.CallsOf<OutputPageCalls>(Window::OutputPage))
            return output->ApplyStateResolution(index);
        return false;
    case EditKind::Blend:
        Send(BuildBlendFrame(state, index));
        Send(BuildBlendCurveFrame(state, index));
        Tell(Window::FusePage, kReplyBlend, index);
        Tell(Window::FusePage, kReplyCurve, index);
        return true;
    case EditKind::Picture:
        Send(BuildPictureRecordFrame(state, index));
        Tell(Window::PicturePage, kReplyPicture, index < 2 ? 0x12 : 0x34);
        return true;
    case EditKind::Crop:
        Send(BuildCropFrame(state, index, kCropSet));
        Tell(Window::CropPage, kReplyCrop, static_cast<std::intptr_t>(state.currentInput));
        return true;
    case EditKind::FrameMode: {
        const std::optional<FrameMode> mode = FrameModeOf(state.crop.frameMode);
        if (!mode)
            return false;
        Send(BuildFrameModeFrame(*mode));
        Tell(Window::FramePage, kReplyCrop, state.crop.frameMode);
        return true;
    }
    case EditKind::Input:
        Send(MakeFrameByte6(kCmdSelectInput, static_cast<std::uint8_t>(state.currentInput)));
        return true;
    case EditKind::InputBackup:
        Send(MakeFrameByte6(kCmdInputBackup, state.crop.inputBackup));
        return true;
    default:
        return false;
    }
}

bool EditReplay::SendPresetFile(const std::vector<std::uint8_t>& bytes) {
    if (auto* presets = m_context.CallsOf<PresetsPageCalls>(Window::PresetsPage))
        return presets->SendPresetFile(bytes);
    return false;
}

bool EditReplay::SendStateAsPresetFile() {
    // The outputs as they run: nothing the output page picked and did not apply.
    const PresetFile file = BuildPresetFile(m_context.State());
    return SendPresetFile(std::vector<std::uint8_t>(file.begin(), file.end()));
}

} // namespace corvane
