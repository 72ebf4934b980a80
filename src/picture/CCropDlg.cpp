#include "picture/CCropDlg.h"

#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "pages/PageContext.h"
#include "picture/CropFrames.h"
#include "picture/CropRules.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog152.h"
#include "widgets/CGdipButton.h"
#include "widgets/CPaintSurface.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QPainter>
#include <algorithm>
#include <cstdio>

namespace corvane {

namespace {

// The preview's colours (COLORREF): the picture and the crop window's outline.
constexpr std::uint32_t kPreviewFill = 0x00AEFF;
constexpr std::uint32_t kPreviewOutline = 0xFF4500;

// The refusal while a layer zooms: this, with the layer's number from 1, then "Zoom is open!".
constexpr const char* kZoomedLayerFormat = "The Layer%d ";

} // namespace

CCropDlg::CCropDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context), m_state(context.State()) {
    Ui::Dialog152 ui;
    ui.setupUi(this);
    m_inputButtons = {ui.input1, ui.input2, ui.input3, ui.input4};
    m_hStart = ui.hStart;
    m_vStart = ui.vStart;
    m_width = ui.width;
    m_height = ui.height;
    m_switch = ui.cropSwitch;
    m_reset = ui.reset;
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool CCropDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    if (QWidget* label = Control<QWidget>(kInputSourceLabelId))
        label->hide();
    for (CGdipButton* b : m_inputButtons)
        b->setFocusPolicy(Qt::NoFocus);

    const QString format = QStringLiteral("%d");
    m_hStart->Setup(format, false, 0, kCropStartMax, 0);
    m_vStart->Setup(format, false, 0, kCropStartMax, 0);
    m_width->Setup(format, false, kCropSizeMin, kCropSizeMax, kCropSizeMin);
    m_height->Setup(format, false, kCropSizeMin, kCropSizeMax, kCropSizeMin);

    m_preview = new CPaintSurface(this, [this](QPainter& p) { PaintPreview(p); });
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setGeometry(PreviewBox());
    m_preview->show();

    SelectInput(m_pageInput);
    return true;
}

std::intptr_t CCropDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CCropDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kInputButtonFirst, kInputButtonFirst + kInputCount - 1, &CCropDlg::OnInputButton),
        Map::Command(kSwitchId, &CCropDlg::OnSwitch),
        Map::Command(kResetId, &CCropDlg::OnReset),
        Map::Message(WM_VALUE_COMMITTED, &CCropDlg::OnValueCommitted),
        Map::Message(WM_DEVICE_REPLY, &CCropDlg::OnDeviceReply),
    };
    return map.Dispatch(*this, message);
}

void CCropDlg::ShowPage(bool show) {
    // The inputs' signals may have changed while the page was hidden (the processor tells the
    // crop page only of its crop records): shown again, it reads the state afresh.
    if (show && IsCreated())
        SelectInput(m_pageInput);
    CBaseDialog::ShowPage(show);
}

QRect CCropDlg::PreviewBox() const {
    const QRect s = m_switch->geometry();
    return {s.x() - kPreviewLeftOfSwitch, s.y() + kPreviewBelowSwitch, kCropPreviewWidth, kCropPreviewHeight};
}

QRect CCropDlg::PreviewOutline() const {
    const CropRect& r = m_state.crop.rects[m_pageInput];
    const CropOutline o = CropPreviewOutline(BoxWindow(), r.hTotal, r.vTotal);
    const QRect box = PreviewBox();
    return {box.x() + o.left, box.y() + o.top, o.right - o.left, o.bottom - o.top};
}

void CCropDlg::SelectInput(std::uint32_t n) {
    if (n >= static_cast<std::uint32_t>(kInputCount))
        return;
    for (CGdipButton* b : m_inputButtons)
        b->hide();
    m_inputButtons[m_pageInput]->setChecked(false);
    m_pageInput = n;
    CGdipButton* current = m_inputButtons[n];
    current->setChecked(true);
    current->show();
    ShowRecord();
    Enable(m_state.crop.rects[n].on != 0);
    if (m_preview)
        m_preview->update();
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(kInputCount); ++i)
        m_inputButtons[i]->SetTextColour(QColor::fromRgb(i == n ? theme::kOrange : theme::kInactive));
}

void CCropDlg::Enable(bool on) {
    const CropControls c = CropEnabling(m_state, static_cast<int>(m_pageInput), on);
    if (c.setsSwitch) {
        m_cropOn = on;
        m_switch->setChecked(c.switchShows);
    }
    m_switch->setEnabled(c.switchEnabled);
    m_reset->setEnabled(c.editEnabled);
    for (oRealEdit* box : {m_hStart, m_vStart, m_width, m_height})
        box->setEnabled(c.editEnabled);
}

