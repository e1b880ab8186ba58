#include "raster/GradientFill.h"

#include "raster/BitmapBlend.h"
#include "raster/RasterMath.h"
#include "raster/ScanConvert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

// Every style is defined as shapes painted one over the other. Painting them literally would
// cost up to 128 full frames (style 8), so the shapes are painted by rows of spans instead, with
// the same result: where consecutive shapes overlap, shape i paints only the part of its span
// that shape i + 1 will not cover. The last shape covering a pixel thus still decides its colour,
// which is all the painter's order means, and each pixel is written about once. The spans of all
// shapes are computed first and the frame is then painted row by row, every shape in order
// within a row, so that each row is finished while it is in the cache.

namespace vorlandite::raster {

namespace {

constexpr TColor32 kWhite = 0xFFFFFFFFu;

TColor32 Opaque(int red, int green, int blue) {
    const auto channel = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
    return 0xFF000000u | channel(red) << 16 | channel(green) << 8 | channel(blue);
}

// The painting area: rows and columns of (0, 0)-(W, H) that lie on the canvas.
class BandPainter {
public:
    BandPainter(TBitmap32& canvas, int width, int height)
        : canvas_(canvas), width_(std::min(width, canvas.Width())), height_(std::min(height, canvas.Height())) {}

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Fill(TColor32 colour) {
        for (int y = 0; y < height_; ++y)
            FillRow(canvas_.Scanline(y).data(), std::size_t(width_), colour);
    }

    // How a sequence of shapes is painted. Nested shapes paint only what the next shape will not
    // cover (see above); the two ways of doing so differ only in speed: by shape suits bands
    // whose width stays the same down a shape's rows (rectangles, ellipses), by row suits bands
    // whose width changes from row to row (the diagonal polygons), where short loops of varying
    // length would mispredict at every band.
    enum class Order { WholeShapes, NestedByShape, NestedByRow };

    // Shapes provide Top(), Bottom() and RowSpans(top, bottom, out); shape i gets colours[i].
    template <class Shape>
    void PaintShapes(const std::vector<Shape>& shapes, const std::vector<TColor32>& colours, Order order) {
        const std::size_t count = shapes.size();
        std::vector<int> tops(count), bottoms(count);
        std::vector<std::ptrdiff_t> bases(count);  // span of shape i in row y: spans[bases[i] + y]
        std::size_t total = 0;
        for (std::size_t i = 0; i < count; ++i) {
            tops[i] = std::clamp(shapes[i].Top(), 0, height_);
            bottoms[i] = std::clamp(shapes[i].Bottom(), tops[i], height_);
            bases[i] = std::ptrdiff_t(total) - tops[i];
            total += std::size_t(bottoms[i] - tops[i]);
        }
        std::vector<Span> spans(total);
        for (std::size_t i = 0; i < count; ++i)
            shapes[i].RowSpans(tops[i], bottoms[i], spans.data() + (bases[i] + tops[i]));
        if (order == Order::NestedByRow)
            PaintNestedRows(spans, tops, bottoms, bases, colours);
        else
            PaintByShape(spans, tops, bottoms, bases, colours, order == Order::NestedByShape);
    }

    // One colour per row (styles 1 and 5).
    void RowColours(const std::vector<TColor32>& colours) {
        for (int y = 0; y < height_; ++y)
            FillRow(canvas_.Scanline(y).data(), std::size_t(width_), colours[std::size_t(y)]);
    }

    void RowPattern(const std::vector<TColor32>& pattern) {
        for (int y = 0; y < height_; ++y)
            std::copy(pattern.begin(), pattern.begin() + width_, canvas_.Scanline(y).begin());
    }

private:
    struct Run {
        int left;
        int right;
        TColor32 colour;
    };

    // Row by row, so each row is finished while it is in the cache. The pieces of a row (shape
    // i's span minus shape i + 1's) are listed left to right: left pieces by rising i, then
    // right pieces by falling i. When the shapes nest, as they are meant to, these pieces are
    // contiguous and disjoint, so the order of writing them does not matter and each can be
    // written as a short fixed block whose overhang the next piece overwrites. A row where they
    // do not line up (rounding at the very tips) is painted piece by piece in painter's order.
    void PaintNestedRows(const std::vector<Span>& spans, const std::vector<int>& tops,
                         const std::vector<int>& bottoms, const std::vector<std::ptrdiff_t>& bases,
                         const std::vector<TColor32>& colours) {
        const std::size_t count = colours.size();
        std::vector<Span> rowSpans(count + 1);
        std::vector<Run> runs(2 * count);
        for (int y = 0; y < height_; ++y) {
            for (std::size_t i = 0; i < count; ++i)
                rowSpans[i] = (y >= tops[i] && y < bottoms[i]) ? spans[std::size_t(bases[i] + y)] : Span{};
            rowSpans[count] = Span{};
            TColor32* row = canvas_.Scanline(y).data();
            if (!PaintRowAsRuns(row, rowSpans, colours, runs))
                PaintRowInOrder(row, rowSpans, colours);
        }
    }

