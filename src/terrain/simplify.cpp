#include "terrain/simplify.h"

#include "terrain/delaunay_mesh.h"
#include "terrain/refine.h"
#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace grondel::terrain {
namespace {

// Errors below this share of the largest |height| are rounding, not shape: the scan's own
// error is a few ulps (2^-50 or so), an outside check's a few more.
constexpr double kRoundingShare = 0x1p-36;
// The refinement stops this share of E short of E, so that a point our scan puts just under E
// cannot come out just over it in someone else's arithmetic.
constexpr double kMarginShare = 0x1p-24;

// Inserting goes on while some point's error exceeds this.
double insertThreshold(double maxError, double rounding) {
    const double margin = std::max(rounding, maxError * kMarginShare);
    return maxError - margin >= rounding ? maxError - margin : rounding;
}

SimplifyStatus checkInput(const HeightGrid& grid, const SimplifyLimits& limits, double& maxAbs) {
    if (grid.columns < kMinSimplifyEdge || grid.columns > kMaxSimplifyEdge ||
        grid.rows < kMinSimplifyEdge || grid.rows > kMaxSimplifyEdge)
        return SimplifyStatus::BadGridSize;
    if (grid.heights.size() != std::size_t(grid.columns) * std::size_t(grid.rows))
        return SimplifyStatus::HeightCountWrong;
    if (limits.maxError && !(std::isfinite(*limits.maxError) && *limits.maxError >= 0))
        return SimplifyStatus::BadMaxError;
    if (limits.maxFaces && *limits.maxFaces < 2)
        return SimplifyStatus::BadMaxFaces;
    maxAbs = 0;
    for (const double h : grid.heights) {
        // Also false for NaN.
        if (!(std::abs(h) <= kMaxAbsHeight))
            return SimplifyStatus::BadHeight;
        maxAbs = std::max(maxAbs, std::abs(h));
    }
    return SimplifyStatus::Ok;
}

} // namespace

std::string_view describe(SimplifyStatus status) {
    switch (status) {
    case SimplifyStatus::Ok:
        return "ok";
    case SimplifyStatus::BadGridSize:
        return "the grid must have 2 to 4097 points on each side";
    case SimplifyStatus::HeightCountWrong:
        return "the number of heights does not match the grid's size";
    case SimplifyStatus::BadHeight:
        return "a height is not a finite number within 1e15";
    case SimplifyStatus::BadMaxError:
        return "the maximum error must be a finite number of at least 0";
    case SimplifyStatus::BadMaxFaces:
        return "the maximum number of faces must be at least 2";
    }
    return "unknown simplification status";
}

SimplifyResult simplify(const HeightGrid& grid, const SimplifyLimits& limits) {
    SimplifyResult result;
    double maxAbs = 0;
    result.status = checkInput(grid, limits, maxAbs);
    if (result.status != SimplifyStatus::Ok)
        return result;

    const detail::GridView view{grid.heights.data(), grid.columns, grid.rows};
    const double threshold =
        insertThreshold(limits.maxError.value_or(0.0), maxAbs * kRoundingShare);
    detail::Refined refined;
    {
        detail::TriangleScanner scanner(view);
        if (!limits.maxFaces) {
            refined = detail::refine(view, scanner, threshold, INT64_MAX, true);
        } else if (!limits.maxError) {
            // Without a bound the budget is all greedy insertion gets; only a surface it
            // matches to rounding before then leaves anything to coarsen.
            refined = detail::refine(view, scanner, threshold, *limits.maxFaces, true);
        } else {
            // Greedy insertion needs more faces than are left once coarsening is done, so the
            // budget first allows twice as many; when that does not meet the error within the
            // budget, greedy insertion alone goes up to the budget.
            const std::int64_t budget = *limits.maxFaces;
            refined = detail::refine(view, scanner, threshold,
                                     budget > INT64_MAX / 2 ? INT64_MAX : 2 * budget, true);
            if (!refined.errorMet || std::int64_t(refined.faces) > budget) {
                refined = {};
                refined = detail::refine(view, scanner, threshold, budget, false);
            }
        }
    } // the scanner's copy of the heights goes
    result.mesh.errorMet = refined.errorMet;
    result.mesh.error = refined.error;
    detail::ChunkedArray<detail::PackedPoint> corners = std::move(refined.corners);
    std::vector<detail::PackedPoint> points = std::move(refined.points);

    // Each kept point's number, looked up by its cell. Left uninitialised: only the cells of
    // kept points are ever written or read, so a sparse mesh touches few pages.
    const std::unique_ptr<std::uint32_t[]> number(
        new std::uint32_t[std::size_t(grid.columns) * std::size_t(grid.rows)]);
    const auto cell = [&grid](detail::PackedPoint p) {
        return std::size_t(p >> 16) * std::size_t(grid.columns) + (p & 0xffffu);
    };
    constexpr std::uint32_t kUnused = 0xffffffffu, kUsed = 0;
    for (const detail::PackedPoint p : points)
        number[cell(p)] = kUnused;
    for (std::size_t e = 0; e < corners.size(); e += 3) {
        if (corners[e] == detail::DelaunayMesh::kDead)
            continue;
        for (std::size_t k = e; k < e + 3; ++k)
            number[cell(corners[k])] = kUsed;
    }
    for (const detail::PackedPoint p : points) {
        if (number[cell(p)] == kUsed) {
            number[cell(p)] = std::uint32_t(result.mesh.points.size());
            result.mesh.points.push_back(detail::unpack(p));
        }
    }
    points = {};
    // Counter-clockwise in (column, row) is clockwise in (column, -row): swap two corners.
    result.mesh.triangles.reserve(refined.faces);
    for (std::size_t e = 0; e < corners.size(); e += 3) {
        if (corners[e] != detail::DelaunayMesh::kDead) {
            result.mesh.triangles.push_back({number[cell(corners[e])], number[cell(corners[e + 2])],
                                             number[cell(corners[e + 1])]});
        }
    }
    return result;
}

} // namespace grondel::terrain
