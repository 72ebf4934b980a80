#include "blend/CFuseDlg.h"

#include "blend/BlendFrames.h"
#include "blend/BlendRules.h"
#include "blend/CBezierDlg.h"
#include "device/ReplyCodes.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "platform/Paths.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog172.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CHotSpot.h"
#include "widgets/CPaintSurface.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace corvane {

namespace {

constexpr int kGammaListWidth = 90;
constexpr int kGammaListHeight = 24;
constexpr int kGammaListGap = 8;
// The preview keeps this far inside its frame; the editor this far inside its own.
constexpr int kPreviewInset = 10;
constexpr int kEditorInset = 2;
// The preview's colours: the output's active area and its outline, the zone of a side switched
// on (orange, fading in its direction) and of a side switched off.
constexpr QRgb kAreaFill = 0xFF262626;
constexpr QRgb kZoneOffColour = 0xFF8A8A8A;

QPixmap LoadMark(const char* name) {
    return QPixmap(QString::fromStdString(JoinPath(JoinPath(ExecutableFolder(), "Image"), name)));
}

// A picture of a mark for a missing image file: a framed square, filled when on.
QPixmap DrawnMark(bool on, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(on ? QColor(theme::kOrange) : QColor(theme::kInactive), 1));
    p.setBrush(on ? QColor(theme::kOrange) : Qt::NoBrush);
    p.drawRect(QRect(2, 2, size - 5, size - 5));
    return pixmap;
}

} // namespace

CFuseDlg::CFuseDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::FloatingWindow), m_context(context), m_state(context.State()) {
    Ui::Dialog172 ui;
    ui.setupUi(this);
    m_outputButtons = {ui.output1, ui.output2, ui.output3, ui.output4};
    m_sideButtons = {ui.sideH1, ui.sideH2, ui.sideV1, ui.sideV2};
    m_tableButtons = {ui.table1, ui.table2, ui.table3, ui.table4};
    m_tableChoices = {ui.choice0, ui.choice1, ui.choice2, ui.choice3, ui.choice4};
    m_direction0 = ui.direction0;
    m_direction1 = ui.direction1;
    m_tables = ui.tables;
    m_setData = ui.setData;
    m_switch = ui.enableSwitch;
    m_hStart = ui.hStart;
    m_hSize = ui.hSize;
    m_vStart = ui.vStart;
    m_vSize = ui.vSize;
    m_previewFrame = ui.previewFrame;
    m_editorFrame = ui.curveFrame;
    // Created hidden: the output page's "Blend >" shows it.
    hide();
}

bool CFuseDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    LoadMarks();

    m_gammaList = new CDropButton(this);
    SetControlId(m_gammaList, kGammaListId);
    if (const QWidget* caption = Control<QWidget>(kGammaLabelId)) {
        const QRect c = caption->geometry();
        m_gammaList->setGeometry(c.right() + kGammaListGap, c.y(), kGammaListWidth, kGammaListHeight);
    }
    for (const GammaItem& item : GammaItems())
        m_gammaList->AddString(QString::fromStdString(item.text));
    m_gammaList->show();

    for (QFrame* frame : {m_previewFrame, m_editorFrame}) {
        QPalette palette = frame->palette();
        palette.setColor(QPalette::WindowText, QColor(theme::kFrameLine));
        frame->setPalette(palette);
    }

    const QString format = QStringLiteral("%d");
    for (oRealEdit* box : {m_hStart, m_hSize, m_vStart, m_vSize})
        box->Setup(format, false, 0, kZoneValueMax, 0);

    // The curve editor inside its frame; the frame follows the editor's size (it grows with the
    // screen's pixels per inch).
    m_editor = new CBezierDlg(m_state, this);
    m_editor->Create();
    const QRect frame = m_editorFrame->geometry();
    m_editor->move(frame.x() + kEditorInset, frame.y() + kEditorInset);
    m_editorFrame->resize(std::max(frame.width(), m_editor->width() + 2 * kEditorInset),
                          std::max(frame.height(), m_editor->height() + 2 * kEditorInset));
    m_editor->show();

    m_preview = new CPaintSurface(this, [this](QPainter& p) { PaintPreview(p); });
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setGeometry(m_previewFrame->geometry().adjusted(1, 1, -1, -1));
    m_preview->show();

    m_marks = new CPaintSurface(this, [this](QPainter& p) { PaintMarks(p); });
    m_marks->setObjectName(QStringLiteral("marks"));
    QRect all = m_switch->geometry();
    for (const CHotSpot* spot : m_tableChoices)
        all = all.united(spot->geometry());
    m_marks->setGeometry(all);
    m_marks->show();
    m_marks->raise();
    m_switch->raise();
    for (CHotSpot* spot : m_tableChoices)
        spot->raise();

    SetDirectionLabels();
    SelectOutput(m_blendOutput);
    ShowTableButton(m_tableShown);
    return true;
}

