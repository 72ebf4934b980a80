// The inputs' side of the simulated processor answered through the application's own dispatcher:
// EDID timings, the frame mode and its rates, crops and the signals behind them.

#include "RecordBuilder.h"
#include "SimModelFixture.h"
#include "picture/CropFrames.h"
#include "picture/CropRules.h"
#include "picture/EdidFrames.h"
#include "picture/FrameSync.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;
using corvane::test::RecordBuilder;

namespace {

// The EDID command as the EDID page builds it: each mode stored as the processor keeps it, a
// timing above 594 MHz (or with a value outside the processor's bounds) refused and the slot
// reported unchanged, and the application's record and message following the answer.
TEST_F(Model, EdidTimingsAreKeptByModeAndRefusedAboveThePixelRate) {
    app.linkState = kLinkSynchronised;
    auto send = [&](int slot, EdidMode mode) {
        const std::vector<Outgoing> out = Command(BuildEdidFrame(app, {slot, mode}));
        Deliver(out);
        return Kinds(out);
    };
    const std::vector<std::string> taken = {"ack4/1", "00A2"};
    const std::vector<std::string> refused = {"ack4/0", "00A2"};
    auto fields = [](const EdidTiming& t) {
        return std::make_tuple(t.hBlank, t.vBlank, t.hActive, t.vActive, t.hSync, t.vSync, t.hFront, t.vFront,
                               t.refreshX10);
    };

    // Mode 2: the whole timing; 3840 x 2160 at 60 Hz with a small blanking runs at 533 MHz.
    app.edidTimings[1] = EdidTiming{160, 62, 3840, 2160, 32, 5, 48, 4, 600};
    EXPECT_EQ(send(1, EdidMode::Full), taken);
    EXPECT_EQ(fields(model.State().edidTimings[1]), fields(app.edidTimings[1]));

    // Mode 1: the active size and frame rate; the processor keeps its blanking.
    app.edidTimings[2] = EdidTiming{1000, 500, 1280, 720, 100, 50, 100, 50, 500};
    EXPECT_EQ(send(2, EdidMode::ActiveAndRate), taken);
    EXPECT_EQ(fields(model.State().edidTimings[2]),
              fields(EdidTiming{280, 45, 1280, 720, 44, 4, 148, 4, 500}));
    EXPECT_EQ(fields(app.edidTimings[2]), fields(model.State().edidTimings[2])) << "the reply brings it back";

    // Above 594 MHz: 3840 x 2160 at 120 Hz with that blanking is 1066 MHz.
    const EdidTiming before = model.State().edidTimings[1];
    app.edidTimings[1].refreshX10 = 1200;
    host.events.clear();
    EXPECT_EQ(send(1, EdidMode::Full), refused);
    EXPECT_EQ(fields(model.State().edidTimings[1]), fields(before));
    EXPECT_EQ(fields(app.edidTimings[1]), fields(before)) << "the application shows what the processor runs";
    EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{4, 1}})) << "\"Set up failure!\"";
    // Exactly 594 MHz (4400 x 2250 x 60 Hz) is taken.
    app.edidTimings[1] = EdidTiming{560, 90, 3840, 2160, 88, 10, 176, 8, 600};
    EXPECT_EQ(send(1, EdidMode::Full), taken);
    // Mode 1 counts the blanking the processor keeps (280 x 45): 3840 x 2160 at 65 Hz fits
    // (590 MHz), at 66 Hz it does not (600 MHz), though the frame's own blanking would fit.
    app.edidTimings[3] = EdidTiming{96, 16, 3840, 2160, 4, 4, 4, 4, 650};
    EXPECT_EQ(send(3, EdidMode::ActiveAndRate), taken);
    app.edidTimings[3] = EdidTiming{96, 16, 3840, 2160, 4, 4, 4, 4, 660};
    EXPECT_EQ(send(3, EdidMode::ActiveAndRate), refused);

    // Values outside the processor's bounds are refused too.
    const EdidTiming bounds[] = {{280, 45, 640, 480, 44, 4, 148, 4, 600},
                                 {280, 45, 1920, 1080, 44, 4, 148, 4, 100},
                                 {280, 45, 1920, 1080, 0, 4, 148, 4, 600},
                                 {280, 45, 1920, 1080, 44, 4, 148, 3, 600},
                                 {5000, 45, 1920, 1080, 44, 4, 148, 4, 600}};
    for (const EdidTiming& t : bounds) {
        app.edidTimings[0] = t;
        EXPECT_EQ(send(0, EdidMode::Full), refused) << t.hActive << " " << t.refreshX10;
    }
    EXPECT_EQ(fields(model.State().edidTimings[0]), fields(EdidTiming{}));

    // Mode 0: back to the built-in timing, whatever the frame carries.
    app.edidTimings[2] = EdidTiming{1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(send(2, EdidMode::BuiltIn), taken);
    EXPECT_EQ(fields(model.State().edidTimings[2]), fields(kBuiltInEdid));
    EXPECT_EQ(fields(app.edidTimings[2]), fields(kBuiltInEdid));

    // Another mode, and a slot the processor does not have.
    Frame odd = BuildEdidFrame(app, {1, EdidMode::Full});
    odd[7] = 3;
    SealFrame(odd);
    EXPECT_EQ(Kinds(Command(odd)), refused);
    EXPECT_EQ(Kinds(Command(RecordBuilder(0x0003).B(6, 4).B(7, 1).Build())),
              std::vector<std::string>{"ack4/0"});
}

