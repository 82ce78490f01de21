#include "terrain/simplify.h"

#include "model3do/limits.h"
#include "terrain/delaunay_mesh.h"
#include "terrain/point_table.h"
#include "terrain/refine.h"
#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace grondel {
namespace {

namespace detail = terrain::detail;

// Errors below this share of the largest |height| are rounding, not shape: the scan's own
// error is a few ulps (2^-50 or so), an outside check's a few more.
constexpr double kRoundingShare = 0x1p-36;
// The refinement stops this share of E short of E, so that a point our scan puts just under E
// cannot come out just over it in someone else's arithmetic.
constexpr double kMarginShare = 0x1p-24;

// Smaller tiles would cost more in their sides than they save.
constexpr int kMinTileSide = 8;

// Inserting goes on while some point's error exceeds this.
double insertThreshold(double maxError, double rounding) {
    const double margin = std::max(rounding, maxError * kMarginShare);
    return maxError - margin >= rounding ? maxError - margin : rounding;
}

// Why the input cannot be simplified, or an empty text.
std::string inputProblem(const TerrainGrid& grid, const SimplifyLimits& limits) {
    if (std::string problem = terrainGridProblem(grid); !problem.empty())
        return problem;
    if (limits.maxError && !(std::isfinite(*limits.maxError) && *limits.maxError >= 0))
        return "the largest error must be a finite number of at least 0";
    if (limits.tileSide != 0 && limits.tileSide < kMinTileSide)
        return "the tiles' side must be at least " + std::to_string(kMinTileSide) + " points";
    if (limits.maxFaces && *limits.maxFaces < kMinFaceBudget)
        return "the face budget must be at least " + std::to_string(kMinFaceBudget) + " faces";
    return {};
}

// Greedy insertion and coarsening as the limits say, on scanner's heights of grid.
detail::Refined refineWithin(const TerrainGrid& grid, detail::TriangleScanner& scanner,
                             const SimplifyLimits& limits) {
    constexpr std::int64_t kNoBudget = std::numeric_limits<std::int64_t>::max();
    using detail::Coarsening;
    const double threshold =
        insertThreshold(limits.maxError.value_or(0.0), scanner.largestMagnitude() * kRoundingShare);
    if (!limits.maxFaces)
        return detail::refineInTiles(grid, scanner, threshold, kNoBudget, limits.tileSide,
                                     limits.cancel);
    if (!limits.maxError || *limits.maxError == 0) {
        // The budget rules: coarsening at the error reached frees faces for greedy insertion to
        // spend again.
        return detail::refine(grid, scanner, threshold, *limits.maxFaces, Coarsening::Rounds,
                              limits.cancel);
    }
    // Greedy insertion needs more faces than are left once coarsening is done, so the budget
    // first allows twice as many; when that does not meet the error within the budget, the
    // budget rules as above.
    const std::int64_t budget = *limits.maxFaces;
    detail::Refined refined = detail::refineInTiles(grid, scanner, threshold,
                                                    budget > kNoBudget / 2 ? kNoBudget : 2 * budget,
                                                    limits.tileSide, limits.cancel);
    if (!refined.errorMet || static_cast<std::int64_t>(refined.faces) > budget) {
        refined = {};
        refined =
            detail::refine(grid, scanner, threshold, budget, Coarsening::Rounds, limits.cancel);
    }
    return refined;
}

// The triangulation of what refining left, its points numbered in the order they were chosen.
SimplifyResult triangulation(const TerrainGrid& grid, detail::Refined refined) {
    SimplifyResult result;
    result.mesh.errorMet = refined.errorMet;
    result.mesh.error = refined.error;
    detail::ChunkedArray<detail::PackedPoint> corners = std::move(refined.corners);
    std::vector<detail::PackedPoint> points = std::move(refined.points);

    // Each kept point's number, looked up by the point.
    detail::PointTable number({0, 0}, {grid.columns - 1, grid.rows - 1}, points.size());
    constexpr std::uint32_t kUnused = 0xffffffffu, kUsed = 0;
    for (const detail::PackedPoint p : points)
        number[p] = kUnused;
    for (std::size_t e = 0; e < corners.size(); e += 3) {
        if (corners[e] == detail::DelaunayMesh::kDead)
            continue;
        for (std::size_t k = e; k < e + 3; ++k)
            number[corners[k]] = kUsed;
    }
    for (const detail::PackedPoint p : points) {
        if (number[p] == kUsed) {
            number[p] = static_cast<std::uint32_t>(result.mesh.points.size());
            result.mesh.points.push_back(detail::unpack(p));
        }
    }
    points = {};
    // The mesh turns counter-clockwise in (column, row), which is clockwise seen from above in
    // (column, -row): two corners swap places.
    result.mesh.triangles.reserve(refined.faces);
    for (std::size_t e = 0; e < corners.size(); e += 3) {
        if (corners[e] != detail::DelaunayMesh::kDead) {
            result.mesh.triangles.push_back(
                {number[corners[e]], number[corners[e + 2]], number[corners[e + 1]]});
        }
    }
    return result;
}

} // namespace

SimplifyResult simplify(const TerrainGrid& grid, const SimplifyLimits& limits) {
    if (std::string problem = inputProblem(grid, limits); !problem.empty())
        return {{}, problem};
    detail::Refined refined;
    {
        detail::TriangleScanner scanner(grid, limits.printScale);
        refined = refineWithin(grid, scanner, limits);
    } // the scanner's copy of the heights goes
    return triangulation(grid, std::move(refined));
}

SimplifyResult simplifyInPlace(TerrainGrid& grid, const SimplifyLimits& limits) {
    if (std::string problem = inputProblem(grid, limits); !problem.empty())
        return {{}, problem};
    detail::Refined refined;
    {
        detail::TriangleScanner scanner(std::move(grid.heights), grid.columns, grid.rows,
                                        limits.printScale);
        refined = refineWithin(grid, scanner, limits);
        grid.heights = scanner.heightsInRows(grid.columns, grid.rows);
    }
    return triangulation(grid, std::move(refined));
}

} // namespace grondel
