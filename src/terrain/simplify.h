#pragma once

#include "terrain/terrain_grid.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace grondel {

// Three indices into a point list. The corners run counter-clockwise seen from above in the
// game's frame, where x grows with the column and y towards row 0: counter-clockwise in
// (column, -row).
struct Triangle {
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    friend bool operator==(const Triangle&, const Triangle&) = default;
};

// What to stop at. Either, both or neither may be set.
struct SimplifyLimits {
    // Largest vertical distance, in world units, allowed between any grid point's height and the
    // surface above or below it. Finite and >= 0. Neither limit set means 0.
    std::optional<double> maxError;
    // Most triangles the result may have; at least kMinFaceBudget (the two that cover the
    // rectangle).
    std::optional<std::int64_t> maxFaces;
    // Set from another thread to stop early: the result is then incomplete, and the caller's
    // to throw away. Null: never.
    const std::atomic<bool>* cancel = nullptr;
    // With a scale, the heights are those a game model of that Z scale prints
    // (heightAsPrinted), the errors measured on them; without, the grid's own.
    std::optional<double> printScale = std::nullopt;
    // Side of the tiles that refine on their own, at once on the processor's threads, in grid
    // points, at least 8; 0 to choose by the terrain (128 to 512 points, larger where the mesh
    // will be coarse). The threads' number never changes the result; the tiles' side does, a
    // little.
    int tileSide = 0;
};

// A conforming triangulation of the grid's rectangle over some of its points.
struct Triangulation {
    // The grid points kept; the four corners always come first (north-west, north-east,
    // south-east, south-west), then the others in the order they were chosen.
    std::vector<GridPoint> points;
    // Counter-clockwise (see Triangle), each of positive area. Together they cover the
    // rectangle (0, 0)..(columns - 1, rows - 1) exactly once, and no kept point lies on a
    // triangle's edge other than at its ends, so neighbours share whole edges.
    std::vector<Triangle> triangles;
    // Largest |height - surface| over every grid point, the surface being the linear
    // interpolation over the triangle that holds the point, in world units.
    double error = 0;
    // False only when maxFaces stopped the refinement before maxError (or 0) was met.
    bool errorMet = true;
};

struct SimplifyResult {
    Triangulation mesh; // empty unless error is empty
    std::string error;  // why the input was refused, one line
    bool ok() const { return error.empty(); }
};

// Simplifies the grid in two steps. Greedy insertion into a Delaunay triangulation: from the
// two triangles over the corners, it keeps adding the grid point farthest from the surface
// until every point is within maxError. Then coarsening: every point added is tried for
// removal, collapsing it onto a neighbour when the fan left behind still keeps every grid
// point within maxError; about a third go. The result is conforming but no longer Delaunay.
//
// Unless a face budget rules, both steps run in tiles of about tileSide points a side, on every
// thread at once. The tiles' sides inside the grid are fixed first: on each, the points a line
// through them needs to keep every point of the side within maxError (the worst point of a
// stretch splitting it, until none is left beyond), so that the tiles' meshes meet edge to edge.
// Once the tiles are one mesh, coarsening tries the sides' points and the tiles' corners again.
//
// The grid's heights are those to keep within the bound: the heights as printed, in world
// units (spacing is not used). It may come from an untrusted picture: a grid
// terrainGridProblem refuses, or limits out of their ranges, give the reason in error.
//
// Guarantees, when ok():
// - With maxError E: mesh.error <= E, measured the way an independent double-precision check
//   would find it: the refinement stops a hair short of E (about 6e-8 of E) so that rounding in
//   either computation cannot push a point over. Errors of the order of rounding, below
//   2^-36 (about 1.5e-11) of the largest |height|, count as none, so E = 0 keeps every point
//   that is off the surface by more than that (a plane, tilted or not, needs 2 triangles) and
//   meets E within that rounding.
// - With maxFaces F alone, or with E = 0: at most F triangles, errorMet false and mesh.error
//   the error left, unless the surface is matched (to rounding) sooner. Greedy insertion goes
//   to 3F/2, coarsening at the error reached takes the mesh back within F (at a larger error
//   when that is not enough; failing that, greedy insertion alone goes to F), and greedy
//   insertion spends what faces are left. Each time the budget stops greedy insertion, the mesh
//   is the one of smallest error it passed through, so that an insertion whose worse triangle
//   the next would have mended is not where it ends: the error reached scales with the heights.
// - With both and E > 0: at most F triangles. Greedy insertion may first go up to 2F, since
//   coarsening then takes faces away; if that does not meet E within F, F rules as above.
// - The same input always gives the same output.
//
// Cost: besides the caller's heights, a copy of them in blocks (8 bytes a point; none with
// simplifyInPlace) and at the peak about 60 bytes a triangle. A terrain of the largest grid kept to
// 0.2% of its height range takes 150 to 200 MB and a few seconds (a face budget about twice the
// time greedy insertion alone would take to it, for about 0.7 of its error); the worst case, noise
// kept exactly (E = 0: every point, 33.5 million triangles), about 1.7 GB and three minutes.
SimplifyResult simplify(const TerrainGrid& grid, const SimplifyLimits& limits);

// The same in grid's own heights instead of a copy: on return they are the heights the bound
// was kept on, as printed with printScale, row after row as before. Without the copy when the
// heights' vector has room for the blocks (TriangleScanner::roomFor; terrainFromPicture's grids
// have it), so the simplifier adds to them only its triangles. Should it throw (out of memory),
// grid is left without heights.
SimplifyResult simplifyInPlace(TerrainGrid& grid, const SimplifyLimits& limits);

} // namespace grondel
