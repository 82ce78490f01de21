#pragma once

#include "terrain/simplify.h"

#include <cstdint>

namespace grondel::terrain::detail {

// The heights of a grid already checked by simplify().
struct GridView {
    const double* heights = nullptr;
    int columns = 0;
    int rows = 0;
    double at(GridPoint p) const { return heights[std::size_t(p.row) * columns + p.column]; }
};

// Twice the signed area of (a, b, c): positive when they run counter-clockwise in (column, row)
// with rows growing like y. Exact for coordinates up to kMaxSimplifyEdge.
inline std::int64_t orient(GridPoint a, GridPoint b, GridPoint c) {
    return std::int64_t(b.column - a.column) * (c.row - a.row) -
           std::int64_t(b.row - a.row) * (c.column - a.column);
}

// The grid point farthest from the plane through a triangle's corners, and its distance.
struct Candidate {
    std::uint32_t cell = 0; // row * columns + column
    double error = 0;
};

// Scans every grid point inside or on the triangle (a, b, c), which must be counter-clockwise
// in (column, row) and within the grid. Among equal errors the first in row order wins. The
// corners themselves come out with an error of a few ulps at most.
Candidate scanTriangle(const GridView& grid, GridPoint a, GridPoint b, GridPoint c);

} // namespace grondel::terrain::detail
