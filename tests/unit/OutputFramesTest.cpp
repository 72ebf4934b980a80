#include "layout/OutputFrames.h"

#include "RecordingHost.h"
#include "device/ReplyDispatcher.h"
#include "link/ByteOrder.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace corvane;

namespace {

// Output 2 on a custom 2560 x 1440 timing at 50 Hz, its window picked on the page.
DeviceState CustomState(OutputPicks& picks) {
    DeviceState s;
    OutputInfo& o = s.outputs[2];
    o.canvasX = 0x0A0B0C; // beyond 16 bits: canvas positions travel in 24
    o.canvasY = 600;
    o.width = 1920;
    o.height = 1080;
    OutputPick p;
    p.row = kCustomResolutionRow;
    p.customWidth = 2560;
    p.customHeight = 1440;
    p.customTag = 1;
    p.winX = 10.7; // the page's window values are floating point; the fraction is dropped
    p.winY = 20;
    p.winW = 1900;
    p.winH = 1000;
    picks[2] = p;
    return s;
}

void ExpectFrame(const Frame& f, const std::vector<std::uint8_t>& head) {
    ASSERT_LE(head.size(), 38u);
    for (std::size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(f[i], head[i]) << "byte " << i;
    for (std::size_t i = head.size(); i < 38; ++i)
        EXPECT_EQ(f[i], 0x55) << "byte " << i;
    EXPECT_EQ(f[38], FrameChecksum(f.data()));
}

} // namespace

TEST(OutputFrames, PlacementOfACustomisedOutputByteByByte) {
    OutputPicks picks;
    const DeviceState s = CustomState(picks);
    ExpectFrame(BuildOutputWindowFrame(s, picks, 2), {
                                                         0xED, 0xCB, 0x28, 0x38, // magic
                                                         0x09, 0x00,             // code
                                                         2,                      // output
                                                         0x0C, 0x0B, 0x0A,       // canvasX
                                                         0x58, 0x02, 0x00,       // canvasY 600
                                                         0x80, 0x07, 0x38, 0x04, // 1920 x 1080
                                                         10,   0,    20,   0,    // window x, y
                                                         0x6C, 0x07, 0xE8, 0x03, // window 1900 x 1000
                                                         9,                      // the custom row
                                                         0x00, 0x0A, 0xA0, 0x05, // active 2560 x 1440
                                                         1,                      // 50 Hz
                                                     });
}

TEST(OutputFrames, PlacementOfAListedRowTakesTheRowAndTheReportedWindow) {
    DeviceState s;
    OutputInfo& o = s.outputs[1];
    o.canvasX = 1920;
    o.canvasY = 0;
    o.width = 1440;
    o.height = 900;
    o.winX = 4;
    o.winY = 5;
    o.winW = 1436;
    o.winH = 895;
    o.resIndex = 3; // "1440 x 900"
    o.hActive = 1;  // ignored for a listed row: the row's timing is sent
    o.vActive = 1;
    s.resolutions[3].tag = 2;
    const OutputPicks none; // the page picked nothing for output 1: the reported values go
    ExpectFrame(BuildOutputWindowFrame(s, none, 1),
                {
                    0xED, 0xCB, 0x28, 0x38, 0x09, 0x00, 1, 0x80, 0x07, 0x00, // canvasX 1920
                    0x00, 0x00, 0x00,                                        // canvasY 0
                    0xA0, 0x05, 0x84, 0x03,                                  // 1440 x 900
                    4,    0,    5,    0,                                     // window x, y
                    0x9C, 0x05, 0x7F, 0x03,                                  // window 1436 x 895
                    3,                                                       // row
                    0xA0, 0x05, 0x84, 0x03,                                  // active 1440 x 900
                    2,                                                       // the row's tag
                });
}

TEST(OutputFrames, ResolutionOfOneOutputAndOfAll) {
    OutputPicks picks;
    DeviceState s = CustomState(picks);
    s.outputs[0].resIndex = 6; // "1600 x 1200"
    ExpectFrame(BuildOutputResolutionFrame(s, picks, 0, 0), {
                                                                0xED, 0xCB, 0x28, 0x38, 0x0D, 0x00,
                                                                0,                      // output 0
                                                                6,                      // row
                                                                0x40, 0x06, 0xB0, 0x04, // 1600 x 1200
                                                                0,                      // tag
                                                            });
    // All outputs: byte 6 is 4, the timing that of the current output.
    ExpectFrame(BuildOutputResolutionFrame(s, picks, 2, kAllOutputs),
                {
                    0xED, 0xCB, 0x28, 0x38, 0x0D, 0x00, 4, 9, // all, custom
                    0x00, 0x0A, 0xA0, 0x05,                   // 2560 x 1440
                    1,                                        // 50 Hz
                });
}

TEST(OutputFrames, ArrangementDoneIsCodeB0WithByte6Zero) {
    const Frame f = BuildArrangeDoneFrame();
    ExpectFrame(f, {0xED, 0xCB, 0x28, 0x38, 0xB0, 0x00, 0x00});
    // 0x38 + 0xB0 + 0x00 + 31 * 0x55 = 2867 = 0x0B33
    EXPECT_EQ(f[38], 0x33);
}

TEST(OutputFrames, PageHandlerBuildsThePayloadsOrJustTheArgument) {
    OutputPicks picks;
    const DeviceState s = CustomState(picks);
    EXPECT_EQ(BuildOutputPageFrame(s, picks, 0, kCmdOutputWindow, 2), BuildOutputWindowFrame(s, picks, 2));
    EXPECT_EQ(BuildOutputPageFrame(s, picks, 2, kCmdOutputResolution, 4),
              BuildOutputResolutionFrame(s, picks, 2, 4));
    EXPECT_EQ(BuildOutputPageFrame(s, picks, 2, kCmdArrangeDone, 0), BuildArrangeDoneFrame());
    EXPECT_EQ(BuildOutputPageFrame(s, picks, 2, kCmdFrameMode, 3), MakeFrameByte6(kCmdFrameMode, 3));
}

TEST(OutputFrames, ValuesBeyondTheirBytesAreClampedNeverWrapped) {
    DeviceState s;
    OutputInfo& o = s.outputs[3];
    o.canvasX = 0x1000000; // would wrap to 0 in 24 bits
    o.canvasY = 0xFFFFFFFF;
    OutputPicks picks;
    OutputPick p;
    p.row = kCustomResolutionRow;
    p.customWidth = 2900;
    p.customHeight = 2160;
    p.customTag = 0x101; // would read as 1 (50 Hz) in its low byte
    p.winX = -5;
    p.winY = 1e9;
    p.winW = 65535.9;
    p.winH = 65536;
    picks[3] = p;
    const Frame f = BuildOutputWindowFrame(s, picks, 3);
    EXPECT_EQ(std::make_tuple(GetLE24(&f[7]), GetLE24(&f[10]), GetLE16(&f[17]), GetLE16(&f[19]),
                              GetLE16(&f[21]), GetLE16(&f[23]), f[30]),
              std::make_tuple(0xFFFFFFu, 0xFFFFFFu, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF));

    // A row outside the list never reads past it.
    picks[3]->row = 40;
    EXPECT_EQ(BuildOutputWindowFrame(s, picks, 3)[25], kCustomResolutionRow);
    picks[3]->row = -1;
    const Frame low = BuildOutputWindowFrame(s, picks, 3);
    EXPECT_EQ(std::make_tuple(low[25], GetLE16(&low[26])), std::make_tuple(0, 1920));

    // Arguments: an output index stays inside the table, byte 6 inside a byte.
    EXPECT_EQ(BuildOutputWindowFrame(s, picks, 7)[6], 3);
    EXPECT_EQ(BuildOutputResolutionFrame(s, picks, 0, 300)[6], 0xFF);
    EXPECT_EQ(BuildOutputResolutionFrame(s, picks, 0, -1)[6], 0);
    EXPECT_EQ(BuildOutputPageFrame(s, picks, 0, kCmdFrameMode, 256)[6], 0xFF);
}

TEST(OutputFrames, ReadBackAsTheOutputRecordGivesTheSameOutput) {
    // The processor reports an output (code 0xAB) in the byte layout of the placement command.
    OutputPicks picks;
    const DeviceState sent = CustomState(picks);
    Frame reply = BuildOutputWindowFrame(sent, picks, 2);
    reply[4] = 0xAB;
    reply[38] = FrameChecksum(reply.data());

    const DeviceState got = test::StateAfterRecord(reply);
    const OutputInfo& b = got.outputs[2];
    const OutputInfo& a = sent.outputs[2];
    EXPECT_EQ(std::tie(a.canvasX, a.canvasY, a.width, a.height),
              std::tie(b.canvasX, b.canvasY, b.width, b.height));
    EXPECT_EQ(std::make_tuple(b.winX, b.winY, b.winW, b.winH, b.resIndex, b.hActive, b.vActive, b.resTag),
              std::make_tuple(10, 20, 1900, 1000, 9u, 2560, 1440, 1u));
}
