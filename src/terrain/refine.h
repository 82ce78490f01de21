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

// What refine() does besides greedy insertion.
enum class Coarsening {
    // Once the threshold is met, points no longer needed are taken out again (coarsen.h).
    OnceMet,
    // For a budget that rules: greedy insertion to 3/2 maxFaces, coarsening at the error reached
    // back within maxFaces (at a larger error when that is not enough), greedy insertion again to
    // maxFaces; each time maxFaces stops greedy insertion, it returns to the mesh of smallest
    // error it passed through on the way (an insertion can leave a worse triangle behind for
    // the next to mend).
    Rounds,
};

// Greedy insertion into a Delaunay triangulation, worst point first, from the two triangles
// over the grid's corners (split along the diagonal that fits better), until no point's error
// exceeds threshold or the next point would take the mesh past maxFaces, with coarsening as
// asked. cancel, once set, stops everything early (errorMet false).
Refined refine(const TerrainGrid& grid, TriangleScanner& scanner, double threshold,
               std::int64_t maxFaces, Coarsening coarsening,
               const std::atomic<bool>* cancel = nullptr);

// The same as refine() with Coarsening::OnceMet, in tiles about tileSide points a side (0: as
// the terrain asks, see refine_tiles.cpp) refined on the processor's threads at once, maxFaces
// bounding their faces together. The tiles' sides inside the grid are chosen first, as a line
// through the points of each that keeps every other within threshold, so that the tiles meet edge
// to edge; once the tiles are one mesh, coarsening tries those points too. The result does not
// depend on the number of threads.
Refined refineInTiles(const TerrainGrid& grid, TriangleScanner& scanner, double threshold,
                      std::int64_t maxFaces, int tileSide,
                      const std::atomic<bool>* cancel = nullptr);

} // namespace grondel::terrain::detail
