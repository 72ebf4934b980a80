#include "link/RecordCutter.h"

#include "link/ByteOrder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace corvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Cut {
    char kind; // 'r' record, 'b' block
    Bytes bytes;
    bool operator==(const Cut&) const = default;
};

class Collect : public RecordSink {
public:
    void OnRecord(const std::uint8_t* r) override { cuts.push_back({'r', Bytes(r, r + kFrameSize)}); }
    void OnReadBackBlock(const std::uint8_t* b) override { cuts.push_back({'b', Bytes(b, b + kBlockSize)}); }
    std::vector<Cut> cuts;
};

Bytes Record(std::uint16_t code, std::uint8_t b6) {
    const Frame f = MakeFrameByte6(code, b6);
    return Bytes(f.begin(), f.end());
}

Bytes Block(std::uint16_t number) {
    Bytes b(kBlockSize, 0);
    const std::uint8_t head[8] = {0xD2, 0xE3, 0xF4, 0x05, 0x16, 0x27, 0x38, 0x49};
    std::copy(head, head + 8, b.begin());
    PutLE16(&b[8], number);
    for (std::size_t i = 14; i < 1038; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + number);
    return b;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes s;
    for (const Bytes& p : parts)
        s.insert(s.end(), p.begin(), p.end());
    return s;
}

// A stream of n distinct records.
Bytes Stream(int n, std::vector<Cut>* expected) {
    Bytes s;
    for (int i = 0; i < n; ++i) {
        Bytes r = Record(0x00A8, static_cast<std::uint8_t>(i));
        r[20] = static_cast<std::uint8_t>(i >> 8);
        if (expected)
            expected->push_back({'r', r});
        s = Joined({s, r});
    }
    return s;
}

std::vector<Cut> Feed(RecordCutter& cutter, const Bytes& s, const std::vector<std::size_t>& sizes) {
    Collect sink;
    std::size_t pos = 0;
    for (std::size_t n : sizes) {
        n = std::min(n, s.size() - pos);
        cutter.Feed(s.data() + pos, n, sink);
        pos += n;
    }
    cutter.Feed(s.data() + pos, s.size() - pos, sink);
    return sink.cuts;
}

