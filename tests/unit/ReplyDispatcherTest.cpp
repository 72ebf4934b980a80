#include "device/ReplyDispatcher.h"

#include "RecordBuilder.h"
#include "RecordingHost.h"
#include "link/CommandFrame.h"
#include "platform/WindowMessages.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
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
         RecordBuilder(0xA2).B(6, 2).LE16s(7, {100, 20, 1280, 720, 40, 5, 110, 5, 500}).Build(),
         {"send EdidPage DEVICE_REPLY(0xA2,2)"},
         [](const DeviceState& s, const LinkMembers&) {
             const EdidTiming& t = s.edidTimings[2];
             EXPECT_EQ(std::tie(t.hBlank, t.vBlank, t.hActive, t.vActive, t.hSync, t.vSync, t.hFront,
                                t.vFront, t.refreshX10),
                       std::tuple(100, 20, 1280, 720, 40, 5, 110, 5, 500));
             EXPECT_EQ(s.edidTimings[1].hActive, 1920);
         }},
        {"input status of input 2",
         RecordBuilder(0xA3).Bs(6, {2, 1}).LE16s(8, {3840, 2160, 300, 2997, 6000}).Build(),
         {"send MainWindow DEVICE_REPLY(0xA3,2)", "send FramePage DEVICE_REPLY(0xA3,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.currentInput, 2u);
             for (int i = 0; i < 4; ++i) {
                 EXPECT_EQ(s.inputs[i].isCurrent, i == 2 ? 1 : 0);
                 EXPECT_EQ(s.inputs[i].signal, i == 2 ? 1 : 0);
             }
             EXPECT_EQ(std::tie(s.inputs[2].width, s.inputs[2].height, s.inputs[2].refreshX10,
                                s.crop.inputFpsX100, s.crop.outputFpsX100),
                       std::tuple(3840, 2160, 300, 2997, 6000));
         }},
        {"versions",
         RecordBuilder(0xA4).Bs(6, {0x0A, 0x01, 0xEF, 0xBE}).Build(),
         {"send MiscPage DEVICE_REPLY(0xA4,10)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(s.verPrimary, "010A");
             EXPECT_EQ(s.verSecondary, "BEEF");
         }},
        {"crop state of the DisplayPort group",
         RecordBuilder(0xA7)
             .Bs(6, {3, 2, 1})
             .LE16s(9, {10, 20, 800, 600, 1920, 1080})
             .B(21, 0)
             .LE16s(22, {1, 2, 3, 4, 5, 6})
             .Bs(34, {1, 1})
             .Build(),
         {"send CropPage DEVICE_REPLY(0xA7,3)", "send EdidPage DEVICE_REPLY(0xA7,3)",
          "send MainWindow DEVICE_REPLY(0xA7,3)", "send FramePage DEVICE_REPLY(0xA7,2)",
          "send MiscPage DEVICE_REPLY(0xA7,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             const auto& r = s.crop.rects;
             EXPECT_EQ(std::tie(s.crop.cropInput, s.crop.frameMode, s.currentInput, s.crop.inputBackup),
                       std::tuple(3, 2u, 3u, 1));
             EXPECT_EQ(std::tie(r[2].on, r[2].hStart, r[2].vTotal), std::tuple(1, 10, 1080));
             EXPECT_EQ(std::tie(r[3].on, r[3].hStart, r[3].vTotal), std::tuple(0, 1, 6));
             EXPECT_EQ(r[0].hSize, 0); // the HDMI group is untouched
         }},
        {"layer 1",
         RecordBuilder(0xA8)
             .Bs(6, {1, 3, 1})
             .LE16s(9, {10, 20, 640, 360, 1280, 720})
             .LE24s(21, {59000, 70000, 999, 1})
             .B(33, 1)
             .Build(),
         {"send LayoutPage DEVICE_REPLY(0xA8,1)", "send LayerPage DEVICE_REPLY(0xA8,1)",
          "send MainWindow DEVICE_REPLY(0xA8,1)"},
         [](const DeviceState& s, const LinkMembers&) {
             const LayerInfo& l = s.layers[1];
             EXPECT_EQ(std::tie(l.source, l.zoomOn, l.zoomX, l.zoomY, l.zoomW, l.zoomH, l.srcW, l.srcH),
                       std::tuple(3u, 1, 10, 20, 640, 360, 1280, 720));
             EXPECT_EQ(std::tie(l.x, l.y, l.w, l.h, l.visible), std::tuple(59000u, 70000u, 999u, 1u, 1));
         }},
        {"edge blend of output 0",
         RecordBuilder(0xA9)
             .Bs(6, {0, 0b10010110, 1, 2})
             .LE16s(10, {300, 400})
             .Bs(14, {3, 4})
             .LE16s(16, {500, 600})
             .Bs(20, {5, 6})
             .LE16s(22, {700, 800})
             .Bs(26, {7, 8})
             .LE16s(28, {900, 1000})
             .Build(),
         {"send FusePage DEVICE_REPLY(0xA9,0)"},
         [](const DeviceState& s, const LinkMembers&) {
             const auto& b = s.outputs[0].blend;
             // bits: 0 H1 enable, 1 H1 dir, 2 H2 en, 3 H2 dir, 4 V1 en, 5 V1 dir, 6 V2 en, 7 V2 dir
             EXPECT_EQ(std::tie(b[kSideH1].enable, b[kSideH1].direction, b[kSideH2].enable,
                                b[kSideH2].direction, b[kSideV1].enable, b[kSideV1].direction,
                                b[kSideV2].enable, b[kSideV2].direction),
                       std::tuple(0, 1, 1, 0, 1, 0, 0, 1));
             EXPECT_EQ(std::tie(b[kSideH1].gamma, b[kSideH1].table, b[kSideH1].start, b[kSideH1].size),
                       std::tuple(1, 2, 300, 400));
             EXPECT_EQ(std::tie(b[kSideV2].gamma, b[kSideV2].table, b[kSideV2].start, b[kSideV2].size),
                       std::tuple(7, 8, 900, 1000));
         }},
        {"blend curve of output 1 only updates the curve",
         RecordBuilder(0xAA).B(6, 1).B(7, 9).B(22, 99).Build(),
         {"send FusePage DEVICE_REPLY(0xAA,1)"},
         [](const DeviceState& s, const LinkMembers& l) {
             EXPECT_EQ(std::tie(s.outputs[1].curve[0], s.outputs[1].curve[1], s.outputs[1].curve[15]),
                       std::tuple(9, 0x55, 99));
             EXPECT_EQ(s.linkState, 0u);
             EXPECT_FALSE(l.connected);
         }},
        {"output 1",
         RecordBuilder(0xAB)
             .B(6, 1)
             .LE24s(7, {2045, 198})
             .LE16s(13, {1280, 720, 1, 2, 3, 4})
             .B(25, 9)
             .LE16s(26, {1366, 768})
             .B(30, 7)
             .Build(),
         {"send OutputPage DEVICE_REPLY(0xAB,11)", "send LayoutPage DEVICE_REPLY(0xAB,1)"},
         [](const DeviceState& s, const LinkMembers&) {
             const OutputInfo& o = s.outputs[1];
             EXPECT_EQ(std::tie(o.canvasX, o.canvasY, o.width, o.height, o.winX, o.winY, o.winW, o.winH),
                       std::tuple(2045u, 198u, 1280, 720, 1, 2, 3, 4));
             EXPECT_EQ(std::tie(o.resIndex, o.hActive, o.vActive, o.resTag), std::tuple(9u, 1366, 768, 7u));
         }},
        {"picture of outputs 3 and 4",
         RecordBuilder(0xAC).B(6, 0x34).B(7, 1).B(17, 11).B(18, 12).B(28, 22).Build(),
         {"send PicturePage DEVICE_REPLY(0xAC,52)"},
         [](const DeviceState& s, const LinkMembers&) {
             EXPECT_EQ(std::tie(s.picture[2].brightness, s.picture[2].aux3, s.picture[3].brightness,
                                s.picture[3].aux3, s.picture[0].brightness),
                       std::tuple(1, 11, 12, 22, 128));
         }},
        {"picture of outputs 1 and 2",
         RecordBuilder(0xAC).Bs(6, {0x12, 50, 60, 70, 3, 1, 2, 4, 5, 6, 7, 8}).Build(),
         {"send PicturePage DEVICE_REPLY(0xAC,18)"},
         [](const DeviceState& s, const LinkMembers&) {
             const PictureSettings& p = s.picture[0];
             EXPECT_EQ(std::tie(p.brightness, p.contrast, p.gamma, p.colorTemp, p.red, p.green, p.blue,
                                p.aux0, p.aux1, p.aux2, p.aux3),
                       std::tuple(50, 60, 70, 3, 1, 2, 4, 5, 6, 7, 8));
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
             .Text(7, "ShowX")
             .B(21, 8)
             .Text(22, "12345678")
             .Bs(34, {10, 0, 0, 254})
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
             EXPECT_EQ(std::tie(l.sysInfo[0], l.sysInfo[1], l.sysInfo[2], l.sysInfo[12]),
                       std::tuple(1, 0, 0x55, 1));
         }},
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

