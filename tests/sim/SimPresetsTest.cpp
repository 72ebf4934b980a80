// The simulated processor's presets: preset files as the application builds them, checked as
// the processor checks them. (A good file becoming the processor's state and coming back to
// the application: PresetsEndToEnd.)

#include "SimModelFixture.h"
#include "presets/PresetFile.h"

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;

namespace {

TEST_F(Model, APresetFileThatFailsItsCheckChangesNothingAndIsAnsweredWithStatusZero) {
    DeviceState wanted = model.State();
    for (std::size_t i = 0; i < 4; ++i) {
        wanted.layers[i].x = 1000 + 100 * static_cast<std::uint32_t>(i);
        wanted.picture[i].brightness = static_cast<std::uint8_t>(90 + i);
    }
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
        ExpectSameState(before, model.State());
    }
    EXPECT_EQ(model.PresetFilesRefused(), 3u);
    EXPECT_EQ(model.PresetFilesReceived(), 4u);

    // A record whose own checksum is wrong is left out; the others are applied.
    const DeviceState before = model.State();
    for (LayerInfo& l : wanted.layers)
        l.x += 7;
    PresetFile torn = BuildPresetFile(wanted);
    torn[14 + 39 * 6 + 38] ^= 0xFF; // layer 1
    torn[1038] = PresetFileChecksum(torn.data());
    EXPECT_EQ(Kinds(model.OnBlock(torn.data())).back(), "ack9/1");
    EXPECT_EQ(model.State().layers[1].x, before.layers[1].x);
    EXPECT_EQ(model.State().layers[2].x, wanted.layers[2].x);
}

// The processor's own arrangements and the settings stored in its slots, recalled:
// PresetsEndToEnd (CliPresetRecall..., QuickSetRecallOfAStoredLayout...).

} // namespace
