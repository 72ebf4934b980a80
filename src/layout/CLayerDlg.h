#pragma once

// The layer page (dialog 179): edits one of the processor's four layers at a time - its window
// on the canvas, whether it is shown, and the part of the source it shows (the zoom window,
// drawn as a preview). The page keeps no copy of the values: it reads and writes the layers of
// DeviceState, and every change ends in a message to the layout page, which owns the canvas
// and sends the layer command.
//
// Messages:
//   commands 1032..1035 choose the layer; 1509 display switch; 1510 zoom switch; 1284 Reset
//   WM_VALUE_COMMITTED (box id)            a value box changed (ignored while hidden)
//   WM_DEVICE_REPLY (0xA8 or 0xAB, layer)  show that layer (an index above 9 is divided by 10)

#include "device/DeviceState.h"
#include "layout/CanvasGeometry.h"
#include "widgets/CBaseDialog.h"

#include <cstdint>

namespace corvane {

class CGdipButton;
class LayerPageHost;
class oRealEdit;

class CLayerDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 179;
    static constexpr int kLayerButtonFirst = 1032; // 1032..1035
    static constexpr int kPositionGroupId = 1029;
    static constexpr int kHPosId = 1021;
    static constexpr int kVPosId = 1024;
    static constexpr int kWidthId = 1026;
    static constexpr int kHeightId = 1028;
    static constexpr int kDisplaySwitchId = 1509;
    static constexpr int kZoomGroupId = 1500;
    static constexpr int kHStartId = 1501;
    static constexpr int kVStartId = 1503;
    static constexpr int kHSizeId = 1505;
    static constexpr int kVSizeId = 1507;
    static constexpr int kZoomSwitchId = 1510;
    static constexpr int kResetId = 1284;

    // No layer shown: the position boxes and the zoom group are disabled.
    static constexpr std::uint32_t kNoLayer = 255;
    // A window may reach this far on the processor's canvas (position + size).
    static constexpr int kCanvasLimit = 59999;
    // The zoom window is never narrower or lower than this many source pixels.
    static constexpr int kMinZoomSource = 32;

    CLayerDlg(DeviceState& state, LayerPageHost& host, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;

    // Shows layer `n` (0..3): boxes, switches, preview, the button marked.
    void ShowLayer(std::uint32_t n);

    // The parts tests look at.
    std::uint32_t CurrentLayer() const { return m_currentLayer; }
    // Page pixels; right and bottom outside, as on the canvas.
    Rect PreviewArea() const { return m_previewArea; }
    Rect ZoomRect() const { return m_zoomRect; }

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t layer);
    void OnChooseLayer(int id);
    void OnDisplaySwitch();
    void OnZoomSwitch();
    void OnReset();

    void PositionChanged(int id);
    void ZoomChanged(int id);
    void ComputeZoomRect();
    void SendLayoutCommand();
    LayerInfo* Current();

    DeviceState& m_state;
    LayerPageHost& m_host;

    std::uint32_t m_currentLayer = 0;
    std::uint32_t m_srcWidth = 1920;
    std::uint32_t m_srcHeight = 1080;
    Rect m_previewArea;
    Rect m_zoomRect;
    std::uint32_t m_previewDrag = 0; // 0 none, 1 move, 2 resize
    std::uint32_t m_previewZone = 0;
    Point m_previewAnchor;
};

} // namespace corvane
