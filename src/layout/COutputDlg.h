#pragma once

// The output page (dialog 166): for each of the processor's four outputs ("DVI-1" to "DVI-4")
// its resolution (a row of the list, or a customised timing), its output window (the part of
// the output that shows picture) and its place on the processor's canvas (the mosaic); and
// the arrangement of all four outputs at once in one of three patterns.
//
// The page is the only builder of the output commands (0x0009, 0x000D, 0x00B0): its
// WM_DEVICE_COMMAND handler builds them from DeviceState and the page's picks (OutputPicks of
// the context), and the layout page asks it for 0x0009 after an output's cell was dragged.
//
// Messages:
//   commands 1450..1453 choose the output (its canvas cell is selected too); 1435 Apply;
//   1284 Reset; 1285 / 1286 automatic / manual arrangement; 1491..1493 a pattern (Arrange);
//   1037 "Blend >"
//   WM_ITEM_PICKED (1464, row)        a resolution picked; (1487, item) the customised rate
//   WM_VALUE_COMMITTED (box id)       a value box changed (ignored while hidden or while a
//                                     resolution Apply waits for the processor)
//   WM_DEVICE_REPLY (0xAB, output)    re-read the output (an index above 9 is reduced by 10;
//                                     14 only repaints)
//   WM_DEVICE_REPLY (0xAE, status)    the processor answered a resolution Apply: 1 it runs it,
//                                     anything else it refused it (the page takes back what it
//                                     changed for the Apply)
//   WM_DEVICE_REPLY (0x8005, how)     the wait ended unanswered (time-out or closed link)
//   WM_DEVICE_COMMAND (code, argument) build and send; -1 and nothing sent unless synchronised
//
// A resolution Apply waits for the processor's acknowledgement (`applyBusy`): meanwhile the
// boxes do not react and the processor's records do not overwrite the picks. It ends with the
// acknowledgement, the wait's time-out or a closed link.

#include "device/DeviceState.h"
#include "device/OutputPicks.h"
#include "layout/OutputPageCalls.h"
#include "layout/OutputRules.h"
#include "widgets/CBaseDialog.h"

#include <array>
#include <cstdint>
#include <optional>

class QPainter;

namespace corvane {

class CDropButton;
class CGdipButton;
class CGroupBox;
class CHotSpot;
class PageContext;
class oRealEdit;

class COutputDlg : public CBaseDialog, public OutputPageCalls {
    Q_OBJECT
public:
    static constexpr int kDialogId = 166;
    static constexpr int kOutputButtonFirst = 1450; // 1450..1453
    static constexpr int kResolutionGroupId = 1431;
    static constexpr int kResolutionListId = 1464;
    static constexpr int kRateListId = 1487;
    static constexpr int kRate50Item = 0; // the rate list's items
    static constexpr int kRate60Item = 1;
    static constexpr int kRateLabelId = 1434;
    static constexpr int kApplyId = 1435;
    static constexpr int kWindowGroupId = 1468;
    static constexpr int kResetId = 1284;
    static constexpr int kMosaicGroupId = 1477;
    static constexpr int kMosaicCaptionFirst = 1478; // 1478..1481, the boxes 1482..1485
    static constexpr int kAutoArrangeId = 1285;
    static constexpr int kManualArrangeId = 1286;
    static constexpr int kOtherGroupId = 1486;
    static constexpr int kBlendId = 1037;
    static constexpr int kPatternFirst = 1491;        // 1491..1493: the pattern pictures' hot spots
    static constexpr int kPatternCaptionFirst = 1494; // 1494..1496
    static constexpr int kPatternCount = 3;

    // Answers of the message dialog's "apply to output" question.
    static constexpr int kApplyAllAnswer = 1;
    static constexpr int kApplyOneAnswer = 7;

    COutputDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;

    // Shows output `n` (0..3): the button marked, the resolution, the window and mosaic boxes.
    void ShowOutput(std::uint32_t n);
    // OutputPageCalls
    bool ApplyStateResolution(int output) override;

