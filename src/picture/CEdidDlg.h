#pragma once

// The EDID page (dialog 146): the custom timing the processor presents in the EDID of one of its
// inputs (the input the processor shows, `edidSlot`), with "Apply" to send the timing the boxes
// hold and "Reset" to return the input to the processor's built-in timing.
//
// The boxes show the timing as the processor reports it, also values outside their ranges, and
// keep a typed timing plausible (EdidRules): typed values inside the ranges, horizontal sizes
// multiples of 4, porches and sync widths inside the blanking, a pixel rate of at most 594 MHz.
// A reply leaves a box the operator is typing into showing the typing (ValueEdit). Only "H Active :",
// "V Active :" and "FPS :" are shown until "Advanced" is checked, which also makes Apply send
// the full timing (mode 2) instead of the active size and frame rate (mode 1).
//
// Messages:
//   commands 1104 Apply; 1115 Reset; 1108 "Advanced" (the six advanced boxes shown or hidden)
//   WM_VALUE_COMMITTED (box id)       a box changed: the consistency rules correct it
//   WM_DEVICE_REPLY (0xA2, slot)      the processor reported a timing: the page's slot shown again
//   WM_DEVICE_REPLY (0xA7, input)     the input shown changed: its slot selected and shown
//   WM_DEVICE_COMMAND (0x0003, n)     build and send the EDID command for slot n (0..3), or its
//                                     reset for n - 10 (10..13); -1 and nothing sent unless
//                                     synchronised
//   WM_TIMER (kTimerResetPause)       the pause after a reset's frame has ended
//
// Apply and Reset wait for the processor's acknowledgement 4 (the main window shows "Set up
// success!" or "Set up failure!"); the wait also ends with its time-out or a closed link.

#include "device/DeviceState.h"
#include "picture/EdidRules.h"
#include "widgets/CBaseDialog.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace corvane {

class CDropButton;
class CGdipButton;
class CGroupBox;
class PageContext;
class oRealEdit;

class CEdidDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 146;
    static constexpr int kGroupId = 1100;
    static constexpr int kInputListId = 1212;
    static constexpr int kAdvancedId = 1108;
    static constexpr int kApplyId = 1104;
    static constexpr int kResetId = 1115;
    // The boxes, in the order of the record's fields (EdidField).
    static constexpr int kHBlankId = 1112;
    static constexpr int kVBlankId = 1114;
    static constexpr int kHActiveId = 1105;
    static constexpr int kVActiveId = 1106;
    static constexpr int kHSyncId = 1443;
    static constexpr int kVSyncId = 1440;
    static constexpr int kHFrontId = 1121;
    static constexpr int kVFrontId = 1122;
    static constexpr int kFpsId = 1107;
    static constexpr std::array<int, kEdidFieldCount> kBoxIds = {
        kHBlankId, kVBlankId, kHActiveId, kVActiveId, kHSyncId, kVSyncId, kHFrontId, kVFrontId, kFpsId};
    // Their captions, in the same order.
    static constexpr std::array<int, kEdidFieldCount> kLabelIds = {1111, 1113, 1101, 1102, 1442,
                                                                   1439, 1119, 1120, 1103};

    // The page's timer that ends the pause between a reset's frame and the reset timing shown.
    static constexpr int kTimerResetPause = 1;
    static constexpr std::chrono::milliseconds kResetPauseMs{50};

    CEdidDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;

    // The boxes show the record of `edidSlot`.
    void ShowSlot();

    // The parts tests look at.
    std::uint32_t EdidSlot() const { return m_edidSlot; }
    bool Advanced() const;
    bool ResetPending() const { return m_resetPending; }
    // What the boxes show.
    EdidBoxes Boxes() const;
    static bool IsAdvancedField(EdidField field);

protected:
    bool OnInitDialog() override;

private:
    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);
    void OnApply();
    void OnReset();
    void OnAdvanced();
    void OnResetPause();

    // The consistency rules for the box of `field`; the box shows the result.
    void Correct(EdidField field);
    // Commits that reached a box but not yet this page (a click on Apply right after typing)
    // are corrected first, so the frame carries what the rules allow.
    void CatchUpCommits();
    // The six advanced boxes and their captions shown or hidden; Apply and Reset and the group's
    // bottom follow.
    void ShowAdvanced(bool on);
    void FillInputList();
    // "Please open the serial!" unless synchronised; true when synchronised.
    bool CheckLink();
    // The wait text of Apply (`reset` false) or Reset in the language in use.
    std::string WaitText(bool reset) const;
    oRealEdit* Box(EdidField field) const { return m_boxes[static_cast<std::size_t>(field)]; }

    PageContext& m_context;
    DeviceState& m_state;

    CGroupBox* m_group = nullptr;
    CDropButton* m_inputList = nullptr;
    CGdipButton* m_advanced = nullptr;
    CGdipButton* m_apply = nullptr;
    CGdipButton* m_reset = nullptr;
    std::array<oRealEdit*, kEdidFieldCount> m_boxes{};
    std::array<QWidget*, kEdidFieldCount> m_labels{};

    std::uint32_t m_edidSlot = 0;
    // The slot the boxes show.
    std::uint32_t m_shownSlot = 0;
    // What the rules last left in each box (the boxes after a slot was shown or corrected).
    EdidBoxes m_checked;
    // A reset whose frame went out and whose pause has not ended.
    bool m_resetPending = false;
    std::uint32_t m_resetSlot = 0;
    // Where Apply and Reset and the group's bottom stand with the advanced rows shown.
    int m_buttonsTopAdvanced = 0;
    int m_groupHeightAdvanced = 0;
};

} // namespace corvane
