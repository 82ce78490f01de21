#pragma once

#include "terrain/simplify.h"

#include <string>
#include <vector>

namespace grondel::terrain::testing {

// What an outside check finds in a triangulation of a columns x rows grid.
struct MeshReport {
    std::string problem; // the first fault found, empty when the triangulation is sound
    double maxError = 0; // largest |height - surface| over every grid point
};

// Checks, without any code of the simplifier: points on the grid, distinct and each used; triangles
// counter-clockwise in (column, -row) with positive area; areas adding up to the rectangle's;
// every edge shared by two triangles the opposite way round unless it lies on the rectangle's
// border; no kept point inside any edge; every grid point inside or on some triangle. Then,
// for every grid point and every triangle holding it, the height interpolated from the
// triangle's corners against the grid's.
MeshReport checkMesh(int columns, int rows, const std::vector<double>& heights,
                     const Triangulation& mesh);

} // namespace grondel::terrain::testing
