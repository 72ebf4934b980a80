#include "layout/CLayerDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/PageValues.h"
#include "layout/ZoomPreview.h"
#include "widgets/CGdipButton.h"

#include <QMouseEvent>
#include <algorithm>

namespace corvane {

namespace {

Point PointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

} // namespace

// ---- the zoom window dragged in the preview: moved, resized, kept inside the source

bool CLayerDlg::ZoomDragAllowed() const {
    return m_currentLayer < static_cast<std::uint32_t>(kLayerCount) && m_zoomSwitch->isChecked();
}

void CLayerDlg::mousePressEvent(QMouseEvent* event) {
    const Point p = PointOf(event);
    if (event->button() == Qt::LeftButton && ZoomDragAllowed() && m_previewArea.Contains(p)) {
        const int zone = HitZone(m_zoomRect, p);
        if (zone != kZoneNone) {
            m_previewZone = static_cast<std::uint32_t>(zone);
            m_previewDrag = zone == kZoneInterior ? 1 : 2;
            m_previewAnchor = p;
            setCursor(CursorForZone(zone));
            event->accept();
            return;
        }
    }
    CBaseDialog::mousePressEvent(event);
}

void CLayerDlg::mouseMoveEvent(QMouseEvent* event) {
    const Point p = PointOf(event);
    if (m_previewDrag == 1 && Current()) {
        MoveZoomWindow(p);
    } else if (m_previewDrag == 2 && Current()) {
        ResizeZoomWindow(p);
    } else {
        UpdatePreviewCursor(p);
        CBaseDialog::mouseMoveEvent(event);
        return;
    }
    event->accept();
}

void CLayerDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_previewDrag != 0) {
        FinishZoomDrag();
        UpdatePreviewCursor(PointOf(event));
        event->accept();
        return;
    }
    CBaseDialog::mouseReleaseEvent(event);
}

void CLayerDlg::UpdatePreviewCursor(Point p) {
    if (ZoomDragAllowed() && m_previewArea.Contains(p))
        setCursor(CursorForZone(HitZone(m_zoomRect, p)));
    else
        unsetCursor();
}

void CLayerDlg::MoveZoomWindow(Point p) {
    const Rect area = m_previewArea;
    Rect r = m_zoomRect.Offset(p.x - m_previewAnchor.x, p.y - m_previewAnchor.y);
    // Kept inside the preview; the grab point stays where it took the window.
    if (r.right > area.right)
        r = r.Offset(area.right - r.right, 0);
    if (r.left < area.left)
        r = r.Offset(area.left - r.left, 0);
    if (r.bottom > area.bottom)
        r = r.Offset(0, area.bottom - r.bottom);
    if (r.top < area.top)
        r = r.Offset(0, area.top - r.top);
    m_previewAnchor.x += r.left - m_zoomRect.left;
    m_previewAnchor.y += r.top - m_zoomRect.top;
    if (r == m_zoomRect)
        return;
    m_zoomRect = r;
    ShowZoomStarts();
    RepaintPreview();
}

void CLayerDlg::ResizeZoomWindow(Point p) {
    const Rect area = m_previewArea;
    const int x = std::clamp(p.x, area.left, area.right);
    const int y = std::clamp(p.y, area.top, area.bottom);
    Rect r = m_zoomRect;
    const int zone = static_cast<int>(m_previewZone);
    if (zone == kZoneLeft || zone == kZoneTopLeft || zone == kZoneBottomLeft)
        r.left = std::min(x, r.right - kMinZoomPreview);
    if (zone == kZoneRight || zone == kZoneTopRight || zone == kZoneBottomRight)
        r.right = std::max(x, r.left + kMinZoomPreview);
    if (zone == kZoneTop || zone == kZoneTopLeft || zone == kZoneTopRight)
        r.top = std::min(y, r.bottom - kMinZoomPreview);
    if (zone == kZoneBottom || zone == kZoneBottomLeft || zone == kZoneBottomRight)
        r.bottom = std::max(y, r.top + kMinZoomPreview);
    m_previewAnchor = p;
    if (r == m_zoomRect)
        return;
    m_zoomRect = r;
    // The sizes, and the starts too: a dragged left or top edge moves the window's start.
    ShowZoomSizes();
    ShowZoomStarts();
    RepaintPreview();
}

void CLayerDlg::ShowZoomStarts() {
    LayerInfo& layer = *Current();
    for (const Axis& a : {HorizontalAxis(layer), VerticalAxis(layer)})
        a.startBox->SetValue(static_cast<float>(SourceStart(
            a.source, BoxInt(a.sizeBox), a.rectStart - a.areaStart, a.areaLength, a.rectEnd - a.rectStart)));
}

void CLayerDlg::ShowZoomSizes() {
    LayerInfo& layer = *Current();
    for (const Axis& a : {HorizontalAxis(layer), VerticalAxis(layer)})
        a.sizeBox->SetValue(static_cast<float>(SourceSize(a.rectEnd - a.rectStart, a.source, a.areaLength)));
}

void CLayerDlg::KeepMinimumZoom(Axis axis) {
    if (axis.source == 0 || axis.areaLength <= 0)
        return; // nothing to measure the window against
    const int minSource = std::min<int>(kMinZoomSource, static_cast<int>(axis.source));
    const int minLength =
        std::min(axis.areaLength * minSource / static_cast<int>(axis.source), axis.areaLength);
    if (axis.rectEnd - axis.rectStart >= minLength)
        return;
    axis.rectEnd = axis.rectStart + minLength;
    axis.sizeBox->SetValue(static_cast<float>(minSource));
    const int areaEnd = axis.areaStart + axis.areaLength;
    if (axis.rectEnd > areaEnd) {
        axis.rectStart = areaEnd - minLength;
        axis.rectEnd = areaEnd;
        axis.startBox->SetValue(static_cast<float>(static_cast<int>(axis.source) - minSource));
    }
}

void CLayerDlg::KeepZoomInSource(Axis axis) {
    const int start = BoxInt(axis.startBox);
    const ZoomSpan span = ZoomSpanInSource({start, BoxInt(axis.sizeBox)}, static_cast<int>(axis.source));
    if (span.start == start)
        return;
    axis.startBox->SetValue(static_cast<float>(span.start));
    const int length = axis.rectEnd - axis.rectStart;
    axis.rectStart = axis.areaStart + PreviewOffset(axis.areaLength, length, span.start,
                                                    static_cast<int>(axis.source), span.size);
    axis.rectEnd = axis.rectStart + length;
}

void CLayerDlg::FinishZoomDrag() {
    m_previewDrag = 0;
    LayerInfo* layer = Current();
    if (!layer)
        return;
    for (const Axis& axis : {HorizontalAxis(*layer), VerticalAxis(*layer)}) {
        KeepMinimumZoom(axis);
        KeepZoomInSource(axis);
    }
    const int x = BoxInt(m_hStart), y = BoxInt(m_vStart), w = BoxInt(m_hSize), h = BoxInt(m_vSize);
    if (x != layer->zoomX || y != layer->zoomY || w != layer->zoomW || h != layer->zoomH) {
        layer->zoomX = static_cast<std::uint16_t>(x);
        layer->zoomY = static_cast<std::uint16_t>(y);
        layer->zoomW = static_cast<std::uint16_t>(w);
        layer->zoomH = static_cast<std::uint16_t>(h);
        SendLayoutCommand();
    }
    RepaintPreview();
}

} // namespace corvane
