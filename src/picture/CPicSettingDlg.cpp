#include "picture/CPicSettingDlg.h"

#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "picture/PictureEdits.h"
#include "picture/PictureFrames.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog155.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"
#include "widgets/oBitmapSlider.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace corvane {

namespace {

// The colour temperature list over the first row of its group.
constexpr int kListTopInGroup = 24;
constexpr int kListInset = 10;
constexpr int kListHeight = 24;

// The two frames around the area between the output buttons and the reset button.
constexpr QRgb kAreaFrame = 0xFF1E1E1E; // COLORREF 0x1E1E1E
constexpr int kAreaLeft = 8;
constexpr int kAreaTopGap = 8;    // below the output buttons
constexpr int kAreaBottomGap = 8; // above the reset button

constexpr float kGammaSliderScale = 10.0f; // a slider step is 0.1

// Sets up the box of `item` with its range.
void SetupBox(oSliderEdit* box, const QString& format, std::uint32_t item, float value) {
    const PictureBoxRange range = PictureBoxRangeOf(item);
    box->Setup(format, true, range.min, range.max, value);
}

} // namespace

CPicSettingDlg::CPicSettingDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context), m_state(context.State()),
      m_edits(std::make_unique<PictureEdits>(context.State())) {
    Ui::Dialog155 ui;
    ui.setupUi(this);
    m_outputButtons[0] = ui.output1;
    m_outputButtons[1] = ui.output2;
    m_outputButtons[2] = ui.output3;
    m_outputButtons[3] = ui.output4;
    m_allOutputs = ui.allOutputs;
    m_brightness = ui.brightness;
    m_contrast = ui.contrast;
    m_gamma = ui.gamma;
    m_red = ui.red;
    m_green = ui.green;
    m_blue = ui.blue;
    m_gammaSlider = ui.gammaSlider;
    m_gammaSwitch = ui.gammaSwitch;
    m_colorTempGroup = ui.colorTempGroup;
    m_reset = ui.resetPicture;
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

CPicSettingDlg::~CPicSettingDlg() = default;

std::uint32_t CPicSettingDlg::CurrentOutput() const {
    return m_edits->CurrentOutput();
}

std::uint32_t CPicSettingDlg::ColorTempSel(int output) const {
    return m_edits->ColorTempSel(output);
}

std::uint32_t CPicSettingDlg::ChangedItem() const {
    return m_edits->ChangedItem();
}

bool CPicSettingDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    m_colorTempList = new CDropButton(this);
    SetControlId(m_colorTempList, kColorTempListId);
    const QRect group = m_colorTempGroup->geometry();
    m_colorTempList->setGeometry(group.x() + kListInset, group.y() + kListTopInGroup,
                                 group.width() - 2 * kListInset, kListHeight);
    m_colorTempList->show();
    FillColorTempList();

    const PictureSettings& r = m_edits->Shown();
    const QString whole = QStringLiteral("%d");
    SetupBox(m_brightness, whole, kPictureBrightness, r.brightness);
    SetupBox(m_contrast, whole, kPictureContrast, r.contrast);
    m_gammaOn = r.gamma != kGammaOff ? 1 : 0;
    const PictureBoxRange gamma = PictureBoxRangeOf(kPictureGamma);
    m_gamma->Setup(QStringLiteral("%.1f"), m_gammaOn != 0, gamma.min, gamma.max, GammaShown(r.gamma));
    m_gamma->SetCharFlags(oValueEdit::kDigits | oValueEdit::kPoint);
    m_gamma->SetScale(kGammaSliderScale);
    m_gamma->AttachSlider(m_gammaSlider);
    SetupBox(m_red, whole, kPictureRed, kPictureResetValue);
    SetupBox(m_green, whole, kPictureGreen, kPictureResetValue);
    SetupBox(m_blue, whole, kPictureBlue, kPictureResetValue);
    // Each slider takes its box's range (the box's, scaled: 0..45 for the gamma's 0.5..5.0).
    const std::pair<oSliderEdit*, int> sliders[] = {{m_brightness, kBrightnessSliderId},
                                                    {m_contrast, kContrastSliderId},
                                                    {m_red, kRedSliderId},
                                                    {m_green, kRedSliderId + 1},
                                                    {m_blue, kRedSliderId + 2}};
    for (const auto& [box, sliderId] : sliders)
        box->AttachSlider(Control<oBitmapSlider>(sliderId));

    // Controls of the template with no function here.
    for (int id : {kPictureModeGroupId, kOutputLabelId, kOldResetId})
        if (QWidget* w = Control<QWidget>(id))
            w->hide();
    Refresh();
    return true;
}

