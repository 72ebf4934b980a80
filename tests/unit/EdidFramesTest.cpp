#include "picture/EdidFrames.h"

#include "link/CommandCodes.h"

#include <gtest/gtest.h>
#include <vector>

using namespace corvane;

namespace {

std::vector<std::uint8_t> Bytes(const Frame& f, std::size_t from, std::size_t to) {
    return {f.begin() + static_cast<std::ptrdiff_t>(from), f.begin() + static_cast<std::ptrdiff_t>(to)};
}

void ExpectTail(const Frame& f) {
    for (std::size_t i = 26; i < 38; ++i)
        EXPECT_EQ(f[i], kFiller) << "byte " << i;
    EXPECT_EQ(f[38], FrameChecksum(f.data()));
}

} // namespace

TEST(EdidFrames, WorkedExampleDefaultTimingOfTheFirstSlotWithoutAdvanced) {
    const DeviceState s;
    const Frame f = BuildEdidFrame(s, {0, EdidMode::ActiveAndRate});
    const std::vector<std::uint8_t> head = {0xED, 0xCB, 0x28, 0x38, 0x03, 0x00, 0x00, 0x01, 0x80,
                                            0x07, 0x38, 0x04, 0x58, 0x02, 0x18, 0x01, 0x2D, 0x00,
                                            0x2C, 0x00, 0x04, 0x00, 0x94, 0x00, 0x04, 0x00};
    EXPECT_EQ(Bytes(f, 0, 26), head);
    ExpectTail(f);
    EXPECT_EQ(f[38], 0x63);
}

TEST(EdidFrames, EachModeCarriesTheWholeRecordOfItsSlot) {
    DeviceState s;
    s.edidTimings[2] = EdidTiming{160, 62, 3840, 2160, 32, 5, 48, 3, 300};
    s.edidTimings[3] = EdidTiming{1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<std::uint8_t> record = {0x00, 0x0F, 0x70, 0x08, 0x2C, 0x01, 0xA0, 0x00, 0x3E,
                                              0x00, 0x20, 0x00, 0x05, 0x00, 0x30, 0x00, 0x03, 0x00};
    for (EdidMode mode : {EdidMode::BuiltIn, EdidMode::ActiveAndRate, EdidMode::Full}) {
        SCOPED_TRACE(static_cast<int>(mode));
        const Frame f = BuildEdidFrame(s, {2, mode});
        EXPECT_EQ(FrameCode(f.data()), kCmdEdid);
        EXPECT_EQ(f[6], 2);
        EXPECT_EQ(f[7], static_cast<std::uint8_t>(mode));
        EXPECT_EQ(Bytes(f, 8, 26), record);
        ExpectTail(f);
    }
}

TEST(EdidFrames, WhatTheCommandArgumentAsksFor) {
    struct Case {
        std::intptr_t argument;
        bool advanced;
        std::optional<int> slot;
        EdidMode mode;
    };
    const Case cases[] = {
        {0, false, 0, EdidMode::ActiveAndRate},
        {3, false, 3, EdidMode::ActiveAndRate},
        {1, true, 1, EdidMode::Full},
        {10, false, 0, EdidMode::BuiltIn},
        {13, true, 3, EdidMode::BuiltIn},
        {4, false, std::nullopt, EdidMode::BuiltIn},
        {9, true, std::nullopt, EdidMode::BuiltIn},
        {14, false, std::nullopt, EdidMode::BuiltIn},
        {-1, false, std::nullopt, EdidMode::BuiltIn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        const std::optional<EdidCommand> command = EdidCommandFor(c.argument, c.advanced);
        ASSERT_EQ(command.has_value(), c.slot.has_value());
        if (!command)
            continue;
        EXPECT_EQ(command->slot, *c.slot);
        EXPECT_EQ(command->mode, c.mode);
    }
    // The page's command: only synchronised, only its code.
    DeviceState s;
    EXPECT_EQ(EdidCommandFrame(s, kCmdEdid, 13, false), std::nullopt);
    s.linkState = kLinkSynchronised;
    EXPECT_EQ(EdidCommandFrame(s, kCmdEdid, 13, false), BuildEdidFrame(s, {3, EdidMode::BuiltIn}));
    EXPECT_EQ(EdidCommandFrame(s, kCmdPicture, 0, false), std::nullopt);
}
