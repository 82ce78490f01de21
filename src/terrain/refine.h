#pragma once

#include "terrain/chunked_array.h"
#include "terrain/packed_point.h"
#include "terrain/triangle_scan.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace grondel::terrain::detail {

// A triangulation as refine() leaves it.
struct Refined {
    ChunkedArray<PackedPoint> corners; // three per triangle slot, DelaunayMesh::kDead if unused
    std::vector<PackedPoint> points;   // the grid's corners, then every point ever inserted
    std::size_t faces = 0;             // live triangles
    bool errorMet = true;              // every point within the threshold
    double error = 0;                  // the largest error over the grid
};

// Greedy insertion into a Delaunay triangulation, worst point first, from the two triangles
// over the grid's corners (split along the diagonal that fits better), until no point's error
// exceeds threshold or the next point would take the mesh past maxFaces. When the threshold
// is met and coarsen is set, points no longer needed are then taken out again (coarsen.h).
// cancel, once set, stops both early (errorMet false).
Refined refine(const TerrainGrid& grid, TriangleScanner& scanner, double threshold,
               std::int64_t maxFaces, bool coarsen, const std::atomic<bool>* cancel = nullptr);

} // namespace grondel::terrain::detail
