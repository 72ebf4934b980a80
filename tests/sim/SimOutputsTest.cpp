// The output page's commands answered by the simulated processor and taken back by the
// application's dispatcher: windows, resolutions, refused resolutions.

#include "SimModelFixture.h"
#include "Simulator.h"
#include "layout/OutputFrames.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;

namespace {

// The output page's commands as the application builds them, from the state the processor
// reported and what the page picked, answered by the processor and taken back by the
// application's dispatcher.
class OutputCommands : public Model {
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
};

// A pick of the output page: a row of the list, or the custom timing (row 9); with a window.
OutputPick Row(int row) {
    return OutputPick{.row = row};
}
OutputPick Custom(std::uint16_t width, std::uint16_t height, std::uint32_t rateFlag) {
    return OutputPick{
        .row = kCustomResolutionRow, .customWidth = width, .customHeight = height, .customTag = rateFlag};
}
OutputPick WithWindow(OutputPick p, double x, double y, double w, double h) {
    p.winX = x;
    p.winY = y;
    p.winW = w;
    p.winH = h;
    return p;
}

TEST_F(OutputCommands, PlacementAtTheRunningResolutionIsStoredAsAWindowChange) {
    app.outputs[1].canvasX = 4000; // the page moved the output on the canvas and sized it
    app.outputs[1].width = 1600;
    app.outputs[1].height = 900;
    picks[1] = WithWindow(Row(0), 100, 60, 1600, 900); // row 0: what output 1 runs
    // The place, the size and the window change; the resolution stays what the output runs.
    DeviceState expected = model.State();
    OutputInfo& o = expected.outputs[1];
    o.canvasX = 4000;
    o.width = o.winW = 1600;
    o.height = o.winH = 900;
    o.winX = 100;
    o.winY = 60;
    const auto out = Command(BuildOutputWindowFrame(app, picks, 1));
    ASSERT_EQ(Kinds(out), (Answer{"ack1/0", "00AB"}));
    EXPECT_EQ(out[0].bytes[8], 1);
    EXPECT_EQ(out[1].bytes[6], 1);
    ExpectSameState(model.State(), expected);
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
        // The output runs the new resolution, its window the whole active picture; nothing else
        // changes.
        DeviceState expected = model.State();
        OutputInfo& o = expected.outputs[k];
        o.resIndex = c.row;
        o.hActive = o.width = o.winW = c.width;
        o.vActive = o.height = o.winH = c.height;
        o.winX = o.winY = 0;
        o.resTag = c.tag;
        // Apply One: the window sent is the whole active picture of the new resolution.
        picks[k] = WithWindow(c.pick, 0, 0, c.width, c.height);
        app.outputs[k].width = c.width;
        app.outputs[k].height = c.height;
        const auto out = Command(BuildOutputWindowFrame(app, picks, k));
        ASSERT_EQ(Kinds(out), (Answer{"ack0/1", "00AB"}));
        EXPECT_EQ(out[0].bytes[8], k);
        EXPECT_EQ(out[1].bytes[6], k);
        ExpectSameState(model.State(), expected);
        host.events.clear();
        Deliver(out);
        ExpectSameState(app, model.State());
        EXPECT_EQ(host.events, (std::vector<std::pair<int, int>>{{0xAB, 0}})) << "Set up success!";
    }
}

// Apply All: the resolution command for every output, each window reset to the active
// picture: OutputEndToEnd.ApplyAllReachesTheProcessorAndItsAnswerEndsTheWait.

// A resolution the processor cannot run, by the placement command (output 3, with a new
// place and window, none of which may be stored) or by the resolution command (output 1 or
// all): refused, nothing changed, "Set up failure!".
TEST_F(OutputCommands, RefusedResolutionChangesNoOutput) {
    struct Case {
        const char* name;
        bool placement;
        OutputPick pick;
        int argument;
        int rowByte; // written over the row's byte when not negative
        bool fault;
        Answer answer;
    };
    const Answer one = {"ack0/0", "00AB"}, all = {"ack0/0", "00AB", "00AB", "00AB", "00AB"};
    const Case cases[] = {
        {"placement: row 10", true, Row(0), 3, 10, false, one},
        {"placement: 2880 x 1080 custom", true, Custom(2880, 1080, 0), 3, -1, false, one},
        {"placement: one line too many for 1920 wide", true, Custom(1920, 1201, 0), 3, -1, false, one},
        {"placement: no active width", true, Custom(0, 1080, 0), 3, -1, false, one},
        {"placement: no active height", true, Custom(1280, 0, 0), 3, -1, false, one},
        {"placement: refuse-resolution", true, Row(2), 3, -1, true, one},
        {"row 10", false, Row(0), 1, 10, false, one},
        {"2880 x 1080 custom for all", false, Custom(2880, 1080, 0), kAllOutputs, -1, false, all},
        {"no output 5", false, Row(2), 5, -1, false, {"ack0/0"}},
        {"refuse-resolution", false, Row(2), 0, -1, true, one},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Synchronise();
        model.SetRefuseResolution(c.fault);
        const DeviceState before = model.State();
        Frame f;
        if (c.placement) {
            app.outputs[c.argument].canvasX += 500;
            picks[c.argument] = WithWindow(c.pick, 50, 40, 800, 600);
            f = BuildOutputWindowFrame(app, picks, c.argument);
        } else {
            picks[1] = c.pick;
            f = BuildOutputResolutionFrame(app, picks, 1, c.argument);
        }
        if (c.rowByte >= 0) {
            f[c.placement ? 25 : 7] = static_cast<std::uint8_t>(c.rowByte);
            SealFrame(f);
        }
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

// The control channel's commands: each answered "ok" or with what is wrong; a fault switched
// there reaches the processor model and the state line, and "fault clear" ends it.
TEST(SimulatorConsole, CommandsAreAnsweredAndFaultsReachTheModel) {
    Simulator sim(SimOptions{});
    auto refuses = [](Simulator& s) {
        bool r = false;
        s.Inspect([&](const ProcessorModel& m) { r = m.RefusesResolution(); });
        return r;
    };
    struct Case {
        const char* command;
        const char* answer;
        bool refusing;
        const char* shown; // in the state line after the command
    };
    const Case cases[] = {
        {"signal 3 off", "ok\n", false, " signal3=0"},
        {"ping", "ok\n", false, ""},
        {"signal 4 on 1280 720 600", "error: signal needs an input 0..3\n", false, ""},
        {"fault refuse-resolution on", "ok\n", true, "refuse-resolution=1"},
        {"fault refuse-resolution off", "ok\n", false, "refuse-resolution=0"},
        {"fault refuse-resolution on", "ok\n", true, ""},
        {"fault drop 2", "ok\n", true, " drop=2 "},
        {"fault clear", "ok\n", false, " drop=0 "},
        {"fault flood", "error: fault flood needs SECONDS\n", false, "flood off"},
        {"fault stall -1", "error: fault stall needs MS\n", false, " stall-ms=0\n"},
        {"fault nonsense", "error: unknown fault 'nonsense'\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(sim.Execute(c.command), c.answer);
        EXPECT_EQ(refuses(sim), c.refusing);
        EXPECT_NE(sim.Execute("state").find(c.shown), std::string::npos);
    }
    EXPECT_NE(Simulator::Help().find("fault refuse-resolution on|off"), std::string::npos);

    SimOptions options; // --refuse-resolution
    options.faults.refuseResolution = true;
    Simulator refusing(options);
    EXPECT_TRUE(refuses(refusing));
}

} // namespace
