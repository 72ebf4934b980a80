#include "layout/CLayerDlg.h"
#include "layout/ZoomPreview.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace corvane {

namespace {

constexpr int kPreviewTextOffset = 10;

const QColor kPreviewFrame(235, 235, 235);
const QColor kZoomWindow(0, 128, 0);
const QColor kPreviewFill(0, 0, 0, 90);
constexpr qreal kZoomPenWidth = 2;

} // namespace

// ---- the preview: where the zoom window lies in it, and its painting

void CLayerDlg::ComputeZoomRect() {
    const LayerInfo* layer = Current();
    if (!layer) {
        m_zoomRect = m_previewArea;
        return;
    }
    const int areaW = m_previewArea.Width();
    const int areaH = m_previewArea.Height();
    const int w = PreviewLength(areaW, layer->zoomW, m_srcWidth, kMinZoomPreview);
    const int h = PreviewLength(areaH, layer->zoomH, m_srcHeight, kMinZoomPreview);
    m_zoomRect.left = m_previewArea.left + PreviewOffset(areaW, w, layer->zoomX, m_srcWidth, layer->zoomW);
    m_zoomRect.top = m_previewArea.top + PreviewOffset(areaH, h, layer->zoomY, m_srcHeight, layer->zoomH);
    m_zoomRect.right = m_zoomRect.left + w;
    m_zoomRect.bottom = m_zoomRect.top + h;
}

void CLayerDlg::RepaintPreview() {
    if (m_preview)
        m_preview->update();
}

void CLayerDlg::PaintPreview(QPainter& p) {
    const QRect area(m_previewArea.left, m_previewArea.top, m_previewArea.Width(), m_previewArea.Height());
    if (area.isEmpty())
        return;
    p.fillRect(area, kPreviewFill);
    p.setPen(QPen(kPreviewFrame, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    if (m_currentLayer >= static_cast<std::uint32_t>(kLayerCount))
        return;
    p.setClipRect(area);
    p.setFont(theme::ControlFont());
    p.setPen(QColor(theme::kStaticText));
    p.drawText(area.adjusted(kPreviewTextOffset, kPreviewTextOffset, 0, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Layer-%1").arg(m_currentLayer + 1));
    // The 2-pixel line lies inside the zoom window's rectangle.
    QPen zoomPen(kZoomWindow, kZoomPenWidth, Qt::DotLine);
    zoomPen.setJoinStyle(Qt::MiterJoin);
    p.setPen(zoomPen);
    const qreal half = kZoomPenWidth / 2;
    p.drawRect(QRectF(m_zoomRect.left + half, m_zoomRect.top + half, m_zoomRect.Width() - kZoomPenWidth,
                      m_zoomRect.Height() - kZoomPenWidth));
}

} // namespace corvane
