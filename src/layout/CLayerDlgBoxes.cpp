#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "layout/CLayerDlg.h"
#include "layout/CanvasGeometry.h"
#include "layout/LayerPageRules.h"
#include "layout/PageValues.h"
#include "layout/ZoomPreview.h"
#include "pages/EditAction.h"
#include "pages/MainWindowCalls.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"

#include <algorithm>
#include <cmath>

namespace corvane {

// ---- the value boxes, the switches and Reset

std::intptr_t CLayerDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    if (!isVisible() || !Current())
        return 0;
    // A typed value is a step of its own, never merged with the moves before it.
    const EditAction action(m_context, std::string());
    LayerInfo& layer = *Current();
    switch (static_cast<int>(id)) {
    case kHPosId:
    case kVPosId:
    case kWidthId:
    case kHeightId:
        PositionChanged(static_cast<int>(id));
        break;
    case kHStartId:
        ZoomStartChanged(HorizontalAxis(layer));
        break;
    case kVStartId:
        ZoomStartChanged(VerticalAxis(layer));
        break;
    case kHSizeId:
        ZoomSizeChanged(HorizontalAxis(layer));
        break;
    case kVSizeId:
        ZoomSizeChanged(VerticalAxis(layer));
        break;
    default:
        break;
    }
    return 0;
}

void CLayerDlg::PositionChanged(int id) {
    LayerInfo& layer = *Current();
    oRealEdit* box = nullptr;
    oRealEdit* partner = nullptr;
    std::uint32_t* field = nullptr;
    std::uint32_t* partnerField = nullptr;
    switch (id) {
    case kHPosId:
        box = m_hPos, partner = m_width, field = &layer.x, partnerField = &layer.w;
        break;
    case kWidthId:
        box = m_width, partner = m_hPos, field = &layer.w, partnerField = &layer.x;
        break;
    case kVPosId:
        box = m_vPos, partner = m_height, field = &layer.y, partnerField = &layer.h;
        break;
    default:
        box = m_height, partner = m_vPos, field = &layer.h, partnerField = &layer.y;
        break;
    }
    // The window ends at the canvas limit; a size never goes below its box's minimum.
    const WindowSpan typed{BoxInt(box), BoxInt(partner)};
    const WindowSpan fit = WindowSpanOnCanvas(typed, static_cast<int>(box->Minimum()), kCanvasLimit);
    const int v = fit.value;
    const int p = fit.partner;
    if (typed.value + typed.partner > kCanvasLimit)
        box->SetValue(static_cast<float>(v));
    bool partnerMoved = false;
    if (p != typed.partner) {
        partner->SetValue(static_cast<float>(p));
        partnerMoved = static_cast<std::uint32_t>(p) != *partnerField;
    }
    if (static_cast<std::uint32_t>(v) == *field && !partnerMoved)
        return;
    *field = static_cast<std::uint32_t>(v);
    if (partnerMoved)
        *partnerField = static_cast<std::uint32_t>(p);
    SendWindowMessage(m_context.WindowOf(Window::LayoutPage), WM_DEVICE_REPLY, kReplyLayer,
                      static_cast<std::intptr_t>(m_currentLayer));
    SendLayoutCommand();
}

void CLayerDlg::ZoomStartChanged(Axis axis) {
    const int size = BoxInt(axis.sizeBox);
    const int source = static_cast<int>(axis.source);
    int v = ZoomSpanInSource({BoxInt(axis.startBox), size}, source).start;
    axis.startBox->SetValue(static_cast<float>(v));
    const int length = axis.rectEnd - axis.rectStart;
    if (length >= axis.areaLength) {
        v = 0;
        axis.startBox->SetValue(0);
    } else {
        axis.rectStart = axis.areaStart + PreviewOffset(axis.areaLength, length, v, source, size);
        axis.rectEnd = axis.rectStart + length;
    }
    if (v != axis.zoomStart) {
        axis.zoomStart = static_cast<std::uint16_t>(v);
        SendLayoutCommand();
    }
    RepaintPreview();
}

void CLayerDlg::ZoomSizeChanged(Axis axis) {
    const int start = BoxInt(axis.startBox);
    const int source = static_cast<int>(axis.source);
    const ZoomSpan span =
        ZoomSizeTyped(start, BoxInt(axis.sizeBox), source, static_cast<int>(axis.sizeBox->Minimum()));
    const int v = span.size;
    axis.sizeBox->SetValue(static_cast<float>(v));
    int length = axis.areaLength;
    if (source > 0)
        length = static_cast<int>(std::lround(static_cast<double>(v) * axis.areaLength / source));
    length = std::max(length, kMinZoomPreview);
    if (span.start != start) {
        // No room for the size after the start: the window moves back to end with the source.
        axis.startBox->SetValue(static_cast<float>(span.start));
        axis.rectStart = axis.areaStart + PreviewOffset(axis.areaLength, length, span.start, source, v);
    }
    axis.rectEnd = axis.rectStart + length;
    const int areaEnd = axis.areaStart + axis.areaLength;
    if (axis.rectEnd > areaEnd) {
        // Past the preview's edge: the window ends there and the boxes say what it now shows.
        axis.rectEnd = areaEnd;
        const int shown = axis.rectEnd - axis.rectStart;
        axis.sizeBox->SetValue(static_cast<float>(SourceSize(shown, source, axis.areaLength)));
        axis.startBox->SetValue(static_cast<float>(SourceStart(
            source, BoxInt(axis.sizeBox), axis.rectStart - axis.areaStart, axis.areaLength, shown)));
    }
    const int newSize = BoxInt(axis.sizeBox);
    const int newStart = BoxInt(axis.startBox);
    if (newSize != axis.zoomSize || newStart != axis.zoomStart) {
        axis.zoomSize = static_cast<std::uint16_t>(newSize);
        axis.zoomStart = static_cast<std::uint16_t>(newStart);
        SendLayoutCommand();
    }
    RepaintPreview();
}

void CLayerDlg::OnReset() {
    LayerInfo* layer = Current();
    if (!layer)
        return;
    layer->zoomX = 0;
    layer->zoomY = 0;
    layer->zoomW = layer->srcW;
    layer->zoomH = layer->srcH;
    ShowLayer(m_currentLayer);
    SendLayoutCommand();
}

void CLayerDlg::OnZoomSwitch() {
    LayerInfo* layer = Current();
    if (!layer) {
        m_zoomSwitch->setChecked(false);
        return;
    }
    const bool on = m_zoomSwitch->isChecked();
    if (ZoomSwitchRefused(m_state, on)) {
        m_zoomSwitch->setChecked(false);
        m_context.ShowMessage(MessageText(kMsgLayerSettings), MessageText(kMsgCropIsOpen),
                              CMessageboxDlg::kModeInformation);
        m_zoomSwitch->setChecked(false);
        return;
    }
    layer->zoomOn = on ? 1 : 0;
    EnableZoomBoxes(on);
    SendLayoutCommand();
    RepaintPreview();
}

void CLayerDlg::OnDisplaySwitch() {
    if (!Current()) {
        m_displaySwitch->setChecked(false);
        return;
    }
    const bool on = m_displaySwitch->isChecked();
    EnablePositionBoxes(on);
    if (auto* main = m_context.CallsOf<MainWindowCalls>(Window::MainWindow))
        main->SetLayerSwitch(static_cast<int>(m_currentLayer), on);
}

} // namespace corvane
