// The flood as the application's cutter and dispatcher take it: every kind of record,
// nothing lost to its noise, torn heads and split records, and nothing but the processor's
// own state written.

#include "Flood.h"
#include "SimModelFixture.h"
#include "link/RecordCutter.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <tuple>

using namespace corvane;
using namespace corvane::sim;
using namespace corvane::sim::modeltest;

namespace {

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
    while (flood.Counts().records < 20000 || flood.SplitPending()) {
        const FloodPiece piece = flood.Next(context);
        stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());
        pauses += piece.pauseAfter ? 1 : 0;
        if (piece.endsWithPing) {
            EXPECT_EQ(FrameCode(&*(stream.end() - kFrameSize)), 0xB3);
        }
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
    ExpectSameState(app, model.State());
}

} // namespace
