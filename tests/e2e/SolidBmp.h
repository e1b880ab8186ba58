#pragma once
// A picture of one colour as a 24-bit bottom-up Windows bitmap: the item the end-to-end tests
// and the engine benchmarks show, so the colour on screen tells what is there.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlandite::e2e {

// A 24-bit bottom-up Windows bitmap of one colour.
inline std::vector<uint8_t> SolidBmp(int width, int height, uint32_t rgb) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const uint32_t pixelBytes = uint32_t(rowBytes * height);
    std::vector<uint8_t> bytes(54 + pixelBytes, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = uint8_t(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, uint32_t(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, pixelBytes);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &bytes[54 + size_t(y) * rowBytes + size_t(x) * 3];
            p[0] = uint8_t(rgb);
            p[1] = uint8_t(rgb >> 8);
            p[2] = uint8_t(rgb >> 16);
        }
    return bytes;
}

} // namespace vorlandite::e2e
