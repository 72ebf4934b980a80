#include "control/OscPacket.h"

#include <cstdint>
#include <cstring>
#include <lo/lo_lowlevel.h>
#include <memory>

namespace corvane::control {

namespace {

constexpr char kBundleTag[] = "#bundle";     // with its terminator: 8 bytes
constexpr std::size_t kBundleHeadBytes = 16; // the tag and the time tag

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

bool IsBundle(const unsigned char* data, std::size_t size) {
    return size >= sizeof kBundleTag && std::memcmp(data, kBundleTag, sizeof kBundleTag) == 0;
}

struct MessageDeleter {
    void operator()(void* m) const { lo_message_free(static_cast<lo_message>(m)); }
};

// One message's bytes, read by liblo, as an OscMessage; false (and `error`) when liblo refuses it.
bool ReadMessage(const unsigned char* data, std::size_t size, OscMessage& out, std::string& error) {
    // liblo takes a pointer it does not promise to leave alone: it reads a copy.
    std::vector<unsigned char> copy(data, data + size);
    int result = 0;
    const std::unique_ptr<void, MessageDeleter> m(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!m) {
        error = "a malformed message (liblo error " + std::to_string(result) + ")";
        return false;
    }
    // liblo checked that the address is a terminated, padded string within the bytes.
    out.address.assign(reinterpret_cast<const char*>(data),
                       strnlen(reinterpret_cast<const char*>(data), size));
    const char* types = lo_message_get_types(static_cast<lo_message>(m.get()));
    lo_arg** argv = lo_message_get_argv(static_cast<lo_message>(m.get()));
    const int argc = lo_message_get_argc(static_cast<lo_message>(m.get()));
    out.arguments.clear();
    for (int i = 0; i < argc; ++i) {
        OscArgument a;
        a.type = types[i];
        // liblo's arguments lie at 4-byte boundaries; a 64-bit one may not be aligned for
        // lo_arg: each is copied out of its bytes.
        const void* v = argv[i];
        switch (a.type) {
        case LO_INT32: {
            std::int32_t n = 0;
            std::memcpy(&n, v, sizeof n);
            a.integer = n;
            break;
        }
        case LO_INT64: {
            std::int64_t n = 0;
            std::memcpy(&n, v, sizeof n);
            a.integer = n;
            break;
        }
        case LO_FLOAT: {
            float f = 0;
            std::memcpy(&f, v, sizeof f);
            a.real = f;
            break;
        }
        case LO_DOUBLE: {
            double d = 0;
            std::memcpy(&d, v, sizeof d);
            a.real = d;
            break;
        }
        case LO_STRING:
        case LO_SYMBOL:
            a.type = 's';
            a.text = static_cast<const char*>(v);
            break;
        default: // T, F and the types no operation takes: the type alone
            break;
        }
        out.arguments.push_back(std::move(a));
    }
    return true;
}

bool ReadElement(const unsigned char* data, std::size_t size, int depth, OscPacket& packet);

bool ReadBundle(const unsigned char* data, std::size_t size, int depth, OscPacket& packet) {
    if (depth > kMaxOscBundleDepth) {
        packet.error = "bundles nested deeper than " + std::to_string(kMaxOscBundleDepth);
        return false;
    }
    if (size < kBundleHeadBytes) {
        packet.error = "a bundle without its time tag";
        return false;
    }
    std::size_t at = kBundleHeadBytes;
    while (at < size) {
        if (size - at < 4) {
            packet.error = "a bundle element without its size";
            return false;
        }
        const std::uint32_t length = BigEndian32(data + at);
        at += 4;
        if (length == 0 || length % 4 != 0 || length > size - at) {
            packet.error = "a bundle element of a wrong size (" + std::to_string(length) + ")";
            return false;
        }
        if (!ReadElement(data + at, length, depth + 1, packet))
            return false;
        at += length;
    }
    return true;
}

bool ReadElement(const unsigned char* data, std::size_t size, int depth, OscPacket& packet) {
    if (IsBundle(data, size))
        return ReadBundle(data, size, depth, packet);
    if (packet.messages.size() >= kMaxOscMessagesPerPacket) {
        packet.error = "more than " + std::to_string(kMaxOscMessagesPerPacket) + " messages";
        return false;
    }
    OscMessage m;
    if (!ReadMessage(data, size, m, packet.error))
        return false;
    packet.messages.push_back(std::move(m));
    return true;
}

} // namespace

OscPacket DecodeOscPacket(const void* data, std::size_t size) {
    OscPacket packet;
    if (size == 0) {
        packet.error = "an empty packet";
    } else if (size > kMaxOscPacketBytes) {
        packet.error = "a packet larger than " + std::to_string(kMaxOscPacketBytes) + " bytes";
    } else if (size % 4 != 0) {
        packet.error = "a packet whose size is no multiple of 4";
    } else {
        ReadElement(static_cast<const unsigned char*>(data), size, 1, packet);
    }
    if (!packet.Ok())
        packet.messages.clear();
    return packet;
}

} // namespace corvane::control