std::intptr_t CPicSettingDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CPicSettingDlg, CBaseDialog>;
    static const Map map{
        Map::CommandRange(kOutputButtonFirst, kOutputButtonFirst + kOutputCount - 1,
                          &CPicSettingDlg::OnChooseOutput),
        Map::Command(kAllOutputsId, &CPicSettingDlg::OnAllOutputs),
        Map::Command(kGammaSwitchId, &CPicSettingDlg::OnGammaSwitch),
        Map::Command(kResetId, &CPicSettingDlg::OnReset),
        Map::ControlMessage(WM_ITEM_PICKED, kColorTempListId, &CPicSettingDlg::OnPickColorTemp),
        Map::Message(WM_VALUE_COMMITTED, &CPicSettingDlg::OnValueCommitted),
        Map::Message(WM_DEVICE_REPLY, &CPicSettingDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CPicSettingDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void CPicSettingDlg::ApplyLanguage() {
    ApplyDialogTexts(this, kDialogId);
    const std::string title = GetLangString("IDD155_1323");
    if (!title.empty())
        m_colorTempGroup->setTitle(QString::fromStdString(title));
    if (const std::optional<std::string> user = UserColorTempLabel(m_context.LanguageName()))
        m_state.colorTemps[kUserColorTemp].label = *user;
    FillColorTempList();
    update();
}

void CPicSettingDlg::FillColorTempList() {
    if (!m_colorTempList)
        return;
    m_colorTempList->ResetContent();
    for (const ColorTempPreset& preset : m_state.colorTemps)
        m_colorTempList->AddString(QString::fromStdString(preset.label));
    SelectColorTemp(m_edits->ColorTempSel(static_cast<int>(m_edits->CurrentOutput())));
}

void CPicSettingDlg::SelectColorTemp(std::uint32_t colorTemp) {
    if (!m_colorTempList)
        return;
    if (colorTemp < static_cast<std::uint32_t>(m_colorTempList->GetCount())) {
        m_colorTempList->SetCurSel(static_cast<int>(colorTemp));
        return;
    }
    // An index the processor reported that no row has: nothing is chosen, and nothing shown.
    m_colorTempList->SetCurSel(-1);
    m_colorTempList->setText(QString());
}

// ---- showing

void CPicSettingDlg::Refresh() {
    const PictureSettings& r = m_edits->Shown();
    m_gammaOn = r.gamma != kGammaOff ? 1 : 0;
    m_gammaSwitch->setChecked(m_gammaOn != 0);
    ShowGammaEnabled(m_gammaOn != 0);
    m_brightness->SetValue(r.brightness);
    m_contrast->SetValue(r.contrast);
    // A gamma outside 0.5..5.0 is shown at the nearest end; the record keeps it as reported.
    const float gamma = GammaShown(r.gamma);
    if (std::fabs(m_gamma->GetValue() - gamma) > 0.01f)
        m_gamma->SetValue(gamma);

    const std::optional<ColorGains> gains = m_edits->Refreshed();
    SelectColorTemp(r.colorTemp);
    if (gains)
        ShowGains(*gains);
    HighlightOutputs();
}

void CPicSettingDlg::ShowGains(const ColorGains& gains) {
    m_red->SetValue(gains.red);
    m_green->SetValue(gains.green);
    m_blue->SetValue(gains.blue);
}

void CPicSettingDlg::ShowGammaEnabled(bool on) {
    m_gamma->setEnabled(on);
    m_gammaSlider->setEnabled(on);
}

void CPicSettingDlg::HighlightOutputs() {
    const bool all = m_state.pictureAllOutputs == 1;
    const QColor orange = QColor::fromRgba(theme::kOrange);
    const QColor inactive = QColor::fromRgba(theme::kInactive);
    for (int i = 0; i < kOutputCount; ++i) {
        const bool current = !all && static_cast<std::uint32_t>(i) == m_edits->CurrentOutput();
        m_outputButtons[i]->setChecked(current);
        m_outputButtons[i]->SetTextColour(all || current ? orange : inactive);
    }
    m_allOutputs->setChecked(all);
    m_allOutputs->SetTextColour(all ? orange : inactive);
}

void CPicSettingDlg::paintEvent(QPaintEvent* event) {
    CBaseDialog::paintEvent(event);
    const int top = m_outputButtons[0]->geometry().bottom() + 1 + kAreaTopGap;
    const int bottom = m_reset->geometry().top() - kAreaBottomGap;
    if (bottom <= top)
        return;
    QPainter p(this);
    p.setPen(QColor::fromRgba(kAreaFrame));
    p.setBrush(Qt::NoBrush);
    const QRect outer(kAreaLeft, top, width() - 2 * kAreaLeft, bottom - top);
    p.drawRect(outer.adjusted(0, 0, -1, -1));
    p.drawRect(outer.adjusted(2, 2, -3, -3));
}

// ---- edits

std::intptr_t CPicSettingDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    if (!isVisible())
        return 0;
    std::uint32_t item = 0;
    switch (static_cast<int>(id)) {
    case kBrightnessId:
        item = kPictureBrightness;
        break;
    case kContrastId:
        item = kPictureContrast;
        break;
    case kGammaId:
        item = kPictureGamma;
        break;
    case kRedId:
        item = kPictureRed;
        break;
    case kGreenId:
        item = kPictureGreen;
        break;
    case kBlueId:
        item = kPictureBlue;
        break;
    default:
        return 0;
    }
    const PictureShown shown{m_brightness->GetValue(),   m_contrast->GetValue(), m_gamma->GetValue(),
                             m_gammaSwitch->isChecked(), m_red->GetValue(),      m_green->GetValue(),
                             m_blue->GetValue()};
    const int choice = m_edits->Commit(item, shown, m_colorTempList->GetCurSel());
    if (choice >= 0)
        SelectColorTemp(static_cast<std::uint32_t>(choice));
    // Every commit is sent, also one that changes no record: typing a value again is how an
    // operator pushes it to a processor that lost it.
    RequestCommand(m_edits->CurrentOutput());
    return 0;
}

std::intptr_t CPicSettingDlg::OnPickColorTemp(std::uintptr_t, std::intptr_t index) {
    if (!m_edits->Pick(index))
        return 0;
    // A preset's gains are shown, the records keep their own user gains.
    if (const std::optional<ColorGains> gains = GainsOf(static_cast<std::uint32_t>(index), m_edits->Shown()))
        ShowGains(*gains);
    RequestCommand(m_edits->CurrentOutput());
    return 0;
}

void CPicSettingDlg::OnGammaSwitch() {
    const bool on = m_gammaSwitch->isChecked();
    m_gammaOn = on ? 1 : 0;
    ShowGammaEnabled(on);
    m_edits->SwitchGamma(on, m_gamma->GetValue());
    if (!on)
        m_gamma->SetValue(kGammaShownWhenOff);
    RequestCommand(m_edits->CurrentOutput());
}

void CPicSettingDlg::OnChooseOutput(int id) {
    m_outputButtons[m_edits->CurrentOutput()]->setChecked(false);
    if (m_edits->Choose(static_cast<std::uint32_t>(id - kOutputButtonFirst)))
        Refresh();
    HighlightOutputs();
}

void CPicSettingDlg::OnAllOutputs() {
    m_edits->ChooseAll();
    HighlightOutputs();
}

void CPicSettingDlg::OnReset() {
    SelectColorTemp(kUserColorTemp);
    m_edits->Reset();
    Refresh();
    RequestCommand(kPictureResetArgument);
}

bool CPicSettingDlg::ApplyEdit(int output, std::uint32_t item, const PictureSettings& record) {
    const std::optional<corvane::Frame> f = m_edits->Edit(output, item, record);
    if (!f)
        return false;
    m_context.SendToDevice(f->data(), f->size());
    if (static_cast<std::uint32_t>(output) == m_edits->CurrentOutput())
        Refresh();
    return true;
}

// ---- the processor

std::intptr_t CPicSettingDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t) {
    if (code != kReplyPicture)
        return 0;
    // Whichever pair was reported, the output shown is read again.
    Refresh();
    return 0;
}

void CPicSettingDlg::RequestCommand(std::intptr_t argument) {
    SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdPicture, argument);
}

std::intptr_t CPicSettingDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    const std::optional<corvane::Frame> f = m_edits->Command(code, argument);
    if (!f)
        return -1;
    m_context.SendToDevice(f->data(), f->size());
    return 0;
}

} // namespace corvane
