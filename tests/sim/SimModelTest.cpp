// The simulated processor answered through the application's own reply dispatcher: what it
// reports must become exactly the application's DeviceState, and each command family must
// be stored and acknowledged the way the application waits for.

#include "Flood.h"
#include "ProcessorModel.h"
#include "RecordBuilder.h"
#include "Simulator.h"
#include "blend/BlendFrames.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"
#include "layout/OutputFrames.h"
#include "link/ByteOrder.h"
#include "link/RecordCutter.h"
#include "picture/CropFrames.h"
#include "picture/CropRules.h"
#include "picture/EdidFrames.h"
#include "picture/FrameSync.h"
#include "picture/PictureFrames.h"
#include "presets/PresetFile.h"

#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using corvane::test::RecordBuilder;

namespace {

class QuietHost : public NullDispatcherHost {
public:
    void PostMessageTo(Window, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override {
        if (m == 0x5FD)
            events.push_back({static_cast<int>(wp), static_cast<int>(lp)});
    }
    void HideWait() override { ++hideWaits; }
    bool WindowExists(Window) override { return true; }

    std::vector<std::pair<int, int>> events;
    int hideWaits = 0;
};

// Codes and, for acknowledgements, operations of what the model answered.
std::vector<std::string> Kinds(const std::vector<Outgoing>& out) {
    std::vector<std::string> kinds;
    for (const Outgoing& o : out) {
        char t[32];
        if (o.bytes.size() != kFrameSize)
            std::snprintf(t, sizeof t, "block");
        else if (FrameCode(o.bytes.data()) == 0xAE)
            std::snprintf(t, sizeof t, "ack%d/%d", o.bytes[6], o.bytes[7]);
        else
            std::snprintf(t, sizeof t, "%04X", FrameCode(o.bytes.data()));
        kinds.push_back(t);
    }
    return kinds;
}

class Model : public ::testing::Test {
protected:
    void Deliver(const std::vector<Outgoing>& out) {
        for (const Outgoing& o : out)
            if (o.bytes.size() == kFrameSize)
                dispatcher.OnDeviceRecord(o.bytes.data());
    }
    std::vector<Outgoing> Command(const Frame& f) { return model.OnCommand(f.data()); }

    ProcessorModel model;
    DeviceState app;
    QuietHost host;
    LinkSession session{app, host};
    ReplyDispatcher dispatcher{app, session, host};
};

void ExpectSameState(const DeviceState& a, const DeviceState& b) {
    EXPECT_EQ(a.currentInput, b.currentInput);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.inputs[i].isCurrent, b.inputs[i].isCurrent);
        EXPECT_EQ(a.inputs[i].signal, b.inputs[i].signal);
        const LayerInfo &la = a.layers[i], &lb = b.layers[i];
        EXPECT_EQ(std::tie(la.source, la.zoomOn, la.zoomX, la.zoomY, la.zoomW, la.zoomH, la.srcW, la.srcH,
                           la.x, la.y, la.w, la.h, la.visible),
                  std::tie(lb.source, lb.zoomOn, lb.zoomX, lb.zoomY, lb.zoomW, lb.zoomH, lb.srcW, lb.srcH,
                           lb.x, lb.y, lb.w, lb.h, lb.visible));
        const OutputInfo &oa = a.outputs[i], &ob = b.outputs[i];
        EXPECT_EQ(std::tie(oa.canvasX, oa.canvasY, oa.width, oa.height, oa.winX, oa.winY, oa.winW, oa.winH,
                           oa.resIndex, oa.hActive, oa.vActive, oa.resTag, oa.curve),
                  std::tie(ob.canvasX, ob.canvasY, ob.width, ob.height, ob.winX, ob.winY, ob.winW, ob.winH,
                           ob.resIndex, ob.hActive, ob.vActive, ob.resTag, ob.curve));
        for (int s = 0; s < 4; ++s) {
            const BlendSide &ba = oa.blend[s], &bb = ob.blend[s];
            EXPECT_EQ(std::tie(ba.enable, ba.direction, ba.gamma, ba.table, ba.start, ba.size),
                      std::tie(bb.enable, bb.direction, bb.gamma, bb.table, bb.start, bb.size));
        }
        const PictureSettings &pa = a.picture[i], &pb = b.picture[i];
        EXPECT_EQ(std::tie(pa.brightness, pa.contrast, pa.gamma, pa.colorTemp, pa.red, pa.green, pa.blue,
                           pa.aux0, pa.aux3),
                  std::tie(pb.brightness, pb.contrast, pb.gamma, pb.colorTemp, pb.red, pb.green, pb.blue,
                           pb.aux0, pb.aux3));
        const EdidTiming &ea = a.edidTimings[i], &eb = b.edidTimings[i];
        EXPECT_EQ(std::tie(ea.hBlank, ea.vBlank, ea.hActive, ea.vActive, ea.hSync, ea.vSync, ea.hFront,
                           ea.vFront, ea.refreshX10),
                  std::tie(eb.hBlank, eb.vBlank, eb.hActive, eb.vActive, eb.hSync, eb.vSync, eb.hFront,
                           eb.vFront, eb.refreshX10));
        const CropRect &ca = a.crop.rects[i], &cb = b.crop.rects[i];
        EXPECT_EQ(std::tie(ca.on, ca.hStart, ca.vStart, ca.hSize, ca.vSize, ca.hTotal, ca.vTotal),
                  std::tie(cb.on, cb.hStart, cb.vStart, cb.hSize, cb.vSize, cb.hTotal, cb.vTotal));
    }
    EXPECT_EQ(a.crop.frameMode, b.crop.frameMode);
    EXPECT_EQ(a.crop.inputBackup, b.crop.inputBackup);
    EXPECT_EQ(a.crop.inputFpsX100, b.crop.inputFpsX100);
    EXPECT_EQ(a.wifi.ssid, b.wifi.ssid);
    EXPECT_EQ(a.wifi.password, b.wifi.password);
    EXPECT_EQ(a.wifi.ip, b.wifi.ip);
}

TEST_F(Model, SynchronisationFillsTheApplicationsStateAndEndsOnTheLastCurve) {
    // Make every part of the state differ from the application's defaults.
    DeviceState& s = model.MutableState();
    s.layers[2] = LayerInfo{3, 1, 10, 20, 640, 360, 1280, 720, 59000, 70000, 999, 333, 1};
    s.outputs[1].blend[kSideV2] = BlendSide{1, 1, 17, 3, 800, 300};
    s.outputs[3].curve[5] = 77;
    s.picture[3].contrast = 201;
    s.edidTimings[1].hActive = 1280;
    s.crop.rects[3] = CropRect{1, 8, 9, 100, 200, 1920, 1080};
    s.crop.frameMode = 1;
    s.crop.inputBackup = 1;
    s.wifi = WifiConfig{"10.1.2.3", "Stage-Left", "secret12"};
    model.SetInputSignal(2, true, 3840, 2160, 300);
    Deliver(Command(MakeFrameByte6(0x0004, 2)));

    app.linkState = kLinkOpen;
    const std::vector<Frame> records = model.StateRecords();
    EXPECT_EQ(FrameCode(records.back().data()), 0xAA);
    EXPECT_EQ(records.back()[6], 3);
    for (const Frame& r : records) {
        EXPECT_EQ(FrameChecksum(r.data()), r[38]);
        EXPECT_NE(app.linkState, kLinkSynchronised) << "synchronised before the last record";
        dispatcher.OnDeviceRecord(r.data());
    }
    EXPECT_EQ(app.linkState, kLinkSynchronised);
    ExpectSameState(app, model.State());
    EXPECT_EQ(app.verPrimary, "0102");
    EXPECT_EQ(app.verSecondary, "2026");
    EXPECT_EQ(app.inputs[2].width, 3840);
    EXPECT_EQ(app.inputs[2].signal, 1);
}

