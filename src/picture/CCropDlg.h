#pragma once

// The crop page (dialog 152, "Image Crop"): the crop rectangle of the processor's current
// input - its start and size in the input picture, the on/off switch and Reset to the whole
// picture - with a preview of the rectangle in the picture. The page keeps no copy of the
// values: it reads and writes the crop records of DeviceState and sends each change at once as
// command 0x0001 (only to a synchronised processor and an input with a signal).
//
// Messages:
//   commands 1270..1273 show that input (only the shown input's button is visible);
//   1283 the on/off switch; 1284 Reset
//   WM_VALUE_COMMITTED (box id)       a value box changed (ignored while hidden)
//   WM_DEVICE_REPLY (0xA7, input)     show that input (the processor's current input); an
//                                     index that names no input is ignored
// Calls (CropPageCalls): CropOff, by the main window before it changes the current input.
//
// Crop and zoom exclude each other: the crop is not switched on while a layer zooms. The
// limits of the boxes never subtract into negative numbers (CropRules), and no window that
// leaves the input picture is sent once the processor has reported the picture's size.

#include "device/DeviceState.h"
#include "picture/CropPageCalls.h"
#include "widgets/CBaseDialog.h"

#include <array>
#include <cstdint>

class QPainter;

namespace corvane {

class CGdipButton;
class PageContext;
class oRealEdit;
struct CropWindow;

class CCropDlg : public CBaseDialog, public CropPageCalls {
    Q_OBJECT
public:
    static constexpr int kDialogId = 152;
    static constexpr int kInputButtonFirst = 1270; // 1270..1273
    static constexpr int kHStartId = 1278;
    static constexpr int kVStartId = 1280;
    static constexpr int kWidthId = 1281;
    static constexpr int kHeightId = 1282;
    static constexpr int kSwitchId = 1283;
    static constexpr int kResetId = 1284;
    static constexpr int kInputSourceLabelId = 1285; // in the template, never shown
    // The preview's top-left corner lies this far left of and below the switch's.
    static constexpr int kPreviewLeftOfSwitch = 30;
    static constexpr int kPreviewBelowSwitch = 50;

    CCropDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ShowPage(bool show) override;

    // Shows input `n` (0..3): its button, its record in the boxes, the switches, the preview.
    void SelectInput(std::uint32_t n);

    // CropPageCalls
    void CropOff(int previousInput) override;

    // The parts tests look at.
    std::uint32_t PageInput() const { return m_pageInput; }
    bool CropOn() const { return m_cropOn; }
    // The preview box and the pixels the outline surrounds, in page pixels.
    QRect PreviewBox() const;
    QRect PreviewOutline() const;

protected:
    bool OnInitDialog() override;

private:
    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t input);
    void OnInputButton(int id);
    void OnSwitch();
    void OnReset();

    // The switches and boxes for the input shown with the switch state `on`.
    void Enable(bool on);
    // The record shown in the boxes (the page is not told).
    void ShowRecord();
    CropWindow BoxWindow() const;
    // Sends the crop command of the input shown; nothing without a synchronised processor or
    // a signal. The boxes show what was sent.
    void SendCrop(std::uint8_t argument);
    void PaintPreview(QPainter& painter);

    PageContext& m_context;
    DeviceState& m_state;

    std::array<CGdipButton*, kInputCount> m_inputButtons{};
    oRealEdit* m_hStart = nullptr;
    oRealEdit* m_vStart = nullptr;
    oRealEdit* m_width = nullptr;
    oRealEdit* m_height = nullptr;
    CGdipButton* m_switch = nullptr;
    CGdipButton* m_reset = nullptr;
    QWidget* m_preview = nullptr; // paints the preview box and the outline

    std::uint32_t m_pageInput = 0;
    bool m_cropOn = false;
};

} // namespace corvane
