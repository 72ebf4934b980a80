#include "picture/PictureEdits.h"

#include "link/CommandCodes.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr float kByteMax = 255.0f;

// The boxes' ranges, by item (byte 20's numbering).
const std::array<PictureBoxRange, kPictureBlue + 1> kBoxRanges = {{
    {0.0f, kByteMax}, // brightness
    {0.0f, kByteMax}, // contrast
    {kGammaTenthsMin / 10.0f, kGammaTenthsMax / 10.0f},
    {0.0f, 0.0f},     // the colour temperature has a list, no box
    {0.0f, kByteMax}, // red
    {0.0f, kByteMax}, // green
    {0.0f, kByteMax}, // blue
}};

bool IsGain(std::uint32_t item) {
    return item == kPictureRed || item == kPictureGreen || item == kPictureBlue;
}

} // namespace

PictureBoxRange PictureBoxRangeOf(std::uint32_t item) {
    return item < kBoxRanges.size() ? kBoxRanges[item] : PictureBoxRange{};
}

std::uint8_t PictureByte(float shown) {
    if (!std::isfinite(shown))
        return 0;
    return static_cast<std::uint8_t>(std::clamp(std::trunc(shown), 0.0f, kByteMax));
}

std::optional<std::string> UserColorTempLabel(const std::string& languageName) {
    if (languageName == "English")
        return " User ";
    if (languageName == "Chinese")
        return " 自定义 ";
    return std::nullopt;
}

PictureSettings& PictureEdits::Shown() {
    return m_state.picture[std::min<std::uint32_t>(m_currentOutput, kOutputCount - 1)];
}

std::vector<int> PictureEdits::AffectedOutputs() const {
    if (m_state.pictureAllOutputs == 1)
        return {0, 1, 2, 3};
    return {static_cast<int>(std::min<std::uint32_t>(m_currentOutput, kOutputCount - 1))};
}

void PictureEdits::ChooseColorTemp(std::uint32_t colorTemp) {
    for (int k : AffectedOutputs()) {
        m_colorTempSel[static_cast<std::size_t>(k)] = colorTemp;
        m_state.picture[static_cast<std::size_t>(k)].colorTemp = static_cast<std::uint8_t>(colorTemp);
    }
}

int PictureEdits::Commit(std::uint32_t item, const PictureShown& shown, int listChoice) {
    m_changedItem = item;
    for (int k : AffectedOutputs()) {
        PictureSettings& p = m_state.picture[static_cast<std::size_t>(k)];
        if (item == kPictureBrightness)
            p.brightness = PictureByte(shown.brightness);
        else if (item == kPictureContrast)
            p.contrast = PictureByte(shown.contrast);
        else if (item == kPictureGamma)
            p.gamma = GammaTenths(shown.gamma, shown.gammaOn);
        else if (IsGain(item)) {
            // A gain moved from a preset starts from that preset's other two gains, as the
            // operator sees them.
            p.red = PictureByte(shown.red);
            p.green = PictureByte(shown.green);
            p.blue = PictureByte(shown.blue);
        }
    }
    if (IsGain(item))
        listChoice = static_cast<int>(kUserColorTemp);
    if (listChoice >= 0)
        ChooseColorTemp(static_cast<std::uint32_t>(listChoice));
    return listChoice;
}

bool PictureEdits::Pick(std::intptr_t index) {
    if (index < 0 || index >= kColorTempCount)
        return false;
    m_changedItem = kPictureColorTemp;
    // The records keep their own user gains.
    ChooseColorTemp(static_cast<std::uint32_t>(index));
    return true;
}

void PictureEdits::SwitchGamma(bool on, float shown) {
    const std::uint8_t v = GammaTenths(shown, on);
    for (int k : AffectedOutputs())
        m_state.picture[static_cast<std::size_t>(k)].gamma = v;
}

void PictureEdits::Reset() {
    m_changedItem = kPictureReset;
    for (int k : AffectedOutputs()) {
        PictureSettings& p = m_state.picture[static_cast<std::size_t>(k)];
        p.brightness = p.contrast = kPictureResetValue;
        p.red = p.green = p.blue = kPictureResetValue;
        p.gamma = kGammaOff;
    }
    // Every output reset is sent as " User " (byte 12 = 8 for all of them in "ALL" mode).
    ChooseColorTemp(kUserColorTemp);
}

bool PictureEdits::Choose(std::uint32_t output) {
    const bool changed = output != m_currentOutput;
    m_currentOutput = std::min<std::uint32_t>(output, kOutputCount - 1);
    m_state.pictureAllOutputs = 0; // choosing an output always leaves "ALL"
    return changed;
}

void PictureEdits::ChooseAll() {
    m_state.pictureAllOutputs = 1;
}

std::optional<ColorGains> PictureEdits::Refreshed() {
    const PictureSettings& r = Shown();
    m_colorTempSel[m_currentOutput] = r.colorTemp;
    if (r.colorTemp < kUserColorTemp)
        m_changedItem = kPictureColorTemp;
    return GainsOf(r.colorTemp, r);
}

std::optional<Frame> PictureEdits::Command(std::uintptr_t code, std::intptr_t argument) const {
    if (m_state.linkState != kLinkSynchronised || code != kCmdPicture)
        return std::nullopt;
    const std::optional<int> n = PictureCommandOutput(argument, m_currentOutput);
    if (!n)
        return std::nullopt;
    PictureFrameArgs args;
    args.output = *n;
    args.allOutputs = m_state.pictureAllOutputs;
    args.reset = argument == kPictureResetArgument;
    args.colorTempSel = m_colorTempSel[static_cast<std::size_t>(*n)];
    args.changedItem = m_changedItem;
    return BuildPictureFrame(m_state, args);
}

std::optional<Frame> PictureEdits::Edit(int output, std::uint32_t item, const PictureSettings& record) {
    if (m_state.linkState != kLinkSynchronised || output < 0 || output >= kOutputCount)
        return std::nullopt;
    const auto n = static_cast<std::size_t>(output);
    m_state.picture[n] = record;
    m_colorTempSel[n] = record.colorTemp;
    m_changedItem = item;
    PictureFrameArgs args;
    args.output = output;
    args.allOutputs = 0;
    args.colorTempSel = m_colorTempSel[n];
    args.changedItem = m_changedItem;
    return BuildPictureFrame(m_state, args);
}

} // namespace corvane
