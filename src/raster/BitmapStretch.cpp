#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"

#include <algorithm>
#include <cstring>
#include <vector>

// Stretched drawing. Destination pixel j (counted from the destination rectangle's left edge)
// samples the source at its centre, u = (j + 0.5) * sourceWidth / destinationWidth. Nearest takes
// the pixel under u; bilinear interpolates between the pixels whose centres surround u, all four
// channels separately (no premultiplication), so transparent pixels pass their colour on to the
// edges of a picture, which is what lets a colour-keyed picture fade towards its background.
//
// Bilinear runs in two exact passes: a horizontal pass per needed source row into 16-bit channel
// sums (c0 * (256 - fx) + c1 * fx <= 65280), then a vertical pass that rounds once:
// (top * (256 - fy) + bottom * fy + 32768) >> 16. A whole weight of 256 returns the pixel exactly.
// This file is compiled with -O3 like the blend kernels.

namespace vorlandite::raster {

namespace {

// One axis of the mapping: which destination offsets [first, last) are drawn, and for each the
// source index pair and weight (weight of the second pixel, 0 to 255).
struct AxisSample {
    int Near;    // the pixel under the sample point (nearest filter)
    int Low;     // bilinear pair, clamped to the valid source range
    int High;
    uint16_t Weight;
};

struct AxisMap {
    int64_t First = 0;  // destination offsets, relative to the destination rectangle
    int64_t Last = 0;
    std::vector<AxisSample> Samples;  // Samples[k] belongs to offset First + k
};

// destinationStart/destinationSize: the destination rectangle along this axis; targetSize: the
// target surface's extent; sourceStart/sourceSize: the source rectangle; validLow/validHigh: the
// part of the source rectangle inside the source surface.
AxisMap MapAxis(int destinationStart, int64_t destinationSize, int targetSize, int sourceStart, int64_t sourceSize,
                int validLow, int validHigh) {
    AxisMap map;
    int64_t first = std::max<int64_t>(0, -int64_t(destinationStart));
    int64_t last = std::min<int64_t>(destinationSize, int64_t(targetSize) - destinationStart);
    if (last <= first)
        return map;
    using Wide = __int128;
    auto nearIndex = [&](int64_t j) {
        return int64_t(sourceStart + Wide(2 * j + 1) * sourceSize / (2 * destinationSize));
    };
    // The sample index grows with j, so the offsets whose sample lies in the valid source range
    // form one run; trim both ends.
    while (first < last && nearIndex(first) < validLow)
        ++first;
    while (last > first && nearIndex(last - 1) >= validHigh)
        --last;
    map.First = first;
    map.Last = last;
    map.Samples.reserve(std::size_t(last - first));
    for (int64_t j = first; j < last; ++j) {
        // 16.16 fixed point position of the sample relative to the source rectangle, minus half a
        // pixel so that the integer part names the left (upper) pixel of the bilinear pair.
        const Wide scaled = (Wide(2 * j + 1) * sourceSize * 65536) / (2 * destinationSize) - 32768;
        const int64_t position = int64_t(scaled);
        const int64_t low = sourceStart + (position >> 16);
        const auto clamp = [&](int64_t v) { return int(std::clamp<int64_t>(v, validLow, validHigh - 1)); };
        map.Samples.push_back(AxisSample{int(nearIndex(j)), clamp(low), clamp(low + 1),
                                         uint16_t((position >> 8) & 0xFF)});
    }
    return map;
}

// Horizontal pass of one source row: four 16-bit channel sums per destination pixel.
void ResampleRowHorizontally(const TColor32* sourceRow, const std::vector<AxisSample>& columns, uint16_t* out) {
    const std::size_t count = columns.size();
    for (std::size_t k = 0; k < count; ++k) {
        const AxisSample& c = columns[k];
        const uint32_t p0 = sourceRow[c.Low];
        const uint32_t p1 = sourceRow[c.High];
        const uint32_t w1 = c.Weight;
        const uint32_t w0 = 256 - w1;
        for (int ch = 0; ch < 4; ++ch)
            out[4 * k + ch] = uint16_t(((p0 >> (8 * ch)) & 0xFF) * w0 + ((p1 >> (8 * ch)) & 0xFF) * w1);
    }
}

void ResampleVertically(const uint16_t* top, const uint16_t* bottom, uint32_t weight, std::size_t count,
                        TColor32* out) {
    const uint32_t w1 = weight;
    const uint32_t w0 = 256 - w1;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out);
    for (std::size_t i = 0; i < count * 4; ++i)
        bytes[i] = uint8_t((top[i] * w0 + bottom[i] * w1 + 32768) >> 16);
}

} // namespace

