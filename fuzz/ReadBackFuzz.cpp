// Random bytes as what the processor sends during an FPGA read-back: cut by the record cutter
// in its read-back mode (in pieces whose sizes the bytes choose), each block checked as the
// upgrade dialog checks it and the accepted ones appended. Nothing may crash or read outside
// the bytes, and the checks must keep their promises: an accepted block has a right checksum
// and is block 0 or the one after the last accepted; the file holds 1024 bytes per accepted
// block; the comparison with an image names a block where the two really differ.

#include "link/RecordCutter.h"
#include "upgrade/UpgradeImage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace corvane;

namespace {

class Sink : public RecordSink {
public:
    void OnRecord(const std::uint8_t*) override { ++records; }
    void OnReadBackBlock(const std::uint8_t* block) override {
        const std::uint32_t before = checker.LastBlock();
        const std::uint16_t number = ReadBackNumber(block);
        const bool sumOk = PacketChecksum(block) == block[kPacketChecksumOffset];
        switch (checker.Take(block)) {
        case BlockVerdict::Accepted:
            if (!sumOk || (number != 0 && number != before + 1) || checker.LastBlock() != number)
                std::abort();
            file.insert(file.end(), block + kPacketDataOffset, block + kPacketDataOffset + kPacketData);
            break;
        case BlockVerdict::BadChecksum:
            if (sumOk || checker.LastBlock() != before)
                std::abort();
            break;
        case BlockVerdict::OutOfOrder:
            if (!sumOk || number == 0 || number == before + 1 || checker.LastBlock() != before)
                std::abort();
            break;
        }
    }
    ReadBackChecker checker;
    std::vector<std::uint8_t> file;
    std::size_t records = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the size of the reads; the rest is the stream.
    const std::size_t piece = 1 + (data[0] % 8) * 257;
    const std::vector<std::uint8_t> bytes(data + 1, data + size);
    RecordCutter cutter;
    cutter.SetReadBackExpected(true);
    Sink sink;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::size_t n = std::min(piece, bytes.size() - at);
        const std::vector<std::uint8_t> chunk(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                              bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
        cutter.Feed(chunk.data(), chunk.size(), sink);
    }
    if (sink.file.size() != sink.checker.Accepted() * kPacketData)
        std::abort();

    // The stream itself as the image sent, the file as what came back.
    const std::optional<std::uint64_t> differs = FirstDifferingBlock(bytes, sink.file);
    const std::size_t common = std::min(bytes.size(), sink.file.size());
    if (!differs) {
        if (sink.file.size() < bytes.size() || !std::equal(bytes.begin(), bytes.end(), sink.file.begin()))
            std::abort();
    } else {
        const std::size_t from = static_cast<std::size_t>(*differs) * kPacketData;
        if (from > common ||
            !std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(from), sink.file.begin()))
            std::abort();
        const std::size_t to = std::min(common, from + kPacketData);
        const bool blockDiffers = !std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                              bytes.begin() + static_cast<std::ptrdiff_t>(to),
                                              sink.file.begin() + static_cast<std::ptrdiff_t>(from));
        if (!blockDiffers && sink.file.size() >= bytes.size())
            std::abort();
    }
    return 0;
}
