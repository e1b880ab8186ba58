// Triangle wipes (effects 77 to 95) and random pieces (effects 96 to 100). Both compose every
// frame in WORK, which starts as the old picture and keeps whatever earlier frames painted: a
// frame copies the new picture through a union of shapes and presents WORK whole.
//
// The triangle wipes grow triangles from the corners, the centre or the edges over N + 1 frames,
// except "Triangles", which fills its grid in half the steps and then jumps to one last frame
// that covers everything. The random pieces cut the picture into bands, cells or ellipses around
// grid points, shuffle them once and paint a fixed number per frame, for at most N x N x N
// frames; the engine's closing copy completes whatever is left after that.

#include "transitions/PatternWipes.h"

#include "raster/RasterMath.h"
#include "raster/ScanConvert.h"
#include "raster/TBitmap32.h"
#include "transitions/Families.h"
#include "base/RandomSource.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <utility>

namespace vorlandite::transitions {

using raster::RoundHalfEven;
using raster::TBitmap32;
using raster::TColor32;
using raster::Point;
using raster::Rect;
using raster::RectShape;
using raster::Span;

namespace {

constexpr int kTriangleWipeCount = 19;
constexpr int kTrianglesSubIndex = 11;  // effect 87, "Triangles"

// The region of one frame: the union of its shapes, gathered row by row over the picture. Painting
// through it copies each pixel inside the union once, however much the shapes overlap (the last
// frame of "Triangles" stacks fifty large triangles), and touches nothing outside it. The row
// lists keep their storage from frame to frame.
class ShapeUnion {
public:
    ShapeUnion(int width, int height) : width_(width), height_(height), rows_(std::size_t(height)) {}

    template <class Shape>
    void Add(const Shape& shape) {
        const int top = std::max(shape.Top(), 0);
        const int bottom = std::min(shape.Bottom(), height_);
        if (top >= bottom)
            return;
        rowBuffer_.resize(std::size_t(bottom - top));
        shape.RowSpans(top, bottom, rowBuffer_.data());
        for (int y = top; y < bottom; ++y) {
            const Span& span = rowBuffer_[std::size_t(y - top)];
            const Span clipped{std::max(span.left, 0), std::min(span.right, width_)};
            if (!clipped.IsEmpty())
                rows_[std::size_t(y)].push_back(clipped);
        }
        firstRow_ = std::min(firstRow_, top);
        endRow_ = std::max(endRow_, bottom);
    }

