#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>

namespace grondel::terrain::detail {
namespace {

int floorDiv(int n, int d) { // d > 0
    const int q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// One edge p -> q as the function f(x, y) = (q - p) x ((x, y) - p), >= 0 on the triangle's
// side. On row y it is rowValue(y) - dy * x. Every term stays below 2^25 on a 4097 grid.
struct Edge {
    int dx, dy, px, py;
    Edge(GridPoint p, GridPoint q)
        : dx(q.column - p.column)
        , dy(q.row - p.row)
        , px(p.column)
        , py(p.row) {}
    int rowValue(int y) const { return dx * (y - py) + dy * px; }
    // Narrows [lo, hi] to the columns of row y on the triangle's side of the edge.
    void clip(int y, int& lo, int& hi) const {
        const int f = rowValue(y);
        if (dy > 0)
            hi = std::min(hi, floorDiv(f, dy));
        else if (dy < 0)
            lo = std::max(lo, -floorDiv(f, -dy));
        else if (f < 0)
            hi = lo - 1;
    }
};

} // namespace

Candidate scanTriangle(const GridView& grid, GridPoint a, GridPoint b, GridPoint c) {
    const Edge ab(a, b), bc(b, c), ca(c, a);
    // The surface is ha + wb (hb - ha) + wc (hc - ha) with the barycentric weights
    // wb = ca(x, y) / det and wc = ab(x, y) / det. The edge values are whole numbers, exact in
    // a double, so each point costs two rounded products and no error grows along a row, even
    // on a long sliver.
    const double det = double(orient(a, b, c));
    const double ha = grid.at(a);
    const double db = (grid.at(b) - ha) / det;
    const double dc = (grid.at(c) - ha) / det;
    const int xMin = std::min({a.column, b.column, c.column});
    const int xMax = std::max({a.column, b.column, c.column});
    const int yMin = std::min({a.row, b.row, c.row});
    const int yMax = std::max({a.row, b.row, c.row});

    Candidate best{pack(a), 0.0};
    double bestError = 0;
    for (int y = yMin; y <= yMax; ++y) {
        int lo = xMin;
        int hi = xMax;
        ab.clip(y, lo, hi);
        bc.clip(y, lo, hi);
        ca.clip(y, lo, hi);
        if (lo > hi)
            continue;
        const std::size_t base = std::size_t(y) * grid.columns;
        const double* row = grid.heights + base;
        double eb = double(ca.rowValue(y)) - double(ca.dy) * lo;
        double ec = double(ab.rowValue(y)) - double(ab.dy) * lo;
        const double stepB = ca.dy;
        const double stepC = ab.dy;
        int bestX = -1;
        for (int x = lo; x <= hi; ++x) {
            const double error = std::abs(row[x] - (ha + eb * db + ec * dc));
            if (error > bestError) {
                bestError = error;
                bestX = x;
            }
            eb -= stepB;
            ec -= stepC;
        }
        if (bestX >= 0)
            best.point = pack({bestX, y});
    }
    best.error = bestError;
    return best;
}

} // namespace grondel::terrain::detail
