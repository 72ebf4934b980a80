#include "upgrade/GifFrames.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

using namespace corvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Word(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

// Writes GIF block structure; the image data bytes need not be valid LZW for the walk.
struct GifBuilder {
    Bytes b;

    explicit GifBuilder(int width = 16, int height = 12, int globalTableBits = 1) {
        for (char c : std::string("GIF89a"))
            b.push_back(static_cast<std::uint8_t>(c));
        Word(b, width);
        Word(b, height);
        b.push_back(globalTableBits > 0 ? static_cast<std::uint8_t>(0x80 | (globalTableBits - 1)) : 0);
        b.push_back(0);
        b.push_back(0);
        for (int i = 0; i < (globalTableBits > 0 ? 3 << globalTableBits : 0); ++i)
            b.push_back(static_cast<std::uint8_t>(i));
    }
    GifBuilder& Control(int delay, int disposal) {
        b.insert(b.end(), {0x21, 0xF9, 0x04, static_cast<std::uint8_t>(disposal << 2)});
        Word(b, delay);
        b.insert(b.end(), {0x00, 0x00});
        return *this;
    }
    GifBuilder& Comment(const std::string& text) {
        b.insert(b.end(), {0x21, 0xFE, static_cast<std::uint8_t>(text.size())});
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
        return *this;
    }
    GifBuilder& Image(int left, int top, int width, int height, int dataBytes = 5, int localTableBits = 0) {
        b.push_back(0x2C);
        Word(b, left);
        Word(b, top);
        Word(b, width);
        Word(b, height);
        b.push_back(localTableBits > 0 ? static_cast<std::uint8_t>(0x80 | (localTableBits - 1)) : 0);
        for (int i = 0; i < (localTableBits > 0 ? 3 << localTableBits : 0); ++i)
            b.push_back(0x11);
        b.push_back(2); // LZW minimum code size
        while (dataBytes > 0) {
            const int n = dataBytes > 255 ? 255 : dataBytes;
            b.push_back(static_cast<std::uint8_t>(n));
            for (int i = 0; i < n; ++i)
                b.push_back(0xAA);
            dataBytes -= n;
        }
        b.push_back(0);
        return *this;
    }
    Bytes Done() {
        b.push_back(0x3B);
        return b;
    }
};

std::optional<GifInfo> Walk(const Bytes& b) {
    return WalkGif(b.data(), b.size());
}

} // namespace

TEST(GifFrames, SignatureIs87aOr89a) {
    const std::pair<std::string, bool> cases[] = {
        {"GIF87a", true}, {"GIF89a", true}, {"GIF88a", false}, {"GIF8", false}, {"gif89a", false}};
    for (const auto& [data, gif] : cases)
        EXPECT_EQ(IsGifSignature(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), gif)
            << data;
}

TEST(GifFrames, FramesCarryPlaceDelayAndDisposalInFileOrder) {
    const Bytes gif = GifBuilder(40, 30)
                          .Comment("made by hand")
                          .Control(0, 1)
                          .Image(0, 0, 40, 30)
                          .Control(4, 2)
                          .Image(5, 6, 10, 8, 300, 2)
                          .Image(1, 2, 3, 4) // no control block of its own
                          .Control(25, 3)
                          .Image(7, 7, 7, 7)
                          .Done();
    const auto info = Walk(gif);
    ASSERT_TRUE(info);
    EXPECT_EQ(std::make_tuple(info->width, info->height, info->complete), std::make_tuple(40, 30, true));
    using Fields = std::array<int, 6>; // left, top, width, height, delay, disposal
    std::vector<Fields> frames;
    for (const GifFrame& f : info->frames)
        frames.push_back({f.left, f.top, f.width, f.height, f.delay, f.disposal});
    ASSERT_EQ(frames,
              (std::vector<Fields>{
                  {0, 0, 40, 30, 0, 1}, {5, 6, 10, 8, 4, 2}, {1, 2, 3, 4, 0, 0}, {7, 7, 7, 7, 25, 3}}));
    EXPECT_EQ(info->frames[2].controlLength, 0u);
}

TEST(GifFrames, ShortDelaysStayATenthOfASecond) {
    const std::pair<std::uint16_t, long long> cases[] = {{0, 100},  {4, 100},  {5, 50},
                                                         {10, 100}, {25, 250}, {600, 6000}};
    for (const auto& [delay, ms] : cases)
        EXPECT_EQ(FrameDelay(delay).count(), ms) << delay;
}

