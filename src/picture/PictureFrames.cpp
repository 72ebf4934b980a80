#include "picture/PictureFrames.h"

#include <algorithm>
#include <cmath>

namespace corvane {

const std::array<ColorGains, kColorTempPresetCount> kColorTempGains = {{
    {128, 107, 81},  // " 4000K "
    {128, 114, 103}, // " 5000K "
    {128, 128, 128}, // " 6500K "
    {119, 120, 128}, // " 7500K "
    {114, 116, 128}, // " 8200K "
    {107, 112, 128}, // " 9300K "
    {104, 109, 128}, // " 10000K "
    {99, 106, 128},  // " 11500K "
}};

std::optional<ColorGains> GainsOf(std::uint32_t colorTemp, const PictureSettings& record) {
    if (colorTemp < static_cast<std::uint32_t>(kColorTempPresetCount))
        return kColorTempGains[colorTemp];
    if (colorTemp == kUserColorTemp)
        return ColorGains{record.red, record.green, record.blue};
    return std::nullopt;
}

Frame BuildPictureFrame(const DeviceState& state, const PictureFrameArgs& args) {
    const int n = args.output & 3;
    const PictureSettings& r = state.picture[static_cast<std::size_t>(n)];
    Frame f = StartFrame(kCmdPicture);
    f[6] = static_cast<std::uint8_t>(n);
    f[7] = static_cast<std::uint8_t>(args.allOutputs & 0xFF);
    f[8] = args.reset ? 1 : 0;
    f[9] = r.brightness;
    f[10] = r.contrast;
    f[11] = r.gamma;
    f[12] = static_cast<std::uint8_t>(args.colorTempSel & 0xFF);
    if (const std::optional<ColorGains> gains = GainsOf(args.colorTempSel, r)) {
        f[13] = gains->red;
        f[14] = gains->green;
        f[15] = gains->blue;
    }
    f[16] = r.aux0;
    f[17] = r.aux1;
    f[18] = r.aux2;
    f[19] = r.aux3;
    f[20] = static_cast<std::uint8_t>(args.changedItem & 0xFF);
    SealFrame(f);
    return f;
}

std::optional<int> PictureCommandOutput(std::intptr_t argument, std::uint32_t currentOutput) {
    if (argument >= 0 && argument < kOutputCount)
        return static_cast<int>(argument);
    if (argument == kPictureResetArgument)
        return static_cast<int>(std::min<std::uint32_t>(currentOutput, kOutputCount - 1));
    return std::nullopt;
}

float GammaShown(std::uint8_t gamma) {
    if (gamma == kGammaOff)
        return kGammaShownWhenOff;
    return static_cast<float>(std::clamp<int>(gamma, kGammaTenthsMin, kGammaTenthsMax)) / 10.0f;
}

std::uint8_t GammaTenths(float shown, bool on) {
    if (!on)
        return kGammaOff;
    if (!std::isfinite(shown))
        return static_cast<std::uint8_t>(kGammaTenthsMin);
    const long tenths = std::lround(static_cast<double>(shown) * 10.0);
    return static_cast<std::uint8_t>(std::clamp<long>(tenths, kGammaTenthsMin, kGammaTenthsMax));
}

Frame BuildPictureRecordFrame(const DeviceState& state, int output) {
    PictureFrameArgs args;
    args.output = output;
    args.allOutputs = 0;
    args.reset = false;
    args.colorTempSel = state.picture[static_cast<std::size_t>(output & 3)].colorTemp;
    args.changedItem = kFiller;
    return BuildPictureFrame(state, args);
}

} // namespace corvane