std::intptr_t CFuseDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CFuseDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kOutputButtonFirst, kOutputButtonFirst + kOutputCount - 1,
                          &CFuseDlg::OnOutputButton),
        Map::CommandRange(kSideButtonFirst, kSideButtonFirst + kSideCount - 1, &CFuseDlg::OnSideButton),
        Map::CommandRange(kDirectionFirstId, kDirectionSecondId, &CFuseDlg::OnDirection),
        Map::Command(kSwitchId, &CFuseDlg::OnSwitch),
        Map::CommandRange(kTableChoiceFirst, kTableChoiceFirst + kTableChoiceCount - 1,
                          &CFuseDlg::OnTableChoice),
        Map::CommandRange(kTableButtonFirst, kTableButtonFirst + 3, &CFuseDlg::OnTableButton),
        Map::Command(kSetDataId, &CFuseDlg::OnSetData),
        Map::Message(WM_ITEM_PICKED, &CFuseDlg::OnItemPicked),
        Map::Message(WM_VALUE_COMMITTED, &CFuseDlg::OnValueCommitted),
        Map::Message(WM_DEVICE_COMMAND, &CFuseDlg::OnDeviceCommand),
        Map::Message(WM_DEVICE_REPLY, &CFuseDlg::OnDeviceReply),
    };
    return map.Dispatch(*this, message);
}

void CFuseDlg::ShowPage(bool show) {
    // The processor may have reported other sides while the page was hidden: read them afresh.
    if (show && IsCreated())
        SelectOutput(m_blendOutput);
    CBaseDialog::ShowPage(show);
}

void CFuseDlg::ApplyLanguage() {
    CBaseDialog::ApplyLanguage();
    if (m_editor)
        m_editor->ApplyLanguage(); // its name and its box's follow the language too
    SetDirectionLabels();
}

void CFuseDlg::ClosePage() {
    ShowPage(false);
    PostWindowMessage(m_context.WindowOf(Window::MainWindow), WM_CLOSE_PAGE, 0, 2);
}

void CFuseDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        ClosePage();
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

void CFuseDlg::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason); // a box being typed in commits
    CBaseDialog::mousePressEvent(event);
}

// ---- showing

BlendSide& CFuseDlg::Side() {
    return m_state.outputs[static_cast<std::size_t>(m_blendOutput)]
        .blend[static_cast<std::size_t>(m_blendSide)];
}

void CFuseDlg::SelectOutput(int n) {
    if (n < 0 || n >= kOutputCount)
        return;
    m_blendOutput = n;
    for (int i = 0; i < kOutputCount; ++i) {
        CGdipButton* b = m_outputButtons[static_cast<std::size_t>(i)];
        b->setChecked(i == n);
        b->SetTextColour(QColor(i == n ? theme::kOrange : theme::kInactive));
    }
    SelectSide(m_blendSide);
    // The editor shows the same table of the new output: what it edits is what Set Data sends.
    if (m_editor)
        m_editor->ShowTable(m_blendOutput, m_tableShown);
}

void CFuseDlg::SelectSide(int s) {
    if (s < 0 || s >= kSideCount)
        return;
    m_blendSide = s;
    ShowSide();
}

