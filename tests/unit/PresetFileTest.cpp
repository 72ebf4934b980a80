// The preset file: built from a known state (header, each record its subsystem's own frame,
// the zeros, the file's checksum), the picture records' own byte rules, and the check that the
// log and the fuzz target use.

#include "presets/PresetFile.h"

#include "blend/BlendFrames.h"
#include "layout/LayerFrames.h"
#include "layout/OutputFrames.h"
#include "link/ByteOrder.h"
#include "link/CommandCodes.h"
#include "picture/CropFrames.h"
#include "picture/PictureFrames.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace corvane;

namespace {

// A state with a different value in every field the file carries.
DeviceState KnownState() {
    DeviceState s;
    s.currentInput = 2;
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<std::size_t>(i);
        OutputInfo& o = s.outputs[n];
        o.canvasX = 1920u * static_cast<std::uint32_t>(i) + 7;
        o.canvasY = 198 + static_cast<std::uint32_t>(i);
        o.width = static_cast<std::uint16_t>(1900 + i);
        o.height = static_cast<std::uint16_t>(1000 + i);
        o.winX = static_cast<std::uint16_t>(10 + i);
        o.winY = static_cast<std::uint16_t>(20 + i);
        o.winW = static_cast<std::uint16_t>(1800 + i);
        o.winH = static_cast<std::uint16_t>(900 + i);
        o.resIndex = static_cast<std::uint32_t>(i);
        for (int side = 0; side < kSideCount; ++side) {
            BlendSide& b = o.blend[static_cast<std::size_t>(side)];
            b.enable = static_cast<std::uint8_t>((i + side) & 1);
            b.gamma = static_cast<std::uint8_t>(10 * i + side);
            b.start = static_cast<std::uint16_t>(100 * i + side);
            b.size = static_cast<std::uint16_t>(300 + i + side);
        }
        for (int c = 0; c < 16; ++c)
            o.curve[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(16 * i + c);
        LayerInfo& l = s.layers[n];
        l.x = 70000u * static_cast<std::uint32_t>(i) + 5;
        l.y = 300u + static_cast<std::uint32_t>(i);
        l.w = 960u + static_cast<std::uint32_t>(i);
        l.h = 540u + static_cast<std::uint32_t>(i);
        l.visible = static_cast<std::uint8_t>(i & 1);
        l.zoomOn = static_cast<std::uint8_t>(i == 3);
        PictureSettings& p = s.picture[n];
        p.brightness = static_cast<std::uint8_t>(100 + i);
        p.contrast = static_cast<std::uint8_t>(110 + i);
        p.gamma = static_cast<std::uint8_t>(12 + i);
        p.colorTemp = static_cast<std::uint8_t>(i == 1 ? kUserColorTemp : 2 * i);
        p.red = static_cast<std::uint8_t>(201 + i);
        p.green = static_cast<std::uint8_t>(202 + i);
        p.blue = static_cast<std::uint8_t>(203 + i);
        CropRect& r = s.crop.rects[n];
        r.on = static_cast<std::uint8_t>(i & 1);
        r.hStart = static_cast<std::uint16_t>(8 * i);
        r.vStart = static_cast<std::uint16_t>(4 * i);
        r.hSize = static_cast<std::uint16_t>(1280 + i);
        r.vSize = static_cast<std::uint16_t>(720 + i);
        r.hTotal = 1920;
        r.vTotal = 1080;
    }
    s.crop.inputBackup = 1;
    return s;
}

using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const std::uint8_t* from, std::size_t n) {
    return Bytes(from, from + n);
}

std::uint8_t SumOf(const std::uint8_t* from, const std::uint8_t* to) {
    return static_cast<std::uint8_t>(std::accumulate(from, to, 0u) & 0xFF);
}

const std::uint8_t* RecordAt(const PresetFile& f, int k) {
    return f.data() + 14 + 39 * k;
}

Frame RecordOf(const PresetFile& f, int k) {
    Frame r;
    std::copy(RecordAt(f, k), RecordAt(f, k) + 39, r.begin());
    return r;
}

} // namespace