TEST_F(Dispatcher, ALayerRecordIsDecodedWhateverItsChecksumAndKeepsASourceOutsideTheInputs) {
    Frame r = RecordBuilder(0xA8).B(6, 0).B(7, 2).B(33, 1).Build();
    r[38] ^= 0x5A;
    r[0] = 0; // the magic is not read either
    EXPECT_EQ(Apply(r), 1);
    EXPECT_EQ(std::tie(state.layers[0].source, state.layers[0].visible), std::tuple(2u, 1));
    state.layers[2].source = 1;
    // 4 is one past the last input.
    EXPECT_EQ(Apply(RecordBuilder(0xA8).B(6, 2).B(7, 4).LE24(21, 4000).B(33, 1).Build()), 1);
    EXPECT_EQ(std::tie(state.layers[2].source, state.layers[2].x, state.layers[2].visible),
              std::tuple(1u, 4000u, 1));
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
    EXPECT_EQ(
        std::tie(state.linkState, link.connected, link.idle, link.lastScanIndex, state.outputs[3].curve[0]),
        std::tuple(2u, true, true, -1, 1));

    // Opened by the operator: the connection dialog stays.
    host.effects.clear();
    host.connectShownAutomatically = false;
    Apply(RecordBuilder(0xAA).B(6, 3).Build());
    EXPECT_EQ(std::count(host.effects.begin(), host.effects.end(), "hide ConnectDialog"), 0);
}