void CFuseDlg::ShowSide() {
    const BlendSide& side = Side();
    for (int i = 0; i < kSideCount; ++i) {
        CGdipButton* b = m_sideButtons[static_cast<std::size_t>(i)];
        b->setChecked(i == m_blendSide);
        b->SetTextColour(QColor(i == m_blendSide ? theme::kOrange : theme::kInactive));
    }
    const bool horizontal = AxisOf(m_blendSide) == BlendAxis::Horizontal;
    (horizontal ? m_hStart : m_vStart)->SetValue(side.start);
    (horizontal ? m_hSize : m_vSize)->SetValue(side.size);
    m_gammaList->SetCurSel(GammaItemFor(side.gamma));
    m_direction0->setChecked(side.direction == 0);
    m_direction1->setChecked(side.direction != 0);
    // The pressed one in orange like every choice of the page: its face is dark (a text of the
    // background's colour would not be read on it).
    m_direction0->SetTextColour(QColor(side.direction == 0 ? theme::kOrange : theme::kInactive));
    m_direction1->SetTextColour(QColor(side.direction != 0 ? theme::kOrange : theme::kInactive));
    SetDirectionLabels();
    MarkTableChoice(TableChoiceOf(side));
    m_switchOn = side.enable != 0;
    m_switch->setChecked(m_switchOn);
    Enable();
    m_marks->update();
    m_preview->update();
}

void CFuseDlg::Enable() {
    const BlendEnabling e = EnablingFor(m_blendSide, m_switchOn);
    m_hStart->setEnabled(e.horizontalBoxes);
    m_hSize->setEnabled(e.horizontalBoxes);
    m_vStart->setEnabled(e.verticalBoxes);
    m_vSize->setEnabled(e.verticalBoxes);
    QWidget* const sideControls[] = {m_direction0, m_direction1, m_gammaList, m_tables, m_setData, m_editor};
    for (QWidget* w : sideControls)
        w->setEnabled(e.sideControls);
    for (CGdipButton* b : m_tableButtons)
        b->setEnabled(e.sideControls);
}

void CFuseDlg::MarkTableChoice(int choice) {
    m_tableChoice = choice;
    for (int i = 0; i < kTableChoiceCount; ++i)
        m_tableChoices[static_cast<std::size_t>(i)]->setChecked(i == choice);
    m_marks->update();
}

void CFuseDlg::ShowTableButton(int table) {
    m_tableShown = std::clamp(table, 1, 4);
    for (int i = 0; i < 4; ++i) {
        CGdipButton* b = m_tableButtons[static_cast<std::size_t>(i)];
        b->setChecked(i + 1 == m_tableShown);
        b->SetTextColour(QColor(i + 1 == m_tableShown ? theme::kOrange : theme::kInactive));
    }
    m_editor->ShowTable(m_blendOutput, m_tableShown);
}

void CFuseDlg::SetDirectionLabels() {
    const DirectionLabels labels = DirectionLabelsFor(m_blendSide, m_context.LanguageName());
    m_direction0->setText(QString::fromStdString(labels.first));
    m_direction1->setText(QString::fromStdString(labels.second));
}

// ---- the operator

void CFuseDlg::OnOutputButton(int id) {
    SelectOutput(id - kOutputButtonFirst);
}

void CFuseDlg::OnSideButton(int id) {
    SelectSide(id - kSideButtonFirst);
}

void CFuseDlg::OnDirection(int id) {
    Side().direction = id == kDirectionSecondId ? 1 : 0;
    ShowSide();
    Send(kCmdBlend);
}

void CFuseDlg::OnSwitch() {
    m_switchOn = !m_switchOn;
    Side().enable = m_switchOn ? 1 : 0;
    m_switch->setChecked(m_switchOn);
    Enable();
    m_marks->update();
    m_preview->update();
    Send(kCmdBlend);
}

