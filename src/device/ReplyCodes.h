#pragma once

// What the processor sends and what the dispatcher makes of it: the reply codes, the
// operations an acknowledgement names, the link events raised for the main window, and the
// indices that WM_DEVICE_REPLY carries by convention between the windows.

#include <chrono>
#include <cstdint>

namespace corvane {

// Codes of the records the processor sends (bytes 4..5).
enum ReplyCode : std::uint16_t {
    kReplySelectPort = 0x0000, // not from the processor: the connection dialog selects a port
    kReplyEdid = 0x00A2,
    kReplyInputStatus = 0x00A3,
    kReplyVersions = 0x00A4,
    kReplyCrop = 0x00A7,
    kReplyLayer = 0x00A8,
    kReplyBlend = 0x00A9,
    kReplyCurve = 0x00AA,
    kReplyOutput = 0x00AB,
    kReplyPicture = 0x00AC,
    kReplyKeepAlive = 0x00AD,
    kReplyAck = 0x00AE,
    kReplyDone = 0x00B0,
    kReplyWifi = 0x00B1,
    kReplySysInfo = 0x00B2,
    kReplyPing = 0x00B3,
    kReplyBootAnnounce = 0x8002,
    kReplyLinkLost = 0x8004,  // not from the processor: the upgrade dialog learns the link is gone
    kReplyWaitEnded = 0x8005, // not from the processor: the wait ended unanswered (index: WaitEnd)
};

// Acknowledged operations (byte 6 of reply 0xAE).
enum AckOperation : std::uint8_t {
    kAckOutput = 0,
    kAckOutputWindow = 1,
    kAckCrop = 2,
    kAckPicture = 3,
    kAckEdid = 4,
    kAckUpgradeStep = 7,
    kAckStatus = 8,
    kAckGeneric = 9,
    kAckWifi = 10,
    kAckTakenOver = 11,
};

// WM_LINK_EVENT: what the main window shows or changes (wParam), with a detail (lParam).
enum LinkEvent : std::uint32_t {
    kEventOutputWindow = 1,      // detail 1: the output window failed
    kEventCrop = 2,              // detail 1: the crop failed
    kEventPicture = 3,           // detail 1: the picture settings failed
    kEventEdid = 4,              // detail 0 success, 1 failure
    kEventStatus = 8,            // no box: the frame-rate warning on (detail != 0) or off
    kEventWifi = 10,             // detail 1 success, 0 failure
    kEventTakenOver = 11,        // another client took the processor
    kEventOutput = 0xAB,         // detail 0: resolution applied, 1: window applied
    kEventSysInfo = 0xB2,        // the system information arrived
    kEventWaitTimedOut = 0x1000, // not from the processor: a wait ended without an answer
};

// Index conventions of WM_DEVICE_REPLY between the windows.
// The output page is told of output o as index o + kOutputPageIndexBase; the index
// kOutputPagePreview asks it to draw its preview again after outputs were applied.
inline constexpr int kOutputPageIndexBase = 10;
inline constexpr int kOutputPagePreview = kOutputPageIndexBase + 4;
// The layer page takes (kReplyShowLayer, layer) from the layout page and the main window as
// "show this layer"; the processor's own layer reply (kReplyLayer) means the same to it.
inline constexpr std::uint16_t kReplyShowLayer = kReplyOutput;

// How a wait ended without its answer, told to the output page as (kReplyWaitEnded, how): a
// resolution it applied will not be acknowledged any more.
enum WaitEnd : int { kWaitTimedOut = 0, kWaitLinkClosed = 1 };
// The output page is told the processor's answer to a resolution it applied as
// (kReplyAck, status) before the outputs concerned: status 1 applied, anything else refused.
// The frame sync page is told of acknowledgement 8, the processor's answer to a frame mode, as
// (kReplyAck, kAckStatus).

// Pause after a boot-loader announce, before the upgrade dialog is told.
inline constexpr std::chrono::milliseconds kBootAnnouncePauseMs{20};

} // namespace corvane
