#pragma once

// Numbers of the application's window messages. The numbers are part of the program's
// contract between its windows and are kept exactly (WM_USER = 0x400).

#include <cstdint>

namespace corvane {

inline constexpr std::uint32_t WM_USER = 0x400;

inline constexpr std::uint32_t WM_CLOSE_PAGE = 0x5A1;     // main window; lParam 0, 1 or 2
inline constexpr std::uint32_t WM_SET_LANGUAGE = 0x5B3;   // main window; wParam 0 English, 1 Chinese
inline constexpr std::uint32_t WM_DEVICE_REPLY = 0x5F4;   // pages; wParam reply code, lParam index
inline constexpr std::uint32_t WM_LAYOUT_COMMAND = 0x5F5; // layout page; wParam 0 layer, 1 output
inline constexpr std::uint32_t WM_INPUT_CHANGED = 0x5F6;  // layout page
inline constexpr std::uint32_t WM_DEVICE_COMMAND = 0x5F7; // owning page; wParam code, lParam argument
inline constexpr std::uint32_t WM_PORT_CLOSED = 0x5F9;    // connection dialog
inline constexpr std::uint32_t WM_TRY_PORT = 0x5FB;       // connection dialog; wParam baud, lParam port
inline constexpr std::uint32_t WM_OPEN_UPGRADE = 0x5FC;   // misc page
inline constexpr std::uint32_t WM_LINK_EVENT = 0x5FD;     // main window; wParam event, lParam detail
inline constexpr std::uint32_t WM_UPGRADE_NEXT = 0x5FE;   // upgrade dialog

inline constexpr std::uint32_t WM_VALUE_COMMITTED = 0x4A1;  // value box id / 0
inline constexpr std::uint32_t WM_ITEM_PICKED = 0x466;      // drop-down id / item index
inline constexpr std::uint32_t WM_DROPDOWN_OPENING = 0x467; // 0 / 0
inline constexpr std::uint32_t WM_EDIT_FINISHED = 0x720;    // 0 / 0

} // namespace corvane