void CFuseDlg::OnTableChoice(int id) {
    if (!m_switchOn) {
        MarkTableChoice(m_tableChoice); // the hot spot checked itself: the mark stays
        return;
    }
    const int choice = id - kTableChoiceFirst;
    MarkTableChoice(choice);
    Side().table = static_cast<std::uint8_t>(choice); // goes with the next 0x0007
}

void CFuseDlg::OnTableButton(int id) {
    ShowTableButton(id - kTableButtonFirst + 1);
}

void CFuseDlg::OnSetData() {
    if (m_state.linkState != kLinkSynchronised) {
        m_context.ShowMessage(MessageText(kMsgEdgeBlendSettings), MessageText(kMsgOpenSerial),
                              CMessageboxDlg::kModeInformation);
        return;
    }
    Send(kCmdBlend);
    Send(kCmdBlendCurve);
}

std::intptr_t CFuseDlg::OnItemPicked(std::uintptr_t id, std::intptr_t item) {
    const std::optional<int> gamma = GammaOfItem(item);
    if (id != kGammaListId || !gamma)
        return 0;
    Side().gamma = static_cast<std::uint8_t>(*gamma);
    Send(kCmdBlend);
    return 0;
}

std::intptr_t CFuseDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    const bool horizontal = AxisOf(m_blendSide) == BlendAxis::Horizontal;
    oRealEdit* start = horizontal ? m_hStart : m_vStart;
    oRealEdit* size = horizontal ? m_hSize : m_vSize;
    const int boxId = static_cast<int>(id);
    if (boxId != ControlId(start) && boxId != ControlId(size))
        return 0; // the boxes of the other axis change nothing
    BlendSide& side = Side();
    const int extent = ZoneExtent(m_state, m_context.Picks(), m_blendOutput, m_blendSide);
    const BlendZone before{side.start, side.size};
    const BlendZone zone = boxId == ControlId(start) ? CommitZoneStart(before, start->GetValue(), extent)
                                                     : CommitZoneSize(before, size->GetValue(), extent);
    side.start = zone.start;
    side.size = zone.size;
    start->SetValue(zone.start);
    size->SetValue(zone.size);
    m_preview->update();
    Send(kCmdBlend);
    return 0;
}

// ---- the processor

void CFuseDlg::Send(std::uint16_t code) {
    SendWindowMessage(this, WM_DEVICE_COMMAND, code, m_blendOutput);
}

std::intptr_t CFuseDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t output) {
    const std::optional<corvane::Frame> f = BlendCommandFrame(m_state, code, output);
    if (!f)
        return -1;
    m_context.SendToDevice(f->data(), f->size());
    return 0;
}

std::intptr_t CFuseDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    if (code == kReplyBlend && index == m_blendOutput)
        ShowSide();
    else if (code == kReplyCurve && index == m_blendOutput)
        m_editor->ShowTable(m_blendOutput, m_tableShown);
    if (index == 1) // also the output page's notice that an output's size changed
        m_preview->update();
    return 0;
}

// ---- drawing

void CFuseDlg::LoadMarks() {
    m_markOn = LoadMark("checkin.png");
    m_markOff = LoadMark("checkout.png");
    if (m_markOn.isNull())
        m_markOn = DrawnMark(true, kMarkSize);
    if (m_markOff.isNull())
        m_markOff = DrawnMark(false, kMarkSize);
}

QRect CFuseDlg::MarkRect(int hotSpotId) const {
    const QWidget* spot = hotSpotId == kSwitchId
                              ? static_cast<QWidget*>(m_switch)
                              : m_tableChoices[static_cast<std::size_t>(hotSpotId - kTableChoiceFirst)];
    const QRect g = spot->geometry();
    const int left = hotSpotId == kSwitchId ? g.x() + (g.width() - kMarkSize) / 2 : g.x() + 2;
    return {left, g.y() + (g.height() - kMarkSize) / 2, kMarkSize, kMarkSize};
}

