#include "layout/CLayerDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayerPageRules.h"
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
    // Kept inside the preview; the grab point stays where it took the window.
    const Rect r = MoveZoomRect(m_zoomRect, p.x - m_previewAnchor.x, p.y - m_previewAnchor.y, m_previewArea);
    m_previewAnchor.x += r.left - m_zoomRect.left;
    m_previewAnchor.y += r.top - m_zoomRect.top;
    if (r == m_zoomRect)
        return;
    m_zoomRect = r;
    ShowZoomStarts();
    RepaintPreview();
}

void CLayerDlg::ResizeZoomWindow(Point p) {
    const Rect r =
        ResizeZoomRect(m_zoomRect, static_cast<int>(m_previewZone), p, m_previewArea, kMinZoomPreview);
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
    const ZoomAxisDrag was{BoxInt(axis.startBox), BoxInt(axis.sizeBox), axis.rectStart, axis.rectEnd};
    const ZoomAxisDrag wide =
        WidenZoomAxis(was, axis.source, axis.areaStart, axis.areaLength, kMinZoomSource);
    if (wide.size != was.size)
        axis.sizeBox->SetValue(static_cast<float>(wide.size));
    if (wide.start != was.start)
        axis.startBox->SetValue(static_cast<float>(wide.start));
    axis.rectStart = wide.rectStart;
    axis.rectEnd = wide.rectEnd;
}

void CLayerDlg::KeepZoomInSource(Axis axis) {
    const ZoomAxisDrag was{BoxInt(axis.startBox), BoxInt(axis.sizeBox), axis.rectStart, axis.rectEnd};
    const ZoomAxisDrag kept = KeepZoomAxisInSource(was, axis.source, axis.areaStart, axis.areaLength);
    if (kept.start != was.start)
        axis.startBox->SetValue(static_cast<float>(kept.start));
    axis.rectStart = kept.rectStart;
    axis.rectEnd = kept.rectEnd;
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
