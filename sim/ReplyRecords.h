#pragma once

// The records the processor sends, built from its state. These are the processor's side of
// the protocol: the application's reply dispatcher decodes exactly these layouts.

#include "device/DeviceState.h"
#include "link/CommandFrame.h"

#include <array>
#include <cstdint>

namespace corvane::sim {

// Firmware versions as the processor reports them in reply 0xA4 (bytes 6..9).
struct FirmwareVersions {
    std::uint8_t b6 = 0x02, b7 = 0x01, b8 = 0x26, b9 = 0x20; // shown as "0102" and "2026"
};

Frame EdidReply(const DeviceState& s, int slot);
Frame InputStatusReply(const DeviceState& s, int input);
Frame VersionsReply(const FirmwareVersions& v);
Frame CropReply(const DeviceState& s, int group); // reports rectangles of group 0 (HDMI) or 1 (DisplayPort)
Frame LayerReply(const DeviceState& s, int layer);
Frame BlendReply(const DeviceState& s, int output);
Frame CurveReply(const DeviceState& s, int output);
Frame OutputReply(const DeviceState& s, int output);
Frame PictureReply(const DeviceState& s, int pair); // pair 0: outputs 1 and 2, pair 1: outputs 3 and 4
Frame WifiReply(const DeviceState& s);
Frame SysInfoReply(const std::array<std::uint8_t, 13>& flags);
Frame AckReply(std::uint8_t operation, std::uint8_t status, std::uint8_t argument);
Frame AnnounceReply(std::uint8_t status);
Frame SimpleReply(std::uint16_t code); // keep-alive 0xAD, ping 0xB3, done 0xB0

} // namespace corvane::sim