TEST_F(Model, BlendSidesAndCurvesOfEveryOutputAreKeptAndReportedBackAsSent) {
    DeviceState sent;
    for (int o = 0; o < kOutputCount; ++o) {
        OutputInfo& out = sent.outputs[static_cast<std::size_t>(o)];
        for (int side = 0; side < kSideCount; ++side)
            out.blend[static_cast<std::size_t>(side)] = BlendSide{
                static_cast<std::uint8_t>((o + side) & 1),    static_cast<std::uint8_t>(side & 1),
                static_cast<std::uint8_t>(10 + 9 * side + o), static_cast<std::uint8_t>(side),
                static_cast<std::uint16_t>(300 * o + side),   static_cast<std::uint16_t>(256 + 100 * side)};
        for (std::size_t i = 0; i < out.curve.size(); ++i)
            out.curve[i] = static_cast<std::uint8_t>(17 * o + i);
    }
    app.linkState = kLinkSynchronised;
    for (int o = 0; o < kOutputCount; ++o) {
        SCOPED_TRACE(o);
        const std::vector<Outgoing> sides = Command(BuildBlendFrame(sent, o));
        ASSERT_EQ(Kinds(sides), std::vector<std::string>{"00A9"});
        EXPECT_EQ(sides[0].bytes[6], o);
        const std::vector<Outgoing> curves = Command(BuildBlendCurveFrame(sent, o));
        ASSERT_EQ(Kinds(curves), std::vector<std::string>{"00AA"});
        Deliver(sides);
        Deliver(curves);
        const OutputInfo &a = app.outputs[static_cast<std::size_t>(o)],
                         &b = sent.outputs[static_cast<std::size_t>(o)];
        for (int side = 0; side < kSideCount; ++side) {
            const BlendSide &x = a.blend[static_cast<std::size_t>(side)],
                            &y = b.blend[static_cast<std::size_t>(side)];
            EXPECT_EQ(std::tie(x.enable, x.direction, x.gamma, x.table, x.start, x.size),
                      std::tie(y.enable, y.direction, y.gamma, y.table, y.start, y.size))
                << "side " << side;
        }
        EXPECT_EQ(a.curve, b.curve);
        EXPECT_EQ(model.State().outputs[static_cast<std::size_t>(o)].curve, b.curve);
    }
    // The curves of output index 3 answered while synchronised leave the link as it is.
    EXPECT_EQ(app.linkState, kLinkSynchronised);
}

struct CommandCase {
    const char* name;
    Frame command;
    std::vector<std::string> answer;
};

TEST_F(Model, EachCommandFamilyIsAcknowledgedAsTheApplicationWaits) {
    const CommandCase cases[] = {
        {"crop",
         RecordBuilder(0x0001)
             .B(6, 1)
             .B(7, 0)
             .B(8, 1)
             .LE16(9, 100)
             .LE16(11, 0)
             .LE16(13, 1280)
             .LE16(15, 720)
             .LE16(17, 1920)
             .LE16(19, 1080)
             .Build(),
         {"ack2/0", "00A7"}},
        {"crop outside its picture",
         RecordBuilder(0x0001)
             .B(6, 2)
             .B(8, 1)
             .LE16(9, 1000)
             .LE16(13, 1280)
             .LE16(15, 720)
             .LE16(17, 1920)
             .LE16(19, 1080)
             .Build(),
         {"ack2/1", "00A7"}},
        {"EDID",
         RecordBuilder(0x0003).B(6, 0).B(7, 1).LE16(8, 1280).LE16(10, 720).LE16(12, 600).Build(),
         {"ack4/1", "00A2"}},
        {"input selection", MakeFrameByte6(0x0004, 2), {"00A3", "00A7"}},
        {"preset recall", MakeFrameByte6(0x0005, 1), {"00A8", "00A8", "00A8", "00A8", "ack9/1"}},
        {"layer", RecordBuilder(0x0006).B(6, 3).B(7, 1).LE24(21, 500).B(33, 1).Build(), {"00A8"}},
        {"blend", RecordBuilder(0x0007).B(6, 2).B(7, 3).Build(), {"00A9"}},
        {"blend curve", RecordBuilder(0x0008).B(6, 1).B(7, 9).Build(), {"00AA"}},
        {"output window",
         RecordBuilder(0x0009).B(6, 0).LE24(7, 125).B(25, 0).LE16(26, 1920).LE16(28, 1080).B(30, 0).Build(),
         {"ack1/0", "00AB"}},
        {"picture", RecordBuilder(0x000B).B(6, 3).B(7, 0).B(9, 100).B(12, 8).Build(), {"ack3/1", "00AC"}},
        {"picture on all outputs",
         RecordBuilder(0x000B).B(6, 0).B(7, 1).B(9, 90).Build(),
         {"ack3/1", "00AC", "00AC"}},
        {"frame mode", MakeFrameByte6(0x000C, 1), {"ack8/1", "00A7", "00A3"}},
        {"output resolution for all",
         RecordBuilder(0x000D).B(6, 4).B(7, 2).LE16(8, 1366).LE16(10, 768).Build(),
         {"ack0/1", "00AB", "00AB", "00AB", "00AB"}},
        {"WiFi",
         RecordBuilder(0x000E).B(6, 3).B(7, 'a').B(8, 'b').B(9, 'c').B(21, 8).Build(),
         {"ack10/1", "00B1"}},
        {"input backup", MakeFrameByte6(0x000F, 1), {"00A7"}},
        {"EDID request", MakeFrameByte6(0x00A2, 3), {"00A2"}},
        {"arrangement done", MakeFrameByte6(0x00B0, 0), {"00B0"}},
        {"system information", MakeFrameByte6(0x00B2, 0), {"00B2"}},
        {"ping answer", MakeFrameByte6(0x00B3, 0), {}},
        {"unknown code", MakeFrame(0x0042), {}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Kinds(Command(c.command)), c.answer);
    }
    const DeviceState& s = model.State();
    EXPECT_EQ(s.crop.rects[1].hStart, 100);
    EXPECT_EQ(s.edidTimings[0].hActive, 1280);
    EXPECT_EQ(s.edidTimings[0].hBlank, 280) << "mode 1 keeps the blanking";
    EXPECT_EQ(s.layers[3].x, 500u);
    EXPECT_EQ(s.layers[3].source, 1u);
    for (const PictureSettings& p : s.picture)
        EXPECT_EQ(p.brightness, 90) << "the last picture command applied to all outputs";
    EXPECT_EQ(s.outputs[2].width, 1366);
    EXPECT_EQ(s.outputs[2].resIndex, 2u);
    EXPECT_EQ(s.wifi.ssid, "abc");
    EXPECT_EQ(s.crop.frameMode, 1u);
    EXPECT_EQ(s.crop.inputBackup, 1);
    EXPECT_EQ(model.PingAnswers(), 1u);
}

