#include "picture/FrameSync.h"

#include "device/ReplyCodes.h"
#include "link/CommandCodes.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace corvane;

TEST(FrameSync, WorkedExampleFrameConversionMode) {
    const Frame f = BuildFrameModeFrame(FrameMode::Convert);
    const std::vector<std::uint8_t> head = {0xED, 0xCB, 0x28, 0x38, 0x0C, 0x00, 0x01};
    for (std::size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(f[i], head[i]) << "byte " << i;
    for (std::size_t i = 7; i < 38; ++i)
        EXPECT_EQ(f[i], kFiller) << "byte " << i;
    EXPECT_EQ(f[38], 0x90);

    const Frame sync = BuildFrameModeFrame(FrameMode::Sync);
    EXPECT_EQ(FrameCode(sync.data()), kCmdFrameMode);
    EXPECT_EQ(sync[6], 0);
    EXPECT_EQ(sync[38], 0x8F);
}

TEST(FrameSync, OnlyTheTwoModesTheProcessorKnowsAreModesAndOnlyThoseAreSent) {
    EXPECT_EQ(FrameModeOf(0), FrameMode::Sync);
    EXPECT_EQ(FrameModeOf(1), FrameMode::Convert);
    for (std::intptr_t other : {std::intptr_t{2}, std::intptr_t{255}, std::intptr_t{256}, std::intptr_t{-1}})
        EXPECT_EQ(FrameModeOf(other), std::nullopt) << other;
    // The page's command: synchronised, its code, a mode.
    EXPECT_EQ(FrameModeCommand(kLinkSynchronised, kCmdFrameMode, 1), BuildFrameModeFrame(FrameMode::Convert));
    EXPECT_EQ(FrameModeCommand(kLinkOpen, kCmdFrameMode, 1), std::nullopt);
    EXPECT_EQ(FrameModeCommand(kLinkSynchronised, kCmdPicture, 1), std::nullopt);
    EXPECT_EQ(FrameModeCommand(kLinkSynchronised, kCmdFrameMode, 2), std::nullopt);
}

TEST(FrameSync, TheProcessorsAnswersToAFrameMode) {
    const std::tuple<std::uintptr_t, std::intptr_t, bool> cases[] = {
        {kReplyCrop, 0, true}, {kReplyCrop, 7, true}, {kReplyAck, kAckStatus, true}, {kReplyAck, 0, false},
        {kReplyAck, 3, false}, {kReplyAck, 9, false}, {kReplyInputStatus, 0, false}};
    for (const auto& [code, index, answer] : cases)
        EXPECT_EQ(IsFrameModeAnswer(code, index), answer) << code << " " << index;
}

TEST(FrameSync, RatesHaveTwoDecimalsAfterAPoint) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {5994, "59.94"}, {6000, "60.00"}, {2997, "29.97"}, {5, "0.05"}, {0, "0.00"}, {65535, "655.35"}};
    for (const auto& [rate, text] : cases)
        EXPECT_EQ(FrameRateText(rate), text) << rate;
}

TEST(FrameSync, InformationTextsOfTheCurrentInput) {
    DeviceState s;
    s.currentInput = 2;
    s.inputs[2].signal = 1;
    s.inputs[2].width = 1920;
    s.inputs[2].height = 1080;
    s.crop.inputFpsX100 = 5994;
    s.crop.outputFpsX100 = 6000;
    FrameInfoTexts t = FrameInfo(s);
    EXPECT_EQ(t.input, "1920 x 1080@59.94HZ");
    EXPECT_EQ(t.output, "FPS: 60.00HZ");

    // The signal of another input does not count.
    s.inputs[2].signal = 0;
    s.inputs[0].signal = 1;
    t = FrameInfo(s);
    EXPECT_EQ(t.input, "NoSignal");
    EXPECT_EQ(t.output, "NoSignal");

    // A state that names no input reads nothing outside the inputs.
    s.currentInput = 4;
    t = FrameInfo(s);
    EXPECT_EQ(t.input, "NoSignal");
    EXPECT_EQ(t.output, "NoSignal");
}
