// The block walk of the wait overlay's GIF, and the one-frame GIFs made from its frames.

#include "upgrade/GifFrames.h"

#include <cstdint>
#include <cstdlib>

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto info = WalkGif(data, size);
    if (!info)
        return 0;
    if (info->frames.empty() || info->frames.size() > kMaxGifFrames)
        std::abort();
    for (std::size_t i = 0; i < info->frames.size(); ++i) {
        const GifFrame& f = info->frames[i];
        if (f.imageOffset + f.imageLength > size || f.controlOffset + f.controlLength > size)
            std::abort();
        // A frame on its own walks again as exactly one frame of the same size.
        const auto one = SingleFrameGif(data, size, *info, i);
        const auto alone = WalkGif(one.data(), one.size());
        if (!alone || alone->frames.size() != 1 || alone->frames[0].width != f.width ||
            alone->frames[0].height != f.height || !alone->complete)
            std::abort();
        (void)FrameDelay(f.delay);
    }
    return 0;
}