TEST_F(Model, PictureCommandsAreKeptAsTheProcessorKeepsThem) {
    auto picture = [&](int output, std::uint32_t all, bool reset, std::uint32_t colorTemp,
                       std::uint32_t item) {
        return Command(BuildPictureFrame(app, {output, all, reset, colorTemp, item}));
    };
    // User gains of output 1 are kept, then a preset is chosen: its gains are the processor's
    // own, the user gains stay for a later " User ".
    app.picture[1] = PictureSettings{90, 100, 23, 8, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(Kinds(picture(1, 0, false, kUserColorTemp, kPictureRed)),
              (std::vector<std::string>{"ack3/1", "00AC"}));
    app.picture[1].colorTemp = 2;
    const std::vector<Outgoing> preset = picture(1, 0, false, 2, kPictureColorTemp);
    ASSERT_EQ(Kinds(preset), (std::vector<std::string>{"ack3/1", "00AC"}));
    EXPECT_EQ(preset[1].bytes[6], 0x12) << "the pair of output 1";
    const PictureSettings& kept = model.State().picture[1];
    EXPECT_EQ(std::tie(kept.brightness, kept.contrast, kept.gamma, kept.colorTemp),
              std::make_tuple(90, 100, 23, 2));
    EXPECT_EQ(std::tie(kept.red, kept.green, kept.blue), std::make_tuple(1, 2, 3));
    EXPECT_EQ(std::tie(kept.aux0, kept.aux3), std::make_tuple(4, 7));
    EXPECT_EQ(model.State().picture[0].brightness, 128) << "one output only";

    // The reset, with gamma off; the processor's reply brings the application the same record.
    app.picture[3] = PictureSettings{128, 128, kGammaOff, 8, 128, 128, 128, 10, 10, 10, 10};
    const std::vector<Outgoing> reset = picture(3, 0, true, kUserColorTemp, kPictureReset);
    ASSERT_EQ(Kinds(reset), (std::vector<std::string>{"ack3/1", "00AC"}));
    EXPECT_EQ(reset[1].bytes[6], 0x34);
    EXPECT_EQ(model.State().picture[3].gamma, kGammaOff);
    app.picture[3].gamma = 10;
    Deliver(preset);
    Deliver(reset);
    for (int i = 0; i < 4; ++i) {
        const PictureSettings &a = app.picture[i], &b = model.State().picture[i];
        EXPECT_EQ(
            std::tie(a.brightness, a.contrast, a.gamma, a.colorTemp, a.red, a.green, a.blue, a.aux0, a.aux3),
            std::tie(b.brightness, b.contrast, b.gamma, b.colorTemp, b.red, b.green, b.blue, b.aux0, b.aux3))
            << i;
    }

    // All four outputs: both pairs reported.
    app.picture[2].contrast = 7;
    EXPECT_EQ(Kinds(picture(2, 1, false, kUserColorTemp, kPictureContrast)),
              (std::vector<std::string>{"ack3/1", "00AC", "00AC"}));
    for (const PictureSettings& p : model.State().picture)
        EXPECT_EQ(p.contrast, 7);
    EXPECT_TRUE(Command(RecordBuilder(0x000B).B(6, 4).B(9, 1).Build()).empty()) << "no such output";
    EXPECT_EQ(model.State().picture[0].brightness, 128);
}

TEST_F(Model, AcknowledgementsDriveTheApplicationsMessages) {
    app.linkState = kLinkSynchronised;
    Deliver(Command(BuildEdidFrame(app, {0, EdidMode::Full})));
    Deliver(Command(RecordBuilder(0x000E).B(6, 1).B(7, 'x').B(21, 8).Build()));
    Deliver(Command(RecordBuilder(0x000B).B(6, 0).Build()));
    Deliver(Command(RecordBuilder(0x0001)
                        .B(6, 0)
                        .LE16(9, 0)
                        .LE16(11, 0)
                        .LE16(13, 640)
                        .LE16(15, 480)
                        .LE16(17, 1920)
                        .LE16(19, 1080)
                        .Build()));
    Deliver(Command(RecordBuilder(0x0001).B(6, 0).Build())); // a window past its picture
    // EDID success, WiFi success; picture and crop success show nothing; a refused crop does.
    const std::vector<std::pair<int, int>> expected = {{4, 0}, {10, 1}, {2, 1}};
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(host.hideWaits, 2);
}

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
    // Just within: 4000 x 2222 x 66.8 Hz; 66.9 Hz is over.
    app.edidTimings[1].refreshX10 = 668;
    EXPECT_EQ(send(1, EdidMode::Full), taken);
    app.edidTimings[1].refreshX10 = 669;
    EXPECT_EQ(send(1, EdidMode::Full), refused);
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
    EXPECT_EQ(app.crop.inputFpsX100, 5000);
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

    // A synchronisation reports the mode kept.
    mode(FrameMode::Convert);
    DeviceState fresh;
    QuietHost quiet;
    LinkSession freshSession{fresh, quiet};
    ReplyDispatcher freshDispatcher{fresh, freshSession, quiet};
    for (const Frame& r : model.StateRecords())
        freshDispatcher.OnDeviceRecord(r.data());
    EXPECT_EQ(fresh.crop.frameMode, 1u);
    EXPECT_EQ(fresh.crop.outputFpsX100, kOwnOutputFpsX100);
}

TEST_F(Model, PresetFileIsAppliedThenTheWaitEnds) {
    std::vector<std::uint8_t> file(kBlockSize, 0);
    std::copy(kBlockMagic.begin(), kBlockMagic.end(), file.begin());
    file[11] = 1;
    file[13] = 24;
    const Frame records[] = {
        MakeFrameByte6(0x0004, 3),
        RecordBuilder(0x0006).B(6, 1).B(7, 3).LE24(21, 4242).B(33, 1).Build(),
        RecordBuilder(0x000F).B(6, 1).Build(),
    };
    for (int k = 0; k < 24; ++k) {
        const Frame f = k < 3 ? records[k] : MakeFrame(0x0042);
        std::copy(f.begin(), f.end(), file.begin() + 14 + 39 * k);
    }
    file[1038] = static_cast<std::uint8_t>(std::accumulate(file.begin(), file.end() - 1, 0u));
    const auto out = model.OnBlock(file.data());
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Kinds(out).back(), "ack9/1");
    EXPECT_EQ(model.State().currentInput, 3u);
    EXPECT_EQ(model.State().layers[1].x, 4242u);
    EXPECT_EQ(model.State().crop.inputBackup, 1);
}

// What a preset file carries of a state is the same in `saved` and `now`.
void ExpectPresetFields(const DeviceState& saved, const DeviceState& now) {
    EXPECT_EQ(saved.currentInput, now.currentInput);
    EXPECT_EQ(saved.crop.inputBackup, now.crop.inputBackup);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const OutputInfo &oa = saved.outputs[i], &ob = now.outputs[i];
        EXPECT_EQ(std::tie(oa.canvasX, oa.canvasY, oa.width, oa.height, oa.winX, oa.winY, oa.winW, oa.winH,
                           oa.resIndex, oa.hActive, oa.vActive, oa.curve),
                  std::tie(ob.canvasX, ob.canvasY, ob.width, ob.height, ob.winX, ob.winY, ob.winW, ob.winH,
                           ob.resIndex, ob.hActive, ob.vActive, ob.curve));
        for (std::size_t side = 0; side < 4; ++side) {
            const BlendSide &ba = oa.blend[side], &bb = ob.blend[side];
            EXPECT_EQ(std::tie(ba.enable, ba.direction, ba.gamma, ba.table, ba.start, ba.size),
                      std::tie(bb.enable, bb.direction, bb.gamma, bb.table, bb.start, bb.size));
        }
        const LayerInfo &la = saved.layers[i], &lb = now.layers[i];
        EXPECT_EQ(std::tie(la.zoomOn, la.zoomX, la.zoomY, la.zoomW, la.zoomH, la.srcW, la.srcH, la.x, la.y,
                           la.w, la.h, la.visible),
                  std::tie(lb.zoomOn, lb.zoomX, lb.zoomY, lb.zoomW, lb.zoomH, lb.srcW, lb.srcH, lb.x, lb.y,
                           lb.w, lb.h, lb.visible));
        const PictureSettings &pa = saved.picture[i], &pb = now.picture[i];
        EXPECT_EQ(
            std::tie(pa.brightness, pa.contrast, pa.gamma, pa.colorTemp, pa.aux0, pa.aux1, pa.aux2, pa.aux3),
            std::tie(pb.brightness, pb.contrast, pb.gamma, pb.colorTemp, pb.aux0, pb.aux1, pb.aux2, pb.aux3));
        if (pa.colorTemp == kUserColorTemp) { // a preset temperature's gains are the processor's own
            EXPECT_EQ(std::tie(pa.red, pa.green, pa.blue), std::tie(pb.red, pb.green, pb.blue));
        }
        const CropRect &ca = saved.crop.rects[i], &cb = now.crop.rects[i];
        EXPECT_EQ(std::tie(ca.on, ca.hStart, ca.vStart, ca.hSize, ca.vSize, ca.hTotal, ca.vTotal),
                  std::tie(cb.on, cb.hStart, cb.vStart, cb.hSize, cb.vSize, cb.hTotal, cb.vTotal));
    }
}

