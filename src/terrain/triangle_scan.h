#pragma once

#include "terrain/grid_view.h"

namespace grondel::terrain::detail {

// The grid point farthest from the plane through a triangle's corners, and its distance.
struct Candidate {
    PackedPoint point = 0;
    double error = 0;
};

// Scans every grid point inside or on the triangle (a, b, c), which must be counter-clockwise
// in (column, row) and within the grid. Among equal errors the first in row order wins. The
// corners themselves come out with an error of a few ulps at most.
Candidate scanTriangle(const GridView& grid, GridPoint a, GridPoint b, GridPoint c);

} // namespace grondel::terrain::detail