TEST_F(Dispatcher, PingIsAnsweredOnlyWhileSynchronised) {
    const Frame answer = MakeFrameByte6(0x00B3, 0);
    for (std::uint32_t linkState : {0u, 1u, 2u}) {
        state.linkState = linkState;
        host.sent.clear();
        Apply(RecordBuilder(0xB3).Build());
        EXPECT_EQ(host.sent.size(), linkState == 2 ? 1u : 0u) << linkState;
    }
    EXPECT_EQ(host.sent[0], std::vector<std::uint8_t>(answer.begin(), answer.end()));
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
    EXPECT_EQ(std::tie(state.linkState, link.connected, link.idle), std::tuple(2u, true, true));

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
    bool upgradeDialog = false;
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
        {"upgrade step without the dialog", 7, 0, 3, {}},
        {"upgrade step to the open dialog", 7, 0, 3, {"send UpgradeDialog DEVICE_REPLY(7,3)"}, true},
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
    };
    for (const AckCase& c : cases) {
        SCOPED_TRACE(c.name);
        host.effects.clear();
        host.upgradeDialog = c.upgradeDialog;
        link.idle = true;
        EXPECT_EQ(Apply(RecordBuilder(0xAE).Bs(6, {c.op, c.status, c.arg}).Build()), 1);
        Effects expected = {"stop timer 1"};
        expected.insert(expected.end(), c.between.begin(), c.between.end());
        expected.push_back("start timer 1 1000ms");
        EXPECT_EQ(host.effects, expected);
        EXPECT_EQ(link.idle, c.op != 11);
    }
}