// A state that differs from the processor's first one in every field a preset carries.
void ChangeEverythingAPresetCarries(DeviceState& s) {
    s.currentInput = 2;
    s.crop.inputBackup = 1;
    for (std::size_t i = 0; i < 4; ++i) {
        OutputInfo& o = s.outputs[i];
        o.canvasX += 11 * static_cast<std::uint32_t>(i + 1);
        o.winX = static_cast<std::uint16_t>(4 * i + 2);
        o.winW = static_cast<std::uint16_t>(o.winW - 100);
        for (std::size_t side = 0; side < 4; ++side) {
            BlendSide& b = o.blend[side];
            b.enable = static_cast<std::uint8_t>((i + side) & 1);
            b.direction = static_cast<std::uint8_t>(side >> 1);
            b.gamma = static_cast<std::uint8_t>(20 + i + side);
            b.table = 1;
            b.start = static_cast<std::uint16_t>(10 * i + side);
            b.size = static_cast<std::uint16_t>(200 + i);
        }
        for (std::size_t c = 0; c < 16; ++c)
            o.curve[c] = static_cast<std::uint8_t>(255 - 16 * c - i);
        LayerInfo& l = s.layers[i];
        l.x = 1000 + 100 * static_cast<std::uint32_t>(i);
        l.y = 700 + static_cast<std::uint32_t>(i);
        l.w = 1280;
        l.h = 720;
        l.visible = static_cast<std::uint8_t>(i != 2);
        l.zoomOn = static_cast<std::uint8_t>(i == 1);
        l.zoomX = 16;
        l.zoomW = 960;
        PictureSettings& p = s.picture[i];
        p.brightness = static_cast<std::uint8_t>(90 + i);
        p.contrast = static_cast<std::uint8_t>(140 + i);
        p.gamma = static_cast<std::uint8_t>(i == 3 ? kGammaOff : 15 + i);
        p.colorTemp = static_cast<std::uint8_t>(i == 0 ? kUserColorTemp : i + 2);
        p.red = 10;
        p.green = 20;
        p.blue = 30;
        CropRect& r = s.crop.rects[i];
        r.on = static_cast<std::uint8_t>(i & 1);
        r.hStart = 64;
        r.vStart = 32;
        r.hSize = 1280;
        r.vSize = 720;
    }
}

// The preset file as the application builds it: every record kind reaches the processor's
// state, the processor reports its state and ends the wait; the application's state after
// the reports is the one saved.
TEST_F(Model, ApplicationsPresetFileBecomesTheProcessorsStateAndIsReportedBack) {
    for (const Frame& f : model.StateRecords())
        dispatcher.OnDeviceRecord(f.data());
    DeviceState saved = app;
    ChangeEverythingAPresetCarries(saved);
    const PresetFile file = BuildPresetFile(saved);
    const auto out = model.OnBlock(file.data());
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Kinds(out).back(), "ack9/1");
    EXPECT_EQ(model.PresetFilesReceived(), 1u);
    EXPECT_EQ(model.PresetFilesRefused(), 0u);
    ExpectPresetFields(saved, model.State());
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(model.State().layers[i].source, 2u) << "the layer command carries the current input";

    const int waitsBefore = host.hideWaits;
    Deliver(out);
    ExpectPresetFields(saved, app);
    EXPECT_GT(host.hideWaits, waitsBefore) << "the acknowledgement ends the wait";
}

TEST_F(Model, APresetFileThatFailsItsCheckChangesNothingAndIsAnsweredWithStatusZero) {
    DeviceState wanted = model.State();
    ChangeEverythingAPresetCarries(wanted);
    const PresetFile good = BuildPresetFile(wanted);
    struct Case {
        const char* name;
        std::size_t at;
    };
    // (Bytes 8..11 all zero would make it a firmware packet: the version is spoilt in byte 8.)
    for (const Case c :
         {Case{"version", 8}, Case{"count", 13}, Case{"checksum", 1038}, Case{"a zero", 990}}) {
        SCOPED_TRACE(c.name);
        PresetFile bad = good;
        bad[c.at] ^= 0x01;
        if (c.at == 990)
            bad[1038] = PresetFileChecksum(bad.data()); // zeros are not the processor's business
        const DeviceState before = model.State();
        const auto out = model.OnBlock(bad.data());
        if (c.at == 990) {
            EXPECT_EQ(Kinds(out).back(), "ack9/1");
            continue;
        }
        EXPECT_EQ(Kinds(out), std::vector<std::string>{"ack9/0"});
        ExpectPresetFields(before, model.State());
    }
    EXPECT_EQ(model.PresetFilesRefused(), 3u);

    // A record whose own checksum is wrong is left out; the others are applied.
    PresetFile torn = good;
    torn[14 + 39 * 6 + 38] ^= 0xFF; // layer 1
    torn[1038] = PresetFileChecksum(torn.data());
    const std::uint32_t layerBefore = model.State().layers[1].x;
    EXPECT_EQ(Kinds(model.OnBlock(torn.data())).back(), "ack9/1");
    EXPECT_EQ(model.State().layers[1].x, layerBefore);
    EXPECT_EQ(model.State().layers[2].x, wanted.layers[2].x);
}

TEST_F(Model, TheProcessorsOwnPresetsAreRecalledByIndex) {
    const auto grid = Command(BuildPresetRecallFrame(0));
    EXPECT_EQ(Kinds(grid), (std::vector<std::string>{"00A8", "00A8", "00A8", "00A8", "ack9/1"}));
    EXPECT_EQ(model.State().layers[1].x - model.State().layers[0].x, model.State().layers[0].w);
    EXPECT_EQ(model.State().layers[2].y - model.State().layers[0].y, model.State().layers[0].h);
    Command(BuildPresetRecallFrame(2));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(model.State().layers[i].x, model.State().layers[0].x) << "four full-width rows";
        EXPECT_EQ(model.State().layers[i].visible, 1);
    }
    const DeviceState before = model.State();
    EXPECT_EQ(Kinds(Command(BuildPresetRecallFrame(7))), std::vector<std::string>{"ack9/0"});
    ExpectPresetFields(before, model.State());
    Deliver(Command(BuildPresetRecallFrame(1)));
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(app.layers[i].y, model.State().layers[0].y) << "one row across the middle";
}

