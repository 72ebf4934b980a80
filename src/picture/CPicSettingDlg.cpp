#include "picture/CPicSettingDlg.h"

#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
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

// Ranges of the boxes.
constexpr float kByteMax = 255.0f;
constexpr float kGammaMin = kGammaTenthsMin / 10.0f;
constexpr float kGammaMax = kGammaTenthsMax / 10.0f;
constexpr float kGammaSliderScale = 10.0f; // a slider step is 0.1

std::uint8_t BoxByte(const oSliderEdit* box) {
    // The box's value, truncated to a whole number (the box keeps it inside 0..255).
    return static_cast<std::uint8_t>(std::clamp(std::trunc(box->GetValue()), 0.0f, kByteMax));
}

} // namespace

CPicSettingDlg::CPicSettingDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context), m_state(context.State()) {
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

bool CPicSettingDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    m_colorTempList = new CDropButton(this);
    SetControlId(m_colorTempList, kColorTempListId);
    const QRect group = m_colorTempGroup->geometry();
    m_colorTempList->setGeometry(group.x() + kListInset, group.y() + kListTopInGroup,
                                 group.width() - 2 * kListInset, kListHeight);
    m_colorTempList->show();
    FillColorTempList();

    const PictureSettings& r = Shown();
    const QString whole = QStringLiteral("%d");
    m_brightness->Setup(whole, true, 0, kByteMax, r.brightness);
    m_contrast->Setup(whole, true, 0, kByteMax, r.contrast);
    m_gammaOn = r.gamma != kGammaOff ? 1 : 0;
    m_gamma->Setup(QStringLiteral("%.1f"), m_gammaOn != 0, kGammaMin, kGammaMax, GammaShown(r.gamma));
    m_gamma->SetCharFlags(oValueEdit::kDigits | oValueEdit::kPoint);
    m_gamma->SetScale(kGammaSliderScale);
    m_gamma->AttachSlider(m_gammaSlider);
    for (oSliderEdit* gain : {m_red, m_green, m_blue})
        gain->Setup(whole, true, 0, kByteMax, kPictureResetValue);
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
    const std::string language = m_context.LanguageName();
    std::string& user = m_state.colorTemps[kUserColorTemp].label;
    if (language == "English")
        user = " User ";
    else if (language == "Chinese")
        user = " 自定义 ";
    FillColorTempList();
    update();
}

