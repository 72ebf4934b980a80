#pragma once

// The frame sync page (dialog 189): which frame mode the processor runs - "Frame Sync mode"
// (its output locked to the current input's frame rate) or "Frame Conver mode" (converted to
// its own rate) - the current input's resolution and frame rate, and, in frame sync mode, the
// output's frame rate. A mode button switches the mode after the operator confirms it.
//
// Messages:
//   commands 1049 / 1050                 change to mode 0 / 1 (asked first, then sent and waited for)
//   WM_DEVICE_REPLY (0xA3, 0)            the input's signal or the frame rates changed (also posted
//                                        by the main window after the operator changed the input)
//   WM_DEVICE_REPLY (0xA7, mode)         the processor reported its mode: 0 or 1 shown, other values
//                                        change nothing
//   WM_DEVICE_REPLY (0xAE, 8)            the processor's acknowledgement of a frame mode
//   WM_DEVICE_COMMAND (0x000C, mode)     build and send the frame mode command; -1 and nothing sent
//                                        unless synchronised and the mode is 0 or 1
//
// The page holds no mode of its own: the button highlighted is the mode the operator confirmed
// last or the processor reported last (none before either). The wait it shows after a change
// ends with the processor's first answer to it: acknowledgement 8 or its mode record 0xA7.

#include "widgets/CBaseDialog.h"

#include <cstdint>
#include <optional>
#include <string>

class QLabel;

namespace corvane {

class CGdipButton;
class CGroupBox;
class PageContext;
enum class FrameMode : std::uint8_t; // picture/FrameSync.h

class CFrameDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 189;
    static constexpr int kSettingGroupId = 1048;
    static constexpr int kSyncModeId = 1049;
    static constexpr int kConvertModeId = 1050;
    static constexpr int kInfoGroupId = 1051;
    static constexpr int kInputLabelId = 1052;
    static constexpr int kOutputLabelId = 1053;
    static constexpr int kInputTextId = 1054;
    static constexpr int kOutputTextId = 1055;

    CFrameDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;

    // The mode highlighted; none before the operator confirmed one or the processor reported one.
    std::optional<FrameMode> ShownMode() const { return m_shownMode; }

protected:
    bool OnInitDialog() override;

private:
    void OnSyncMode();
    void OnConvertMode();
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);

    // Asks the operator, sends the command, shows the mode and waits for the processor.
    void ChangeMode(FrameMode mode);
    // The highlight of the two buttons and the output row (shown in frame sync mode only).
    void ShowMode(FrameMode mode);
    // The information texts from the state.
    void RefreshTexts();
    // The information texts are read with the caption of their row ("Input: NoSignal").
    void NameInfoTexts();
    // Ends the wait this page showed, when it is the one showing.
    void EndOwnWait();

    PageContext& m_context;
    CGdipButton* m_syncMode = nullptr;
    CGdipButton* m_convertMode = nullptr;
    CGroupBox* m_settingGroup = nullptr;
    CGroupBox* m_infoGroup = nullptr;
    QLabel* m_inputLabel = nullptr;
    QLabel* m_outputLabel = nullptr;
    QLabel* m_inputText = nullptr;
    QLabel* m_outputText = nullptr;

    std::optional<FrameMode> m_shownMode;
    std::string m_waitText; // the text of the wait this page showed last
};

} // namespace corvane
