#pragma once

// The edge blend page (dialog 172, "Edge Blend Settings"): for each output the four blend sides
// H1, H2 (horizontal zones) and V1, V2 (vertical zones), each with its switch, fade direction,
// gamma, table choice and zone, and the four user curve tables drawn in the curve editor inside
// the page. A floating window beside the main window, shown and hidden by the output page's
// "Blend >"; its close button and Esc hide it and post WM_CLOSE_PAGE (0, 2) to the main window.
//
// A side's change is stored in DeviceState and sent at once as command 0x0007; a table choice is
// stored and goes with the next 0x0007; "Set Data" sends 0x0007 then 0x0008 (the curve tables).
// Nothing is sent to a processor that is not synchronised (WM_DEVICE_COMMAND returns -1).
//
// Messages:
//   commands 1450..1453 the output; 1554..1557 the side; 1531/1532 the direction; 1560 the
//   switch; 1561..1565 the table choice (only while the switch is on); 1548..1551 the table
//   shown in the curve editor; 1553 Set Data
//   WM_ITEM_PICKED (1558, item)       the gamma
//   WM_VALUE_COMMITTED (box id)       a zone start or width, kept inside the output's active
//                                     size as the output page picked it
//   WM_DEVICE_COMMAND (0x0007 / 0x0008, output)  builds and sends the command
//   WM_DEVICE_REPLY (0xA9, output)    the sides of the output shown again
//   WM_DEVICE_REPLY (0xAA, output)    the curve editor reloads the table shown
//   WM_DEVICE_REPLY (any, 1)          an output's size changed: the preview is redrawn

#include "device/DeviceState.h"
#include "widgets/CBaseDialog.h"

#include <QPixmap>
#include <array>
#include <cstdint>

class QFrame;
class QPainter;

namespace corvane {

class CBezierDlg;
class CDropButton;
class CGdipButton;
class CHotSpot;
class PageContext;
class oRealEdit;

class CFuseDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 172;
    static constexpr int kOutputButtonFirst = 1450; // 1450..1453
    static constexpr int kSideButtonFirst = 1554;   // 1554..1557: H1, H2, V1, V2
    static constexpr int kSwitchLabelId = 1530;
    static constexpr int kDirectionFirstId = 1531;
    static constexpr int kDirectionSecondId = 1532;
    static constexpr int kGammaLabelId = 1303;
    static constexpr int kGammaListId = 1558;
    static constexpr int kHStartId = 1538;
    static constexpr int kHSizeId = 1539;
    static constexpr int kVStartId = 1540;
    static constexpr int kVSizeId = 1541;
    static constexpr int kTableButtonFirst = 1548; // 1548..1551: tables 1..4 in the editor
    static constexpr int kTablesId = 1552;         // no function
    static constexpr int kSetDataId = 1553;
    static constexpr int kPreviewFrameId = 1045;
    static constexpr int kEditorFrameId = 1046;
    static constexpr int kSwitchId = 1560;         // the hot spot over the switch's picture
    static constexpr int kTableChoiceFirst = 1561; // 1561..1565: TableOff, Table1..Table4
    static constexpr int kTableChoiceCount = 5;
    static constexpr int kMarkSize = 18; // the switch's and the choices' pictures

    CFuseDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ShowPage(bool show) override;
    void ApplyLanguage() override;
    // Hides the page and posts WM_CLOSE_PAGE (0, 2) to the main window.
    void ClosePage() override;

    // Output n (0..3) with the current side; side s (0..3) of the current output.
    void SelectOutput(int n);
    void SelectSide(int s);

    // The parts tests look at.
    int BlendOutput() const { return m_blendOutput; }
    int BlendSideShown() const { return m_blendSide; }
    bool SwitchOn() const { return m_switchOn; }
    int TableChoiceShown() const { return m_tableChoice; }
    int TableShown() const { return m_tableShown; }
    CBezierDlg* Editor() const { return m_editor; }
    // The preview's box (the output's active area fitted in it) and the current side's zone.
    QRect PreviewArea() const;
    QRect PreviewZone() const;

protected:
    bool OnInitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::intptr_t OnItemPicked(std::uintptr_t id, std::intptr_t item);
    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t output);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    void OnOutputButton(int id);
    void OnSideButton(int id);
    void OnDirection(int id);
    void OnSwitch();
    void OnTableChoice(int id);
    void OnTableButton(int id);
    void OnSetData();

    BlendSide& Side();
    // Shows the current side of the current output: boxes, gamma, direction, table, switch.
    void ShowSide();
    void Enable();
    void MarkTableChoice(int choice);
    void ShowTableButton(int table);
    void SetDirectionLabels();
    void Send(std::uint16_t code);
    void LoadMarks();
    void PaintMarks(QPainter& p);
    void PaintPreview(QPainter& p);
    QRect MarkRect(int hotSpotId) const;

    PageContext& m_context;
    DeviceState& m_state;

    std::array<CGdipButton*, kOutputCount> m_outputButtons{};
    std::array<CGdipButton*, kSideCount> m_sideButtons{};
    std::array<CGdipButton*, 4> m_tableButtons{};
    std::array<CHotSpot*, kTableChoiceCount> m_tableChoices{};
    CGdipButton* m_direction0 = nullptr;
    CGdipButton* m_direction1 = nullptr;
    CGdipButton* m_tables = nullptr;
    CGdipButton* m_setData = nullptr;
    CHotSpot* m_switch = nullptr;
    oRealEdit* m_hStart = nullptr;
    oRealEdit* m_hSize = nullptr;
    oRealEdit* m_vStart = nullptr;
    oRealEdit* m_vSize = nullptr;
    QFrame* m_previewFrame = nullptr;
    QFrame* m_editorFrame = nullptr;
    CDropButton* m_gammaList = nullptr;
    CBezierDlg* m_editor = nullptr;
    QWidget* m_marks = nullptr;   // paints the switch and the table choices
    QWidget* m_preview = nullptr; // paints the output and the zone

    QPixmap m_markOn;  // Image/checkin.png
    QPixmap m_markOff; // Image/checkout.png

    int m_blendOutput = 0;
    int m_blendSide = kSideH1;
    bool m_switchOn = false;
    int m_tableChoice = 0;
    int m_tableShown = 1;
};

} // namespace corvane
