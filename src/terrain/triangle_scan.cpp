#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace grondel::terrain::detail {
namespace {

constexpr int kBlock = TriangleScanner::kBlock;
// Bounding boxes of up to this many points are scanned whole, row ends found by testing: with
// two points at a time and no branch, that beats finding each row's ends up to about here.
constexpr int kSmallBox = 256;

int floorDiv(int n, int d) { // d > 0
    const int q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// One edge p -> q as the function f(x, y) = (q - p) x ((x, y) - p), >= 0 on the triangle's
// side. On row y it is rowValue(y) - dy * x. Every term stays below 2^25 on the largest grid.
// Walking down the rows it keeps floor(f / |dy|) without dividing: f grows by dx a row.
struct Edge {
    int dx, dy, px, py;
    int d = 0;          // |dy|
    int q = 0, r = 0;   // f = q d + r with 0 <= r < d on the current row; f itself when d = 0
    int dq = 0, dr = 0; // dx = dq d + dr likewise

    Edge(GridPoint p, GridPoint q)
        : dx(q.column - p.column)
        , dy(q.row - p.row)
        , px(p.column)
        , py(p.row) {}
    int rowValue(int y) const { return dx * (y - py) + dy * px; }

    void start(int y) {
        d = std::abs(dy);
        q = rowValue(y);
        if (d == 0)
            return;
        const int f = q;
        q = floorDiv(f, d);
        r = f - q * d;
        dq = floorDiv(dx, d);
        dr = dx - dq * d;
    }
    void step() {
        if (d == 0) {
            q += dx;
            return;
        }
        q += dq;
        r += dr;
        if (r >= d) {
            r -= d;
            ++q;
        }
    }
    // Narrows [lo, hi] to the columns of the current row on the triangle's side of the edge.
    void clip(int& lo, int& hi) const {
        if (dy > 0)
            hi = std::min(hi, q);
        else if (dy < 0)
            lo = std::max(lo, -q);
        else if (q < 0)
            hi = lo - 1;
    }
};

// The plane through a triangle's corners. It is written ha + wb (hb - ha) + wc (hc - ha) with
// the barycentric weights wb = ca(x, y) / det and wc = ab(x, y) / det. The edge values are
// whole numbers, exact in a double, so a point costs two rounded products and no error grows
// along a row, even on a long sliver.
struct Plane {
    Edge ab, bc, ca;
    double ha, db, dc;
    int xMin, xMax, yMin, yMax;

    // Heights come from the copy block by block, blocksAcross blocks wide.
    Plane(const double* tiled, int blocksAcross, GridPoint a, GridPoint b, GridPoint c)
        : ab(a, b)
        , bc(b, c)
        , ca(c, a)
        , ha(tiled[TriangleScanner::tiledIndex(blocksAcross, a.column, a.row)])
        , xMin(std::min({a.column, b.column, c.column}))
        , xMax(std::max({a.column, b.column, c.column}))
        , yMin(std::min({a.row, b.row, c.row}))
        , yMax(std::max({a.row, b.row, c.row})) {
        const double det = static_cast<double>(orient(a, b, c));
        db = (tiled[TriangleScanner::tiledIndex(blocksAcross, b.column, b.row)] - ha) / det;
        dc = (tiled[TriangleScanner::tiledIndex(blocksAcross, c.column, c.row)] - ha) / det;
    }

    // Readies nextSpan() for the rows from yMin down.
    void walkRows() {
        ab.start(yMin);
        bc.start(yMin);
        ca.start(yMin);
    }
    // After walkRows(), the columns inside or on the triangle of row yMin, then of each next
    // row in turn; empty when lo > hi.
    std::pair<int, int> nextSpan() {
        int lo = xMin, hi = xMax;
        ab.clip(lo, hi);
        bc.clip(lo, hi);
        ca.clip(lo, hi);
        ab.step();
        bc.step();
        ca.step();
        return {lo, hi};
    }
    double at(int x, int y) const {
        return ha + (static_cast<double>(ca.rowValue(y)) - static_cast<double>(ca.dy) * x) * db +
               (static_cast<double>(ab.rowValue(y)) - static_cast<double>(ab.dy) * x) * dc;
    }
    double slopeX() const {
        return -(static_cast<double>(ca.dy) * db + static_cast<double>(ab.dy) * dc);
    }
    double slopeY() const {
        return static_cast<double>(ca.dx) * db + static_cast<double>(ab.dx) * dc;
    }
};

struct Best {
    double error = 0;
    int x = 0, y = 0;
};

// Two neighbouring points of a row side by side, in GCC's and Clang's vector extensions: one SSE2
// register on x86-64 (NEON on ARM).
// Each lane goes through the same operations as a point alone, so comes out with the same bits.
typedef double Pair __attribute__((vector_size(16)));
using PairBits = decltype(Pair{} < Pair{});

Pair splat(double v) {
    return Pair{v, v};
}
Pair bitsAnd(Pair v, PairBits mask) {
    return reinterpret_cast<Pair>(reinterpret_cast<PairBits>(v) & mask);
}

// Raises best, starting at 0, with the points of plane's triangle, testing each point of the
// bounding box (at most kSmallBox points or kBlock wide) against the three edges, two at a time
// without a branch, row by row until an error exceeds cap. Of equal errors the first is kept,
// rows from the top and each from the left, as when the points are taken one at a time.
void scanBoxPairs(const double* tiled, int blocksAcross, const Plane& plane, double cap,
                  Best& best) {
    // Pairs start at an even column, first.
    const int first = plane.xMin & ~1;
    const Pair columns = splat(first) + Pair{0, 1};
    // The edge values at the box's first pair of row y, whole numbers below 2^25, so exact
    // however they are stepped.
    const auto edgesAt = [&](int y, Pair& a, Pair& b, Pair& c) {
        a = splat(plane.bc.rowValue(y)) - splat(plane.bc.dy) * columns;
        b = splat(plane.ca.rowValue(y)) - splat(plane.ca.dy) * columns;
        c = splat(plane.ab.rowValue(y)) - splat(plane.ab.dy) * columns;
    };
    const Pair stepA = splat(2.0 * plane.bc.dy), stepB = splat(2.0 * plane.ca.dy),
               stepC = splat(2.0 * plane.ab.dy);
    const Pair ha = splat(plane.ha), db = splat(plane.db), dc = splat(plane.dc);
    const Pair magnitude = reinterpret_cast<Pair>(~reinterpret_cast<PairBits>(splat(-0.0)));
    const Pair zero = splat(0);
    // The errors of row y's points, pair by pair, 0 outside the triangle, handed to take(x, e);
    // each point goes through the same operations on every pass, so comes out with the same bits.
    const auto row = [&](int y, auto&& take) {
        const double* heights = tiled + TriangleScanner::tiledIndex(blocksAcross, 0, y);
        Pair ea, eb, ec;
        edgesAt(y, ea, eb, ec);
        for (int x = first; x <= plane.xMax; x += 2) {
            Pair h;
            std::memcpy(&h,
                        heights +
                            static_cast<std::size_t>(static_cast<unsigned>(x) / kBlock) *
                                (kBlock * kBlock) +
                            (static_cast<unsigned>(x) & (kBlock - 1)),
                        sizeof h);
            const Pair e =
                bitsAnd(h - (ha + eb * db + ec * dc), reinterpret_cast<PairBits>(magnitude));
            const Pair nearest = ea < eb ? ea : eb;
            const PairBits inside = (nearest < ec ? nearest : ec) >= zero;
            take(x, bitsAnd(e, inside));
            ea -= stepA;
            eb -= stepB;
            ec -= stepC;
        }
    };
    // Only each row's largest error is kept on the way, which leaves the loop no choice of
    // place to carry; the row that first reached the largest is gone over again for it.
    double largest = 0;
    int rowOfLargest = -1;
    for (int y = plane.yMin; y <= plane.yMax && largest <= cap; ++y) {
        Pair rowLargest = zero;
        row(y, [&rowLargest](int, Pair e) { rowLargest = e > rowLargest ? e : rowLargest; });
        const double l = rowLargest[1] > rowLargest[0] ? rowLargest[1] : rowLargest[0];
        if (l > largest) {
            largest = l;
            rowOfLargest = y;
        }
    }
    if (rowOfLargest < 0)
        return;
    constexpr int kNone = -1;
    int x = kNone;
    row(rowOfLargest, [&x, largest](int at, Pair e) {
        if (x == kNone && (e[0] == largest || e[1] == largest))
            x = at + (e[0] == largest ? 0 : 1);
    });
    best = {largest, x, rowOfLargest};
}

// Raises best with the points lo..hi of row y, read from the copy block by block.
void scanRow(const double* tiled, int blocksAcross, const Plane& plane, int y, int lo, int hi,
             Best& best) {
    if (lo > hi)
        return;
    const double* row = tiled + TriangleScanner::tiledIndex(blocksAcross, 0, y);
    double eb = static_cast<double>(plane.ca.rowValue(y)) - static_cast<double>(plane.ca.dy) * lo;
    double ec = static_cast<double>(plane.ab.rowValue(y)) - static_cast<double>(plane.ab.dy) * lo;
    const double stepB = plane.ca.dy, stepC = plane.ab.dy;
    const double ha = plane.ha, db = plane.db, dc = plane.dc;
    double bestError = best.error;
    int bestX = -1;
    for (int x = lo; x <= hi;) {
        // The run of the row within one block lies contiguous.
        const int end = std::min(hi, x | (kBlock - 1));
        const double* block =
            row + static_cast<std::size_t>(static_cast<unsigned>(x) / kBlock) * (kBlock * kBlock);
        for (; x <= end; ++x) {
            const double error = std::abs(block[x & (kBlock - 1)] - (ha + eb * db + ec * dc));
            if (error > bestError) {
                bestError = error;
                bestX = x;
            }
            eb -= stepB;
            ec -= stepC;
        }
    }
    if (bestX >= 0)
        best = {bestError, bestX, y};
}

} // namespace

Candidate TriangleScanner::scanEvery(GridPoint a, GridPoint b, GridPoint c, double cap) const {
    // The smallest triangles are common and hold few grid points (Pick: twice the area is
    // twice the points inside plus those on the edges, less 2): none but the corners at twice
    // the area 1, one edge's midpoint besides at 2.
    const std::int64_t twiceArea = orient(a, b, c);
    if (twiceArea == 1)
        return {pack(a), 0.0};
    Plane plane(heights_->tiled.data(), heights_->blocksAcross, a, b, c);
    if (twiceArea == 2) {
        const GridPoint corners[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            const GridPoint p = corners[k], q = corners[(k + 1) % 3];
            if ((p.column - q.column) % 2 == 0 && (p.row - q.row) % 2 == 0) {
                const GridPoint m{(p.column + q.column) / 2, (p.row + q.row) / 2};
                const double h = height(m);
                return {pack(m), std::abs(h - plane.at(m.column, m.row))};
            }
        }
    }
    Best best{0.0, a.column, a.row};
    const int width = plane.xMax - plane.xMin + 1, height = plane.yMax - plane.yMin + 1;
    if (width <= kBlock || width * height <= kSmallBox) {
        // Narrow or small: test each point of the bounding box against the edges, which costs
        // less than the divisions that find a row's ends.
        scanBoxPairs(heights_->tiled.data(), heights_->blocksAcross, plane, cap, best);
        return {pack({best.x, best.y}), best.error};
    }
    plane.walkRows();
    for (int y = plane.yMin; y <= plane.yMax && best.error <= cap; ++y) {
        const auto [lo, hi] = plane.nextSpan();
        scanRow(heights_->tiled.data(), heights_->blocksAcross, plane, y, lo, hi, best);
    }
    return {pack({best.x, best.y}), best.error};
}

// Rows come in bands of kBlock aligned with the blocks. In a band, the blocks that lie wholly
// inside the triangle are bounded first: the plane's range over a block is known from its
// slopes, so no point of the block can be off by more than the larger of highest - lowest
// plane and highest plane - lowest height; nor by more than its distance from the block's own
// plane and the two planes' largest gap over the block, the tighter bound where the terrain is
// smooth and sloping. Each block's centre is measured on the way, so the
// worst point found is already large when the blocks are visited, and only those whose bound
// beats it are scanned. The rest of each row is scanned point by point.
Candidate TriangleScanner::scan(GridPoint a, GridPoint b, GridPoint c, double cap) {
    // Most triangles are too small for blocks to pay.
    if (std::max({a.column, b.column, c.column}) - std::min({a.column, b.column, c.column}) <
            2 * kBlock ||
        std::max({a.row, b.row, c.row}) - std::min({a.row, b.row, c.row}) < 2 * kBlock)
        return scanEvery(a, b, c, cap);
    Plane plane(heights_->tiled.data(), heights_->blocksAcross, a, b, c);

    spans_.resize(static_cast<std::size_t>(plane.yMax - plane.yMin + 1));
    plane.walkRows();
    for (auto& span : spans_)
        span = plane.nextSpan();
    const auto spanOf = [&](int y) { return spans_[static_cast<std::size_t>(y - plane.yMin)]; };

    // The blocks' columns inside the triangle for every row of band by: first..last.
    const auto innerBlocks = [&](int by) -> std::pair<int, int> {
        const int y0 = by * kBlock;
        if (y0 < plane.yMin || y0 + kBlock - 1 > plane.yMax)
            return {0, -1};
        int lo = plane.xMin, hi = plane.xMax;
        for (int y = y0; y < y0 + kBlock; ++y) {
            lo = std::max(lo, spanOf(y).first);
            hi = std::min(hi, spanOf(y).second);
        }
        return {(lo + kBlock - 1) / kBlock, floorDiv(hi + 1, kBlock) - 1};
    };

    const double slopeX = plane.slopeX(), slopeY = plane.slopeY();
    const double riseX = slopeX * (kBlock - 1), riseY = slopeY * (kBlock - 1);
    const double slack = 0x1p-40 * (heights_->maxAbs + std::abs(riseX) + std::abs(riseY));
    Best best{0.0, a.column, a.row};
    bounds_.clear();
    const int bandFirst = plane.yMin / kBlock, bandLast = plane.yMax / kBlock;
    for (int by = bandFirst; by <= bandLast; ++by) {
        const auto [first, last] = innerBlocks(by);
        for (int bx = first; bx <= last; ++bx) {
            const int x0 = bx * kBlock, y0 = by * kBlock;
            const double corner = plane.at(x0, y0);
            const double planeLow = corner + std::min(0.0, riseX) + std::min(0.0, riseY);
            const double planeHigh = corner + std::max(0.0, riseX) + std::max(0.0, riseY);
            const std::size_t block = static_cast<std::size_t>(by) * heights_->blocksAcross +
                                      static_cast<std::size_t>(bx);
            // No point lies farther from the plane than from the block's own, plus the planes'
            // largest gap over the block, which lies at a corner.
            const Heights::Fit& fit = heights_->fits[block];
            const double gap =
                std::abs(fit.base - corner) +
                (kBlock - 1) * (std::abs(fit.slopeX - slopeX) + std::abs(fit.slopeY - slopeY));
            bounds_.push_back(std::min(std::max(heights_->high[block] - planeLow,
                                                planeHigh - heights_->low[block]),
                                       fit.residual + gap) +
                              slack);
            scanRow(heights_->tiled.data(), heights_->blocksAcross, plane, y0 + kBlock / 2,
                    x0 + kBlock / 2, x0 + kBlock / 2, best);
        }
    }
    const auto result = [&best] { return Candidate{pack({best.x, best.y}), best.error}; };
    if (best.error > cap)
        return result();
    std::size_t next = 0;
    for (int by = bandFirst; by <= bandLast; ++by) {
        const auto [first, last] = innerBlocks(by);
        const int y0 = std::max(by * kBlock, plane.yMin);
        const int y1 = std::min(by * kBlock + kBlock - 1, plane.yMax);
        for (int y = y0; y <= y1; ++y) {
            const auto [lo, hi] = spanOf(y);
            if (first > last) {
                scanRow(heights_->tiled.data(), heights_->blocksAcross, plane, y, lo, hi, best);
            } else {
                scanRow(heights_->tiled.data(), heights_->blocksAcross, plane, y, lo,
                        first * kBlock - 1, best);
                scanRow(heights_->tiled.data(), heights_->blocksAcross, plane, y,
                        (last + 1) * kBlock, hi, best);
            }
        }
        for (int bx = first; bx <= last; ++bx) {
            if (bounds_[next++] <= best.error)
                continue;
            for (int y = y0; y <= y1; ++y)
                scanRow(heights_->tiled.data(), heights_->blocksAcross, plane, y, bx * kBlock,
                        bx * kBlock + kBlock - 1, best);
        }
        if (best.error > cap)
            break;
    }
    return result();
}

} // namespace grondel::terrain::detail