TEST_F(Model, FrameModeIsKeptAndReportedWithTheRatesThatFollowFromIt) {
    app.linkState = kLinkSynchronised;
    Deliver(model.SetInputSignal(0, true, 1920, 1080, 500)); // HDMI-1, current, now at 50 Hz
    EXPECT_EQ(app.crop.inputFpsX100, 5000);
    EXPECT_EQ(app.crop.outputFpsX100, 5000) << "frame sync: the output follows the input";

    auto mode = [&](FrameMode m) {
        const std::vector<Outgoing> out = Command(BuildFrameModeFrame(m));
        EXPECT_EQ(Kinds(out), (std::vector<std::string>{"ack8/1", "00A7", "00A3"}));
        Deliver(out);
        return out;
    };
    const std::vector<Outgoing> convert = mode(FrameMode::Convert);
    EXPECT_EQ(convert[1].bytes[7], 1) << "the mode in byte 7 of 0xA7";
    EXPECT_EQ(model.State().crop.frameMode, 1u);
    EXPECT_EQ(app.crop.frameMode, 1u);
    EXPECT_EQ(app.crop.outputFpsX100, kOwnOutputFpsX100) << "conversion: the output's own rate";
    // Acknowledgement 8 raises the frame-rate warning; it does not end a wait by itself (the
    // frame sync page ends its own).
    EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{8, 1}}));
    EXPECT_EQ(host.hideWaits, 0);

    // A new input rate: in conversion mode the output keeps its own.
    Deliver(model.SetInputSignal(0, true, 0, 0, 240));
    EXPECT_EQ(app.crop.inputFpsX100, 2400);
    EXPECT_EQ(app.crop.outputFpsX100, kOwnOutputFpsX100);

    mode(FrameMode::Sync);
    EXPECT_EQ(app.crop.frameMode, 0u);
    EXPECT_EQ(app.crop.outputFpsX100, 2400);

    // A mode the processor does not have changes nothing and is answered with the one it runs.
    const std::vector<Outgoing> unknown = Command(MakeFrameByte6(0x000C, 2));
    ASSERT_EQ(Kinds(unknown), (std::vector<std::string>{"ack8/1", "00A7", "00A3"}));
    EXPECT_EQ(unknown[1].bytes[7], 0);
    EXPECT_EQ(model.State().crop.frameMode, 0u);

    // Without a signal on the current input the output runs at its own rate in either mode.
    Deliver(model.SetInputSignal(0, false, 0, 0, 0));
    EXPECT_EQ(app.crop.inputFpsX100, 0);
    EXPECT_EQ(app.crop.outputFpsX100, kOwnOutputFpsX100);
}

