// The simulated processor answered through the application's own reply dispatcher: what it
// reports must become exactly the application's DeviceState, and each command family must
// be stored and acknowledged the way the application waits for.

#include "RecordBuilder.h"
#include "SimModelFixture.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;
using corvane::test::RecordBuilder;

namespace {

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

struct CommandCase {
    const char* name;
    Frame command;
    std::vector<std::string> answer;
};

TEST_F(Model, EachCommandFamilyIsAcknowledgedAsTheApplicationWaits) {
    const CommandCase cases[] = {
        // The crop's answers, taken and refused: SimInputsTest.
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
    // What the EDID, frame mode, resolution and WiFi commands store: SimInputsTest, SimOutputsTest,
    // WifiTextsAreCodePage936....
    const DeviceState& s = model.State();
    EXPECT_EQ(std::tie(s.layers[3].x, s.layers[3].source), std::make_tuple(500u, 1u));
    for (const PictureSettings& p : s.picture)
        EXPECT_EQ(p.brightness, 90) << "the last picture command applied to all outputs";
    EXPECT_EQ(s.crop.inputBackup, 1);
    EXPECT_EQ(model.PingAnswers(), 1u);
}

// The messages the acknowledgements raise: FloodCarriesEveryReplyKind... (each box's event),
// EdidEndToEnd, MiscEndToEnd.

// (Found again and synchronised after the restart: MiscEndToEnd.AFactoryResetIsFound...)
TEST_F(Model, FactoryResetRestoresTheFactoryStateAndRestartsWithoutAnAnswer) {
    EXPECT_FALSE(model.TakeRestart());
    Command(RecordBuilder(0x000E).B(6, 2).B(7, 'o').B(8, 'k').B(21, 8).Build());
    Command(MakeFrameByte6(0x000F, 1));
    Command(MakeFrameByte6(0x0004, 2));
    ASSERT_EQ(model.State().wifi.ssid, "ok");

    EXPECT_TRUE(Command(MakeFrame(0x000A)).empty());
    EXPECT_TRUE(model.TakeRestart());
    EXPECT_FALSE(model.TakeRestart()) << "told once";
    ExpectSameState(model.State(), ProcessorModel().State());
    EXPECT_EQ(model.CommandsReceived(), 4u) << "what it received is still counted";
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
    EXPECT_EQ(std::tie(reply[6], reply[7], reply[10], reply[21]), std::make_tuple(4, 0xCE, 0xA8, 11));

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

} // namespace
