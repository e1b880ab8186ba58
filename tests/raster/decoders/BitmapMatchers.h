#pragma once
// Pixel comparisons for decoder tests: exact for lossless formats, a channel tolerance for JPEG.

#include "raster/TBitmap32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vorlandite::testing {

inline std::string Hex(raster::TColor32 c) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", c);
    return text;
}

// The largest difference of any channel (alpha included) between two same-sized surfaces.
inline int MaxChannelDifference(const raster::TBitmap32& a, const raster::TBitmap32& b) {
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int shift = 0; shift < 32; shift += 8) {
                const int d = std::abs(int((a.Pixel(x, y) >> shift) & 0xFF) - int((b.Pixel(x, y) >> shift) & 0xFF));
                worst = std::max(worst, d);
            }
    return worst;
}

inline ::testing::AssertionResult SameSize(const raster::TBitmap32& actual, const raster::TBitmap32& expected) {
    if (actual.Width() == expected.Width() && actual.Height() == expected.Height())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height() << ", expected "
                                         << expected.Width() << "x" << expected.Height();
}

inline ::testing::AssertionResult SamePixels(const raster::TBitmap32& actual, const raster::TBitmap32& expected) {
    if (auto size = SameSize(actual, expected); !size)
        return size;
    for (int y = 0; y < actual.Height(); ++y)
        for (int x = 0; x < actual.Width(); ++x)
            if (actual.Pixel(x, y) != expected.Pixel(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                     << Hex(actual.Pixel(x, y)) << ", expected "
                                                     << Hex(expected.Pixel(x, y));
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult ClosePixels(const raster::TBitmap32& actual, const raster::TBitmap32& expected,
                                              int tolerance) {
    if (auto size = SameSize(actual, expected); !size)
        return size;
    const int worst = MaxChannelDifference(actual, expected);
    if (worst <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "a channel differs by " << worst << " (tolerance " << tolerance << ")";
}

} // namespace vorlandite::testing