// A setting stored as a preset comes back whole when it is recalled, also over a built-in slot;
// the answer reports the layers, the rest only a request for the state does.
TEST_F(Model, AStoredPresetBringsBackTheWholeSettingItHeld) {
    DeviceState& s = model.MutableState();
    for (std::size_t i = 0; i < 4; ++i) {
        s.layers[i].x = 500 + 100 * static_cast<std::uint32_t>(i);
        s.layers[i].visible = static_cast<std::uint8_t>(i != 2);
        s.outputs[i].canvasX = 1920 * static_cast<std::uint32_t>(3 - i);
        s.picture[i].brightness = static_cast<std::uint8_t>(40 + i);
    }
    s.crop.inputBackup = 1;
    const DeviceState stored = s;
    ASSERT_TRUE(model.StorePreset(4));
    ASSERT_TRUE(model.StorePreset(0));
    EXPECT_FALSE(model.StorePreset(10));
    EXPECT_FALSE(model.HasStoredPreset(5));

    Command(BuildPresetRecallFrame(2)); // the built-in rows change the layers
    for (std::size_t i = 0; i < 4; ++i) {
        s.outputs[i].canvasX = 0;
        s.picture[i].brightness = 128;
    }
    s.crop.inputBackup = 0;
    for (int slot : {4, 0}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(Kinds(Command(BuildPresetRecallFrame(slot))),
                  (std::vector<std::string>{"00A8", "00A8", "00A8", "00A8", "ack9/1"}));
        ExpectPresetFields(stored, model.State());
        Command(BuildPresetRecallFrame(1));
    }
    EXPECT_EQ(Kinds(Command(BuildPresetRecallFrame(5))), std::vector<std::string>{"ack9/0"}) << "empty";
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

    // Switched off before the input changes: stored, whatever the signal.
    app.inputs[0].signal = 0;
    Deliver(Command(*CropOffFrame(app, 0)));
    EXPECT_EQ(model.State().crop.rects[0].on, 0);
    EXPECT_EQ(app.crop.rects[0].on, 0);
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

// The output page's commands as the application builds them, from the state the processor
// reported and what the page picked, answered by the processor and taken back by the
// application's dispatcher.
class OutputCommands : public ::testing::Test {
protected:
    void SetUp() override {
        // Windows that do not cover the whole picture, so that a reset shows.
        for (int k = 0; k < 4; ++k) {
            OutputInfo& o = model.MutableState().outputs[k];
            o.winX = static_cast<std::uint16_t>(10 * (k + 1));
            o.winY = 20;
            o.winW = o.width = 1280;
            o.winH = o.height = 720;
        }
        Synchronise();
    }

    // The application takes the processor's whole state, as after connecting.
    void Synchronise() {
        app.linkState = kLinkOpen;
        for (const Frame& r : model.StateRecords())
            dispatcher.OnDeviceRecord(r.data());
        host.events.clear();
        picks = {};
    }
    std::vector<Outgoing> Command(const Frame& f) { return model.OnCommand(f.data()); }
    void Deliver(const std::vector<Outgoing>& out) {
        for (const Outgoing& o : out)
            dispatcher.OnDeviceRecord(o.bytes.data());
    }

    ProcessorModel model;
    DeviceState app;
    OutputPicks picks;
    QuietHost host;
    LinkSession session{app, host};
    ReplyDispatcher dispatcher{app, session, host, &picks};
};

// A pick of the output page: a row of the list, or the custom timing (row 9).
OutputPick Row(int row) {
    OutputPick p;
    p.row = row;
    return p;
}
OutputPick Custom(std::uint16_t width, std::uint16_t height, std::uint32_t rateFlag) {
    OutputPick p = Row(kCustomResolutionRow);
    p.customWidth = width;
    p.customHeight = height;
    p.customTag = rateFlag;
    return p;
}
OutputPick WithWindow(OutputPick p, double x, double y, double w, double h) {
    p.winX = x;
    p.winY = y;
    p.winW = w;
    p.winH = h;
    return p;
}

std::string Describe(const OutputInfo& o) {
    std::ostringstream t;
    t << "canvas=" << o.canvasX << "," << o.canvasY << " size=" << o.width << "x" << o.height
      << " window=" << o.winX << "," << o.winY << "," << o.winW << "," << o.winH << " res=" << o.resIndex
      << " active=" << o.hActive << "x" << o.vActive << " tag=" << o.resTag;
    return t.str();
}

// An output at its place on the canvas running (row, width x height, tag) with its window the
// whole active picture.
std::string Running(const OutputInfo& at, std::uint32_t row, std::uint16_t width, std::uint16_t height,
                    std::uint32_t tag) {
    OutputInfo o = at;
    o.resIndex = row;
    o.hActive = o.width = o.winW = width;
    o.vActive = o.height = o.winH = height;
    o.winX = o.winY = 0;
    o.resTag = tag;
    return Describe(o);
}

Frame Patched(Frame f, int offset, std::uint8_t value) {
    f[static_cast<std::size_t>(offset)] = value;
    SealFrame(f);
    return f;
}

using Answer = std::vector<std::string>;

TEST_F(OutputCommands, PlacementAtTheRunningResolutionIsStoredAsAWindowChange) {
    app.outputs[1].canvasX = 4000; // the page moved the output on the canvas and sized it
    app.outputs[1].width = 1600;
    app.outputs[1].height = 900;
    picks[1] = WithWindow(Row(0), 100, 60, 1600, 900); // row 0: what output 1 runs
    const auto out = Command(BuildOutputWindowFrame(app, picks, 1));
    ASSERT_EQ(Kinds(out), (Answer{"ack1/0", "00AB"}));
    EXPECT_EQ(out[0].bytes[8], 1);
    EXPECT_EQ(out[1].bytes[6], 1);
    EXPECT_EQ(Describe(model.State().outputs[1]),
              "canvas=4000,198 size=1600x900 window=100,60,1600,900 res=0 active=1920x1080 tag=0");
    Deliver(out);
    ExpectSameState(app, model.State());
    EXPECT_TRUE(host.events.empty()) << "a window stored shows no message";
}

TEST_F(OutputCommands, PlacementWithANewResolutionChangesTheOutputsResolution) {
    struct Case {
        const char* name;
        OutputPick pick;
        std::uint32_t row;
        std::uint16_t width, height;
        std::uint32_t tag;
    };
    // One after another on output 2, each a change from the one before ("Apply One").
    const Case cases[] = {
        {"a row of the list", Row(2), 2, 1366, 768, 0},
        {"the custom timing at 50 Hz", Custom(1600, 900, 1), 9, 1600, 900, 1},
        {"the rate alone", Custom(1600, 900, 0), 9, 1600, 900, 0},
        {"the largest picture, 2304000 pixels", Custom(1920, 1200, 0), 9, 1920, 1200, 0},
    };
    const int k = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OutputInfo before = model.State().outputs[k];
        // Apply One: the window becomes the whole active picture of the new resolution.
        picks[k] = WithWindow(c.pick, 0, 0, c.width, c.height);
        app.outputs[k].width = c.width;
        app.outputs[k].height = c.height;
        const auto out = Command(BuildOutputWindowFrame(app, picks, k));
        ASSERT_EQ(Kinds(out), (Answer{"ack0/1", "00AB"}));
        EXPECT_EQ(out[0].bytes[8], k);
        EXPECT_EQ(out[1].bytes[6], k);
        EXPECT_EQ(Describe(model.State().outputs[k]), Running(before, c.row, c.width, c.height, c.tag));
        host.events.clear();
        Deliver(out);
        ExpectSameState(app, model.State());
        EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{0xAB, 0}})) << "Set up success!";
    }
}