// An output acknowledgement of `status`: the wait ends, each output named is redrawn on the
// output page (10 + output) and the layout page, then the output page's preview.
Effects OutputAckEffects(int status, std::initializer_list<int> outputs) {
    Effects e = {"stop timer 1", "HideWait", "stop timer 2",
                 "post MainWindow LINK_EVENT(0xAB," + std::to_string(status == 1 ? 0 : 1) + ")",
                 "send OutputPage DEVICE_REPLY(0xAE," + std::to_string(status) + ")"};
    for (int o : outputs) {
        e.push_back("send OutputPage DEVICE_REPLY(0xAB," + std::to_string(10 + o) + ")");
        e.push_back("send LayoutPage DEVICE_REPLY(0xAB," + std::to_string(o) + ")");
    }
    e.push_back("send OutputPage DEVICE_REPLY(0xAB,14)");
    e.push_back("start timer 1 1000ms");
    return e;
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
    Apply(RecordBuilder(0xAE).Bs(6, {0, 1, 4}).Build());
    EXPECT_EQ(host.effects, OutputAckEffects(1, {0, 1, 2, 3}));
    const auto& o = state.outputs;
    EXPECT_EQ(std::tie(o[0].resIndex, o[0].width, o[0].vActive), std::tuple(2u, 1366, 768));
    EXPECT_EQ(std::tie(o[1].resIndex, o[1].width, o[1].hActive, o[1].height, o[1].resTag),
              std::tuple(9u, 2000, 2000, 1000, 5u));
    EXPECT_EQ(o[2].width, 1920);
    EXPECT_EQ(o[3].resIndex, 1u);
}

TEST_F(Dispatcher, RefusedResolutionCopiesNothingThePagePicked) {
    // Status 0: the processor did not take the resolution; it runs what it reported last, so
    // neither the page's row nor its window values become the output's.
    host.picks[2] = OutputPick{3, 0, 0, 0, 100.7, 200.2, 1919.9, -3.0};
    state.outputs[2].resIndex = 0;
    state.outputs[2].winW = 1920;
    const OutputInfo b = state.outputs[2];
    Apply(RecordBuilder(0xAE).Bs(6, {0, 0, 2}).Build());
    EXPECT_EQ(host.effects, OutputAckEffects(0, {2}));
    const OutputInfo& a = state.outputs[2];
    EXPECT_EQ(std::tie(a.resIndex, a.width, a.hActive, a.winX, a.winW),
              std::tie(b.resIndex, b.width, b.hActive, b.winX, b.winW));
    // 4 names all outputs, 5 none: only the wait ends.
    host.effects.clear();
    Apply(RecordBuilder(0xAE).Bs(6, {0, 1, 5}).Build());
    EXPECT_EQ(host.effects, OutputAckEffects(1, {}));
}

TEST_F(Dispatcher, WifiTextsAreCutToTheirFieldsAndReadInCodePage936) {
    // Lengths longer than the fields: 14 bytes of the name and 11 of the password are read.
    Apply(RecordBuilder(0xB1).B(6, 40).Text(7, "abcdefghijklmn").B(21, 200).Text(22, "012345678901").Build());
    EXPECT_EQ(state.wifi.ssid, "abcdefghijklmn");
    EXPECT_EQ(state.wifi.password, "01234567890");

    // "舞台" (stage) in GBK, then ASCII; the password cut at 11 bytes in the middle of a
    // character (the 11th byte is a lead byte, its second byte is cut off).
    Apply(RecordBuilder(0xB1)
              .Bs(6, {6, 0xCE, 0xE8, 0xCC, 0xA8, '-', '1'})
              .B(21, 12)
              .Text(22, "pppppppppp")
              .Bs(32, {0xCE, 0xE8})
              .Build());
    EXPECT_EQ(state.wifi.ssid, "\xE8\x88\x9E\xE5\x8F\xB0-1");
    EXPECT_EQ(state.wifi.password, "pppppppppp\xEF\xBF\xBD");
    // A byte that starts no character.
    Apply(RecordBuilder(0xB1).Bs(6, {3, 'a', 0xFF, 'b'}).B(21, 0).Build());
    EXPECT_EQ(state.wifi.ssid, "a\xEF\xBF\xBD"
                               "b");
    EXPECT_EQ(state.wifi.password, "");
}

} // namespace