    bool PaintRowAsRuns(TColor32* row, const std::vector<Span>& rowSpans, const std::vector<TColor32>& colours,
                        std::vector<Run>& runs) const {
        const std::size_t count = colours.size();
        std::size_t n = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const Span span = rowSpans[i];
            if (span.IsEmpty())
                continue;
            const Span next = rowSpans[i + 1];
            const int right = next.IsEmpty() ? span.right : std::min(span.right, next.left);
            if (span.left < right)
                runs[n++] = Run{span.left, right, colours[i]};
        }
        for (std::size_t i = count; i-- > 0;) {
            const Span span = rowSpans[i];
            const Span next = rowSpans[i + 1];
            if (span.IsEmpty() || next.IsEmpty())
                continue;
            const int left = std::max(span.left, next.right);
            if (left < span.right)
                runs[n++] = Run{left, span.right, colours[i]};
        }
        for (std::size_t k = 1; k < n; ++k)
            if (runs[k].left != runs[k - 1].right)
                return false;
        if (n == 0)
            return true;
        const int end = std::min(runs[n - 1].right, width_);
        for (std::size_t k = 0; k < n; ++k) {
            const int left = std::max(runs[k].left, 0);
            const int right = std::min(runs[k].right, width_);
            if (left >= right)
                continue;
            if (right - left <= 8 && left + 8 <= end) {
                // The pixels past this run belong to the runs after it, which are written later.
                for (int x = 0; x < 8; ++x)
                    row[left + x] = runs[k].colour;
            } else {
                FillClipped(row, left, right, runs[k].colour);
            }
        }
        return true;
    }

    void PaintRowInOrder(TColor32* row, const std::vector<Span>& rowSpans,
                         const std::vector<TColor32>& colours) const {
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const Span span = rowSpans[i];
            if (span.IsEmpty())
                continue;
            const Span next = rowSpans[i + 1];
            if (next.IsEmpty()) {
                FillClipped(row, span.left, span.right, colours[i]);
            } else {
                FillClipped(row, span.left, std::min(span.right, next.left), colours[i]);
                FillClipped(row, std::max(span.left, next.right), span.right, colours[i]);
            }
        }
    }

    // Shape by shape within strips of rows small enough to stay in the cache.
    void PaintByShape(const std::vector<Span>& spans, const std::vector<int>& tops, const std::vector<int>& bottoms,
                      const std::vector<std::ptrdiff_t>& bases, const std::vector<TColor32>& colours, bool nested) {
        constexpr int kStripRows = 32;
        const std::size_t count = colours.size();
        for (int stripTop = 0; stripTop < height_; stripTop += kStripRows) {
            const int stripBottom = std::min(height_, stripTop + kStripRows);
            for (std::size_t i = 0; i < count; ++i) {
                // Copied to locals: the pixel stores could alias int data and force reloads.
                const int from = std::max(tops[i], stripTop);
                const int to = std::min(bottoms[i], stripBottom);
                const TColor32 colour = colours[i];
                const std::ptrdiff_t base = bases[i];
                const bool hasCover = nested && i + 1 < count;
                const int coverTop = hasCover ? tops[i + 1] : 0;
                const int coverBottom = hasCover ? bottoms[i + 1] : 0;
                const std::ptrdiff_t coverBase = hasCover ? bases[i + 1] : 0;
                for (int y = from; y < to; ++y) {
                    const Span span = spans[std::size_t(base + y)];
                    if (span.IsEmpty())
                        continue;
                    TColor32* row = canvas_.Scanline(y).data();
                    const Span next =
                        (y >= coverTop && y < coverBottom) ? spans[std::size_t(coverBase + y)] : Span{};
                    if (next.IsEmpty()) {
                        FillClipped(row, span.left, span.right, colour);
                    } else {
                        FillClipped(row, span.left, std::min(span.right, next.left), colour);
                        FillClipped(row, std::max(span.left, next.right), span.right, colour);
                    }
                }
            }
        }
    }

