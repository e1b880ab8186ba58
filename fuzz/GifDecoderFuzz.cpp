// Arbitrary bytes through the GIF decoder and the frame composer: every frame composed in
// order, then a jump back, and the opaque key-coloured reading of each.

#include "DecoderFuzzHarness.h"
#include "raster/decoders/GifDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlandite::raster;
    auto image = DecodeGif(std::span<const uint8_t>(data, size));
    if (!image.ok() || int64_t(image->width) * image->height > vorlandite::fuzz::kMaxFuzzPixels)
        return 0;
    GifAnimator animator(std::make_shared<const GifImage>(std::move(image).value()));
    const int frames = animator.FrameCount() < 16 ? animator.FrameCount() : 16;
    for (int i = 0; i < frames; ++i)
        if (animator.ComposeFrame(i).ok())
            (void)animator.OpaqueFrame();
    (void)animator.ComposeFrame(frames / 2);
    return 0;
}
