// The simulated processor's presets: preset files as the application builds them, the processor's
// own arrangements and the settings stored in its slots.

#include "RecordBuilder.h"
#include "SimModelFixture.h"
#include "picture/PictureFrames.h"
#include "presets/PresetFile.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;
using corvane::test::RecordBuilder;

namespace {

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

// The processor's own arrangements and the settings stored in its slots, recalled:
// PresetsEndToEnd (CliPresetRecall..., QuickSetRecallOfAStoredLayout...).

} // namespace