// Cut anywhere, the walk keeps exactly the frames that were whole before the cut.
TEST(GifFrames, CutDataKeepsTheWholeFramesBeforeTheCut) {
    const Bytes gif =
        GifBuilder().Control(10, 1).Image(0, 0, 4, 4, 20).Control(10, 1).Image(0, 0, 4, 4, 20).Done();
    const auto full = Walk(gif);
    ASSERT_TRUE(full);
    ASSERT_EQ(full->frames.size(), 2u);
    const std::size_t firstEnd = full->frames[0].imageOffset + full->frames[0].imageLength;
    const std::size_t secondEnd = full->frames[1].imageOffset + full->frames[1].imageLength;
    for (std::size_t cut = 0; cut < gif.size(); ++cut) {
        const Bytes part(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(cut));
        const auto info = Walk(part);
        const std::size_t expected = cut >= secondEnd ? 2 : cut >= firstEnd ? 1 : 0;
        if (expected == 0) {
            EXPECT_FALSE(info) << cut;
            continue;
        }
        ASSERT_TRUE(info) << cut;
        EXPECT_EQ(info->frames.size(), expected) << cut;
        EXPECT_FALSE(info->complete) << cut;
    }
}

TEST(GifFrames, BadHeadersAndBlocksEndTheWalk) {
    // A global colour table longer than the data.
    Bytes shortTable = GifBuilder(8, 8, 8).Done();
    shortTable.resize(13 + 100);
    EXPECT_FALSE(Walk(shortTable));

    // An unknown block after one frame: the frame before it stands.
    Bytes unknown = GifBuilder().Control(3, 0).Image(0, 0, 2, 2).b;
    unknown.insert(unknown.end(), {0x99, 0x01, 0x02});
    const auto info = Walk(unknown);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames.size(), 1u);
    EXPECT_FALSE(info->complete);

    // A local colour table that runs past the end.
    Bytes local = GifBuilder().b;
    local.insert(local.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87, 1, 2, 3});
    EXPECT_FALSE(Walk(local));
}

TEST(GifFrames, TheFrameListHasALimit) {
    GifBuilder many(2, 2);
    for (std::size_t i = 0; i < kMaxGifFrames + 10; ++i)
        many.Image(0, 0, 1, 1, 1);
    const auto info = Walk(many.Done());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames.size(), kMaxGifFrames);
}

TEST(GifFrames, SingleFrameGifHoldsOneFrameAtTheOrigin) {
    const Bytes gif = GifBuilder(40, 30, 2)
                          .Control(7, 2)
                          .Image(0, 0, 40, 30)
                          .Control(25, 3)
                          .Image(5, 6, 10, 8, 40, 1)
                          .Done();
    const auto info = Walk(gif);
    ASSERT_TRUE(info);
    for (std::size_t i = 0; i < info->frames.size(); ++i) {
        const Bytes one = SingleFrameGif(gif.data(), gif.size(), *info, i);
        const auto alone = Walk(one);
        ASSERT_TRUE(alone) << i;
        ASSERT_EQ(alone->frames.size(), 1u) << i;
        EXPECT_TRUE(alone->complete);
        const GifFrame& f = alone->frames[0];
        const GifFrame& was = info->frames[i];
        EXPECT_EQ(
            (std::array<int, 7>{alone->width, alone->height, f.left, f.top, f.width, f.delay, f.disposal}),
            (std::array<int, 7>{was.width, was.height, 0, 0, was.width, was.delay, was.disposal}));
        // The colour tables and the image data come across unchanged.
        EXPECT_TRUE(std::equal(gif.begin() + 10, gif.begin() + 13 + 12, one.begin() + 10));
        EXPECT_TRUE(std::equal(gif.begin() + static_cast<std::ptrdiff_t>(info->frames[i].imageOffset + 9),
                               gif.begin() + static_cast<std::ptrdiff_t>(info->frames[i].imageOffset +
                                                                         info->frames[i].imageLength),
                               one.begin() + static_cast<std::ptrdiff_t>(f.imageOffset + 9)));
    }
    EXPECT_TRUE(SingleFrameGif(gif.data(), gif.size(), *info, 2).empty());
}
