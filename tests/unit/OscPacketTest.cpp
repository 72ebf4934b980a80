// Received OSC packets taken apart: messages as show software sends them (made here with
// liblo's own writer), bundles in order, and every damaged packet refused whole.

#include "control/OscPacket.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <string>
#include <tuple>
#include <vector>

using namespace corvane::control;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Serialise(const char* path, lo_message m) {
    std::size_t size = 0;
    void* data = lo_message_serialise(m, path, nullptr, &size);
    Bytes bytes(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    free(data);
    lo_message_free(m);
    return bytes;
}

Bytes Message(const char* path, int value) {
    lo_message m = lo_message_new();
    lo_message_add_int32(m, value);
    return Serialise(path, m);
}

void Put32(Bytes& b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(static_cast<unsigned char>(v >> shift));
}

// "#bundle", a time tag of "now", then each element with its size.
Bytes Bundle(const std::vector<Bytes>& elements) {
    Bytes b = {'#', 'b', 'u', 'n', 'd', 'l', 'e', 0};
    Put32(b, 0);
    Put32(b, 1);
    for (const Bytes& e : elements) {
        Put32(b, static_cast<std::uint32_t>(e.size()));
        b.insert(b.end(), e.begin(), e.end());
    }
    return b;
}

OscPacket Decode(const Bytes& b) {
    return DecodeOscPacket(b.data(), b.size());
}

TEST(OscPacket, AMessageKeepsItsAddressAndEveryArgumentByType) {
    lo_message m = lo_message_new();
    lo_message_add_int32(m, -7);
    lo_message_add_float(m, 2.5f);
    lo_message_add_string(m, "off");
    lo_message_add_true(m);
    lo_message_add_false(m);
    lo_message_add_int64(m, 1LL << 40);
    lo_message_add_double(m, 0.125);
    lo_message_add_symbol(m, "6500K");
    lo_message_add_nil(m);
    const OscPacket p = Decode(Serialise("/corvane/picture/1/gamma", m));
    ASSERT_TRUE(p.Ok()) << p.error;
    ASSERT_EQ(p.messages.size(), 1u);
    const OscMessage& msg = p.messages[0];
    EXPECT_EQ(msg.address, "/corvane/picture/1/gamma");
    // Each argument's type, integer, real and text; a symbol is a name like a string, a nil is
    // kept for the error it makes.
    const std::vector<std::tuple<char, std::int64_t, double, std::string>> expected = {
        {'i', -7, 0, ""},        {'f', 0, 2.5, ""},   {'s', 0, 0, "off"},   {'T', 0, 0, ""}, {'F', 0, 0, ""},
        {'h', 1LL << 40, 0, ""}, {'d', 0, 0.125, ""}, {'s', 0, 0, "6500K"}, {'N', 0, 0, ""}};
    ASSERT_EQ(msg.arguments.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const OscArgument& g = msg.arguments[i];
        EXPECT_EQ(std::tie(g.type, g.integer, g.real, g.text), expected[i]) << i;
    }

    const OscPacket bare = Decode(Serialise("/corvane/sync", lo_message_new()));
    ASSERT_TRUE(bare.Ok()) << bare.error;
    EXPECT_TRUE(bare.messages[0].arguments.empty());
}

TEST(OscPacket, ABundlesMessagesComeInTheirOrderNestedBundlesIncluded) {
    const Bytes inner = Bundle({Message("/corvane/layer/2/on", 1), Message("/corvane/layer/3/on", 0)});
    const OscPacket p =
        Decode(Bundle({Message("/corvane/input", 2), inner, Message("/corvane/preset/recall", 4)}));
    ASSERT_TRUE(p.Ok()) << p.error;
    std::vector<std::string> order;
    for (const OscMessage& m : p.messages)
        order.push_back(m.address);
    EXPECT_EQ(order, (std::vector<std::string>{"/corvane/input", "/corvane/layer/2/on", "/corvane/layer/3/on",
                                               "/corvane/preset/recall"}));
    EXPECT_EQ(p.messages[3].arguments[0].integer, 4);
    const OscPacket empty = Decode(Bundle({}));
    EXPECT_TRUE(empty.Ok() && empty.messages.empty()) << "an empty bundle is no fault";
}

TEST(OscPacket, ADamagedPacketIsRefusedWholeSayingWhy) {
    const Bytes good = Message("/corvane/input", 2);
    Bytes nested = Message("/corvane/input", 1);
    for (int depth = 0; depth < kMaxOscBundleDepth; ++depth)
        nested = Bundle({nested});
    std::vector<Bytes> many(kMaxOscMessagesPerPacket + 1, good);

    struct Case {
        const char* what;
        Bytes bytes;
        const char* error;
    };
    std::vector<Case> cases = {
        {"empty", {}, "empty"},
        {"cut inside its type tags", Bytes(good.begin(), good.begin() + 20), "malformed"},
        {"one byte short", Bytes(good.begin(), good.end() - 1), "multiple of 4"},
        {"no terminator of the address", Bytes(16, 'a'), "malformed"},
        {"a bundle without its time tag", Bytes{'#', 'b', 'u', 'n', 'd', 'l', 'e', 0, 0, 0, 0, 0},
         "time tag"},
        {"bundles too deep", Bundle({nested}), "nested deeper"},
        {"too many messages", Bundle(many), "more than"},
        {"larger than a cue", Bytes(kMaxOscPacketBytes + 4, 0), "larger than"},
    };
    // A good first element, then one whose size runs one word past the packet's end: nothing of
    // it runs.
    Bytes overrun = Bundle({good});
    Put32(overrun, static_cast<std::uint32_t>(good.size() + 4));
    overrun.insert(overrun.end(), good.begin(), good.end());
    cases.push_back({"an element longer than the packet", overrun, "wrong size"});
    Bytes zero = Bundle({good});
    Put32(zero, 0);
    cases.push_back({"an element of size 0", zero, "wrong size"});
    Bytes odd = Bundle({});
    Put32(odd, 6);
    odd.insert(odd.end(), {'/', 'a', 0, 0, ',', 0, 0, 0});
    cases.push_back({"an element size no multiple of 4", odd, "wrong size"});
    Bytes badTag = good;
    badTag[16] = 'x'; // the type tag string's comma
    cases.push_back({"type tags without their comma", badTag, "malformed"});

    for (const Case& c : cases) {
        const OscPacket p = Decode(c.bytes);
        EXPECT_FALSE(p.Ok()) << c.what;
        EXPECT_TRUE(p.messages.empty()) << c.what;
        EXPECT_NE(p.error.find(c.error), std::string::npos) << c.what << ": " << p.error;
    }
    // The deepest bundle allowed, and exactly the most messages, are read.
    EXPECT_TRUE(Decode(nested).Ok()) << Decode(nested).error;
    many.pop_back();
    EXPECT_EQ(Decode(Bundle(many)).messages.size(), kMaxOscMessagesPerPacket);
    // So is a packet of exactly the largest size: a bundle (20 bytes to its element), the
    // address (16), the type tags (4) and a text padded to 8152.
    lo_message big = lo_message_new();
    lo_message_add_string(big, std::string(kMaxOscPacketBytes - 44, 'x').c_str());
    const Bytes largest = Bundle({Serialise("/corvane/input", big)});
    ASSERT_EQ(largest.size(), kMaxOscPacketBytes);
    EXPECT_TRUE(Decode(largest).Ok()) << Decode(largest).error;
}

} // namespace
