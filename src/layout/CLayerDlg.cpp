#include "layout/CLayerDlg.h"

#include "device/ReplyCodes.h"
#include "layout/LayerPageRules.h"
#include "layout/LayoutLog.h"
#include "layout/LayoutPageCalls.h"
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

#include <QPainter>

namespace corvane {

namespace {

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

std::intptr_t CLayerDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    const std::optional<std::uint32_t> layer = LayerOfReply(code, index);
    if (!layer) {
        if (code == kReplyLayer || code == kReplyShowLayer)
            qCDebug(lcLayout) << "layer page: reply" << Qt::hex << code << Qt::dec
                              << "for no layer:" << index;
        return 0;
    }
    ShowLayer(*layer);
    return 0;
}

void CLayerDlg::OnChooseLayer(int id) {
    const int n = id - kLayerButtonFirst;
    if (auto* layout = m_context.CallsOf<LayoutPageCalls>(Window::LayoutPage))
        layout->SelectLayerCell(n);
    if (static_cast<std::uint32_t>(n) != m_currentLayer)
        ShowLayer(static_cast<std::uint32_t>(n));
}

} // namespace corvane
