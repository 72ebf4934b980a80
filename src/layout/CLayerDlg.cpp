#include "layout/CLayerDlg.h"

#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "layout/CPictureCtrl.h"
#include "layout/LayoutLog.h"
#include "layout/LayoutPageCalls.h"
#include "pages/EditAction.h"
#include "pages/MainWindowCalls.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog179.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/CPaintSurface.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

// Replies carry the layer in the tens for some senders: 20 is layer index 2.
constexpr std::intptr_t kReplyIndexTens = 9;

// Value-box ranges.
constexpr float kPositionMax = 59999;
constexpr float kSizeMin = 32;
constexpr float kZoomBoxMax = 9999;
constexpr float kInitialZoomWidth = 1920;
constexpr float kInitialZoomHeight = 1080;

// The preview inside the zoom group: inset from the group's sides, below its caption, in the
// proportions of a 16:9 picture.
constexpr int kPreviewInset = 14;
constexpr int kPreviewTop = 26;
constexpr int kPreviewAspectW = 16;
constexpr int kPreviewAspectH = 9;
constexpr int kPreviewTextOffset = 10;

const QColor kPreviewFrame(235, 235, 235);
const QColor kZoomWindow(0, 128, 0);
const QColor kPreviewFill(0, 0, 0, 90);
constexpr qreal kZoomPenWidth = 2;

// Preview pixels that stand for `size` of `source` source pixels (truncated), at least the
// drawable minimum; the whole area while the source is unknown (0).
int PreviewLength(int areaLength, std::int64_t size, std::int64_t source) {
    if (areaLength <= 0)
        return 0;
    if (source <= 0)
        return areaLength;
    const std::int64_t length = areaLength * size / source;
    return static_cast<int>(
        std::clamp<std::int64_t>(length, std::min(CLayerDlg::kMinZoomPreview, areaLength), areaLength));
}

// Offset of the zoom window in the preview for a window starting at `start` source pixels: the
// room left in the preview shared out as the room left in the source.
int PreviewOffset(int areaLength, int length, std::int64_t start, std::int64_t source, std::int64_t size) {
    const std::int64_t room = areaLength - length;
    const std::int64_t sourceRoom = source - size;
    if (room <= 0 || sourceRoom <= 0)
        return 0;
    return static_cast<int>(std::clamp<std::int64_t>(room * start / sourceRoom, 0, room));
}

// The start in source pixels of a zoom window `offset` pixels into the preview (the inverse of
// PreviewOffset); 0 when the window leaves no room on either side.
int SourceStart(std::int64_t source, std::int64_t size, int offset, int areaLength, int length) {
    const std::int64_t room = areaLength - length;
    const std::int64_t sourceRoom = source - size;
    if (room <= 0 || sourceRoom <= 0)
        return 0;
    return static_cast<int>(sourceRoom * std::clamp<std::int64_t>(offset, 0, room) / room);
}

// Source pixels of a zoom window `length` preview pixels long.
int SourceSize(int length, std::int64_t source, int areaLength) {
    if (areaLength <= 0)
        return static_cast<int>(source);
    return static_cast<int>(length * source / areaLength);
}

int BoxInt(const oRealEdit* box) {
    return static_cast<int>(box->GetValue()); // the boxes take digits only: whole numbers
}

Point PointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

} // namespace

