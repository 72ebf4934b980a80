#include "layout/LayerFrames.h"

#include "RecordingHost.h"
#include "device/ReplyDispatcher.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

DeviceState LayerTwoState() {
    DeviceState s;
    s.currentInput = 3;
    LayerInfo& l = s.layers[1];
    l.source = 2;
    l.zoomOn = 1;
    l.zoomX = 0x0102;
    l.zoomY = 0x0304;
    l.zoomW = 1280;
    l.zoomH = 720;
    l.srcW = 1920;
    l.srcH = 1080;
    l.x = 0x0A0B0C; // beyond 16 bits: the window is carried in 24
    l.y = 600;
    l.w = 59999;
    l.h = 1080;
    l.visible = 1;
    return s;
}

} // namespace

TEST(LayerFrames, PayloadByteByByte) {
    const Frame f = BuildLayerFrame(LayerTwoState(), 1);
    const std::uint8_t expected[34] = {0xED, 0xCB, 0x28, 0x38, // magic
                                       0x06, 0x00,             // code
                                       1,    3,    1,          // layer, current input, zoom on
                                       0x02, 0x01, 0x04, 0x03, // zoom x, y
                                       0x00, 0x05, 0xD0, 0x02, // zoom w 1280, h 720
                                       0x80, 0x07, 0x38, 0x04, // source 1920 x 1080
                                       0x0C, 0x0B, 0x0A,       // x
                                       0x58, 0x02, 0x00,       // y 600
                                       0x5F, 0xEA, 0x00,       // w 59999
                                       0x38, 0x04, 0x00,       // h 1080
                                       1};                     // shown
    for (std::size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(f[i], expected[i]) << "byte " << i;
    for (std::size_t i = 34; i < 38; ++i)
        EXPECT_EQ(f[i], 0x55) << "byte " << i;
    EXPECT_EQ(f[38], FrameChecksum(f.data()));
}

TEST(LayerFrames, ReadBackAsTheLayerReplyGivesTheSameLayer) {
    // The processor answers with the same byte layout (code 0xA8), the source in byte 7.
    const DeviceState sent = LayerTwoState();
    Frame reply = BuildLayerFrame(sent, 1);
    reply[4] = 0xA8;
    reply[7] = static_cast<std::uint8_t>(sent.layers[1].source);
    reply[38] = FrameChecksum(reply.data());

    const DeviceState got = test::StateAfterRecord(reply);
    const LayerInfo& a = sent.layers[1];
    const LayerInfo& b = got.layers[1];
    EXPECT_EQ(std::tie(a.source, a.zoomOn, a.zoomX, a.zoomY, a.zoomW, a.zoomH, a.srcW, a.srcH),
              std::tie(b.source, b.zoomOn, b.zoomX, b.zoomY, b.zoomW, b.zoomH, b.srcW, b.srcH));
    EXPECT_EQ(std::tie(a.x, a.y, a.w, a.h, a.visible), std::tie(b.x, b.y, b.w, b.h, b.visible));
}

TEST(LayerFrames, LayerIndexIsKeptInRange) {
    const DeviceState s = LayerTwoState();
    EXPECT_EQ(BuildLayerFrame(s, 5)[6], 1) << "index 5 wraps to layer 1, never past the table";
    EXPECT_EQ(BuildLayerFrame(s, 0)[33], 0) << "layer 0 is hidden by default";
}