    void FillClipped(TColor32* row, int left, int right, TColor32 colour) const {
        left = std::max(left, 0);
        right = std::min(right, width_);
        if (right - left >= 32) {
            FillRow(row + left, std::size_t(right - left), colour);
            return;
        }
        for (int x = left; x < right; ++x)
            row[x] = colour;
    }

    TBitmap32& canvas_;
    int width_;
    int height_;
};

// One colour per position along an axis, painted band by band in order; inverted bands are
// sorted first, as the platform's rectangle fill does.
struct Band {
    int from;
    int to;
};

void PaintBand(std::vector<TColor32>& line, Band band, TColor32 colour) {
    const int from = std::max(std::min(band.from, band.to), 0);
    const int to = std::min(std::max(band.from, band.to), int(line.size()));
    for (int p = from; p < to; ++p)
        line[std::size_t(p)] = colour;
}

// Styles 1 and 2: 256 bands across the axis of the given length, of which the first visible
// positions are kept.
std::vector<TColor32> LinearBands(int length, int visible, uint32_t start, uint32_t end) {
    std::vector<TColor32> line(std::size_t(std::clamp(visible, 0, std::max(length, 0))), kWhite);
    for (int i = 0; i <= 255; ++i)
        PaintBand(line, {MulDiv(i, length, 256), MulDiv(i + 1, length, 256)}, GradientBandColour(i, 255, start, end));
    return line;
}

// Styles 5 and 6: one-pixel bands from both edges meeting in the middle. The mirrored band
// (length - MulDiv(i, m, m), length - MulDiv(i + 1, m, m)) is inverted; sorted it is the
// position length - i - 1, the one adjoining the edge. Only bands that reach the first visible
// positions are painted, still in order of i.
std::vector<TColor32> MirroredBands(int length, int visible, uint32_t start, uint32_t end) {
    std::vector<TColor32> line(std::size_t(std::clamp(visible, 0, std::max(length, 0))), kWhite);
    const int shown = int(line.size());
    const int m = length / 2;
    auto band = [&](int i) {
        const TColor32 colour = GradientBandColour(i, m, start, end);
        const int a = MulDiv(i, m, m);
        const int b = MulDiv(i + 1, m, m);
        PaintBand(line, {a, b}, colour);
        PaintBand(line, {length - a, length - b}, colour);
    };
    const int nearEnd = std::min(m, shown);                // bands i <= shown start inside
    const int farStart = std::max(nearEnd + 1, length - shown - 1);  // mirrored ones reaching in
    for (int i = 0; i <= nearEnd; ++i)
        band(i);
    for (int i = farStart; i <= m; ++i)
        band(i);
    return line;
}

void PaintElliptic(BandPainter& painter, int w, int h, uint32_t start, uint32_t end) {
    std::vector<EllipseShape> shapes;
    std::vector<TColor32> colours;
    for (int i = 0; i <= 155; ++i) {
        shapes.emplace_back(GradientEllipseBox(i, w, h));
        colours.push_back(GradientBandColour(i, 155, start, end));
    }
    painter.PaintShapes(shapes, colours, BandPainter::Order::NestedByShape);
}

void PaintRectangular(BandPainter& painter, int w, int h, uint32_t start, uint32_t end) {
    double x1 = 0, x2 = w, y1 = 0, y2 = h;
    const double dx = w / 2.0 / 255;
    const double dy = h / 2.0 / 255;
    std::vector<RectShape> shapes;
    std::vector<TColor32> colours;
    for (int i = 0; i <= 255; ++i) {
        // A rectangle whose right lies left of its left paints nothing.
        shapes.push_back(
            RectShape{Rect{int(std::trunc(x1)), int(std::trunc(y1)), int(std::trunc(x2)), int(std::trunc(y2))}});
        colours.push_back(GradientBandColour(i, 255, start, end));
        x1 += dx;
        x2 -= dx;
        y1 += dy;
        y2 -= dy;
    }
    painter.PaintShapes(shapes, colours, BandPainter::Order::NestedByShape);
}

