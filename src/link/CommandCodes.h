#pragma once

// Every code the application sends to the processor (bytes 4..5 of a command frame).

#include <cstdint>

namespace corvane {

enum CommandCode : std::uint16_t {
    kCmdCrop = 0x0001,
    kCmdCropPreset = 0x0002,
    kCmdEdid = 0x0003,
    kCmdSelectInput = 0x0004,
    kCmdLoadPreset = 0x0005,
    kCmdLayer = 0x0006,
    kCmdBlend = 0x0007,
    kCmdBlendCurve = 0x0008,
    kCmdOutputWindow = 0x0009,
    kCmdFactoryReset = 0x000A,
    kCmdPicture = 0x000B,
    kCmdFrameMode = 0x000C,
    kCmdOutputResolution = 0x000D,
    kCmdWifi = 0x000E,
    kCmdInputBackup = 0x000F,
    kCmdEdidRequest = 0x00A2,
    kCmdRequestAll = 0x00AF,
    kCmdArrangeDone = 0x00B0,
    kCmdSysInfo = 0x00B2,
    kCmdPing = 0x00B3,
    kCmdEnterBoot = 0x8000,
    kCmdAnnounceImage = 0x8001,
    kCmdReadBack = 0x8003,
    kCmdEndImage = 0x8004,
};

} // namespace corvane
