// The inputs' side of the simulated processor answered through the application's own dispatcher:
// EDID timings, the frame mode and its rates, crops and the signals behind them.

#include "RecordBuilder.h"
#include "SimModelFixture.h"
#include "picture/CropFrames.h"
#include "picture/EdidFrames.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;
using corvane::test::RecordBuilder;

namespace {

// The EDID command as the EDID page builds it: each mode stored as the processor keeps it, a
// timing above 594 MHz (or with a value outside the processor's bounds) refused and the slot
// reported unchanged, the application's record following the answer. (The refusal's message
// and the page: EdidEndToEnd.)
TEST_F(Model, EdidTimingsAreKeptByModeAndRefusedAboveThePixelRate) {
    app.linkState = kLinkSynchronised;
    auto fields = [](const EdidTiming& t) {
        return std::make_tuple(t.hBlank, t.vBlank, t.hActive, t.vActive, t.hSync, t.vSync, t.hFront, t.vFront,
                               t.refreshX10);
    };
    struct Case {
        const char* name;
        int slot;
        EdidMode mode;
        EdidTiming sent;
        bool taken;
    };
    using M = EdidMode;
    // One after another: a refused timing leaves what the slot held before. 3840 x 2160 with a
    // small blanking runs at 533 MHz at 60 Hz; 4400 x 2250 x 60 Hz is 594 MHz exactly. Mode 1
    // counts the blanking the processor keeps (280 x 45), not the frame's own.
    const Case cases[] = {
        {"60 Hz: 533 MHz", 1, M::Full, {160, 62, 3840, 2160, 32, 5, 48, 4, 600}, true},
        {"120 Hz: 1066 MHz", 1, M::Full, {160, 62, 3840, 2160, 32, 5, 48, 4, 1200}, false},
        {"594 MHz", 1, M::Full, {560, 90, 3840, 2160, 88, 10, 176, 8, 600}, true},
        {"mode 1", 2, M::ActiveAndRate, {1000, 500, 1280, 720, 100, 50, 100, 50, 500}, true},
        {"mode 1, 65 Hz: 590 MHz", 3, M::ActiveAndRate, {96, 16, 3840, 2160, 4, 4, 4, 4, 650}, true},
        {"mode 1, 66 Hz: 600 MHz", 3, M::ActiveAndRate, {96, 16, 3840, 2160, 4, 4, 4, 4, 660}, false},
        {"too small", 0, M::Full, {280, 45, 640, 480, 44, 4, 148, 4, 600}, false},
        {"too slow", 0, M::Full, {280, 45, 1920, 1080, 44, 4, 148, 4, 100}, false},
        {"no sync", 0, M::Full, {280, 45, 1920, 1080, 0, 4, 148, 4, 600}, false},
        {"front porch too short", 0, M::Full, {280, 45, 1920, 1080, 44, 4, 148, 3, 600}, false},
        {"blanking too long", 0, M::Full, {5000, 45, 1920, 1080, 44, 4, 148, 4, 600}, false},
        {"mode 0: the built-in timing, whatever is sent", 2, M::BuiltIn, {1, 1, 1, 1, 1, 1, 1, 1, 1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EdidTiming expected = model.State().edidTimings[c.slot];
        if (c.taken && c.mode == M::Full)
            expected = c.sent;
        else if (c.taken && c.mode == M::BuiltIn)
            expected = kBuiltInEdid;
        else if (c.taken)
            expected = EdidTiming{280, 45, c.sent.hActive, c.sent.vActive, 44, 4, 148, 4, c.sent.refreshX10};
        app.edidTimings[c.slot] = c.sent;
        const std::vector<Outgoing> out = Command(BuildEdidFrame(app, {c.slot, c.mode}));
        EXPECT_EQ(Kinds(out), (Answer{c.taken ? "ack4/1" : "ack4/0", "00A2"}));
        EXPECT_EQ(fields(model.State().edidTimings[c.slot]), fields(expected));
        Deliver(out);
        EXPECT_EQ(fields(app.edidTimings[c.slot]), fields(expected)) << "the reply brings back what it runs";
    }
    EXPECT_EQ(fields(model.State().edidTimings[0]), fields(EdidTiming{}));

    // Another mode, and a slot the processor does not have.
    Frame odd = BuildEdidFrame(app, {1, EdidMode::Full});
    odd[7] = 3;
    SealFrame(odd);
    EXPECT_EQ(Kinds(Command(odd)), (Answer{"ack4/0", "00A2"}));
    EXPECT_EQ(Kinds(Command(RecordBuilder(0x0003).B(6, 4).B(7, 1).Build())), Answer{"ack4/0"});
}

// The rates that follow from the frame mode (the page's mode change itself: FrameEndToEnd).
TEST_F(Model, FrameModeIsKeptAndReportedWithTheRatesThatFollowFromIt) {
    app.linkState = kLinkSynchronised;
    Deliver(model.SetInputSignal(0, true, 1920, 1080, 500)); // HDMI-1, current, now at 50 Hz
    // What the answer's 0xA7 says, what the processor and the application hold, the output's rate.
    auto mode = [&](int m) {
        const std::vector<Outgoing> out = Command(MakeFrameByte6(0x000C, static_cast<std::uint8_t>(m)));
        EXPECT_EQ(Kinds(out), (Answer{"ack8/1", "00A7", "00A3"}));
        Deliver(out);
        return std::vector<int>{out[1].bytes[7], static_cast<int>(model.State().crop.frameMode),
                                static_cast<int>(app.crop.frameMode), app.crop.outputFpsX100};
    };
    EXPECT_EQ(mode(1), (std::vector<int>{1, 1, 1, kOwnOutputFpsX100})) << "conversion: the output's own rate";
    // A new input rate: in conversion mode the output keeps its own.
    Deliver(model.SetInputSignal(0, true, 0, 0, 240));
    EXPECT_EQ(std::tie(app.crop.inputFpsX100, app.crop.outputFpsX100),
              std::make_tuple(2400, kOwnOutputFpsX100));
    // A mode the processor does not have changes nothing and is answered with the one it runs.
    EXPECT_EQ(mode(2), (std::vector<int>{1, 1, 1, kOwnOutputFpsX100}));
    EXPECT_EQ(mode(0), (std::vector<int>{0, 0, 0, 2400})) << "frame sync: the output follows the input";
    // Acknowledgement 8 raises the frame-rate warning; it does not end a wait by itself (the
    // frame sync page ends its own).
    EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>(3, {8, 1})));
    EXPECT_EQ(host.hideWaits, 0);

    // Without a signal on the current input the output runs at its own rate in either mode.
    Deliver(model.SetInputSignal(0, false, 0, 0, 0));
    EXPECT_EQ(std::tie(app.crop.inputFpsX100, app.crop.outputFpsX100), std::make_tuple(0, kOwnOutputFpsX100));
}

// The crop page's commands as the application builds them: one that ends exactly at its
// picture's edge is taken, one outside its picture refused and the input keeps its crop.
// (Crops stored and reported back through the page: CropEndToEnd.)
TEST_F(Model, ACropOutsideItsPictureIsRefusedAndTheInputKeepsItsCrop) {
    model.MutableState().crop.rects[1] = CropRect{1, 10, 20, 640, 360, 1920, 1080};
    app.linkState = kLinkSynchronised;
    struct Case {
        const char* name;
        CropRect sent;
        bool taken;
    };
    const Case cases[] = {
        {"past the right edge", {1, 1300, 0, 640, 360, 1920, 1080}, false},
        {"past the bottom", {1, 0, 800, 640, 360, 1920, 1080}, false},
        {"empty", {1, 0, 0, 0, 360, 1920, 1080}, false},
        {"a picture of no size", {1, 0, 0, 640, 360, 0, 0}, false},
        {"to the right and bottom edges", {1, 1280, 720, 640, 360, 1920, 1080}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceState sent;
        sent.crop.rects[1] = c.sent;
        const CropRect kept = c.taken ? c.sent : CropRect{1, 10, 20, 640, 360, 1920, 1080};
        const auto out = Command(BuildCropFrame(sent, 1, kCropSet));
        EXPECT_EQ(Kinds(out), (Answer{c.taken ? "ack2/0" : "ack2/1", "00A7"}));
        const CropRect& r = model.State().crop.rects[1];
        EXPECT_EQ(std::tie(r.on, r.hStart, r.vStart, r.hSize, r.vSize),
                  std::tie(kept.on, kept.hStart, kept.vStart, kept.hSize, kept.vSize));
        host.events.clear();
        Deliver(out);
        EXPECT_EQ(app.crop.rects[1].hStart, kept.hStart) << "the application learns what the processor kept";
        EXPECT_EQ(host.events,
                  (c.taken ? std::vector<std::pair<int, int>>{} : std::vector<std::pair<int, int>>{{2, 1}}))
            << "a refusal is an event, a crop done shows nothing";
    }
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