void PaintPinwheel(BandPainter& painter, int w, int h, uint32_t start, uint32_t end) {
    const Point centre{w / 2, h / 2};
    std::vector<ConvexPolygon> shapes;
    std::vector<TColor32> colours;
    auto triangle = [&](Point a, Point b, TColor32 colour) {
        const std::array<Point, 3> points{centre, a, b};
        shapes.emplace_back(points);
        colours.push_back(colour);
    };
    for (int i = 0; i <= 255; ++i) {
        const int x0 = MulDiv(i, w, 255), x1 = MulDiv(i + 1, w, 255);
        const int y0 = MulDiv(i, h, 255), y1 = MulDiv(i + 1, h, 255);
        const TColor32 colour = GradientBandColour(i, 255, start, end);
        triangle({0, y0}, {0, y1}, colour);
        triangle({w, h - y0}, {w, h - y1}, colour);
        triangle({x0, 0}, {x1, 0}, colour);
        triangle({w - x0, h}, {w - x1, h}, colour);
    }
    // The fans do not nest: every triangle is painted whole.
    painter.PaintShapes(shapes, colours, BandPainter::Order::WholeShapes);
}

void PaintDoubleDiagonal(BandPainter& painter, int w, int h, uint32_t start, uint32_t end) {
    std::vector<ConvexPolygon> shapes;
    std::vector<TColor32> colours;
    for (int i = 0; i <= 255; ++i) {
        const int x = MulDiv(i, w / 2, 255);
        const int y = MulDiv(i, h / 2, 255);
        const std::array<Point, 4> points{Point{x, y}, Point{0, h}, Point{w - x, h - y}, Point{w, 0}};
        shapes.emplace_back(points);
        colours.push_back(GradientBandColour(i, 255, start, end));
    }
    painter.PaintShapes(shapes, colours, BandPainter::Order::NestedByRow);
}

} // namespace

TColor32 GradientBandColour(int i, int d, uint32_t startColour, uint32_t endColour) {
    const int r1 = int(startColour & 0xFF), g1 = int((startColour >> 8) & 0xFF), b1 = int((startColour >> 16) & 0xFF);
    const int dr = int(endColour & 0xFF) - r1;
    const int dg = int((endColour >> 8) & 0xFF) - g1;
    const int db = int((endColour >> 16) & 0xFF) - b1;
    return Opaque(r1 + MulDiv(i, dr, d), g1 + MulDiv(i, dg, d), b1 + MulDiv(i, db, d));
}

Rect GradientEllipseBox(int i, int width, int height) {
    const double w = width, h = height;
    double x1 = -w / 4, x2 = w + w / 4 + 4, y1 = -h / 4, y2 = h + h / 4 + 4;
    const double dx = (w / 2 + w / 4) / 155;
    const double dy = (h / 2 + h / 4) / 155;
    // Accumulated step by step, as the boxes were defined, so rounding drifts the same way.
    for (int k = 0; k <= i; ++k) {
        x1 += dx;
        x2 -= dx;
        y1 += dy;
        y2 -= dy;
    }
    return {int(std::trunc(x1)), int(std::trunc(y1)), int(std::trunc(x2)), int(std::trunc(y2))};
}

void GradientFill(TBitmap32& canvas, int style, uint32_t startColour, uint32_t endColour, const Rect& rect) {
    const int w = rect.right;
    const int h = rect.bottom;
    BandPainter painter(canvas, w, h);
    if (painter.Width() <= 0 || painter.Height() <= 0)
        return;
    switch (GradientStyle(style)) {
    case GradientStyle::Vertical:
        painter.RowColours(LinearBands(h, painter.Height(), startColour, endColour));
        break;
    case GradientStyle::Horizontal:
        painter.RowPattern(LinearBands(w, painter.Width(), startColour, endColour));
        break;
    case GradientStyle::Elliptic:
        // The first ellipse reaches past the corners, but its rounding is not exact; start white.
        painter.Fill(kWhite);
        PaintElliptic(painter, w, h, startColour, endColour);
        break;
    case GradientStyle::Rectangular:
        // The first rectangle is the whole area.
        PaintRectangular(painter, w, h, startColour, endColour);
        break;
    case GradientStyle::MirroredVertical:
        painter.RowColours(MirroredBands(h, painter.Height(), startColour, endColour));
        break;
    case GradientStyle::MirroredHorizontal:
        painter.RowPattern(MirroredBands(w, painter.Width(), startColour, endColour));
        break;
    case GradientStyle::Pinwheel:
        // The four fans tile the area exactly (shared edges split by the centre rule).
        PaintPinwheel(painter, w, h, startColour, endColour);
        break;
    case GradientStyle::DoubleDiagonal:
        // The first polygon is the whole area.
        PaintDoubleDiagonal(painter, w, h, startColour, endColour);
        break;
    default:
        painter.Fill(kWhite);
        break;
    }
}

} // namespace vorlandite::raster