// The crop page's commands as the application builds them, answered by the processor and
// taken back by the application's dispatcher: what the processor stores is what the page sent.
TEST_F(Model, CropCommandsAreStoredAndReportedBack) {
    app.linkState = kLinkOpen;
    for (const Frame& r : model.StateRecords())
        dispatcher.OnDeviceRecord(r.data());
    ASSERT_EQ(app.linkState, kLinkSynchronised);
    app.inputs[0].signal = 1;

    // Switched on with a window, the crop of input 0 reaches the processor and comes back.
    app.crop.rects[0] = CropRect{1, 100, 50, 1720, 980, 1920, 1080};
    const auto out = Command(*CropCommand(app, 0, kCropSet));
    EXPECT_EQ(Kinds(out), (std::vector<std::string>{"ack2/0", "00A7"}));
    EXPECT_EQ(model.State().crop.rects[0].hStart, 100);
    EXPECT_EQ(model.State().crop.rects[0].on, 1);
    app.crop.rects[0] = CropRect{};
    Deliver(out);
    ExpectSameState(app, model.State());
    EXPECT_TRUE(host.events.empty()) << "a crop done shows nothing";

    // Reset to a 1280 x 720 signal.
    model.SetInputSignal(0, true, 1280, 720, 600);
    app.inputs[0].width = 1280;
    app.inputs[0].height = 720;
    ASSERT_TRUE(ResetCropToSignal(app, 0));
    EXPECT_EQ(Kinds(Command(*CropCommand(app, 0, kCropReset))), (std::vector<std::string>{"ack2/0", "00A7"}));
    const CropRect& r = model.State().crop.rects[0];
    EXPECT_EQ(std::tie(r.hStart, r.vStart, r.hSize, r.vSize, r.hTotal, r.vTotal),
              std::make_tuple(0, 0, 1280, 720, 1280, 720));
}

TEST_F(Model, ACropOutsideItsPictureIsRefusedAndTheInputKeepsItsCrop) {
    model.MutableState().crop.rects[1] = CropRect{1, 10, 20, 640, 360, 1920, 1080};
    DeviceState sent;
    const CropRect refused[] = {
        {1, 1300, 0, 640, 360, 1920, 1080}, // past the right edge
        {1, 0, 800, 640, 360, 1920, 1080},  // past the bottom
        {1, 0, 0, 0, 360, 1920, 1080},      // empty
        {1, 0, 0, 640, 360, 0, 0},          // a picture of no size
    };
    app.linkState = kLinkSynchronised;
    for (const CropRect& c : refused) {
        sent.crop.rects[1] = c;
        const auto out = Command(BuildCropFrame(sent, 1, kCropSet));
        EXPECT_EQ(Kinds(out), (std::vector<std::string>{"ack2/1", "00A7"}));
        const CropRect& kept = model.State().crop.rects[1];
        EXPECT_EQ(std::tie(kept.on, kept.hStart, kept.vStart, kept.hSize, kept.vSize),
                  std::make_tuple(1, 10, 20, 640, 360));
        Deliver(out);
    }
    EXPECT_EQ(host.events.size(), 4u) << "each refusal is an event (2, 1)";
    EXPECT_EQ(app.crop.rects[1].hStart, 10) << "the application learns what the processor kept";
}

TEST_F(Model, ASignalOfAnotherSizeBecomesTheCropsPicture) {
    DeviceState& s = model.MutableState();
    s.crop.rects[0] = CropRect{1, 100, 50, 1720, 980, 1920, 1080};
    s.crop.rects[1] = CropRect{1, 16, 16, 640, 360, 1920, 1080};
    // The current input: its status and its crop record, the window too large for 720p now.
    EXPECT_EQ(Kinds(model.SetInputSignal(0, true, 1280, 720, 600)),
              (std::vector<std::string>{"00A3", "00A7"}));
    const CropRect& r0 = model.State().crop.rects[0];
    EXPECT_EQ(std::tie(r0.on, r0.hStart, r0.vStart, r0.hSize, r0.vSize, r0.hTotal, r0.vTotal),
              std::make_tuple(1, 0, 0, 1280, 720, 1280, 720));
    // Another input: stored, told at the next synchronisation; a window that fits stays.
    EXPECT_TRUE(model.SetInputSignal(1, true, 1280, 720, 600).empty());
    const CropRect& r1 = model.State().crop.rects[1];
    EXPECT_EQ(std::tie(r1.hStart, r1.hSize, r1.hTotal, r1.vTotal), std::make_tuple(16, 640, 1280, 720));
    // The same size again, or the signal gone: the crop's picture stays.
    EXPECT_EQ(Kinds(model.SetInputSignal(0, true, 1280, 720, 500)), std::vector<std::string>{"00A3"});
    EXPECT_EQ(Kinds(model.SetInputSignal(0, false, 0, 0, 0)), std::vector<std::string>{"00A3"});
    EXPECT_EQ(model.State().crop.rects[0].hTotal, 1280);
    EXPECT_NE(model.Describe().find("crop 0 on=1 start=0,0 size=1280x720 total=1280x720"), std::string::npos);
}

} // namespace