    // The parts tests look at.
    std::uint32_t CurrentOutput() const { return m_currentOutput; }
    bool ApplyBusy() const { return m_applyBusy; }
    int PickedRes(int output) const;
    int AppliedRes(int output) const { return m_appliedRes[static_cast<std::size_t>(output & 3)]; }
    bool ArrangeAuto() const { return m_arrangeAuto; }
    int ArrangePattern() const { return m_arrangePattern; }
    // The pattern picture's area (page pixels), caption included.
    QRect PatternArea(int pattern) const;

protected:
    bool OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);
    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnPickResolution(std::uintptr_t, std::intptr_t row);
    std::intptr_t OnPickRate(std::uintptr_t, std::intptr_t item);
    void OnChooseOutput(int id);
    void OnApply();
    void OnReset();
    void OnAutoArrange();
    void OnManualArrange();
    void OnPattern(int id);
    void OnBlend();

    // Pick resolution: row `row` for the current output, the resolution boxes filled.
    void PickResolution(int row);
    // A pick of the current output (and of `alsoOutput`) that the processor does not run is
    // set back to the row it runs.
    void DropUnappliedPick(int alsoOutput = -1);
    // The output's pick; made from the state the first time.
    OutputPick& Pick(int output);
    // The values the boxes of the current output stand on.
    OutputBoxValues BoxValues();
    void StoreBoxValues(const OutputBoxValues& values);
    void ShowResolutionBoxes();
    void ShowWindowBoxes();
    // The processor's record of `output` becomes the page's pick (unless an Apply waits).
    void TakeReported(int output);
    // WM_DEVICE_COMMAND (9, output) to the page; without a processor the layout page moves
    // the output's cell itself.
    void RequestWindowCommand(int output);
    void TellBlendPage();
    void SetArrangeMode(bool automatic);
    void Arrange(int pattern);
    // The window of every output becomes its whole active picture (Apply).
    void ResetWindowOf(int output);
    // The working copy of the customised timing in DeviceState follows the current output.
    void SyncCustomResolution();
    void EndApply(bool applied);
    void FillResolutionList();

    // Draws the three pattern pictures and their marks (page coordinates).
    void PaintPatterns(QPainter& painter);

    PageContext& m_context;
    DeviceState& m_state;

    CGdipButton* m_outputButtons[kOutputCount] = {};
    CGroupBox* m_resolutionGroup = nullptr;
    CGroupBox* m_windowGroup = nullptr;
    CGroupBox* m_mosaicGroup = nullptr;
    CGroupBox* m_otherGroup = nullptr;
    CDropButton* m_resolutionList = nullptr;
    CDropButton* m_rateList = nullptr;
    oRealEdit* m_hActive = nullptr;
    oRealEdit* m_vActive = nullptr;
    oRealEdit* m_winX = nullptr;
    oRealEdit* m_winY = nullptr;
    oRealEdit* m_winW = nullptr;
    oRealEdit* m_winH = nullptr;
    oRealEdit* m_mosaicX = nullptr;
    oRealEdit* m_mosaicY = nullptr;
    oRealEdit* m_mosaicW = nullptr;
    oRealEdit* m_mosaicH = nullptr;
    CGdipButton* m_autoArrange = nullptr;
    CGdipButton* m_manualArrange = nullptr;
    CGdipButton* m_blend = nullptr;
    CHotSpot* m_patterns[kPatternCount] = {};
    QWidget* m_patternSurface = nullptr; // paints the pictures above the mosaic group's frame

    std::uint32_t m_currentOutput = 0;
    std::array<int, kOutputCount> m_appliedRes{};
    bool m_applyBusy = false;
    bool m_buildingApply = false; // the frame being built is the one of a resolution Apply
    bool m_arrangeAuto = true;
    int m_arrangePattern = -1; // none clicked yet

    // What an Apply changed, taken back when the processor refuses it.
    struct BeforeApply {
        std::array<OutputPick, kOutputCount> picks;
        std::array<OutputInfo, kOutputCount> outputs;
    };
    std::optional<BeforeApply> m_beforeApply;
};

} // namespace corvane