TEST(PresetFile, HeaderTheSubsystemsOwnFramesZerosAndChecksumOfAKnownState) {
    const DeviceState s = KnownState();
    const PresetFile f = BuildPresetFile(s);
    ASSERT_EQ(f.size(), 1039u);
    EXPECT_EQ(Slice(f.data(), 14),
              (Bytes{0xD2, 0xE3, 0xF4, 0x05, 0x16, 0x27, 0x38, 0x49, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18}));
    EXPECT_EQ(Slice(f.data() + 950, 88), Bytes(88, 0));
    EXPECT_EQ(f[1038], SumOf(f.data(), f.data() + 1038));

    // Each record is the frame its page sends (the picture records: the next cases).
    EXPECT_EQ(RecordOf(f, 0), MakeFrameByte6(kCmdSelectInput, 2));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        // The output page's own frame of what the output runs.
        EXPECT_EQ(RecordOf(f, 1 + i), BuildOutputWindowFrame(s, {}, i));
        EXPECT_EQ(RecordOf(f, 5 + i), BuildLayerFrame(s, i));
        EXPECT_EQ(RecordOf(f, 13 + i), BuildBlendFrame(s, i));
        EXPECT_EQ(RecordOf(f, 17 + i), BuildBlendCurveFrame(s, i));
    }
    EXPECT_EQ(RecordOf(f, 21), BuildCropPresetFrame(s, 0));
    EXPECT_EQ(RecordOf(f, 22), BuildCropPresetFrame(s, 2));
    EXPECT_EQ(RecordOf(f, 23), MakeFrameByte6(kCmdInputBackup, 1));
}

// An output's record carries the resolution the output runs, whatever the output page holds.
TEST(PresetFile, OutputRecordsCarryTheAppliedResolution) {
    struct Case {
        const char* name;
        std::uint32_t resIndex; // what the output runs
        std::uint16_t hActive, vActive;
        std::uint32_t resTag;
        int row; // expected in byte 25
        std::uint16_t width, height;
        std::uint8_t tag; // expected in byte 30
    };
    DeviceState base = KnownState();
    const ResolutionEntry& row2 = base.resolutions[2];
    const Case cases[] = {
        {"a listed row: the row's size and tag", 2, 1, 1, 7, 2, row2.width, row2.height,
         static_cast<std::uint8_t>(row2.tag)},
        {"the custom timing: the output's own size and rate flag", kCustomResolutionRow, 2560, 1440, 1,
         kCustomResolutionRow, 2560, 1440, 1},
        {"a row outside the list: row 0", 40, 1, 1, 0, 0, base.resolutions[0].width,
         base.resolutions[0].height, static_cast<std::uint8_t>(base.resolutions[0].tag)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceState s = base;
        OutputInfo& o = s.outputs[1];
        o.resIndex = c.resIndex;
        o.hActive = c.hActive;
        o.vActive = c.vActive;
        o.resTag = c.resTag;
        // The shared custom record (the output page's last custom pick) is not what runs.
        s.customResolution.hActive = 1000;
        s.customResolution.vActive = 1000;
        const PresetFile f = BuildPresetFile(s);
        const std::uint8_t* r = RecordAt(f, 2);
        EXPECT_EQ(r[25], c.row);
        EXPECT_EQ(GetLE16(r + 26), c.width);
        EXPECT_EQ(GetLE16(r + 28), c.height);
        EXPECT_EQ(r[30], c.tag);
    }
}

TEST(PresetFile, PictureRecordsKeepTheirOwnColourTemperatureAndNoItemOrAllOutputs) {
    DeviceState s = KnownState();
    s.pictureAllOutputs = 1; // the page's "ALL" mode is not the preset's business
    const PresetFile f = BuildPresetFile(s);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        PictureFrameArgs args;
        args.output = i;
        args.colorTempSel = s.picture[static_cast<std::size_t>(i)].colorTemp;
        args.changedItem = 0x55; // no item changed
        EXPECT_EQ(RecordOf(f, 9 + i), BuildPictureFrame(s, args));
        EXPECT_EQ(RecordAt(f, 9 + i)[7], 0) << "not for all outputs";
    }
}

