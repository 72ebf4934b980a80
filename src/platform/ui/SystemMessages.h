#pragma once

// The system's own message numbers, notification codes and dialog results that the windows of
// the application use besides their own messages (WindowMessages.h). The numbers are those of
// the Windows platform, so that handler tables read the same on every system.

#include <cstdint>

namespace corvane {

inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;      // wParam: control id | notification << 16
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;   // wParam: SC_...
inline constexpr std::uint32_t WM_TIMER = 0x0113;        // wParam: timer number
inline constexpr std::uint32_t WM_HSCROLL = 0x0114;      // wParam: SB_... | position << 16
inline constexpr std::uint32_t WM_VSCROLL = 0x0115;      // wParam: SB_... | position << 16
inline constexpr std::uint32_t WM_DEVICECHANGE = 0x0219; // wParam: DBT_...

// Notification codes carried in the high word of WM_COMMAND's wParam.
inline constexpr std::uint16_t BN_CLICKED = 0;
inline constexpr std::uint16_t LBN_SELCHANGE = 1;

// Scroll requests (low word of WM_HSCROLL / WM_VSCROLL); left and up share their numbers.
inline constexpr std::uint16_t SB_LINEUP = 0;
inline constexpr std::uint16_t SB_LINEDOWN = 1;
inline constexpr std::uint16_t SB_PAGEUP = 2;
inline constexpr std::uint16_t SB_PAGEDOWN = 3;
inline constexpr std::uint16_t SB_THUMBPOSITION = 4;
inline constexpr std::uint16_t SB_THUMBTRACK = 5;
inline constexpr std::uint16_t SB_TOP = 6;
inline constexpr std::uint16_t SB_BOTTOM = 7;
inline constexpr std::uint16_t SB_ENDSCROLL = 8;

// WM_DEVICECHANGE events: devices were added or removed (the serial ports may have changed).
inline constexpr std::uintptr_t DBT_DEVNODES_CHANGED = 0x0007;
// WM_SYSCOMMAND commands.
inline constexpr std::uintptr_t SC_MAXIMIZE = 0xF030;
inline constexpr std::uintptr_t SC_RESTORE = 0xF120;

// Results of modal dialogs.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr std::uintptr_t MakeWParam(std::uint16_t low, std::uint16_t high) {
    return static_cast<std::uintptr_t>(low) | (static_cast<std::uintptr_t>(high) << 16);
}
inline constexpr std::uint16_t LowWord(std::uintptr_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
inline constexpr std::uint16_t HighWord(std::uintptr_t value) {
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}

} // namespace corvane
