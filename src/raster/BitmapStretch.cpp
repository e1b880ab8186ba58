#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

using Wide = __int128;

// floor(n / denominator) for n = start, start + step, start + 2 * step, ..., with start >= 0,
// step >= 0 and denominator > 0, stepped without dividing: the sample positions of a stretch are
// such a sequence, and a 128-bit division per destination pixel costs more than the pixel.
class SteppedQuotient {
public:
    SteppedQuotient(Wide start, int64_t step, int64_t denominator)
        : quotient_(int64_t(start / denominator)),
          remainder_(int64_t(start % denominator)),
          stepQuotient_(step / denominator),
          stepRemainder_(step % denominator),
          denominator_(denominator) {}

    int64_t Value() const { return quotient_; }
    void Next() {
        quotient_ += stepQuotient_;
        remainder_ += stepRemainder_;
        if (remainder_ >= denominator_) {
            remainder_ -= denominator_;
            ++quotient_;
        }
    }

private:
    int64_t quotient_;
    int64_t remainder_;
    int64_t stepQuotient_;
    int64_t stepRemainder_;
    int64_t denominator_;
};

// One axis of the nearest mapping: which destination offsets [First, Last) are drawn, relative to
// the destination rectangle, and for each the source pixel under its sample point (Near[k]
// belongs to offset First + k).
struct AxisMap {
    int64_t first = 0;
    int64_t last = 0;
    std::vector<int32_t> near;
};

// The source pixel under the sample point of destination offset j: (j + 0.5) * sourceSize /
// destinationSize into the source rectangle.
int64_t NearIndex(int64_t j, int sourceStart, int64_t sourceSize, int64_t destinationSize) {
    return int64_t(sourceStart + Wide(2 * j + 1) * sourceSize / (2 * destinationSize));
}

// The destination offsets [first, last) drawn along one axis: inside the target, and with their
// sample in the valid source range. The sample index grows with the offset, so they form one run.
// destinationStart/destinationSize: the destination rectangle along this axis; targetSize: the
// target surface's extent; sourceStart/sourceSize: the source rectangle; validLow/validHigh: the
// part of the source rectangle inside the source surface. Both sizes are positive.
std::pair<int64_t, int64_t> DrawnRun(int destinationStart, int64_t destinationSize, int targetSize, int sourceStart,
                                     int64_t sourceSize, int validLow, int validHigh) {
    int64_t first = std::max<int64_t>(0, -int64_t(destinationStart));
    int64_t last = std::min<int64_t>(destinationSize, int64_t(targetSize) - destinationStart);
    while (first < last && NearIndex(first, sourceStart, sourceSize, destinationSize) < validLow)
        ++first;
    while (last > first && NearIndex(last - 1, sourceStart, sourceSize, destinationSize) >= validHigh)
        --last;
    return {first, std::max(first, last)};
}

// The arguments as for DrawnRun.
AxisMap MapAxis(int destinationStart, int64_t destinationSize, int targetSize, int sourceStart, int64_t sourceSize,
                int validLow, int validHigh) {
    AxisMap map;
    const auto [first, last] =
        DrawnRun(destinationStart, destinationSize, targetSize, sourceStart, sourceSize, validLow, validHigh);
    if (last <= first)
        return map;
    map.first = first;
    map.last = last;
    const std::size_t count = std::size_t(last - first);
    // Sample point of offset j: (j + 0.5) * sourceSize / destinationSize.
    map.near.resize(count);
    SteppedQuotient near(Wide(2 * first + 1) * sourceSize, 2 * sourceSize, 2 * destinationSize);
    for (std::size_t k = 0; k < count; ++k, near.Next())
        map.near[k] = int32_t(sourceStart + near.Value());
    return map;
}

// One axis of the bilinear mapping: the destination offsets [First, Last) as above, and for each
// the pixel under its sample point, and the pair of source indices (clamped to the valid source
// range) with the weight of the second (0 to 255).
struct AxisSample {
    int near;
    int low;
    int high;
    uint16_t weight;
};

struct PairMap {
    int64_t first = 0;
    int64_t last = 0;
    std::vector<AxisSample> samples;  // Samples[k] belongs to offset First + k
};