CLayerDlg::CLayerDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context), m_state(context.State()) {
    Ui::Dialog179 ui;
    ui.setupUi(this);
    m_layerButtons[0] = ui.layer1;
    m_layerButtons[1] = ui.layer2;
    m_layerButtons[2] = ui.layer3;
    m_layerButtons[3] = ui.layer4;
    m_layerGroup = ui.layerGroup;
    m_zoomGroup = ui.zoomGroup;
    m_hPos = ui.hPos;
    m_vPos = ui.vPos;
    m_width = ui.width;
    m_height = ui.height;
    m_hStart = ui.hStart;
    m_vStart = ui.vStart;
    m_hSize = ui.hSize;
    m_vSize = ui.vSize;
    m_displaySwitch = ui.displaySwitch;
    m_zoomSwitch = ui.zoomSwitch;
    m_reset = ui.reset;
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool CLayerDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    for (int i = 0; i < kLayerCount; ++i) {
        const QRect g = m_layerButtons[i]->geometry();
        m_layerButtons[i]->setGeometry(kLayerButtonLeft + kLayerButtonStep * i, g.y(), kLayerButtonStep,
                                       kLayerButtonHeight);
        m_layerButtons[i]->setFocusPolicy(Qt::NoFocus);
    }
    m_displaySwitch->setFocusPolicy(Qt::NoFocus);
    m_zoomSwitch->setFocusPolicy(Qt::NoFocus);

    // The preview is painted by the page under the zoom group, which only frames it: the
    // group lets the mouse through to the page.
    m_layerGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_zoomGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QRect group = m_zoomGroup->geometry();
    const int areaWidth = group.width() - 2 * kPreviewInset;
    m_previewArea.left = group.x() + kPreviewInset;
    m_previewArea.top = group.y() + kPreviewTop;
    m_previewArea.right = m_previewArea.left + areaWidth;
    m_previewArea.bottom = m_previewArea.top + areaWidth * kPreviewAspectH / kPreviewAspectW;
    m_preview = new CPaintSurface(this, [this](QPainter& p) { PaintPreview(p); });
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setGeometry(m_previewArea.left, m_previewArea.top, m_previewArea.Width(),
                           m_previewArea.Height());
    m_preview->raise();
    m_preview->show();
    setMouseTracking(true);

    const QString format = QStringLiteral("%d");
    m_hPos->Setup(format, true, 0, kPositionMax, 0);
    m_vPos->Setup(format, true, 0, kPositionMax, 0);
    m_width->Setup(format, true, kSizeMin, kPositionMax, kSizeMin);
    m_height->Setup(format, true, kSizeMin, kPositionMax, kSizeMin);
    m_hStart->Setup(format, false, 0, kZoomBoxMax, 0);
    m_vStart->Setup(format, false, 0, kZoomBoxMax, 0);
    m_hSize->Setup(format, false, kSizeMin, kZoomBoxMax, kInitialZoomWidth);
    m_vSize->Setup(format, false, kSizeMin, kZoomBoxMax, kInitialZoomHeight);

    ShowLayer(m_currentLayer);
    return true;
}

std::intptr_t CLayerDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CLayerDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kLayerButtonFirst, kLayerButtonFirst + kLayerCount - 1, &CLayerDlg::OnChooseLayer),
        Map::Command(kDisplaySwitchId, &CLayerDlg::OnDisplaySwitch),
        Map::Command(kZoomSwitchId, &CLayerDlg::OnZoomSwitch),
        Map::Command(kResetId, &CLayerDlg::OnReset),
        Map::Message(WM_VALUE_COMMITTED, &CLayerDlg::OnValueCommitted),
        Map::Message(WM_DEVICE_REPLY, &CLayerDlg::OnDeviceReply),
    };
    return map.Dispatch(*this, message);
}

void CLayerDlg::ApplyLanguage() {
    ApplyDialogTexts(this, kDialogId);
    const std::string layerGroup = GetLangString("IDD179_1029");
    if (!layerGroup.empty())
        m_layerGroup->setTitle(QString::fromStdString(layerGroup));
    const std::string zoomGroup = GetLangString("IDD179_1500");
    if (!zoomGroup.empty())
        m_zoomGroup->setTitle(QString::fromStdString(zoomGroup));
    update();
}

LayerInfo* CLayerDlg::Current() {
    if (m_currentLayer >= static_cast<std::uint32_t>(kLayerCount))
        return nullptr;
    return &m_state.layers[m_currentLayer];
}

CLayerDlg::Axis CLayerDlg::HorizontalAxis(LayerInfo& layer) {
    return {m_hStart,
            m_hSize,
            layer.zoomX,
            layer.zoomW,
            m_srcWidth,
            m_previewArea.left,
            m_previewArea.Width(),
            m_zoomRect.left,
            m_zoomRect.right};
}

CLayerDlg::Axis CLayerDlg::VerticalAxis(LayerInfo& layer) {
    return {m_vStart,
            m_vSize,
            layer.zoomY,
            layer.zoomH,
            m_srcHeight,
            m_previewArea.top,
            m_previewArea.Height(),
            m_zoomRect.top,
            m_zoomRect.bottom};
}