TEST(RecordCutter, WholeReads) {
    struct Case {
        const char* name;
        Bytes chunk;
        std::size_t records;
        std::size_t pending;
    };
    const Bytes two = Stream(2, nullptr);
    Bytes fortyBytes = Record(0xAD, 0);
    fortyBytes.push_back(0xED); // a possible start of the next record is kept
    Bytes badChecksum = Record(0xA3, 2);
    badChecksum[38] ^= 0xFF;
    const Case cases[] = {
        {"78 bytes are two records", two, 2, 0},
        {"39 bytes are one record", Record(0xAD, 0), 1, 0},
        {"a wrong checksum is still a record", badChecksum, 1, 0},
        {"40 bytes: one record, one byte waits", fortyBytes, 1, 1},
        {"nothing", Bytes{}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordCutter cutter;
        Collect sink;
        cutter.Feed(c.chunk.data(), c.chunk.size(), sink);
        ASSERT_EQ(sink.cuts.size(), c.records);
        EXPECT_EQ(cutter.PendingBytes(), c.pending);
        if (c.records > 0) {
            EXPECT_EQ(sink.cuts[0].bytes, Bytes(c.chunk.begin(), c.chunk.begin() + 39));
        }
    }
}

// However the reads split a stream of records, every record comes out once, in order.
TEST(RecordCutter, EverySplitPositionOfThreeRecords) {
    std::vector<Cut> expected;
    const Bytes s = Stream(3, &expected);
    for (std::size_t a = 0; a <= s.size(); ++a) {
        for (std::size_t b = a; b <= s.size(); b += 5) {
            RecordCutter cutter;
            ASSERT_EQ(Feed(cutter, s, {a, b - a}), expected) << a << "," << b;
        }
    }
    // A byte at a time: every record is completed from the carried bytes.
    RecordCutter cutter;
    EXPECT_EQ(Feed(cutter, s, std::vector<std::size_t>(s.size(), 1)), expected);
    EXPECT_EQ(cutter.PendingBytes(), 0u);
}

TEST(RecordCutter, GarbageBetweenRecordsIsSkipped) {
    const Bytes a = Record(0xA3, 1), b = Record(0xA8, 2), c = Record(0xAD, 0);
    struct Case {
        const char* name;
        Bytes garbage;
    };
    const Case cases[] = {
        {"noise", {0x00, 0x13, 0xFF, 0x42}},
        {"a false start of the magic", {0xED, 0xCB, 0x28, 0x00, 0xED}},
        {"three magic bytes", {0xED, 0xCB, 0x28}},
        {"a torn record", Bytes(a.begin(), a.begin() + 20)},
        {"a record torn where the magic last fits", Bytes(a.begin(), a.begin() + 35)},
    };
    for (const Case& g : cases) {
        SCOPED_TRACE(g.name);
        const Bytes s = Joined({g.garbage, a, g.garbage, b, c, g.garbage});
        const std::vector<Cut> expected = {{'r', a}, {'r', b}, {'r', c}};
        for (std::size_t split = 0; split <= s.size(); ++split) {
            RecordCutter cutter;
            ASSERT_EQ(Feed(cutter, s, {split}), expected) << split;
        }
        RecordCutter cutter;
        Collect sink;
        cutter.Feed(s.data(), s.size(), sink);
        EXPECT_GT(cutter.SkippedBytes(), 0u);
    }
}

TEST(RecordCutter, BlocksAndRecordsInterleavedAcrossSplits) {
    const Bytes b1 = Block(1), b2 = Block(2), keepAlive = Record(0xAD, 0), finished = Record(0x8002, 3);
    const Bytes s = Joined({b1, keepAlive, b2, finished});
    const std::vector<Cut> expected = {{'b', b1}, {'r', keepAlive}, {'b', b2}, {'r', finished}};
    for (std::size_t split = 0; split <= s.size(); split += 13) {
        RecordCutter cutter;
        cutter.SetReadBackExpected(true);
        ASSERT_EQ(Feed(cutter, s, {split, 1039}), expected) << split;
    }
    // A block that ends exactly where the read ends is cut at once.
    RecordCutter alone;
    alone.SetReadBackExpected(true);
    Collect sink;
    alone.Feed(b1.data(), b1.size(), sink);
    EXPECT_EQ(sink.cuts, (std::vector<Cut>{{'b', b1}}));
    // Without a read-back running, the blocks are garbage.
    RecordCutter cutter;
    EXPECT_EQ(Feed(cutter, s, {}), (std::vector<Cut>{{'r', keepAlive}, {'r', finished}}));
}

TEST(RecordCutter, ModeSwitchedByAHandlerAppliesToTheFollowingBytes) {
    // The record that ends a read-back is handled before the bytes after it are cut.
    class Switching : public Collect {
    public:
        explicit Switching(RecordCutter& c) : cutter(c) {}
        void OnRecord(const std::uint8_t* r) override {
            Collect::OnRecord(r);
            if (FrameCode(r) == 0x8002)
                cutter.SetReadBackExpected(false);
        }
        RecordCutter& cutter;
    };
    const Bytes block = Block(9), done = Record(0x8002, 3), ping = Record(0xB3, 0);
    const Bytes s = Joined({block, done, Bytes(10, 0x00), ping});
    RecordCutter cutter;
    cutter.SetReadBackExpected(true);
    Switching sink(cutter);
    cutter.Feed(s.data(), s.size(), sink);
    EXPECT_EQ(sink.cuts, (std::vector<Cut>{{'b', block}, {'r', done}, {'r', ping}}));
}

// (A cutter reset drops what it held: SerialLinkTest.ReopeningStartsFromAnEmptyCutter.)
TEST(RecordCutter, LargeFeeds) {
    std::vector<Cut> expected;
    const Bytes s = Stream(400, &expected); // 15600 bytes, several times the work area
    RecordCutter cutter;
    Collect sink;
    cutter.Feed(s.data(), 17, sink);
    cutter.Feed(s.data() + 17, s.size() - 17, sink);
    EXPECT_EQ(sink.cuts, expected);
}

} // namespace