PairMap MapAxisPairs(int destinationStart, int64_t destinationSize, int targetSize, int sourceStart,
                     int64_t sourceSize, int validLow, int validHigh) {
    PairMap map;
    const auto [first, last] =
        DrawnRun(destinationStart, destinationSize, targetSize, sourceStart, sourceSize, validLow, validHigh);
    if (last <= first)
        return map;
    map.first = first;
    map.last = last;
    map.samples.reserve(std::size_t(last - first));
    for (int64_t j = first; j < last; ++j) {
        // 16.16 fixed point position of the sample relative to the source rectangle, minus half a
        // pixel so that the integer part names the left (upper) pixel of the bilinear pair.
        const Wide scaled = (Wide(2 * j + 1) * sourceSize * 65536) / (2 * destinationSize) - 32768;
        const int64_t position = int64_t(scaled);
        const int64_t low = sourceStart + (position >> 16);
        const auto clamp = [&](int64_t v) { return int(std::clamp<int64_t>(v, validLow, validHigh - 1)); };
        map.samples.push_back(AxisSample{int(NearIndex(j, sourceStart, sourceSize, destinationSize)), clamp(low),
                                         clamp(low + 1),
                                         uint16_t((position >> 8) & 0xFF)});
    }
    return map;
}

// One-to-one copies of at least this many bytes (a full-HD frame is 8 MB) write around the
// cache: a whole frame does not stay in the cache anyway, and streaming stores spare the read of
// every target line before it is overwritten. That read costs as much as the copy itself.
constexpr std::size_t kStreamingBytes = std::size_t(4) << 20;