void CLayerDlg::ShowLayer(std::uint32_t n) {
    m_previewDrag = 0;
    m_currentLayer = n < static_cast<std::uint32_t>(kLayerCount) ? n : kNoLayer;
    for (int i = 0; i < kLayerCount; ++i) {
        const bool current = static_cast<std::uint32_t>(i) == m_currentLayer;
        m_layerButtons[i]->setChecked(current);
        m_layerButtons[i]->SetTextColour(QColor(current ? theme::kOrange : theme::kInactive));
    }
    const LayerInfo* layer = Current();
    m_displaySwitch->setEnabled(layer != nullptr);
    m_zoomSwitch->setEnabled(layer != nullptr);
    m_reset->setEnabled(layer != nullptr);
    m_zoomGroup->setEnabled(layer != nullptr);
    if (!layer) {
        EnablePositionBoxes(false);
        EnableZoomBoxes(false);
        unsetCursor();
        RepaintPreview();
        return;
    }
    m_hPos->SetValue(static_cast<float>(layer->x));
    m_vPos->SetValue(static_cast<float>(layer->y));
    m_width->SetValue(static_cast<float>(layer->w));
    m_height->SetValue(static_cast<float>(layer->h));
    m_displaySwitch->setChecked(layer->visible != 0);
    EnablePositionBoxes(layer->visible != 0);

    m_hStart->SetValue(layer->zoomX);
    m_vStart->SetValue(layer->zoomY);
    m_hSize->SetValue(layer->zoomW);
    m_vSize->SetValue(layer->zoomH);
    m_srcWidth = layer->srcW;
    m_srcHeight = layer->srcH;
    m_zoomSwitch->setChecked(layer->zoomOn != 0);
    EnableZoomBoxes(layer->zoomOn != 0);

    ComputeZoomRect();
    RepaintPreview();
}

void CLayerDlg::ComputeZoomRect() {
    const LayerInfo* layer = Current();
    if (!layer) {
        m_zoomRect = m_previewArea;
        return;
    }
    const int areaW = m_previewArea.Width();
    const int areaH = m_previewArea.Height();
    const int w = PreviewLength(areaW, layer->zoomW, m_srcWidth);
    const int h = PreviewLength(areaH, layer->zoomH, m_srcHeight);
    m_zoomRect.left = m_previewArea.left + PreviewOffset(areaW, w, layer->zoomX, m_srcWidth, layer->zoomW);
    m_zoomRect.top = m_previewArea.top + PreviewOffset(areaH, h, layer->zoomY, m_srcHeight, layer->zoomH);
    m_zoomRect.right = m_zoomRect.left + w;
    m_zoomRect.bottom = m_zoomRect.top + h;
}

void CLayerDlg::EnablePositionBoxes(bool on) {
    for (oRealEdit* box : {m_hPos, m_vPos, m_width, m_height})
        box->setEnabled(on);
}

void CLayerDlg::EnableZoomBoxes(bool on) {
    for (oRealEdit* box : {m_hStart, m_vStart, m_hSize, m_vSize})
        box->setEnabled(on);
}

void CLayerDlg::SendLayoutCommand() {
    SendWindowMessage(m_context.WindowOf(Window::LayoutPage), WM_LAYOUT_COMMAND, 0,
                      static_cast<std::intptr_t>(m_currentLayer));
}

std::intptr_t CLayerDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t layer) {
    // 0xA8 from the processor, 0xAB from the layout page and the main window ("show these values").
    if (code != kReplyLayer && code != kReplyShowLayer)
        return 0;
    if (layer > kReplyIndexTens)
        layer /= 10;
    // An index that names no layer is not shown: the page keeps the layer it shows.
    if (layer < 0 || layer >= kLayerCount) {
        qCDebug(lcLayout) << "layer page: reply" << Qt::hex << code << Qt::dec << "for no layer:" << layer;
        return 0;
    }
    ShowLayer(static_cast<std::uint32_t>(layer));
    return 0;
}

void CLayerDlg::OnChooseLayer(int id) {
    const int n = id - kLayerButtonFirst;
    if (auto* layout = m_context.CallsOf<LayoutPageCalls>(Window::LayoutPage))
        layout->SelectLayerCell(n);
    if (static_cast<std::uint32_t>(n) != m_currentLayer)
        ShowLayer(static_cast<std::uint32_t>(n));
}

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
    int v = BoxInt(box);
    int p = BoxInt(partner);
    bool partnerMoved = false;
    if (v + p > kCanvasLimit) {
        // The window ends at the canvas limit. A size never goes below its box's minimum: when
        // the position leaves less room than that, the position gives way instead.
        v = std::max(kCanvasLimit - p, static_cast<int>(box->Minimum()));
        box->SetValue(static_cast<float>(v));
        if (v + p > kCanvasLimit) {
            p = kCanvasLimit - v;
            partner->SetValue(static_cast<float>(p));
            partnerMoved = static_cast<std::uint32_t>(p) != *partnerField;
        }
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
    const std::uint32_t input = m_state.currentInput;
    const bool cropOn = input < static_cast<std::uint32_t>(kInputCount) && m_state.crop.rects[input].on != 0;
    // Zoom and crop of the same input exclude each other: zoom is not switched on over a crop.
    // Switching it off is always possible.
    if (on && cropOn) {
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