TEST_F(OutputCommands, RefusedResolutionLeavesTheOutputAsItWas) {
    struct Case {
        const char* name;
        OutputPick pick;
        int rowByte; // written over byte 25 when not negative
        bool fault;
    };
    const Case cases[] = {
        {"row 10", Row(0), 10, false},
        {"2880 x 1080 custom", Custom(2880, 1080, 0), -1, false},
        {"one line too many for 1920 wide", Custom(1920, 1201, 0), -1, false},
        {"no active width", Custom(0, 1080, 0), -1, false},
        {"no active height", Custom(1280, 0, 0), -1, false},
        {"refuse-resolution", Row(2), -1, true},
    };
    const int k = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Synchronise();
        model.SetRefuseResolution(c.fault);
        const DeviceState before = model.State();
        // A new place and window come with the resolution; none of it may be stored.
        app.outputs[k].canvasX += 500;
        picks[k] = WithWindow(c.pick, 50, 40, 800, 600);
        Frame f = BuildOutputWindowFrame(app, picks, k);
        if (c.rowByte >= 0)
            f = Patched(f, 25, static_cast<std::uint8_t>(c.rowByte));
        const auto out = Command(f);
        ASSERT_EQ(Kinds(out), (Answer{"ack0/0", "00AB"}));
        EXPECT_EQ(out[0].bytes[8], k);
        ExpectSameState(model.State(), before);
        Deliver(out);
        ExpectSameState(app, model.State());
        EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{0xAB, 1}})) << "Set up failure!";
    }
}

TEST_F(OutputCommands, ResolutionCommandResetsTheWindowsToTheActivePicture) {
    // One output: output 2 takes row 3.
    const DeviceState before = model.State();
    picks[2] = Row(3);
    auto out = Command(BuildOutputResolutionFrame(app, picks, 2, 2));
    ASSERT_EQ(Kinds(out), (Answer{"ack0/1", "00AB"}));
    EXPECT_EQ(out[0].bytes[8], 2);
    EXPECT_EQ(out[1].bytes[6], 2);
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Describe(model.State().outputs[k]),
                  k == 2 ? Running(before.outputs[2], 3, 1440, 900, 0) : Describe(before.outputs[k]));
    }
    Deliver(out);
    ExpectSameState(app, model.State());

    // All four ("Apply All"): the custom timing the page copied to every output.
    const DeviceState beforeAll = model.State();
    for (auto& p : picks)
        p = Custom(1600, 1200, 1);
    out = Command(BuildOutputResolutionFrame(app, picks, 1, kAllOutputs));
    ASSERT_EQ(Kinds(out), (Answer{"ack0/1", "00AB", "00AB", "00AB", "00AB"}));
    EXPECT_EQ(out[0].bytes[8], kAllOutputs);
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(out[static_cast<std::size_t>(k) + 1].bytes[6], k);
        EXPECT_EQ(Describe(model.State().outputs[k]), Running(beforeAll.outputs[k], 9, 1600, 1200, 1));
    }
    host.events.clear();
    Deliver(out);
    ExpectSameState(app, model.State());
    EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{0xAB, 0}}));
}

TEST_F(OutputCommands, RefusedResolutionCommandChangesNoOutput) {
    struct Case {
        const char* name;
        OutputPick pick;
        int argument;
        int rowByte; // written over byte 7 when not negative
        bool fault;
        Answer answer;
    };
    const Case cases[] = {
        {"row 10", Row(0), 1, 10, false, {"ack0/0", "00AB"}},
        {"2880 x 1080 custom for all",
         Custom(2880, 1080, 0),
         kAllOutputs,
         -1,
         false,
         {"ack0/0", "00AB", "00AB", "00AB", "00AB"}},
        {"no output 5", Row(2), 5, -1, false, {"ack0/0"}},
        {"refuse-resolution", Row(2), 0, -1, true, {"ack0/0", "00AB"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Synchronise();
        model.SetRefuseResolution(c.fault);
        const DeviceState before = model.State();
        picks[1] = c.pick;
        Frame f = BuildOutputResolutionFrame(app, picks, 1, c.argument);
        if (c.rowByte >= 0)
            f = Patched(f, 7, static_cast<std::uint8_t>(c.rowByte));
        const auto out = Command(f);
        ASSERT_EQ(Kinds(out), c.answer);
        EXPECT_EQ(out[0].bytes[8], c.argument);
        ExpectSameState(model.State(), before);
        Deliver(out);
        ExpectSameState(app, model.State());
        EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{0xAB, 1}})) << "Set up failure!";
    }
}

TEST_F(OutputCommands, RefuseResolutionKeepsWindowChangesAndOutlivesAFactoryReset) {
    model.SetRefuseResolution(true);
    picks[0] = WithWindow(Row(0), 8, 6, 1024, 576);
    EXPECT_EQ(Kinds(Command(BuildOutputWindowFrame(app, picks, 0))), (Answer{"ack1/0", "00AB"}));
    EXPECT_EQ(model.State().outputs[0].winW, 1024);

    EXPECT_TRUE(Command(MakeFrame(0x000A)).empty()) << "the processor restarts, silent";
    EXPECT_TRUE(model.TakeRestart());
    EXPECT_TRUE(model.RefusesResolution());
    picks[0] = Row(4);
    EXPECT_EQ(Kinds(Command(BuildOutputResolutionFrame(app, picks, 0, 0))), (Answer{"ack0/0", "00AB"}));
    EXPECT_EQ(model.State().outputs[0].resIndex, 0u);
}

TEST_F(Model, FactoryResetRestoresTheFactoryStateAndRestartsWithoutAnAnswer) {
    EXPECT_FALSE(model.TakeRestart());
    Command(RecordBuilder(0x000E).B(6, 2).B(7, 'o').B(8, 'k').B(21, 8).Build());
    Command(MakeFrameByte6(0x000F, 1));
    Command(MakeFrameByte6(0x0004, 2));
    ASSERT_EQ(model.State().wifi.ssid, "ok");
    const std::uint64_t before = model.CommandsReceived();

    EXPECT_TRUE(Command(MakeFrame(0x000A)).empty());
    EXPECT_TRUE(model.TakeRestart());
    EXPECT_FALSE(model.TakeRestart()) << "told once";
    const DeviceState factory = ProcessorModel().State();
    EXPECT_EQ(model.State().wifi.ssid, factory.wifi.ssid);
    EXPECT_EQ(model.State().crop.inputBackup, 0);
    EXPECT_EQ(model.State().currentInput, factory.currentInput);
    EXPECT_EQ(model.CommandsReceived(), before + 1) << "what it received is still counted";
    EXPECT_EQ(FrameCode(model.ReceivedCommands().back().data()), 0x000A);
    // After the restart it answers as ever.
    EXPECT_EQ(Kinds(Command(MakeFrame(0x00AF))).size(), model.StateRecords().size());
}

