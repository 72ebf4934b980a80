#pragma once

// The picture page (dialog 155): brightness, contrast, gamma (with its on/off switch) and the
// colour temperature (eight presets, or the user's red, green and blue gains) of one output of
// the processor, or of all four at once ("ALL"). Every committed change is written into
// DeviceState.picture and sent at once as command 0x000B; there is no Apply.
//
// Messages:
//   commands 1334..1337 choose the output shown (and leave "ALL"); 1340 "ALL"; 1345 the gamma
//   switch; 1342 "Reset Picture Settings"
//   WM_VALUE_COMMITTED (box id)       a value box or its slider changed (ignored while hidden)
//   WM_ITEM_PICKED (1350, index)      a colour temperature chosen
//   WM_DEVICE_REPLY (0xAC, selector)  the processor reported picture settings: shown again
//   WM_DEVICE_COMMAND (0x000B, n)     build and send the command for output n (0..3), or for the
//                                     output shown with the reset flag (4); -1 and nothing sent
//                                     unless synchronised
//
// The page sends its commands to itself: every change ends in WM_DEVICE_COMMAND (0x000B,
// currentOutput), the reset in WM_DEVICE_COMMAND (0x000B, 4).

#include "device/DeviceState.h"
#include "widgets/CBaseDialog.h"

#include <cstdint>
#include <memory>

namespace corvane {

class CDropButton;
class CGdipButton;
class CGroupBox;
class PageContext;
class PictureEdits;
struct ColorGains;
class oBitmapSlider;
class oSliderEdit;

class CPicSettingDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 155;
    static constexpr int kOutputButtonFirst = 1334; // 1334..1337
    static constexpr int kAllOutputsId = 1340;
    static constexpr int kBrightnessSliderId = 1306;
    static constexpr int kBrightnessId = 1308;
    static constexpr int kContrastSliderId = 1310;
    static constexpr int kContrastId = 1312;
    static constexpr int kGammaSliderId = 1347;
    static constexpr int kGammaId = 1343;
    static constexpr int kGammaSwitchId = 1345;
    static constexpr int kColorTempGroupId = 1323;
    static constexpr int kColorTempListId = 1350;
    static constexpr int kRedSliderId = 1327; // 1327..1329: red, green, blue
    static constexpr int kRedId = 1330;       // 1330..1332: red, green, blue
    static constexpr int kGreenId = 1331;
    static constexpr int kBlueId = 1332;
    static constexpr int kResetId = 1342;
    // Template controls with no function on this page: always hidden.
    static constexpr int kPictureModeGroupId = 1304;
    static constexpr int kOutputLabelId = 1338;
    static constexpr int kOldResetId = 1341;

    CPicSettingDlg(PageContext& context, QWidget* parent);
    ~CPicSettingDlg() override;

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;

    // Shows the record of the output shown again (the refresh after a reply, an output change,
    // the reset and the set-up).
    void Refresh();

    // One edit of output `output`'s record as the page's controls make it, for an edit that
    // comes from outside the page (the control interface): the record becomes `record`, with
    // `item` the item changed (byte 20); its colour temperature is the output's choice; the
    // command goes for that output alone, whatever output or "ALL" the page shows, through
    // the page's builder. False, and nothing changed or sent, unless synchronised.
    bool ApplyEdit(int output, std::uint32_t item, const PictureSettings& record);

    // The parts tests look at.
    std::uint32_t CurrentOutput() const;
    std::uint32_t ColorTempSel(int output) const;
    std::uint32_t ChangedItem() const;
    bool GammaOn() const { return m_gammaOn != 0; }

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnPickColorTemp(std::uintptr_t, std::intptr_t index);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);
    void OnChooseOutput(int id);
    void OnAllOutputs();
    void OnGammaSwitch();
    void OnReset();

    // The colour temperature list: the nine labels, the output's choice selected.
    void FillColorTempList();
    // Selects `colorTemp` in the list; an index no row has selects nothing.
    void SelectColorTemp(std::uint32_t colorTemp);
    // The red, green and blue boxes show `gains`.
    void ShowGains(const ColorGains& gains);
    void ShowGammaEnabled(bool on);
    // The output buttons: checked and orange for the output shown, or "ALL" checked and all
    // five orange in "ALL" mode.
    void HighlightOutputs();
    // WM_DEVICE_COMMAND (0x000B, argument) to this page.
    void RequestCommand(std::intptr_t argument);

    PageContext& m_context;
    DeviceState& m_state;

    CGdipButton* m_outputButtons[kOutputCount] = {};
    CGdipButton* m_allOutputs = nullptr;
    oSliderEdit* m_brightness = nullptr;
    oSliderEdit* m_contrast = nullptr;
    oSliderEdit* m_gamma = nullptr;
    oSliderEdit* m_red = nullptr;
    oSliderEdit* m_green = nullptr;
    oSliderEdit* m_blue = nullptr;
    oBitmapSlider* m_gammaSlider = nullptr;
    CGdipButton* m_gammaSwitch = nullptr;
    CGroupBox* m_colorTempGroup = nullptr;
    CDropButton* m_colorTempList = nullptr;
    CGdipButton* m_reset = nullptr;

    std::unique_ptr<PictureEdits> m_edits;
    std::uint32_t m_gammaOn = 0;
};

} // namespace corvane
