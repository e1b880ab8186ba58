#pragma once
// Pictures the benchmarks generate for themselves.

#include "raster/TBitmap32.h"
#include "raster/decoders/PictureWriters.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vorlandite::bench {

// A 6000 x 4000 JPEG at quality 90: ramps with a fine, pseudo-random texture, since a gradient
// alone would compress (and decode) far more easily than a photograph does. Made once.
inline const std::vector<uint8_t>& LargePhotoJpeg() {
    static const std::vector<uint8_t> bytes = [] {
        constexpr int kWidth = 6000, kHeight = 4000;
        raster::TBitmap32 picture = raster::TBitmap32::Create(kWidth, kHeight).value();
        uint32_t state = 12345;
        for (int y = 0; y < kHeight; ++y) {
            auto row = picture.Scanline(y);
            for (int x = 0; x < kWidth; ++x) {
                state = state * 1664525u + 1013904223u;
                const int noise = int(state >> 27) - 16;
                auto channel = [noise](int v) { return uint32_t(std::clamp(v + noise, 0, 255)); };
                const int r = x * 255 / kWidth, g = y * 255 / kHeight, b = ((x / 40 + y / 40) % 2) * 120 + 60;
                row[std::size_t(x)] = 0xFF000000u | channel(r) << 16 | channel(g) << 8 | channel(b);
            }
        }
        return vorlandite::testing::WriteJpeg(picture, {90});
    }();
    return bytes;
}

} // namespace vorlandite::bench
