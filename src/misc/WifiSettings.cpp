#include "misc/WifiSettings.h"

#include "link/CommandCodes.h"
#include "platform/CodePage936.h"
#include "shell/Language.h"

#include <algorithm>

namespace corvane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<WifiAddress> ParseWifiAddress(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    WifiAddress address{};
    std::size_t pos = 0;
    for (std::size_t n = 0; n < address.size(); ++n) {
        if (n > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        const std::size_t start = pos;
        int value = 0;
        while (pos < text.size() && IsDigit(text[pos]) && pos - start < 3)
            value = value * 10 + (text[pos++] - '0');
        if (pos == start || value > 255)
            return std::nullopt;
        address[n] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) // a fourth digit, a fifth number or anything else after the fourth
        return std::nullopt;
    return address;
}

std::string WifiAddressText(const WifiAddress& address) {
    std::string text;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0)
            text += '.';
        text += std::to_string(address[i]);
    }
    return text;
}

WifiCheck CheckWifiSettings(const std::string& ip, const std::string& ssid, const std::string& password) {
    WifiCheck check;
    const std::optional<WifiAddress> address = ParseWifiAddress(ip);
    if (!address) {
        check.problem = WifiProblem::AddressFormat;
        return check;
    }
    if (ssid.empty()) {
        check.problem = WifiProblem::SsidEmpty;
        return check;
    }
    const std::optional<std::string> ssidBytes = ToCodePage936(ssid);
    if (!ssidBytes) {
        check.problem = WifiProblem::SsidNotRepresentable;
        return check;
    }
    if (ssidBytes->size() > kSsidFieldBytes) {
        check.problem = WifiProblem::SsidTooLong;
        return check;
    }
    const std::size_t characters = CountCharacters(password).value_or(0);
    if (characters < kPasswordMinCharacters || characters > kPasswordMaxCharacters) {
        check.problem = WifiProblem::PasswordLength;
        return check;
    }
    const std::optional<std::string> passwordBytes = ToCodePage936(password);
    if (!passwordBytes) {
        check.problem = WifiProblem::PasswordNotRepresentable;
        return check;
    }
    if (passwordBytes->size() > kPasswordMaxBytes) {
        check.problem = WifiProblem::PasswordTooLong;
        return check;
    }
    check.settings = WifiConfig{WifiAddressText(*address), ssid, password};
    return check;
}

std::string WifiProblemMessage(WifiProblem problem) {
    switch (problem) {
    case WifiProblem::None:
        return {};
    case WifiProblem::AddressFormat:
        return MessageText(kMsgIpFormatError);
    case WifiProblem::SsidEmpty:
        return MessageText(kMsgInputSsid);
    case WifiProblem::SsidNotRepresentable:
        return Tr("The SSID has characters the processor cannot store!", "SSID 含有设备无法保存的字符！");
    case WifiProblem::SsidTooLong:
        return Tr("SSID is too long: at most 14 bytes (a Chinese character takes 2)!",
                  "SSID 太长：最多 14 个字节（一个汉字占 2 个字节）！");
    case WifiProblem::PasswordLength:
        return MessageText(kMsgPasswordLength);
    case WifiProblem::PasswordNotRepresentable:
        return Tr("The password has characters the processor cannot store!", "密码含有设备无法保存的字符！");
    case WifiProblem::PasswordTooLong:
        return Tr("Password is too long: at most 11 bytes (a Chinese character takes 2)!",
                  "密码太长：最多 11 个字节（一个汉字占 2 个字节）！");
    }
    return {};
}

std::string WifiApplyRefusal(bool synchronised, WifiProblem problem) {
    return synchronised ? WifiProblemMessage(problem) : MessageText(kMsgOpenSerial);
}

std::optional<Frame> BuildWifiFrame(const WifiConfig& settings) {
    const WifiCheck check = CheckWifiSettings(settings.ip, settings.ssid, settings.password);
    if (check.problem != WifiProblem::None)
        return std::nullopt;
    // The checks passed: both texts convert and fit their fields.
    const std::string ssid = ToCodePage936(settings.ssid).value_or(std::string());
    const std::string password = ToCodePage936(settings.password).value_or(std::string());
    const WifiAddress address = ParseWifiAddress(settings.ip).value_or(WifiAddress{});
    const std::size_t ssidBytes = std::min(ssid.size(), kSsidFieldBytes);
    const std::size_t passwordBytes = std::min(password.size(), kPasswordFieldBytes);

    Frame f = StartFrame(kCmdWifi);
    f[kWifiSsidLengthAt] = static_cast<std::uint8_t>(ssidBytes);
    std::copy_n(ssid.begin(), ssidBytes, f.begin() + kWifiSsidAt);
    f[kWifiPasswordLengthAt] = static_cast<std::uint8_t>(passwordBytes);
    std::copy_n(password.begin(), passwordBytes, f.begin() + kWifiPasswordAt);
    std::copy(address.begin(), address.end(), f.begin() + kWifiAddressAt);
    SealFrame(f);
    return f;
}

} // namespace corvane
