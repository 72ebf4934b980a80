#include "FrameText.h"

#include "link/ByteOrder.h"
#include "link/CommandFrame.h"

#include <cstdio>

namespace corvane::sim {

namespace {

const char* CommandName(std::uint16_t code) {
    switch (code) {
    case 0x0001:
        return "crop";
    case 0x0002:
        return "crop-preset";
    case 0x0003:
        return "edid";
    case 0x0004:
        return "select-input";
    case 0x0005:
        return "load-preset";
    case 0x0006:
        return "layer";
    case 0x0007:
        return "blend";
    case 0x0008:
        return "blend-curve";
    case 0x0009:
        return "output-window";
    case 0x000A:
        return "factory-reset";
    case 0x000B:
        return "picture";
    case 0x000C:
        return "frame-mode";
    case 0x000D:
        return "output-resolution";
    case 0x000E:
        return "wifi";
    case 0x000F:
        return "input-backup";
    case 0x00A2:
        return "edid-request";
    case 0x00AF:
        return "request-all";
    case 0x00B0:
        return "arrangement-done";
    case 0x00B2:
        return "sysinfo-request";
    case 0x00B3:
        return "ping-answer";
    case 0x8000:
        return "enter-boot-loader";
    case 0x8001:
        return "announce-image";
    case 0x8003:
        return "read-back";
    case 0x8004:
        return "end-image";
    default:
        return "unknown";
    }
}

const char* ReplyName(std::uint16_t code) {
    switch (code) {
    case 0x00A2:
        return "edid";
    case 0x00A3:
        return "input-status";
    case 0x00A4:
        return "versions";
    case 0x00A7:
        return "crop-state";
    case 0x00A8:
        return "layer";
    case 0x00A9:
        return "blend";
    case 0x00AA:
        return "blend-curve";
    case 0x00AB:
        return "output";
    case 0x00AC:
        return "picture";
    case 0x00AD:
        return "keep-alive";
    case 0x00AE:
        return "ack";
    case 0x00B0:
        return "done";
    case 0x00B1:
        return "wifi";
    case 0x00B2:
        return "sysinfo";
    case 0x00B3:
        return "ping";
    case 0x8002:
        return "boot-announce";
    default:
        return "unknown";
    }
}

} // namespace

std::string FrameText(const std::uint8_t* b, std::size_t length, bool toProcessor) {
    char text[256];
    if (length == kBlockSize) {
        if (toProcessor && b[11] == 1)
            std::snprintf(text, sizeof text, "preset-file records=%d", b[12] << 8 | b[13]);
        else if (toProcessor)
            std::snprintf(text, sizeof text, "data-packet bytes=%d", b[12] << 8 | b[13]);
        else
            std::snprintf(text, sizeof text, "read-back-block number=%u", GetLE16(b + 8));
        return text;
    }
    if (length != kFrameSize)
        return "bytes=" + std::to_string(length);
    const std::uint16_t code = FrameCode(b);
    const char* name = toProcessor ? CommandName(code) : ReplyName(code);
    int n = std::snprintf(text, sizeof text, "0x%04X %s", code, name);
    auto add = [&](const char* format, auto... args) {
        if (n > 0 && static_cast<std::size_t>(n) < sizeof text)
            n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), format, args...);
    };
    if (code == 0x0006 || code == 0x00A8) {
        add(" layer=%d source=%d zoom=%d x=%u y=%u w=%u h=%u visible=%d", b[6], b[7], b[8], GetLE24(b + 21),
            GetLE24(b + 24), GetLE24(b + 27), GetLE24(b + 30), b[33]);
    } else if (code == 0x00AE) {
        add(" operation=%d status=%d argument=%d", b[6], b[7], b[8]);
    } else if (code == 0x0009 || code == 0x00AB) {
        add(" output=%d x=%u y=%u width=%u height=%u", b[6], GetLE24(b + 7), GetLE24(b + 10), GetLE16(b + 13),
            GetLE16(b + 15));
    } else if (code == 0x00A3) {
        add(" input=%d signal=%d %ux%u refresh=%u", b[6], b[7], GetLE16(b + 8), GetLE16(b + 10),
            GetLE16(b + 12));
    } else if (code == 0x8001) {
        add(" target=%d blocks=%u", b[6], GetLE16(b + 7));
    } else if (code != 0x00AD && code != 0x00AF && code != 0x000A) {
        add(" b6=%d", b[6]);
    }
    if (FrameChecksum(b) != b[kChecksumOffset])
        add("%s", " BAD-CHECKSUM");
    return text;
}

} // namespace corvane::sim