void CPicSettingDlg::FillColorTempList() {
    if (!m_colorTempList)
        return;
    m_colorTempList->ResetContent();
    for (const ColorTempPreset& preset : m_state.colorTemps)
        m_colorTempList->AddString(QString::fromStdString(preset.label));
    SelectColorTemp(m_colorTempSel[m_currentOutput]);
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

PictureSettings& CPicSettingDlg::Shown() {
    return m_state.picture[std::min<std::uint32_t>(m_currentOutput, kOutputCount - 1)];
}

void CPicSettingDlg::Refresh() {
    const PictureSettings& r = Shown();
    m_gammaOn = r.gamma != kGammaOff ? 1 : 0;
    m_gammaSwitch->setChecked(m_gammaOn != 0);
    ShowGammaEnabled(m_gammaOn != 0);
    m_brightness->SetValue(r.brightness);
    m_contrast->SetValue(r.contrast);
    // A gamma outside 0.5..5.0 is shown at the nearest end; the record keeps it as reported.
    const float gamma = GammaShown(r.gamma);
    if (std::fabs(m_gamma->GetValue() - gamma) > 0.01f)
        m_gamma->SetValue(gamma);

    m_colorTempSel[m_currentOutput] = r.colorTemp;
    SelectColorTemp(r.colorTemp);
    const int selected = m_colorTempList ? m_colorTempList->GetCurSel() : -1;
    if (selected == static_cast<int>(kUserColorTemp)) {
        ShowGains(kUserColorTemp);
    } else if (r.colorTemp < kUserColorTemp) {
        ShowGains(r.colorTemp);
        m_changedItem = kPictureColorTemp;
    }
    HighlightOutputs();
}

void CPicSettingDlg::ShowGains(std::uint32_t colorTemp) {
    const std::optional<ColorGains> gains = GainsOf(colorTemp, Shown());
    if (!gains)
        return;
    m_red->SetValue(gains->red);
    m_green->SetValue(gains->green);
    m_blue->SetValue(gains->blue);
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
        const bool current = !all && static_cast<std::uint32_t>(i) == m_currentOutput;
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

std::vector<int> CPicSettingDlg::AffectedOutputs() const {
    if (m_state.pictureAllOutputs == 1)
        return {0, 1, 2, 3};
    return {static_cast<int>(std::min<std::uint32_t>(m_currentOutput, kOutputCount - 1))};
}

std::intptr_t CPicSettingDlg::OnValueCommitted(std::uintptr_t id, std::intptr_t) {
    if (!isVisible())
        return 0;
    const std::vector<int> affected = AffectedOutputs();
    auto write = [&](auto apply) {
        for (int k : affected)
            apply(m_state.picture[static_cast<std::size_t>(k)]);
    };
    switch (static_cast<int>(id)) {
    case kBrightnessId: {
        m_changedItem = kPictureBrightness;
        const std::uint8_t v = BoxByte(m_brightness);
        write([v](PictureSettings& p) { p.brightness = v; });
        break;
    }
    case kContrastId: {
        m_changedItem = kPictureContrast;
        const std::uint8_t v = BoxByte(m_contrast);
        write([v](PictureSettings& p) { p.contrast = v; });
        break;
    }
    case kGammaId: {
        m_changedItem = kPictureGamma;
        const std::uint8_t v = GammaTenths(m_gamma->GetValue(), m_gammaSwitch->isChecked());
        write([v](PictureSettings& p) { p.gamma = v; });
        break;
    }
    case kRedId:
    case kGreenId:
    case kBlueId: {
        m_changedItem = id == kRedId ? kPictureRed : id == kGreenId ? kPictureGreen : kPictureBlue;
        // The user gains become the three the page shows: a gain moved from a preset starts
        // from that preset's other two gains, as the operator sees them.
        const ColorGains g{BoxByte(m_red), BoxByte(m_green), BoxByte(m_blue)};
        write([g](PictureSettings& p) {
            p.red = g.red;
            p.green = g.green;
            p.blue = g.blue;
        });
        SelectColorTemp(kUserColorTemp);
        break;
    }
    default:
        return 0;
    }
    // The colour temperature chosen goes with every edit; with none chosen (an index the
    // processor reported that no row has) the records keep theirs.
    const int selected = m_colorTempList->GetCurSel();
    if (selected >= 0)
        for (int k : affected) {
            m_colorTempSel[static_cast<std::size_t>(k)] = static_cast<std::uint32_t>(selected);
            m_state.picture[static_cast<std::size_t>(k)].colorTemp = static_cast<std::uint8_t>(selected);
        }
    // Every commit is sent, also one that changes no record: typing a value again is how an
    // operator pushes it to a processor that lost it.
    RequestCommand(m_currentOutput);
    return 0;
}

std::intptr_t CPicSettingDlg::OnPickColorTemp(std::uintptr_t, std::intptr_t index) {
    if (index < 0 || index >= kColorTempCount)
        return 0;
    m_changedItem = kPictureColorTemp;
    const auto choice = static_cast<std::uint32_t>(index);
    for (int k : AffectedOutputs()) {
        m_colorTempSel[static_cast<std::size_t>(k)] = choice;
        m_state.picture[static_cast<std::size_t>(k)].colorTemp = static_cast<std::uint8_t>(choice);
    }
    // A preset's gains are shown, the records keep their own user gains.
    ShowGains(choice);
    RequestCommand(m_currentOutput);
    return 0;
}

void CPicSettingDlg::OnGammaSwitch() {
    const bool on = m_gammaSwitch->isChecked();
    m_gammaOn = on ? 1 : 0;
    ShowGammaEnabled(on);
    const std::uint8_t v = GammaTenths(m_gamma->GetValue(), on);
    for (int k : AffectedOutputs())
        m_state.picture[static_cast<std::size_t>(k)].gamma = v;
    if (!on)
        m_gamma->SetValue(kGammaShownWhenOff);
    RequestCommand(m_currentOutput);
}

void CPicSettingDlg::OnChooseOutput(int id) {
    const auto n = static_cast<std::uint32_t>(id - kOutputButtonFirst);
    m_outputButtons[m_currentOutput]->setChecked(false);
    const bool changed = n != m_currentOutput;
    m_currentOutput = n;
    m_state.pictureAllOutputs = 0; // choosing an output always leaves "ALL"
    if (changed)
        Refresh();
    HighlightOutputs();
}

void CPicSettingDlg::OnAllOutputs() {
    m_state.pictureAllOutputs = 1;
    HighlightOutputs();
}

void CPicSettingDlg::OnReset() {
    m_changedItem = kPictureReset;
    SelectColorTemp(kUserColorTemp);
    for (int k : AffectedOutputs()) {
        PictureSettings& p = m_state.picture[static_cast<std::size_t>(k)];
        p.brightness = p.contrast = kPictureResetValue;
        p.red = p.green = p.blue = kPictureResetValue;
        p.gamma = kGammaOff;
        // Every output reset is sent as " User " (byte 12 = 8 for all of them in "ALL" mode).
        p.colorTemp = static_cast<std::uint8_t>(kUserColorTemp);
        m_colorTempSel[static_cast<std::size_t>(k)] = kUserColorTemp;
    }
    Shown().colorTemp = static_cast<std::uint8_t>(kUserColorTemp);
    Refresh();
    RequestCommand(kPictureResetArgument);
}

bool CPicSettingDlg::ApplyEdit(int output, std::uint32_t item, const PictureSettings& record) {
    if (m_state.linkState != kLinkSynchronised || output < 0 || output >= kOutputCount)
        return false;
    const auto n = static_cast<std::size_t>(output);
    m_state.picture[n] = record;
    m_colorTempSel[n] = record.colorTemp;
    m_changedItem = item;
    PictureFrameArgs args;
    args.output = output;
    args.allOutputs = 0;
    args.colorTempSel = m_colorTempSel[n];
    args.changedItem = m_changedItem;
    const corvane::Frame f = BuildPictureFrame(m_state, args);
    m_context.SendToDevice(f.data(), f.size());
    if (static_cast<std::uint32_t>(output) == m_currentOutput)
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
    if (m_state.linkState != kLinkSynchronised)
        return -1;
    if (code != kCmdPicture)
        return -1;
    const std::optional<int> n = PictureCommandOutput(argument, m_currentOutput);
    if (!n)
        return -1;
    PictureFrameArgs args;
    args.output = *n;
    args.allOutputs = m_state.pictureAllOutputs;
    args.reset = argument == kPictureResetArgument;
    args.colorTempSel = m_colorTempSel[static_cast<std::size_t>(*n)];
    args.changedItem = m_changedItem;
    const corvane::Frame f = BuildPictureFrame(m_state, args);
    m_context.SendToDevice(f.data(), f.size());
    return 0;
}

} // namespace corvane