TEST(PresetFile, RecallCommandCarriesTheLowByteOfTheIndex) {
    for (const auto& [index, byte6] :
         std::vector<std::pair<std::intptr_t, int>>{{0, 0}, {2, 2}, {9, 9}, {0x102, 2}}) {
        EXPECT_EQ(BuildPresetRecallFrame(index),
                  MakeFrameByte6(kCmdLoadPreset, static_cast<std::uint8_t>(byte6)));
    }
}

// ---- The check ---------------------------------------------------------------------------

TEST(PresetFileCheck, AFileAsBuiltIsValidAndEachFaultIsFoundAndNamed) {
    const PresetFile good = BuildPresetFile(KnownState());
    const PresetFileCheck built = CheckPresetFile(good.data(), good.size());
    EXPECT_TRUE(built.Valid());
    ASSERT_EQ(built.records.size(), 24u);
    EXPECT_EQ(built.records[5].code, kCmdLayer);
    EXPECT_EQ(built.Describe(),
              "preset file: 1039 bytes, magic ok, version ok, count 24, zeros ok, checksum ok, "
              "records 24/24 ok");
    struct Case {
        const char* name;
        std::size_t at;
        const char* said;
    };
    const Case cases[] = {
        {"magic", 3, "magic WRONG"},
        {"version", 11, "version WRONG"},
        {"count", 13, "count 88"},
        {"zeros", 1000, "zeros WRONG"},
        // The first and the last byte of the zero fill, right after the last record and
        // right before the checksum.
        {"first zero", 950, "zeros WRONG"},
        {"last zero", 1037, "zeros WRONG"},
        {"checksum", 1038, "checksum WRONG"},
        {"record magic", 14 + 39 * 4, "4:0009/magic"},
        {"record checksum", 14 + 39 * 7 + 38, "7:0006/checksum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PresetFile f = good;
        f[c.at] ^= 0x40;
        if (c.at != 1038 && std::string(c.name) != "record checksum" && std::string(c.name) != "record magic")
            f[1038] = PresetFileChecksum(f.data()); // only the one fault
        const PresetFileCheck check = CheckPresetFile(f.data(), f.size());
        EXPECT_FALSE(check.Valid());
        EXPECT_NE(check.Describe().find(c.said), std::string::npos) << check.Describe();
    }
    // A record in another's place.
    PresetFile swapped = good;
    std::swap_ranges(swapped.begin() + 14, swapped.begin() + 14 + 39, swapped.begin() + 14 + 39 * 23);
    const PresetFileCheck check = CheckPresetFile(swapped.data(), swapped.size());
    EXPECT_FALSE(check.Valid());
    EXPECT_TRUE(check.checksumOk) << "the same bytes, in another order";
    EXPECT_NE(check.Describe().find("0:000F/code"), std::string::npos) << check.Describe();
}

TEST(PresetFileCheck, ShortAndLongInputsAreReadOnlyWithinTheirBounds) {
    const PresetFile good = BuildPresetFile(KnownState());
    for (std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{13}, std::size_t{14 + 39 * 3 + 10},
                             std::size_t{1038}}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        const PresetFileCheck c = CheckPresetFile(bytes.data(), bytes.size());
        EXPECT_FALSE(c.Valid());
        EXPECT_FALSE(c.sizeOk);
        EXPECT_EQ(c.records.size(), size >= 14 ? std::min<std::size_t>((size - 14) / 39, 24) : 0u);
        EXPECT_NE(c.Describe().find("not 1039"), std::string::npos);
    }
    std::vector<std::uint8_t> longer(good.begin(), good.end());
    longer.push_back(0);
    const PresetFileCheck c = CheckPresetFile(longer.data(), longer.size());
    EXPECT_FALSE(c.Valid());
    EXPECT_EQ(c.Describe(), "preset file: 1040 bytes (not 1039)");
    EXPECT_FALSE(CheckPresetFile(nullptr, 0).Valid());
}