// dst[0 .. count) := src[0 .. count) with streaming stores where the target is 16-byte aligned.
// Call StreamingDone() after the last row.
void StreamRow(const TColor32* __restrict src, TColor32* __restrict dst, std::size_t count) {
#if defined(__SSE2__)
    std::size_t i = 0;
    for (; i < count && (reinterpret_cast<std::uintptr_t>(dst + i) & 15) != 0; ++i)
        dst[i] = src[i];
    for (; i + 4 <= count; i += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    for (; i < count; ++i)
        dst[i] = src[i];
#else
    std::memcpy(dst, src, count * sizeof(TColor32));
#endif
}

// Orders the streaming stores before anything that follows, such as handing the target to
// another thread.
void StreamingDone() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// out[k] := row[columns[k]].
void GatherRow(const TColor32* __restrict row, const int32_t* __restrict columns, std::size_t count,
               TColor32* __restrict out) {
    for (std::size_t k = 0; k < count; ++k)
        out[k] = row[columns[k]];
}

// Horizontal pass of one source row: four 16-bit channel sums per destination pixel.
void ResampleRowHorizontally(const TColor32* sourceRow, const std::vector<AxisSample>& columns, uint16_t* out) {
    const std::size_t count = columns.size();
    for (std::size_t k = 0; k < count; ++k) {
        const AxisSample& c = columns[k];
        const uint32_t p0 = sourceRow[c.low];
        const uint32_t p1 = sourceRow[c.high];
        const uint32_t w1 = c.weight;
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

// The bilinear path: keep the horizontal passes of the last two source rows, since neighbouring
// destination rows usually share them. A miss overwrites the buffer the other row of the current
// pair does not occupy.
void StretchBilinear(TBitmap32& target, const Rect& destination, const TBitmap32& source, const Rect& sourceRect,
                     const DrawOptions& options, const Rect& valid) {
    const int64_t destinationWidth = int64_t(destination.right) - destination.left;
    const int64_t destinationHeight = int64_t(destination.bottom) - destination.top;
    const int64_t sourceWidth = int64_t(sourceRect.right) - sourceRect.left;
    const int64_t sourceHeight = int64_t(sourceRect.bottom) - sourceRect.top;
    const PairMap columns = MapAxisPairs(destination.left, destinationWidth, target.Width(), sourceRect.left,
                                         sourceWidth, valid.left, valid.right);
    const PairMap rows = MapAxisPairs(destination.top, destinationHeight, target.Height(), sourceRect.top,
                                      sourceHeight, valid.top, valid.bottom);
    if (columns.samples.empty() || rows.samples.empty())
        return;
    const std::size_t count = columns.samples.size();
    const int left = int(destination.left + columns.first);
    const int top = int(destination.top + rows.first);

    std::vector<TColor32> line(count);
    std::vector<uint16_t> passA(count * 4), passB(count * 4);
    int rowA = -1, rowB = -1;
    auto horizontal = [&](int sourceY, int keep) -> const uint16_t* {
        if (sourceY == rowA)
            return passA.data();
        if (sourceY == rowB)
            return passB.data();
        const bool useA = rowA != keep;
        std::vector<uint16_t>& pass = useA ? passA : passB;
        ResampleRowHorizontally(source.Scanline(sourceY).data(), columns.samples, pass.data());
        (useA ? rowA : rowB) = sourceY;
        return pass.data();
    };
    for (std::size_t r = 0; r < rows.samples.size(); ++r) {
        const AxisSample& s = rows.samples[r];
        const uint16_t* upper = horizontal(s.low, s.high);
        const uint16_t* lower = horizontal(s.high, s.low);
        ResampleVertically(upper, lower, s.weight, count, line.data());
        ComposeRow(line.data(), target.Scanline(top + int(r)).data() + left, count, options);
    }
}

} // namespace

void StretchBitmap(TBitmap32& target, const Rect& destination, const TBitmap32& source, const Rect& sourceRect,
                   const DrawOptions& options) {
    if (destination.IsEmpty() || sourceRect.IsEmpty())
        return;
    if (&target == &source) {
        const TBitmap32 copy = source;
        StretchBitmap(target, destination, copy, sourceRect, options);
        return;
    }
    const Rect valid = Intersect(sourceRect, source.BoundsRect());
    if (valid.IsEmpty())
        return;
    const int64_t destinationWidth = int64_t(destination.right) - destination.left;
    const int64_t destinationHeight = int64_t(destination.bottom) - destination.top;
    const int64_t sourceWidth = int64_t(sourceRect.right) - sourceRect.left;
    const int64_t sourceHeight = int64_t(sourceRect.bottom) - sourceRect.top;

    const bool sameSize = destinationWidth == sourceWidth && destinationHeight == sourceHeight;
    if (!sameSize && options.filter == StretchFilter::Linear) {
        StretchBilinear(target, destination, source, sourceRect, options, valid);
        return;
    }
    const AxisMap columns = MapAxis(destination.left, destinationWidth, target.Width(), sourceRect.left, sourceWidth,
                                    valid.left, valid.right);
    const AxisMap rows = MapAxis(destination.top, destinationHeight, target.Height(), sourceRect.top, sourceHeight,
                                 valid.top, valid.bottom);
    if (columns.near.empty() || rows.near.empty())
        return;
    const std::size_t count = columns.near.size();
    const int left = int(destination.left + columns.first);
    const int top = int(destination.top + rows.first);

    std::vector<TColor32> line;
    // Equal widths map columns one to one: whole runs of the source row are composed as they
    // are. Otherwise a row is gathered through the column table, once per source row: when
    // consecutive destination rows sample the same source row (enlarging), a plain copy
    // repeats the finished row and any other mode reuses the gathered one.
    const bool columnsOneToOne = destinationWidth == sourceWidth;
    const bool plainCopy = options.mode == DrawMode::Opaque && !options.sourceOpaque;
    if (!columnsOneToOne && !plainCopy)
        line.resize(count);
    const bool streaming =
        columnsOneToOne && plainCopy && count * rows.near.size() * sizeof(TColor32) >= kStreamingBytes;
    int gatheredRow = -1;
    const TColor32* previousOut = nullptr;
    for (std::size_t r = 0; r < rows.near.size(); ++r) {
        const int sourceY = rows.near[r];
        const TColor32* sourceRow = source.Scanline(sourceY).data();
        TColor32* out = target.Scanline(top + int(r)).data() + left;
        if (streaming) {
            StreamRow(sourceRow + columns.near.front(), out, count);
        } else if (columnsOneToOne) {
            ComposeRow(sourceRow + columns.near.front(), out, count, options);
        } else if (plainCopy) {
            if (sourceY == gatheredRow)
                std::memcpy(out, previousOut, count * sizeof(TColor32));
            else
                GatherRow(sourceRow, columns.near.data(), count, out);
            gatheredRow = sourceY;
            previousOut = out;
        } else {
            if (sourceY != gatheredRow)
                GatherRow(sourceRow, columns.near.data(), count, line.data());
            gatheredRow = sourceY;
            ComposeRow(line.data(), out, count, options);
        }
    }
    if (streaming)
        StreamingDone();
}

} // namespace vorlandite::raster