    // Copies the source's pixels inside the union onto the same pixels of the target, then
    // empties the union for the next frame.
    void PaintAndClear(TBitmap32& target, const TBitmap32& source) {
        for (int y = firstRow_; y < endRow_; ++y) {
            std::vector<Span>& spans = rows_[std::size_t(y)];
            if (spans.empty())
                continue;
            std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
            const TColor32* from = source.Scanline(y).data();
            TColor32* to = target.Scanline(y).data();
            const auto copy = [&](int left, int right) {
                std::memcpy(to + left, from + left, std::size_t(right - left) * sizeof(TColor32));
            };
            int left = spans.front().left, right = spans.front().right;
            for (std::size_t k = 1; k < spans.size(); ++k) {
                if (spans[k].left <= right) {
                    right = std::max(right, spans[k].right);
                    continue;
                }
                copy(left, right);
                left = spans[k].left;
                right = spans[k].right;
            }
            copy(left, right);
            spans.clear();
        }
        firstRow_ = INT_MAX;
        endRow_ = INT_MIN;
    }

private:
    int width_;
    int height_;
    std::vector<std::vector<Span>> rows_;
    std::vector<Span> rowBuffer_;
    int firstRow_ = INT_MAX;
    int endRow_ = INT_MIN;
};

void PresentWorkWhole(TTransThread& thread) {
    const Rect whole{0, 0, thread.Width(), thread.Height()};
    thread.SetRects(whole, whole);
    thread.CopyFromWork();
}

// The random pieces: what a piece is, the grid size d and how many pieces a frame paints.
enum class PieceKind { Rows, Columns, Cells, Ellipses };

struct PiecePlan {
    PieceKind kind = PieceKind::Rows;
    int d = 1;
    int perFrame = 1;
};

bool PlanPieces(int subIndex, int width, int height, int steps, PiecePlan& plan) {
    // The grids of 98 and 99 follow the picture's height; below 4 (or 8) rows it would have no
    // cells at all and every piece would divide by zero, so one cell is the least.
    const auto grid = [&](PieceKind kind, int d) {
        d = std::max(1, d);
        plan = PiecePlan{kind, d, std::max(1, (d / 4) * 4)};
    };
    switch (subIndex) {
    case 1: plan = PiecePlan{PieceKind::Rows, std::min(steps, height), 1}; return true;
    case 2: plan = PiecePlan{PieceKind::Columns, std::min(steps, width), 1}; return true;
    case 3: grid(PieceKind::Cells, std::min(steps, height / 4)); return true;
    case 4: grid(PieceKind::Ellipses, std::min(steps, height / 8)); return true;
    case 5: plan = PiecePlan{PieceKind::Ellipses, 10, 1}; return true;
    default: return false;
    }
}

// Bands are numbered 0 to d - 1 (in X); grid pieces are the points (x, y), 0 <= x, y <= d, the
// pair (x, y) at position x + (d + 1) y.
void BuildPieceList(const PiecePlan& plan, std::vector<Point>& pieces) {
    if (plan.kind == PieceKind::Rows || plan.kind == PieceKind::Columns) {
        pieces.resize(std::size_t(plan.d));
        for (int e = 0; e < plan.d; ++e)
            pieces[std::size_t(e)] = Point{e, 0};
        return;
    }
    const std::size_t side = std::size_t(plan.d) + 1;
    pieces.resize(side * side);
    for (int x = 0; x <= plan.d; ++x)
        for (int y = 0; y <= plan.d; ++y)
            pieces[std::size_t(x) + side * std::size_t(y)] = Point{x, y};
}

void AddPiece(const PiecePlan& plan, Point piece, int width, int height, ShapeUnion& region) {
    const int64_t d = plan.d, x = piece.x, y = piece.y;
    // k x extent div d, the products in 64 bits; truncated toward zero, also for x - 1 = -1.
    const auto at = [d](int64_t k, int extent) { return int(k * extent / d); };
    switch (plan.kind) {
    case PieceKind::Rows: region.Add(RectShape{{0, at(x, height), width, at(x + 1, height)}}); break;
    case PieceKind::Columns: region.Add(RectShape{{at(x, width), 0, at(x + 1, width), height}}); break;
    case PieceKind::Cells:
        region.Add(RectShape{{at(x, width), at(y, height), at(x + 1, width), at(y + 1, height)}});
        break;
    case PieceKind::Ellipses:
        region.Add(raster::EllipseShape({at(x - 1, width), at(y - 1, height), at(x + 1, width), at(y + 1, height)}));
        break;
    }
}

// N x N x N, or the largest count when the cube would not fit.
int64_t FrameLimit(int steps) {
    constexpr int64_t kLargestCubeRoot = 2097151;  // 2097151^3 < 2^63
    if (steps > kLargestCubeRoot)
        return INT64_MAX;
    return int64_t(steps) * steps * steps;
}

} // namespace

void TriangleWipeShapes(int subIndex, int frame, int width, int height, int steps, std::vector<Triangle>& out) {
    out.clear();
    const int W = width, H = height;
    const int64_t i = frame;
    const double n = steps;
    const auto tri = [&out](Point a, Point b, Point c) { out.push_back(Triangle{a, b, c}); };
    const auto ceilOf = [](double x) { return int(std::ceil(x)); };
    // An integer product divided by N as a real number, rounded up.
    const auto perStep = [&](int64_t product) { return ceilOf(double(product) / n); };
    const int u = perStep(i * W), v = perStep(i * H);
    const int a = perStep(2 * i * W), b = perStep(2 * i * H);
    const int cx = W / 2, cy = H / 2;
    const Point Q{cx, cy};
    // The quarter clocks sweep W + H pixels of edge: to the opposite corner, then on.
    const int64_t sweep = int64_t(W) + H;
    const int s = perStep(sweep * i), sPrevious = perStep(sweep * (i - 1));
    const double sweepReal = double(sweep * i) / n;

    switch (subIndex) {
    case 1: tri({0, 0}, {0, b}, {a, 0}); break;
    case 2: tri({W, 0}, {W, b}, {W - a, 0}); break;
    case 3: tri({W, H}, {W, H - b}, {W - a, H}); break;
    case 4: tri({0, H}, {0, H - b}, {a, H}); break;
    case 5:  // Propeller Clockwise: four blades, each sweeping one edge.
        tri({0, 0}, Q, {u, 0});
        tri({0, H}, Q, {0, H - v});
        tri({W, H}, Q, {W - u, H});
        tri({W, 0}, Q, {W, v});
        break;
    case 6:
        tri({W, 0}, Q, {W - u, 0});
        tri({0, 0}, Q, {0, v});
        tri({0, H}, Q, {u, H});
        tri({W, H}, Q, {W, H - v});
        break;
    case 7:  // Clock: one hand sweeps the four edges in turn, a quarter of the frames each.
        if (i <= n / 4)
            tri({0, 0}, Q, {perStep(4 * i * W), 0});
        else if (i <= n / 2)
            tri({W, 0}, Q, {W, ceilOf((i - n / 4) * 4 * H / n)});
        else if (i <= 3 * n / 4)
            tri({W, H}, Q, {W - ceilOf((i - n / 2) * 4 * W / n), H});
        else
            tri({0, H}, Q, {0, H - ceilOf((i - 3 * n / 4) * 4 * H / n)});
        break;
    case 8:
        if (i <= n / 4)
            tri({0, 0}, Q, {0, perStep(4 * i * H)});
        else if (i <= n / 2)
            tri({0, H}, Q, {ceilOf((i - n / 4) * 4 * W / n), H});
        else if (i <= 3 * n / 4)
            tri({W, H}, Q, {W, H - ceilOf((i - n / 2) * 4 * H / n)});
        else
            tri({W, 0}, Q, {W - ceilOf((i - 3 * n / 4) * 4 * W / n), 0});
        break;
    case 9: {  // Chaos Star: turns one radian per frame while it grows. Its corners are measured
               // from (cx, cx), with H as the horizontal reach and W as the vertical one, so the
               // star wanders off the centre rather than turning about it.
        const double angle = double(i);
        const auto reach = [&](double direction, int extent) {
            return cx + RoundHalfEven(direction * double(i) * extent / n);
        };
        const double quarterTurn = std::numbers::pi / 2;
        tri(Q, {reach(std::cos(angle), H), reach(std::sin(angle), W)},
            {reach(std::cos(angle + quarterTurn), H), reach(std::sin(angle + quarterTurn), W)});
        break;
    }
    case 10:
        tri({0, 0}, {0, H}, {u, H - v});
        tri({W, H}, {W, 0}, {W - u, v});
        break;
    case kTrianglesSubIndex: {  // Triangles: one per point of a 7 x 7 grid, each filling its cell at i = M.
        const double m = std::ceil(n * 0.5);
        const int lx = ceilOf(double(i * W) / m / 3), ly = ceilOf(double(i * H) / m / 3);
        for (int j = 0; j <= 6; ++j)
            for (int k = 0; k <= 6; ++k) {
                const int x = int(int64_t(j) * W / 6), y = int(int64_t(k) * H / 6);
                tri({x, y}, {x, y + ly}, {x + lx, y});
            }
        tri({0, 0}, {0, ly}, {lx, 0});  // the first cell's triangle once more
        break;
    }
    // Quarter clocks: a triangle pivoting on one corner sweeps to the opposite corner, one frame
    // completes that half, then the sweep goes on to the last corner.
    case 12:
        if (s <= W)
            tri({0, 0}, {0, H}, {s, 0});
        else if (sPrevious <= W)
            tri({0, 0}, {0, H}, {W, 0});
        else
            tri({W, 0}, {0, H}, {W, ceilOf(sweepReal - W)});
        break;
    case 13:
        if (s <= H)
            tri({W, H}, {0, H}, {W, H - s});
        else if (sPrevious <= H)
            tri({0, H}, {W, H}, {W, 0});
        else
            tri({W, 0}, {0, H}, {W - ceilOf(sweepReal - H), 0});
        break;
    case 14:
        if (s <= W)
            tri({W, H}, {W, 0}, {W - s, H});
        else if (sPrevious <= W)
            tri({W, H}, {W, 0}, {0, H});
        else
            tri({0, H}, {W, 0}, {0, H - ceilOf(sweepReal - W)});
        break;
    case 15:
        if (s <= H)
            tri({0, 0}, {W, 0}, {0, s});
        else if (sPrevious <= H)
            tri({W, 0}, {0, 0}, {0, H});
        else
            tri({0, H}, {W, 0}, {ceilOf(sweepReal - H), H});
        break;
    case 16:  // Diamond In
        tri({0, 0}, {0, v}, {u, 0});
        tri({W, 0}, {W, v}, {W - u, 0});
        tri({W, H}, {W, H - v}, {W - u, H});
        tri({0, H}, {0, H - v}, {u, H});
        break;
    case 17:  // Diamond Out
        tri(Q, {cx, cy - v}, {cx - u, cy});
        tri(Q, {cx, cy - v}, {cx + u, cy});
        tri(Q, {cx, cy + v}, {cx + u, cy});
        tri(Q, {cx, cy + v}, {cx - u, cy});
        break;
    case 18:
        tri({0, 0}, {0, v}, {u, 0});
        tri({W, H}, {W, H - v}, {W - u, H});
        break;
    case 19:
        tri({W, 0}, {W, v}, {W - u, 0});
        tri({0, H}, {0, H - v}, {u, H});
        break;
    default: break;
    }
}

void ShufflePieces(std::vector<Point>& pieces, IRandomSource& random) {
    const int count = int(pieces.size());
    for (int p = 0; p < count; ++p)
        std::swap(pieces[std::size_t(p)], pieces[std::size_t(random.Random(count))]);
}

void RunTriangleFamily(TTransThread& thread, int subIndex) {
    if (subIndex < 1 || subIndex > kTriangleWipeCount)
        return;
    const int W = thread.Width(), H = thread.Height(), N = thread.Steps();
    TBitmap32& work = thread.Work();
    std::ranges::copy(thread.Old().Pixels(), work.Pixels().begin());
    ShapeUnion region(W, H);
    std::vector<Triangle> triangles;
    const int M = int(std::ceil(N * 0.5));
    // 64 bits, so that the jump to N + 1 cannot overflow.
    int64_t i = 0;
    while (!thread.Aborted() && i <= N) {
        thread.BeginFrame();
        if (subIndex == kTrianglesSubIndex && i > M)
            i = int64_t(N) + 1;  // the grid is full: this frame covers everything and is the last
        TriangleWipeShapes(subIndex, int(std::min<int64_t>(i, INT_MAX)), W, H, N, triangles);
        for (const Triangle& t : triangles) {
            const Point corners[] = {t.A, t.B, t.c};
            region.Add(raster::ConvexPolygon(corners));
        }
        region.PaintAndClear(work, thread.New());
        ++i;
        PresentWorkWhole(thread);
        if (i <= N)
            thread.WaitFramePeriod();
    }
}

void RunRandomPiecesFamily(TTransThread& thread, int subIndex) {
    const int W = thread.Width(), H = thread.Height(), N = thread.Steps();
    PiecePlan plan;
    if (!PlanPieces(subIndex, W, H, N, plan))
        return;
    TBitmap32& work = thread.Work();
    std::ranges::copy(thread.Old().Pixels(), work.Pixels().begin());
    ShapeUnion region(W, H);
    std::vector<Point> pieces;  // consumed from the end
    const int64_t frameLimit = FrameLimit(N);
    bool done = false;
    int64_t i = 0;
    while (!thread.Aborted() && !done && i < frameLimit) {
        thread.BeginFrame();
        if (i == 0) {
            BuildPieceList(plan, pieces);
            ShufflePieces(pieces, thread.RandomSource());
        }
        for (int k = 0; k < plan.perFrame && !pieces.empty(); ++k) {
            AddPiece(plan, pieces.back(), W, H, region);
            pieces.pop_back();
        }
        region.PaintAndClear(work, thread.New());
        done = pieces.empty();
        ++i;
        PresentWorkWhole(thread);
        if (!done && i < frameLimit)
            thread.WaitFramePeriod();
    }
}

} // namespace vorlandite::transitions