TEST_F(Model, WifiTextsAreCodePage936AndWhatTheProcessorWouldNotTakeIsRefused) {
    // "舞台" in code page 936, a password of 11 bytes, the address 10.0.0.9.
    RecordBuilder chinese(0x000E);
    chinese.B(6, 4).B(7, 0xCE).B(8, 0xE8).B(9, 0xCC).B(10, 0xA8).B(21, 11);
    for (int i = 0; i < 11; ++i)
        chinese.B(22 + i, 'a' + i);
    chinese.B(34, 10).B(35, 0).B(36, 0).B(37, 9);
    EXPECT_EQ(Kinds(Command(chinese.Build())), (Answer{"ack10/1", "00B1"}));
    EXPECT_EQ(model.State().wifi.ssid, "\xE8\x88\x9E\xE5\x8F\xB0");
    EXPECT_EQ(model.State().wifi.password, "abcdefghijk");
    EXPECT_EQ(model.State().wifi.ip, "10.0.0.9");
    // The reply carries the same bytes back.
    const Frame reply = WifiReply(model.State());
    EXPECT_EQ(reply[6], 4);
    EXPECT_EQ(reply[7], 0xCE);
    EXPECT_EQ(reply[10], 0xA8);
    EXPECT_EQ(reply[21], 11);

    struct Refused {
        const char* name;
        Frame command;
    };
    const std::vector<Refused> refused = {
        {"empty SSID", RecordBuilder(0x000E).B(6, 0).B(21, 8).Build()},
        {"SSID longer than its field", RecordBuilder(0x000E).B(6, 15).B(21, 8).Build()},
        {"control character", RecordBuilder(0x000E).B(6, 2).B(7, 'a').B(8, 0x07).B(21, 8).Build()},
        {"not code page 936", RecordBuilder(0x000E).B(6, 2).B(7, 'a').B(8, 0xFF).B(21, 8).Build()},
        {"half a character", RecordBuilder(0x000E).B(6, 1).B(7, 0xCE).B(21, 8).Build()},
        {"password too short", RecordBuilder(0x000E).B(6, 1).B(7, 'a').B(21, 7).Build()},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Kinds(Command(r.command)), (Answer{"ack10/0", "00B1"}));
        EXPECT_EQ(model.State().wifi.ssid, "\xE8\x88\x9E\xE5\x8F\xB0") << "unchanged";
    }
}

TEST(SimulatorFaults, RefuseResolutionIsSwitchedByTheControlChannel) {
    Simulator sim(SimOptions{});
    auto refuses = [&] {
        bool r = false;
        sim.Inspect([&](const ProcessorModel& m) { r = m.RefusesResolution(); });
        return r;
    };
    EXPECT_FALSE(refuses());
    EXPECT_NE(sim.Execute("state").find("refuse-resolution=0"), std::string::npos);
    EXPECT_EQ(sim.Execute("fault refuse-resolution on"), "ok\n");
    EXPECT_TRUE(refuses());
    EXPECT_NE(sim.Execute("state").find("refuse-resolution=1"), std::string::npos);
    EXPECT_EQ(sim.Execute("fault refuse-resolution off"), "ok\n");
    EXPECT_FALSE(refuses());
    sim.Execute("fault refuse-resolution on");
    sim.Execute("fault clear");
    EXPECT_FALSE(refuses());
    EXPECT_NE(Simulator::Help().find("fault refuse-resolution on|off"), std::string::npos);

    SimOptions options; // --refuse-resolution
    options.faults.refuseResolution = true;
    Simulator refusing(options);
    bool r = false;
    refusing.Inspect([&](const ProcessorModel& m) { r = m.RefusesResolution(); });
    EXPECT_TRUE(r);
}

TEST_F(Model, UpgradeExchange) {
    EXPECT_EQ(Kinds(Command(MakeFrame(0x8000))), std::vector<std::string>{"8002"});
    EXPECT_TRUE(model.InBootLoader());
    EXPECT_TRUE(Command(MakeFrameByte6(0x0006, 0)).empty()) << "the boot loader knows no settings";

    const std::vector<std::uint8_t> image(2 * 1024 + 1, 0x3C);
    Frame announce = MakeFrameByte6(0x8001, 0); // MCU
    PutLE16(&announce[7], 3);
    SealFrame(announce);
    const auto erase = Command(announce);
    ASSERT_EQ(erase.size(), 4u);
    EXPECT_EQ(erase.back().bytes[6], 2) << "erase finished";
    EXPECT_EQ(erase.front().bytes[6], 4) << "erase in progress";
    EXPECT_LT(erase.front().delay, erase.back().delay);
    for (std::size_t pos = 0; pos < image.size(); pos += 1024) {
        const auto packet =
            MakeDataPacket(image.data() + pos, std::min<std::size_t>(1024, image.size() - pos));
        EXPECT_TRUE(model.OnBlock(packet.data()).empty());
    }
    EXPECT_EQ(Kinds(Command(MakeFrame(0x8004))), std::vector<std::string>{"ack7/0"});
    EXPECT_EQ(model.Image(Target::Mcu), image);

    // A refused image, and one with a damaged packet, end with result 0.
    for (int round = 0; round < 2; ++round) {
        model.SetRefuseUpgrade(round == 0);
        Command(announce);
        for (std::size_t pos = 0; pos < image.size(); pos += 1024) {
            auto packet = MakeDataPacket(image.data() + pos, std::min<std::size_t>(1024, image.size() - pos));
            if (round == 1 && pos == 1024)
                packet[500] ^= 1;
            model.OnBlock(packet.data());
        }
        const auto result = Command(MakeFrame(0x8004));
        ASSERT_EQ(result.size(), 1u);
        EXPECT_EQ(result[0].bytes[8], 0) << round;
    }
    // 0x8004 with no image running leaves the boot loader.
    Command(MakeFrame(0x8004));
    EXPECT_FALSE(model.InBootLoader());
}

TEST_F(Model, ReadBackSendsNumberedBlocksThenFinished) {
    Command(MakeFrame(0x8000));
    const auto out = Command(MakeFrame(0x8003));
    ASSERT_EQ(out.size(), 64u + 1u);
    for (std::size_t i = 0; i < 64; ++i) {
        const auto& b = out[i].bytes;
        ASSERT_EQ(b.size(), kBlockSize);
        EXPECT_EQ(GetLE16(&b[8]), i + 1);
        EXPECT_EQ(b[1038], static_cast<std::uint8_t>(std::accumulate(b.begin(), b.end() - 1, 0u)));
    }
    EXPECT_EQ(Kinds({out.back()}), std::vector<std::string>{"8002"});
    EXPECT_EQ(out.back().bytes[6], 3);
}

TEST_F(Model, UpgradeFaultsProduceEveryFailureTheDialogHandles) {
    UpgradeFaults faults;
    faults.noAnnounce = true;
    model.SetUpgradeFaults(faults);
    EXPECT_TRUE(Command(MakeFrame(0x8000)).empty()) << "no announce";
    EXPECT_TRUE(model.InBootLoader());

    const std::vector<std::uint8_t> image(3 * 1024, 0x5A);
    Frame announce = MakeFrameByte6(0x8001, 1); // FPGA
    PutLE16(&announce[7], 3);
    SealFrame(announce);
    auto send = [&] {
        Command(announce);
        for (std::size_t pos = 0; pos < image.size(); pos += 1024)
            model.OnBlock(MakeDataPacket(image.data() + pos, 1024).data());
        return Command(MakeFrame(0x8004));
    };
    faults = UpgradeFaults{};
    faults.noResult = true;
    model.SetUpgradeFaults(faults);
    EXPECT_TRUE(send().empty()) << "the image is taken, no result comes";
    EXPECT_EQ(model.Image(Target::Fpga), image);

    faults = UpgradeFaults{};
    faults.damagePacket = 2;
    model.SetUpgradeFaults(faults);
    const auto result = send();
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].bytes[8], 0) << "a damaged packet fails the image";
    EXPECT_EQ(model.BadPackets(), 1u);

    // Read-back: block 2 missing (block 3 then comes out of order) and block 3 damaged; a
    // damaged flash cell in the first block is read back as it is.
    faults = UpgradeFaults{};
    faults.damageReadBack = 3;
    faults.skipReadBack = 2;
    model.SetUpgradeFaults(faults);
    ASSERT_TRUE(model.DamageImage(Target::Fpga, 0));
    EXPECT_FALSE(model.DamageImage(Target::Fpga, 3));
    Command(MakeFrame(0x8000));
    const auto out = Command(MakeFrame(0x8003));
    ASSERT_EQ(out.size(), 2u + 1u) << "blocks 1 and 3 of the 3-block image, then the end";
    EXPECT_EQ(GetLE16(&out[0].bytes[8]), 1);
    EXPECT_NE(out[0].bytes[14 + 1], image[1]);
    const auto& damaged = out[1].bytes;
    EXPECT_EQ(GetLE16(&damaged[8]), 3);
    EXPECT_NE(damaged[1038],
              static_cast<std::uint8_t>(std::accumulate(damaged.begin(), damaged.end() - 1, 0u)));
}

