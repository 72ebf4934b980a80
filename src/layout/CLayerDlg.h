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
//   WM_DEVICE_REPLY (0xA8 or 0xAB, layer)  show that layer (an index above 9 is divided by 10;
//                                          one that names no layer after that is ignored)
//
// The zoom window is dragged with the mouse inside the preview while zoom is on. Nothing here
// divides by a size the processor reports without checking it: a source of 0 pixels, a zoom
// window as large as the source or a preview filled by the zoom window are all shown.

#include "device/DeviceState.h"
#include "layout/CanvasGeometry.h"
#include "widgets/CBaseDialog.h"

#include <cstdint>

class QPainter;

namespace corvane {

class CGdipButton;
class CGroupBox;
class PageContext;
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
    // While it is resized, the zoom window keeps this many preview pixels between its edges.
    static constexpr int kMinZoomPreview = 2;
    // Layer buttons: x = kLayerButtonLeft + kLayerButtonStep * i, kLayerButtonStep x 30.
    static constexpr int kLayerButtonLeft = 50;
    static constexpr int kLayerButtonStep = 55;
    static constexpr int kLayerButtonHeight = 30;

    CLayerDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;

    // Shows layer `n` (0..3): boxes, switches, preview, the button marked.
    void ShowLayer(std::uint32_t n);

    // The parts tests look at.
    std::uint32_t CurrentLayer() const { return m_currentLayer; }
    std::uint32_t SourceWidth() const { return m_srcWidth; }
    std::uint32_t SourceHeight() const { return m_srcHeight; }
    // 0 none, 1 the zoom window is moved, 2 resized.
    std::uint32_t PreviewDrag() const { return m_previewDrag; }
    // Page pixels; right and bottom outside, as on the canvas.
    Rect PreviewArea() const { return m_previewArea; }
    Rect ZoomRect() const { return m_zoomRect; }

protected:
    bool OnInitDialog() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // One direction of the zoom window: the start and size boxes, the fields of the layer, the
    // source length and the preview's edges along that direction.
    struct Axis {
        oRealEdit* startBox;
        oRealEdit* sizeBox;
        std::uint16_t& zoomStart;
        std::uint16_t& zoomSize;
        std::uint32_t source;
        int areaStart;
        int areaLength;
        int& rectStart;
        int& rectEnd;
    };
    Axis HorizontalAxis(LayerInfo& layer);
    Axis VerticalAxis(LayerInfo& layer);

    std::intptr_t OnValueCommitted(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t layer);
    void OnChooseLayer(int id);
    void OnDisplaySwitch();
    void OnZoomSwitch();
    void OnReset();

    void PositionChanged(int id);
    void ZoomStartChanged(Axis axis);
    void ZoomSizeChanged(Axis axis);
    void ComputeZoomRect();
    void SendLayoutCommand();
    LayerInfo* Current();

    // Zoom window drag steps.
    void MoveZoomWindow(Point p);
    void ResizeZoomWindow(Point p);
    void ShowZoomStarts();
    void ShowZoomSizes();
    void FinishZoomDrag();
    // The zoom window is widened (heightened) to kMinZoomSource source pixels.
    void KeepMinimumZoom(Axis axis);
    // The start box gives way when the window, so widened, would end past the source.
    void KeepZoomInSource(Axis axis);
    void UpdatePreviewCursor(Point p);

    // Draws the preview: its frame, the layer's name and the zoom window (page coordinates).
    void PaintPreview(QPainter& painter);
    void RepaintPreview();

    void EnablePositionBoxes(bool on);
    void EnableZoomBoxes(bool on);
    bool ZoomDragAllowed() const;

    PageContext& m_context;
    DeviceState& m_state;

    CGdipButton* m_layerButtons[kLayerCount] = {};
    CGroupBox* m_layerGroup = nullptr;
    CGroupBox* m_zoomGroup = nullptr;
    oRealEdit* m_hPos = nullptr;
    oRealEdit* m_vPos = nullptr;
    oRealEdit* m_width = nullptr;
    oRealEdit* m_height = nullptr;
    oRealEdit* m_hStart = nullptr;
    oRealEdit* m_vStart = nullptr;
    oRealEdit* m_hSize = nullptr;
    oRealEdit* m_vSize = nullptr;
    CGdipButton* m_displaySwitch = nullptr;
    CGdipButton* m_zoomSwitch = nullptr;
    CGdipButton* m_reset = nullptr;
    QWidget* m_preview = nullptr; // paints the preview above the zoom group's frame

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
