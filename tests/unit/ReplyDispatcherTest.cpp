#include "device/ReplyDispatcher.h"

#include "RecordBuilder.h"
#include "RecordingHost.h"
#include "link/CommandFrame.h"
#include "platform/WindowMessages.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvane;
using corvane::test::Effects;
using corvane::test::RecordBuilder;
using corvane::test::RecordingHost;

namespace {

class Dispatcher : public ::testing::Test {
protected:
    int Apply(const Frame& r) { return dispatcher.OnDeviceRecord(r.data()); }

    // The output page's pick for `output`, made when there is none yet.
    OutputPick& Pick(int output) {
        auto& pick = host.picks[static_cast<std::size_t>(output)];
        if (!pick)
            pick.emplace();
        return *pick;
    }

    DeviceState state;
    RecordingHost host;
    LinkSession session{state, host};
    LinkMembers& link = session.Link();
    ReplyDispatcher dispatcher{state, session, host, &host.picks};
};

// One case per reply: the record, the effects in order, and what the state must hold after.
struct ReplyCase {
    const char* name;
    Frame record;
    Effects effects;
    std::function<void(const DeviceState&, const LinkMembers&)> check;
    int result = 1;
};

TEST_F(Dispatcher, EveryReplyCode) {
    const ReplyCase cases[] = {
        {"EDID timing of slot 2",
         RecordBuilder(0xA2)
             .B(6, 2)
             .LE16(7, 100)
             .LE16(9, 20)
             .LE16(11, 1280)
             .LE16(13, 720)
             .LE16(15, 40)
             .LE16(17, 5)
             .LE16(19, 110)
             .LE16(21, 5)
             .LE16(23, 500)
             .Build(),
         {"send EdidPage DEVICE_REPLY(0xA2,2)"},
         [](const DeviceState& s, const LinkMembers&) {
             const EdidTiming& t = s.edidTimings[2];
             EXPECT_EQ(t.hBlank, 100);
             EXPECT_EQ(t.vBlank, 20);
             EXPECT_EQ(t.hActive, 1280);
             EXPECT_EQ(t.vActive, 720);
             EXPECT_EQ(t.hSync, 40);
             EXPECT_EQ(t.vSync, 5);
             EXPECT_EQ(t.hFront, 110);
             EXPECT_EQ(t.vFront, 5);
             EXPECT_EQ(t.refreshX10, 500);
             EXPECT_EQ(s.edidTimings[1].hActive, 1920);
         }},
        {"input status of input 2",
         RecordBuilder(0xA3)
             .B(6, 2)
             .B(7, 1)
             .LE16(8, 3840)
             .LE16(10, 2160)
             .LE16(12, 300)
             .LE16(14, 2997)
             .LE16(16, 6000)
             .Build(),
         {"send MainWindow DEVICE_REPLY(0xA3,2)", "send FramePage DEVICE_REPLY(0xA3,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.currentInput, 2u);
             for (int i = 0; i < 4; ++i) {
                 EXPECT_EQ(s.inputs[i].isCurrent, i == 2 ? 1 : 0);
                 EXPECT_EQ(s.inputs[i].signal, i == 2 ? 1 : 0);
             }
             EXPECT_EQ(s.inputs[2].width, 3840);
             EXPECT_EQ(s.inputs[2].height, 2160);
             EXPECT_EQ(s.inputs[2].refreshX10, 300);
             EXPECT_EQ(s.crop.inputFpsX100, 2997);
             EXPECT_EQ(s.crop.outputFpsX100, 6000);
         }},
        {"versions",
         RecordBuilder(0xA4).B(6, 0x0A).B(7, 0x01).B(8, 0xEF).B(9, 0xBE).Build(),
         {"send MiscPage DEVICE_REPLY(0xA4,10)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.verPrimary, "010A");
             EXPECT_EQ(s.verSecondary, "BEEF");
         }},
        {"crop state of the DisplayPort group",
         RecordBuilder(0xA7)
             .B(6, 3)
             .B(7, 2)
             .B(8, 1)
             .LE16(9, 10)
             .LE16(11, 20)
             .LE16(13, 800)
             .LE16(15, 600)
             .LE16(17, 1920)
             .LE16(19, 1080)
             .B(21, 0)
             .LE16(22, 1)
             .LE16(24, 2)
             .LE16(26, 3)
             .LE16(28, 4)
             .LE16(30, 5)
             .LE16(32, 6)
             .B(34, 1)
             .B(35, 1)
             .Build(),
         {"send CropPage DEVICE_REPLY(0xA7,3)", "send EdidPage DEVICE_REPLY(0xA7,3)",
          "send MainWindow DEVICE_REPLY(0xA7,3)", "send FramePage DEVICE_REPLY(0xA7,2)",
          "send MiscPage DEVICE_REPLY(0xA7,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.crop.cropInput, 3);
             EXPECT_EQ(s.crop.frameMode, 2u);
             EXPECT_EQ(s.currentInput, 3u);
             EXPECT_EQ(s.crop.rects[2].on, 1);
             EXPECT_EQ(s.crop.rects[2].hStart, 10);
             EXPECT_EQ(s.crop.rects[2].vTotal, 1080);
             EXPECT_EQ(s.crop.rects[3].on, 0);
             EXPECT_EQ(s.crop.rects[3].hStart, 1);
             EXPECT_EQ(s.crop.rects[3].vTotal, 6);
             EXPECT_EQ(s.crop.rects[0].hSize, 0); // the HDMI group is untouched
             EXPECT_EQ(s.crop.inputBackup, 1);
         }},
        {"layer 1",
         RecordBuilder(0xA8)
             .B(6, 1)
             .B(7, 3)
             .B(8, 1)
             .LE16(9, 10)
             .LE16(11, 20)
             .LE16(13, 640)
             .LE16(15, 360)
             .LE16(17, 1280)
             .LE16(19, 720)
             .LE24(21, 59000)
             .LE24(24, 70000)
             .LE24(27, 999)
             .LE24(30, 1)
             .B(33, 1)
             .Build(),
         {"send LayoutPage DEVICE_REPLY(0xA8,1)", "send LayerPage DEVICE_REPLY(0xA8,1)",
          "send MainWindow DEVICE_REPLY(0xA8,1)"},
         [](const DeviceState& s, const LinkMembers&) {
             const LayerInfo& l = s.layers[1];
             EXPECT_EQ(l.source, 3u);
             EXPECT_EQ(l.zoomOn, 1);
             EXPECT_EQ(l.zoomX, 10);
             EXPECT_EQ(l.zoomY, 20);
             EXPECT_EQ(l.zoomW, 640);
             EXPECT_EQ(l.zoomH, 360);
             EXPECT_EQ(l.srcW, 1280);
             EXPECT_EQ(l.srcH, 720);
             EXPECT_EQ(l.x, 59000u);
             EXPECT_EQ(l.y, 70000u);
             EXPECT_EQ(l.w, 999u);
             EXPECT_EQ(l.h, 1u);
             EXPECT_EQ(l.visible, 1);
         }},
        {"edge blend of output 0",
         RecordBuilder(0xA9)
             .B(6, 0)
             .B(7, 0b10010110)
             .B(8, 1)
             .B(9, 2)
             .LE16(10, 300)
             .LE16(12, 400)
             .B(14, 3)
             .B(15, 4)
             .LE16(16, 500)
             .LE16(18, 600)
             .B(20, 5)
             .B(21, 6)
             .LE16(22, 700)
             .LE16(24, 800)
             .B(26, 7)
             .B(27, 8)
             .LE16(28, 900)
             .LE16(30, 1000)
             .Build(),
         {"send FusePage DEVICE_REPLY(0xA9,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             const auto& b = s.outputs[0].blend;
             // bits: 0 H1 enable, 1 H1 dir, 2 H2 en, 3 H2 dir, 4 V1 en, 5 V1 dir, 6 V2 en, 7 V2 dir
             EXPECT_EQ(b[kSideH1].enable, 0);
             EXPECT_EQ(b[kSideH1].direction, 1);
             EXPECT_EQ(b[kSideH2].enable, 1);
             EXPECT_EQ(b[kSideH2].direction, 0);
             EXPECT_EQ(b[kSideV1].enable, 1);
             EXPECT_EQ(b[kSideV1].direction, 0);
             EXPECT_EQ(b[kSideV2].enable, 0);
             EXPECT_EQ(b[kSideV2].direction, 1);
             EXPECT_EQ(b[kSideH1].gamma, 1);
             EXPECT_EQ(b[kSideH1].table, 2);
             EXPECT_EQ(b[kSideH1].start, 300);
             EXPECT_EQ(b[kSideH1].size, 400);
             EXPECT_EQ(b[kSideV2].gamma, 7);
             EXPECT_EQ(b[kSideV2].table, 8);
             EXPECT_EQ(b[kSideV2].start, 900);
             EXPECT_EQ(b[kSideV2].size, 1000);
         }},
        {"blend curve of output 1 only updates the curve",
         RecordBuilder(0xAA).B(6, 1).B(7, 9).B(22, 99).Build(),
         {"send FusePage DEVICE_REPLY(0xAA,1)"},
         [](const DeviceState& s, const LinkMembers& l) {
             EXPECT_EQ(s.outputs[1].curve[0], 9);
             EXPECT_EQ(s.outputs[1].curve[1], 0x55);
             EXPECT_EQ(s.outputs[1].curve[15], 99);
             EXPECT_EQ(s.linkState, 0u);
             EXPECT_FALSE(l.connected);
         }},
        {"output 1",
         RecordBuilder(0xAB)
             .B(6, 1)
             .LE24(7, 2045)
             .LE24(10, 198)
             .LE16(13, 1280)
             .LE16(15, 720)
             .LE16(17, 1)
             .LE16(19, 2)
             .LE16(21, 3)
             .LE16(23, 4)
             .B(25, 9)
             .LE16(26, 1366)
             .LE16(28, 768)
             .B(30, 7)
             .Build(),
         {"send OutputPage DEVICE_REPLY(0xAB,11)", "send LayoutPage DEVICE_REPLY(0xAB,1)"},
         [](const DeviceState& s, const LinkMembers&) {
             const OutputInfo& o = s.outputs[1];
             EXPECT_EQ(o.canvasX, 2045u);
             EXPECT_EQ(o.canvasY, 198u);
             EXPECT_EQ(o.width, 1280);
             EXPECT_EQ(o.height, 720);
             EXPECT_EQ(o.winX, 1);
             EXPECT_EQ(o.winY, 2);
             EXPECT_EQ(o.winW, 3);
             EXPECT_EQ(o.winH, 4);
             EXPECT_EQ(o.resIndex, 9u);
             EXPECT_EQ(o.hActive, 1366);
             EXPECT_EQ(o.vActive, 768);
             EXPECT_EQ(o.resTag, 7u);
         }},
        {"picture of outputs 3 and 4",
         RecordBuilder(0xAC).B(6, 0x34).B(7, 1).B(17, 11).B(18, 12).B(28, 22).Build(),
         {"send PicturePage DEVICE_REPLY(0xAC,52)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.picture[2].brightness, 1);
             EXPECT_EQ(s.picture[2].aux3, 11);
             EXPECT_EQ(s.picture[3].brightness, 12);
             EXPECT_EQ(s.picture[3].aux3, 22);
             EXPECT_EQ(s.picture[0].brightness, 128);
         }},
        {"picture of outputs 1 and 2",
         RecordBuilder(0xAC)
             .B(6, 0x12)
             .B(7, 50)
             .B(8, 60)
             .B(9, 70)
             .B(10, 3)
             .B(11, 1)
             .B(12, 2)
             .B(13, 4)
             .B(14, 5)
             .B(15, 6)
             .B(16, 7)
             .B(17, 8)
             .Build(),
         {"send PicturePage DEVICE_REPLY(0xAC,18)"},
         [](const DeviceState& s, const LinkMembers&) {
             const PictureSettings& p = s.picture[0];
             EXPECT_EQ(p.brightness, 50);
             EXPECT_EQ(p.contrast, 60);
             EXPECT_EQ(p.gamma, 70);
             EXPECT_EQ(p.colorTemp, 3);
             EXPECT_EQ(p.red, 1);
             EXPECT_EQ(p.green, 2);
             EXPECT_EQ(p.blue, 4);
             EXPECT_EQ(p.aux0, 5);
             EXPECT_EQ(p.aux1, 6);
             EXPECT_EQ(p.aux2, 7);
             EXPECT_EQ(p.aux3, 8);
             EXPECT_EQ(s.picture[1].brightness, 0x55);
         }},
        {"picture with an unknown selector changes nothing",
         RecordBuilder(0xAC).B(6, 0x13).B(7, 1).Build(),
         {},
         [](const DeviceState& s, const LinkMembers&) {
             for (const PictureSettings& p : s.picture)
                 EXPECT_EQ(p.brightness, 128);
         },
         0},
        {"keep-alive", RecordBuilder(0xAD).Build(), {}, nullptr},
        {"done", RecordBuilder(0xB0).Build(), {"HideWait", "stop timer 2"}, nullptr},
        {"WiFi settings",
         RecordBuilder(0xB1)
             .B(6, 4)
             .B(7, 'S')
             .B(8, 'h')
             .B(9, 'o')
             .B(10, 'w')
             .B(11, 'X')
             .B(21, 8)
             .B(22, '1')
             .B(23, '2')
             .B(24, '3')
             .B(25, '4')
             .B(26, '5')
             .B(27, '6')
             .B(28, '7')
             .B(29, '8')
             .B(34, 10)
             .B(35, 0)
             .B(36, 0)
             .B(37, 254)
             .Build(),
         {"send WifiDialog DEVICE_REPLY(0xB1,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.wifi.ssid, "Show");
             EXPECT_EQ(s.wifi.password, "12345678");
             EXPECT_EQ(s.wifi.ip, "10.0.0.254");
         }},
        {"system information",
         RecordBuilder(0xB2).B(6, 1).B(7, 0).B(18, 1).Build(),
         {"post MainWindow LINK_EVENT(0xB2,1)"},
         [](const DeviceState&, const LinkMembers& l) {
             EXPECT_EQ(l.sysInfo[0], 1);
             EXPECT_EQ(l.sysInfo[1], 0);
             EXPECT_EQ(l.sysInfo[2], 0x55);
             EXPECT_EQ(l.sysInfo[12], 1);
         }},
        {"ping while not synchronised", RecordBuilder(0xB3).Build(), {}, nullptr},
        {"code without a handler", RecordBuilder(0xA5).B(6, 1).Build(), {}, nullptr, 0},
        {"the request code is no reply", RecordBuilder(0xAF).Build(), {}, nullptr, 0},
        {"0xA6 is not handled", RecordBuilder(0xA6).Build(), {}, nullptr, 0},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        state = DeviceState();
        link = LinkMembers();
        link.keepAliveCount = 5;
        host.effects.clear();
        EXPECT_EQ(Apply(c.record), c.result);
        EXPECT_EQ(host.effects, c.effects);
        EXPECT_EQ(link.keepAliveCount, 0u) << "every record resets the keep-alive count";
        if (c.check)
            c.check(state, link);
    }
}

TEST_F(Dispatcher, WrongChecksumIsStillDecoded) {
    Frame r = RecordBuilder(0xA8).B(6, 0).B(7, 2).B(33, 1).Build();
    r[38] ^= 0x5A;
    r[0] = 0; // the magic is not read either
    EXPECT_EQ(Apply(r), 1);
    EXPECT_EQ(state.layers[0].source, 2u);
    EXPECT_EQ(state.layers[0].visible, 1);
}

TEST_F(Dispatcher, LayerSourceOutsideTheInputsKeepsTheSource) {
    state.layers[2].source = 1;
    // 4 is one past the last input.
    EXPECT_EQ(Apply(RecordBuilder(0xA8).B(6, 2).B(7, 4).LE24(21, 4000).B(33, 1).Build()), 1);
    EXPECT_EQ(state.layers[2].source, 1u);
    EXPECT_EQ(state.layers[2].x, 4000u);
    EXPECT_EQ(state.layers[2].visible, 1);
}

// An index outside 0..3 must not write outside the arrays: the record is ignored.
TEST_F(Dispatcher, IndicesOutsideTheArraysAreIgnored) {
    const DeviceState before;
    for (std::uint16_t code : {0xA2, 0xA3, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB}) {
        for (std::uint8_t index : {4, 0x55, 0xFF}) {
            SCOPED_TRACE(code);
            host.effects.clear();
            link.keepAliveCount = 3;
            EXPECT_EQ(Apply(RecordBuilder(code).B(6, index).Build()), 0);
            EXPECT_TRUE(host.effects.empty());
            EXPECT_EQ(link.keepAliveCount, 0u);
        }
    }
    EXPECT_EQ(state.currentInput, 0u);
    EXPECT_EQ(state.layers[0].x, before.layers[0].x);
    EXPECT_EQ(state.outputs[3].curve, before.outputs[3].curve);
    EXPECT_EQ(state.linkState, 0u);
}

TEST_F(Dispatcher, CurveOfOutputThreeEndsTheSynchronisation) {
    state.linkState = kLinkOpen;
    link.idle = false;
    link.lastPort = 7;
    link.lastScanIndex = 2;
    host.connectShownAutomatically = true;
    EXPECT_EQ(Apply(RecordBuilder(0xAA).B(6, 3).B(7, 1).Build()), 1);
    const Effects expected = {"HideWait",
                              "stop timer 2",
                              "start timer 1 1000ms",
                              "refresh ConnectDialog",
                              "hide ConnectDialog",
                              "post ConnectDialog DEVICE_REPLY(0,7)",
                              "send FusePage DEVICE_REPLY(0xAA,3)"};
    EXPECT_EQ(host.effects, expected);
    EXPECT_EQ(state.linkState, 2u);
    EXPECT_TRUE(link.connected);
    EXPECT_TRUE(link.idle);
    EXPECT_EQ(link.lastScanIndex, -1);
    EXPECT_EQ(state.outputs[3].curve[0], 1);

    // Opened by the operator: the connection dialog stays.
    host.effects.clear();
    host.connectShownAutomatically = false;
    Apply(RecordBuilder(0xAA).B(6, 3).Build());
    EXPECT_EQ(std::count(host.effects.begin(), host.effects.end(), "hide ConnectDialog"), 0);
}

TEST_F(Dispatcher, PingIsAnsweredOnlyWhileSynchronised) {
    for (std::uint32_t linkState : {0u, 1u, 2u}) {
        state.linkState = linkState;
        host.sent.clear();
        Apply(RecordBuilder(0xB3).Build());
        if (linkState == 2) {
            ASSERT_EQ(host.sent.size(), 1u);
            const Frame expected = MakeFrameByte6(0x00B3, 0);
            EXPECT_EQ(host.sent[0], std::vector<std::uint8_t>(expected.begin(), expected.end()));
        } else {
            EXPECT_TRUE(host.sent.empty()) << linkState;
        }
    }
}

TEST_F(Dispatcher, BootLoaderAnnounce) {
    state.linkState = kLinkOpen;
    host.upgradeDialog = false;
    EXPECT_EQ(Apply(RecordBuilder(0x8002).B(6, 0).Build()), 1);
    Effects expected = {"HideWait",
                        "stop timer 2",
                        "start timer 1 1000ms",
                        "refresh ConnectDialog",
                        "post MiscPage OPEN_UPGRADE(0,0)",
                        "pause 20"};
    EXPECT_EQ(host.effects, expected);
    EXPECT_EQ(state.linkState, 2u);
    EXPECT_TRUE(link.connected);
    EXPECT_TRUE(link.idle);

    // Already synchronised and the upgrade dialog open: only forwarded.
    host.effects.clear();
    host.upgradeDialog = true;
    Apply(RecordBuilder(0x8002).B(6, 4).Build());
    expected = {"send UpgradeDialog DEVICE_REPLY(0x8002,4)"};
    EXPECT_EQ(host.effects, expected);
}

struct AckCase {
    const char* name;
    std::uint8_t op, status, arg;
    Effects between; // effects between "stop timer 1" and "start timer 1"
};

TEST_F(Dispatcher, EveryAcknowledgement) {
    const AckCase cases[] = {
        {"output window failed", 1, 1, 0, {"post MainWindow LINK_EVENT(1,1)"}},
        {"output window fine", 1, 0, 0, {}},
        {"crop failed", 2, 1, 0, {"post MainWindow LINK_EVENT(2,1)"}},
        {"crop fine", 2, 0, 0, {}},
        {"picture failed", 3, 0, 0, {"post MainWindow LINK_EVENT(3,1)"}},
        {"picture fine", 3, 1, 0, {}},
        {"EDID success", 4, 1, 0, {"HideWait", "stop timer 2", "post MainWindow LINK_EVENT(4,0)"}},
        {"EDID failure", 4, 0, 0, {"HideWait", "stop timer 2", "post MainWindow LINK_EVENT(4,1)"}},
        {"5 does nothing", 5, 1, 1, {}},
        {"6 does nothing", 6, 1, 1, {}},
        {"upgrade step without the dialog", 7, 0, 3, {}},
        {"status", 8, 0, 0, {"post MainWindow LINK_EVENT(8,1)", "send FramePage DEVICE_REPLY(0xAE,8)"}},
        {"generic completion", 9, 0, 0, {"HideWait", "stop timer 2"}},
        {"WiFi success", 10, 1, 0, {"HideWait", "stop timer 2", "post MainWindow LINK_EVENT(10,1)"}},
        {"WiFi failure", 10, 0, 0, {"HideWait", "stop timer 2", "post MainWindow LINK_EVENT(10,0)"}},
        {"another client",
         11,
         1,
         0,
         {"HideWait", "stop timer 2", "redraw ConnectDialog", "send ConnectDialog PORT_CLOSED(0,0)",
          "post MainWindow LINK_EVENT(11,1)"}},
        {"unknown operation", 12, 1, 1, {}},
        {"operation 255", 255, 1, 1, {}},
    };
    for (const AckCase& c : cases) {
        SCOPED_TRACE(c.name);
        host.effects.clear();
        link.idle = true;
        EXPECT_EQ(Apply(RecordBuilder(0xAE).B(6, c.op).B(7, c.status).B(8, c.arg).Build()), 1);
        Effects expected = {"stop timer 1"};
        expected.insert(expected.end(), c.between.begin(), c.between.end());
        expected.push_back("start timer 1 1000ms");
        EXPECT_EQ(host.effects, expected);
        EXPECT_EQ(link.idle, c.op != 11);
    }
}

TEST_F(Dispatcher, UpgradeStepAcknowledgementReachesTheOpenDialog) {
    host.upgradeDialog = true;
    Apply(RecordBuilder(0xAE).B(6, 7).B(7, 0).B(8, 3).Build());
    const Effects expected = {"stop timer 1", "send UpgradeDialog DEVICE_REPLY(7,3)", "start timer 1 1000ms"};
    EXPECT_EQ(host.effects, expected);
}

TEST_F(Dispatcher, OutputResolutionAcknowledgedForAllOutputs) {
    Pick(0).row = 2; // 1366 x 768
    Pick(1).row = 9; // custom
    Pick(1).customWidth = 2000;
    Pick(1).customHeight = 1000;
    Pick(1).customTag = 5;
    Pick(2).row = 0;
    Pick(3).row = 42; // not a row of the list: left alone
    state.outputs[3].resIndex = 1;
    Apply(RecordBuilder(0xAE).B(6, 0).B(7, 1).B(8, 4).Build());
    const Effects expected = {"stop timer 1",
                              "HideWait",
                              "stop timer 2",
                              "post MainWindow LINK_EVENT(0xAB,0)",
                              "send OutputPage DEVICE_REPLY(0xAE,1)",
                              "send OutputPage DEVICE_REPLY(0xAB,10)",
                              "send LayoutPage DEVICE_REPLY(0xAB,0)",
                              "send OutputPage DEVICE_REPLY(0xAB,11)",
                              "send LayoutPage DEVICE_REPLY(0xAB,1)",
                              "send OutputPage DEVICE_REPLY(0xAB,12)",
                              "send LayoutPage DEVICE_REPLY(0xAB,2)",
                              "send OutputPage DEVICE_REPLY(0xAB,13)",
                              "send LayoutPage DEVICE_REPLY(0xAB,3)",
                              "send OutputPage DEVICE_REPLY(0xAB,14)",
                              "start timer 1 1000ms"};
    EXPECT_EQ(host.effects, expected);
    EXPECT_EQ(state.outputs[0].resIndex, 2u);
    EXPECT_EQ(state.outputs[0].width, 1366);
    EXPECT_EQ(state.outputs[0].vActive, 768);
    EXPECT_EQ(state.outputs[1].resIndex, 9u);
    EXPECT_EQ(state.outputs[1].width, 2000);
    EXPECT_EQ(state.outputs[1].hActive, 2000);
    EXPECT_EQ(state.outputs[1].height, 1000);
    EXPECT_EQ(state.outputs[1].resTag, 5u);
    EXPECT_EQ(state.outputs[2].width, 1920);
    EXPECT_EQ(state.outputs[3].resIndex, 1u);
}

TEST_F(Dispatcher, RefusedResolutionCopiesNothingThePagePicked) {
    // Status 0: the processor did not take the resolution; it runs what it reported last, so
    // neither the page's row nor its window values become the output's.
    host.picks[2] = OutputPick{3, 0, 0, 0, 100.7, 200.2, 1919.9, -3.0};
    state.outputs[2].resIndex = 0;
    state.outputs[2].winW = 1920;
    const OutputInfo before = state.outputs[2];
    Apply(RecordBuilder(0xAE).B(6, 0).B(7, 0).B(8, 2).Build());
    const Effects expected = {"stop timer 1",
                              "HideWait",
                              "stop timer 2",
                              "post MainWindow LINK_EVENT(0xAB,1)",
                              "send OutputPage DEVICE_REPLY(0xAE,0)",
                              "send OutputPage DEVICE_REPLY(0xAB,12)",
                              "send LayoutPage DEVICE_REPLY(0xAB,2)",
                              "send OutputPage DEVICE_REPLY(0xAB,14)",
                              "start timer 1 1000ms"};
    EXPECT_EQ(host.effects, expected);
    EXPECT_EQ(state.outputs[2].resIndex, before.resIndex);
    EXPECT_EQ(state.outputs[2].width, before.width);
    EXPECT_EQ(state.outputs[2].hActive, before.hActive);
    EXPECT_EQ(state.outputs[2].winX, before.winX);
    EXPECT_EQ(state.outputs[2].winW, before.winW);
}

TEST_F(Dispatcher, OutputAcknowledgementNamingNoOutputOnlyEndsTheWait) {
    Apply(RecordBuilder(0xAE).B(6, 0).B(7, 1).B(8, 5).Build()); // 4 is all of them, 5 none
    const Effects expected = {"stop timer 1",
                              "HideWait",
                              "stop timer 2",
                              "post MainWindow LINK_EVENT(0xAB,0)",
                              "send OutputPage DEVICE_REPLY(0xAE,1)",
                              "send OutputPage DEVICE_REPLY(0xAB,14)",
                              "start timer 1 1000ms"};
    EXPECT_EQ(host.effects, expected);
}

TEST_F(Dispatcher, WifiTextsAreCutToTheirFields) {
    RecordBuilder b(0xB1);
    b.B(6, 40); // longer than the 14-byte field
    for (int i = 7; i <= 20; ++i)
        b.B(i, 'a' + (i - 7));
    b.B(21, 200);
    for (int i = 22; i <= 33; ++i)
        b.B(i, '0' + (i - 22) % 10);
    Apply(b.Build());
    EXPECT_EQ(state.wifi.ssid, "abcdefghijklmn");
    EXPECT_EQ(state.wifi.password, "01234567890") << "11 bytes of the password are read";
}

TEST_F(Dispatcher, WifiTextsAreReadInCodePage936) {
    // "舞台" (stage) in GBK, then ASCII; the password cut at 11 bytes in the middle of a
    // character, and a byte that starts no character.
    const std::uint8_t stage[] = {0xCE, 0xE8, 0xCC, 0xA8};
    RecordBuilder b(0xB1);
    b.B(6, 6);
    for (int i = 0; i < 4; ++i)
        b.B(7 + i, stage[i]);
    b.B(11, '-').B(12, '1');
    b.B(21, 12);
    for (int i = 22; i < 32; ++i)
        b.B(i, 'p');
    b.B(32, 0xCE).B(33, 0xE8); // the 11th byte is a lead byte, its second byte is cut off
    Apply(b.Build());
    EXPECT_EQ(state.wifi.ssid, "\xE8\x88\x9E\xE5\x8F\xB0-1");
    EXPECT_EQ(state.wifi.password, "pppppppppp\xEF\xBF\xBD");

    RecordBuilder bad(0xB1);
    bad.B(6, 3).B(7, 'a').B(8, 0xFF).B(9, 'b').B(21, 0);
    Apply(bad.Build());
    EXPECT_EQ(state.wifi.ssid, "a\xEF\xBF\xBD"
                               "b");
    EXPECT_EQ(state.wifi.password, "");
}

} // namespace
