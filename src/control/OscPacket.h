#pragma once

// A received OSC packet taken apart into its messages, in the order they stand: a message
// alone, or a bundle ("#bundle", a time tag, then elements each preceded by its size), bundles
// nested in bundles included. Each message is read by liblo (its address, type tags, arguments,
// the padding and the string terminators checked); the bundle's framing is read here, since
// liblo takes bundles apart only inside a server of its own, with a socket of its own. A
// packet with any fault is refused whole, so a damaged bundle changes nothing. Time tags are
// not waited for: a bundle's messages run when it arrives. No Qt.

#include "control/OscRequest.h"

#include <cstddef>
#include <string>
#include <vector>

namespace corvane::control {

// A UDP datagram larger than this is no cue: refused unread.
inline constexpr std::size_t kMaxOscPacketBytes = 8192;
// Bundles within bundles, at most this deep (the packet itself being 1).
inline constexpr int kMaxOscBundleDepth = 4;
inline constexpr std::size_t kMaxOscMessagesPerPacket = 64;

struct OscPacket {
    std::vector<OscMessage> messages;
    std::string error; // why the packet was refused; empty when it was read
    bool Ok() const { return error.empty(); }
};

OscPacket DecodeOscPacket(const void* data, std::size_t size);

} // namespace corvane::control