void CCropDlg::ShowRecord() {
    const CropRect& r = m_state.crop.rects[m_pageInput];
    m_hStart->SetValue(r.hStart);
    m_vStart->SetValue(r.vStart);
    m_width->SetValue(r.hSize);
    m_height->SetValue(r.vSize);
}

CropWindow CCropDlg::BoxWindow() const {
    return {BoxInt(m_hStart), BoxInt(m_vStart), BoxInt(m_width), BoxInt(m_height)};
}

std::intptr_t CCropDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t input) {
    // The processor's crop record names its current input; the main window sends the same
    // after it changed the input itself.
    if (code == kReplyCrop && input >= 0 && input < kInputCount)
        SelectInput(static_cast<std::uint32_t>(input));
    return 0;
}

void CCropDlg::OnInputButton(int id) {
    SelectInput(static_cast<std::uint32_t>(id - kInputButtonFirst));
}

std::intptr_t CCropDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    if (!isVisible())
        return 0;
    CropField field;
    switch (static_cast<int>(id)) {
    case kHStartId:
        field = CropField::HStart;
        break;
    case kVStartId:
        field = CropField::VStart;
        break;
    case kWidthId:
        field = CropField::Width;
        break;
    case kHeightId:
        field = CropField::Height;
        break;
    default:
        return 0;
    }
    CropRect& r = m_state.crop.rects[m_pageInput];
    const CropWindow limited = LimitCropWindow(field, BoxWindow(), r.hTotal, r.vTotal);
    m_hStart->SetValue(static_cast<float>(limited.hStart));
    m_vStart->SetValue(static_cast<float>(limited.vStart));
    m_width->SetValue(static_cast<float>(limited.width));
    m_height->SetValue(static_cast<float>(limited.height));
    if (limited == WindowOf(r))
        return 0;
    StoreWindow(r, limited);
    m_preview->update();
    SendCrop(kCropSet);
    return 0;
}

void CCropDlg::OnSwitch() {
    const bool on = m_switch->isChecked();
    const int zoomed = FirstZoomedLayer(m_state);
    if (on && zoomed >= 0) {
        // Crop and zoom exclude each other: no crop while a layer zooms.
        m_switch->setChecked(false);
        char head[32];
        std::snprintf(head, sizeof head, kZoomedLayerFormat, zoomed + 1);
        m_context.ShowMessage(MessageText(kMsgTips), head + MessageText(kMsgZoomIsOpen),
                              CMessageboxDlg::kModeInformation);
        m_switch->setChecked(false);
        return;
    }
    Enable(on);
    m_state.crop.rects[m_pageInput].on = m_cropOn ? 1 : 0;
    SendCrop(kCropSet);
}

void CCropDlg::OnReset() {
    if (m_state.linkState != kLinkSynchronised) {
        m_context.ShowMessage(MessageText(kMsgTips), MessageText(kMsgOpenSerial),
                              CMessageboxDlg::kModeInformation);
        return;
    }
    if (!ResetCropToSignal(m_state, static_cast<int>(m_pageInput)))
        return; // no signal: nothing to reset to
    SendCrop(kCropReset);
    SelectInput(m_pageInput);
}

void CCropDlg::CropOff(int previousInput) {
    if (const std::optional<corvane::Frame> f = CropOffFrame(m_state, previousInput)) {
        m_context.SendToDevice(f->data(), f->size());
        if (previousInput == static_cast<int>(m_pageInput))
            SelectInput(m_pageInput);
    }
}

void CCropDlg::SendCrop(std::uint8_t argument) {
    const std::optional<corvane::Frame> f = CropCommand(m_state, static_cast<int>(m_pageInput), argument);
    if (!f)
        return;
    ShowRecord(); // the window was fitted into the picture before it went out
    m_preview->update();
    m_context.SendToDevice(f->data(), f->size());
}

void CCropDlg::PaintPreview(QPainter& p) {
    const QRect box = PreviewBox();
    p.fillRect(box, FromColorRef(kPreviewFill));
    const QRect o = PreviewOutline();
    p.setClipRect(box);
    p.setPen(QPen(FromColorRef(kPreviewOutline), 1));
    p.setBrush(Qt::NoBrush);
    // The outline's pixels are the window's outermost ones (a window under a pixel wide or
    // high is still drawn as a line).
    p.drawRect(
        QRect(o.topLeft(), QSize(std::max(o.width(), 1), std::max(o.height(), 1))).adjusted(0, 0, -1, -1));
}

} // namespace corvane