void StretchBitmap(TBitmap32& target, const TRect& destination, const TBitmap32& source, const TRect& sourceRect,
                   const TDrawOptions& options) {
    if (destination.IsEmpty() || sourceRect.IsEmpty())
        return;
    if (&target == &source) {
        const TBitmap32 copy = source;
        StretchBitmap(target, destination, copy, sourceRect, options);
        return;
    }
    const TRect valid = Intersect(sourceRect, source.BoundsRect());
    if (valid.IsEmpty())
        return;
    const int64_t destinationWidth = int64_t(destination.Right) - destination.Left;
    const int64_t destinationHeight = int64_t(destination.Bottom) - destination.Top;
    const int64_t sourceWidth = int64_t(sourceRect.Right) - sourceRect.Left;
    const int64_t sourceHeight = int64_t(sourceRect.Bottom) - sourceRect.Top;

    const AxisMap columns = MapAxis(destination.Left, destinationWidth, target.Width(), sourceRect.Left, sourceWidth,
                                    valid.Left, valid.Right);
    const AxisMap rows = MapAxis(destination.Top, destinationHeight, target.Height(), sourceRect.Top, sourceHeight,
                                 valid.Top, valid.Bottom);
    if (columns.Samples.empty() || rows.Samples.empty())
        return;
    const std::size_t count = columns.Samples.size();
    const int left = int(destination.Left + columns.First);
    const int top = int(destination.Top + rows.First);
    const bool sameSize = destinationWidth == sourceWidth && destinationHeight == sourceHeight;

    std::vector<TColor32> line(count);
    if (sameSize || options.Filter == TStretchFilter::Nearest) {
        for (std::size_t r = 0; r < rows.Samples.size(); ++r) {
            const TColor32* sourceRow = source.Scanline(rows.Samples[r].Near).data();
            TColor32* out = target.Scanline(top + int(r)).data() + left;
            if (sameSize) {
                ComposeRow(sourceRow + columns.Samples.front().Near, out, count, options);
                continue;
            }
            for (std::size_t k = 0; k < count; ++k)
                line[k] = sourceRow[columns.Samples[k].Near];
            ComposeRow(line.data(), out, count, options);
        }
        return;
    }

    // Bilinear: keep the horizontal passes of the last two source rows, since neighbouring
    // destination rows usually share them. A miss overwrites the buffer the other row of the
    // current pair does not occupy.
    std::vector<uint16_t> passA(count * 4), passB(count * 4);
    int rowA = -1, rowB = -1;
    auto horizontal = [&](int sourceY, int keep) -> const uint16_t* {
        if (sourceY == rowA)
            return passA.data();
        if (sourceY == rowB)
            return passB.data();
        const bool useA = rowA != keep;
        std::vector<uint16_t>& pass = useA ? passA : passB;
        ResampleRowHorizontally(source.Scanline(sourceY).data(), columns.Samples, pass.data());
        (useA ? rowA : rowB) = sourceY;
        return pass.data();
    };
    for (std::size_t r = 0; r < rows.Samples.size(); ++r) {
        const AxisSample& s = rows.Samples[r];
        const uint16_t* upper = horizontal(s.Low, s.High);
        const uint16_t* lower = horizontal(s.High, s.Low);
        ResampleVertically(upper, lower, s.Weight, count, line.data());
        ComposeRow(line.data(), target.Scanline(top + int(r)).data() + left, count, options);
    }
}

} // namespace vorlandite::raster