void CFuseDlg::PaintMarks(QPainter& p) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(MarkRect(kSwitchId), m_switchOn ? m_markOn : m_markOff);
    for (int i = 0; i < kTableChoiceCount; ++i) {
        if (!m_switchOn)
            p.setOpacity(0.45); // the choices take no click while the side is off
        p.drawPixmap(MarkRect(kTableChoiceFirst + i), i == m_tableChoice ? m_markOn : m_markOff);
        p.setOpacity(1.0);
    }
}

QRect CFuseDlg::PreviewArea() const {
    const QRect box =
        m_previewFrame->geometry().adjusted(kPreviewInset, kPreviewInset, -kPreviewInset, -kPreviewInset);
    const int w = ZoneExtent(m_state, m_context.Picks(), m_blendOutput, kSideH1);
    const int h = ZoneExtent(m_state, m_context.Picks(), m_blendOutput, kSideV1);
    if (w <= 0 || h <= 0)
        return box;
    const double scale =
        std::min(static_cast<double>(box.width()) / w, static_cast<double>(box.height()) / h);
    const QSize size(std::max(1, static_cast<int>(w * scale)), std::max(1, static_cast<int>(h * scale)));
    return {box.x() + (box.width() - size.width()) / 2, box.y() + (box.height() - size.height()) / 2,
            size.width(), size.height()};
}

QRect CFuseDlg::PreviewZone() const {
    const QRect area = PreviewArea();
    const BlendSide& side =
        m_state.outputs[static_cast<std::size_t>(m_blendOutput)].blend[static_cast<std::size_t>(m_blendSide)];
    const bool horizontal = AxisOf(m_blendSide) == BlendAxis::Horizontal;
    const int extent = ZoneExtent(m_state, m_context.Picks(), m_blendOutput, m_blendSide);
    if (extent <= 0)
        return {};
    const int length = horizontal ? area.width() : area.height();
    const auto at = [&](int pixel) {
        return static_cast<int>(static_cast<long long>(std::clamp(pixel, 0, extent)) * length / extent);
    };
    const int from = at(side.start), to = std::max(at(side.start + side.size), from + 1);
    return horizontal ? QRect(area.x() + from, area.y(), to - from, area.height())
                      : QRect(area.x(), area.y() + from, area.width(), to - from);
}

void CFuseDlg::PaintPreview(QPainter& p) {
    const QRect area = PreviewArea();
    p.fillRect(area, QColor(kAreaFill));
    p.setPen(QPen(QColor(theme::kInactive), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    const int w = ZoneExtent(m_state, m_context.Picks(), m_blendOutput, kSideH1);
    const int h = ZoneExtent(m_state, m_context.Picks(), m_blendOutput, kSideV1);
    p.setFont(theme::ControlFont());
    p.setPen(QColor(theme::kStaticText));
    p.drawText(area, Qt::AlignCenter, QStringLiteral("%1 x %2").arg(w).arg(h));

    const QRect zone = PreviewZone().intersected(area);
    if (zone.isEmpty())
        return;
    const BlendSide& side =
        m_state.outputs[static_cast<std::size_t>(m_blendOutput)].blend[static_cast<std::size_t>(m_blendSide)];
    const bool horizontal = AxisOf(m_blendSide) == BlendAxis::Horizontal;
    const QColor colour = m_switchOn ? QColor(theme::kOrange) : QColor(kZoneOffColour);
    // Full picture where the ramp starts, faded out where it ends.
    QPointF from = horizontal ? QPointF(zone.left(), 0) : QPointF(0, zone.top());
    QPointF to = horizontal ? QPointF(zone.right() + 1, 0) : QPointF(0, zone.bottom() + 1);
    if (side.direction != 0)
        std::swap(from, to);
    QLinearGradient ramp(from, to);
    QColor strong = colour, faint = colour;
    strong.setAlpha(200);
    faint.setAlpha(30);
    ramp.setColorAt(0, strong);
    ramp.setColorAt(1, faint);
    p.fillRect(zone, ramp);
    p.setPen(QPen(colour, 1, m_switchOn ? Qt::SolidLine : Qt::DashLine));
    p.drawRect(zone.adjusted(0, 0, -1, -1));
}

} // namespace corvane