// The flood as the application's cutter and dispatcher take it: every kind of record,
// nothing lost to its noise, torn heads and split records, and nothing but the processor's
// own state written.
class FloodSink : public RecordSink {
public:
    explicit FloodSink(ReplyDispatcher& d) : m_dispatcher(d) {}
    void OnRecord(const std::uint8_t* r) override {
        const std::uint16_t code = FrameCode(r);
        ++codes[code];
        if (code == 0xAE)
            acks.insert({r[6], r[7]});
        std::vector<std::uint8_t> bytes(r, r + kFrameSize);
        if (bytes == previous)
            repeated.insert(code == 0xAE ? 0xAE00u + r[6] : code);
        previous = bytes;
        ++records;
        m_dispatcher.OnDeviceRecord(r);
    }
    void OnReadBackBlock(const std::uint8_t*) override { ++blocks; }

    std::map<std::uint16_t, std::uint64_t> codes;
    std::set<std::pair<int, int>> acks;
    std::set<unsigned> repeated; // codes (acknowledgements: 0xAE00 + operation) seen twice in a row
    std::vector<std::uint8_t> previous;
    std::uint64_t records = 0;
    int blocks = 0;

private:
    ReplyDispatcher& m_dispatcher;
};

TEST_F(Model, FloodCarriesEveryReplyKindWholeThroughNoiseTornAndSplitRecords) {
    DeviceState& s = model.MutableState();
    s.layers[2] = LayerInfo{3, 1, 10, 20, 640, 360, 1280, 720, 59000, 70000, 999, 333, 1};
    s.outputs[1].blend[kSideV2] = BlendSide{1, 1, 17, 3, 800, 300};
    s.outputs[3].curve[5] = 77;
    s.picture[3].contrast = 201;
    s.edidTimings[1].hActive = 1280;
    s.wifi = WifiConfig{"10.1.2.3", "Stage-Left", "secret12"};
    app.linkState = kLinkSynchronised;

    FloodSource flood(7);
    std::vector<std::uint8_t> stream;
    int pauses = 0;
    const FloodContext context{model.State(), model.Versions(), model.SysInfo()};
    while (flood.Counts().records < 20000) {
        const FloodPiece piece = flood.Next(context);
        stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());
        pauses += piece.pauseAfter ? 1 : 0;
        if (piece.endsWithPing) {
            EXPECT_EQ(FrameCode(&*(stream.end() - kFrameSize)), 0xB3);
        }
    }
    while (flood.SplitPending()) {
        const FloodPiece piece = flood.Next(context);
        stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());
    }
    // Read in pieces of any size, as the serial port reads.
    FloodSink sink(dispatcher);
    RecordCutter cutter;
    std::mt19937 random(3);
    for (std::size_t pos = 0; pos < stream.size();) {
        const std::size_t n = std::min<std::size_t>(stream.size() - pos, 1 + random() % 300);
        cutter.Feed(stream.data() + pos, n, sink);
        pos += n;
    }

    const FloodCounts& c = flood.Counts();
    EXPECT_EQ(sink.records, c.records) << "no record lost or made up";
    EXPECT_EQ(sink.codes[0xB3], c.pings) << "every ping arrives";
    EXPECT_EQ(sink.blocks, 0);
    EXPECT_EQ(cutter.PendingBytes(), 0u);
    EXPECT_GT(c.noiseBytes, 0u);
    EXPECT_GT(c.tornHeads, 0u);
    EXPECT_GT(c.splitRecords, 0u);
    EXPECT_EQ(static_cast<std::uint64_t>(pauses), c.splitRecords);
    EXPECT_GE(cutter.SkippedBytes(), c.noiseBytes);

    std::set<std::uint16_t> kinds;
    for (const auto& [code, n] : sink.codes)
        kinds.insert(code);
    const std::set<std::uint16_t> expected = {0xA2, 0xA3, 0xA4, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB,
                                              0xAC, 0xAD, 0xAE, 0xB0, 0xB1, 0xB2, 0xB3};
    EXPECT_EQ(kinds, expected);
    for (int op = 0; op <= 10; ++op)
        EXPECT_TRUE(sink.acks.count({op, 0}) || sink.acks.count({op, 1})) << "operation " << op;
    for (const auto& [op, status] : FloodSource::BoxAcknowledgements()) {
        EXPECT_TRUE(sink.acks.count({op, status})) << "box " << int(op) << "/" << int(status);
        EXPECT_TRUE(sink.repeated.count(0xAE00u + op)) << "box " << int(op) << " repeated";
    }
    EXPECT_TRUE(sink.repeated.count(0xB2)) << "system information repeated";
    EXPECT_EQ(std::count_if(sink.acks.begin(), sink.acks.end(), [](const auto& a) { return a.first == 11; }),
              0)
        << "no takeover: it ends the session";
    // Every box-showing event was raised, and ping answers went out for each ping.
    std::set<std::pair<int, int>> events(host.events.begin(), host.events.end());
    const std::pair<int, int> shown[] = {{1, 1},  {2, 1},  {3, 1},    {4, 0},   {4, 1},
                                         {10, 0}, {10, 1}, {0xAB, 0}, {0xAB, 1}};
    for (const auto& e : shown)
        EXPECT_TRUE(events.count(e)) << e.first << "/" << e.second;
    EXPECT_TRUE(
        std::any_of(host.events.begin(), host.events.end(), [](const auto& e) { return e.first == 0xB2; }));

    // Valid indices, the processor's own values: the flood wrote nothing but its state.
    const DeviceState& m = model.State();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const LayerInfo &la = app.layers[i], &lb = m.layers[i];
        EXPECT_EQ(std::tie(la.source, la.x, la.y, la.w, la.h, la.visible, la.zoomW),
                  std::tie(lb.source, lb.x, lb.y, lb.w, lb.h, lb.visible, lb.zoomW));
        EXPECT_EQ(app.outputs[i].curve, m.outputs[i].curve);
        for (int side = 0; side < 4; ++side)
            EXPECT_EQ(app.outputs[i].blend[side].start, m.outputs[i].blend[side].start);
        EXPECT_EQ(app.picture[i].contrast, m.picture[i].contrast);
        EXPECT_EQ(app.edidTimings[i].hActive, m.edidTimings[i].hActive);
    }
    EXPECT_EQ(app.wifi.ssid, "Stage-Left");
    EXPECT_EQ(app.currentInput, m.currentInput);
}

} // namespace
