#pragma once

// The WiFi configuration's part without widgets: the rules its "Apply" checks, in the order it
// checks them, and the command 0x000E that carries the settings to the processor.
//
// Command 0x000E: byte 6 the SSID's length, bytes 7..20 its bytes; byte 21 the password's
// length, bytes 22..33 its bytes; bytes 34..37 the four numbers of the address. The texts travel
// in code page 936 (one byte for ASCII, two for a Chinese character); the length bytes are the
// byte counts (the processor reads that many bytes, and reports them back the same way in its
// record 0xB1); bytes beyond a text keep the filler 0x55. DeviceState keeps the texts as UTF-8.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Room of the texts in the record.
inline constexpr std::size_t kSsidFieldBytes = 14;
inline constexpr std::size_t kPasswordFieldBytes = 12;
// The processor reports at most 11 bytes of the password back (record 0xB1), so a password
// takes at most 11 bytes: what is set is what the dialog shows again.
inline constexpr std::size_t kPasswordMaxBytes = 11;
inline constexpr std::size_t kPasswordMinCharacters = 8;
inline constexpr std::size_t kPasswordMaxCharacters = 11;

// Offsets in command 0x000E (and record 0xB1).
inline constexpr std::size_t kWifiSsidLengthAt = 6;
inline constexpr std::size_t kWifiSsidAt = 7;
inline constexpr std::size_t kWifiPasswordLengthAt = 21;
inline constexpr std::size_t kWifiPasswordAt = 22;
inline constexpr std::size_t kWifiAddressAt = 34;

using WifiAddress = std::array<std::uint8_t, 4>;

// An IPv4 address as the operator types it: exactly four decimal numbers 0..255 of one to three
// ASCII digits ("01" and "001" are 1), separated by single dots; blanks before and after the
// whole text are ignored. Refused: anything else - a sign ("+1.2.3.4"), blanks inside, a fifth
// number, an empty number, text after the fourth number ("1.2.3.4abc"), a number above 255.
std::optional<WifiAddress> ParseWifiAddress(std::string_view text);
// "a.b.c.d" of the four numbers.
std::string WifiAddressText(const WifiAddress& address);

// What "Apply" finds wrong first, in the order the checks run: the address; the SSID empty, then
// with a character code page 936 lacks, then longer than its 14 bytes; the password not of 8 to
// 11 characters, then with a character the code page lacks, then longer than 11 bytes.
enum class WifiProblem {
    None,
    AddressFormat,
    SsidEmpty,
    SsidNotRepresentable,
    SsidTooLong,
    PasswordLength,
    PasswordNotRepresentable,
    PasswordTooLong,
};

struct WifiCheck {
    WifiProblem problem = WifiProblem::None;
    // With no problem: what is stored in DeviceState (the address written plainly, "1.2.3.4"
    // for "01.2.3.4").
    WifiConfig settings;
};

// The checks of "Apply" over the three texts (UTF-8) as the edits hold them.
WifiCheck CheckWifiSettings(const std::string& ip, const std::string& ssid, const std::string& password);

// The message that tells the operator the problem (empty for None), in the language in use;
// shown under the title "Tips".
std::string WifiProblemMessage(WifiProblem problem);

// What "Apply" tells instead of sending, empty when it sends: without a synchronised link the
// serial port is asked for before anything is checked; then the first problem's message.
std::string WifiApplyRefusal(bool synchronised, WifiProblem problem);

// Command 0x000E from the settings; none when they do not pass CheckWifiSettings (nothing is
// ever written past a text's field).
std::optional<Frame> BuildWifiFrame(const WifiConfig& settings);

} // namespace corvane
