#include "terrain/simplify.h"

#include "terrain/delaunay_mesh.h"
#include "terrain/error_heap.h"
#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace grondel::terrain {
namespace {

using detail::DelaunayMesh;

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

// The greedy refinement: the mesh, each triangle's worst point, and the triangles whose worst
// point is beyond the threshold, largest error first.
class Refiner {
public:
    Refiner(const detail::GridView& grid, detail::TriangleScanner& scanner, bool nwDiagonal,
            double threshold, std::size_t expectedTriangles)
        : scanner_(scanner)
        , threshold_(threshold)
        , mesh_(grid.columns, grid.rows, nwDiagonal) {
        mesh_.reserve(expectedTriangles);
        candidates_.reserve(expectedTriangles);
        rescan(0);
        rescan(1);
    }

    // Refines until no point's error exceeds the threshold (true) or the next point would take
    // the mesh past maxFaces (false).
    bool run(std::int64_t maxFaces) {
        while (!heap_.empty()) {
            const std::uint32_t t = heap_.top();
            const GridPoint p = detail::unpack(candidates_[t]);
            if (p == mesh_.corner(t, 0) || p == mesh_.corner(t, 1) || p == mesh_.corner(t, 2)) {
                // Only rounding makes a corner stand out; nothing left to gain here.
                heap_.remove(t);
                continue;
            }
            if (std::int64_t(mesh_.triangleCount()) + mesh_.facesAdded(t, p) > maxFaces)
                return false;
            mesh_.insert(t, p);
            touched_.assign(mesh_.changed().begin(), mesh_.changed().end());
            std::sort(touched_.begin(), touched_.end());
            touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
            for (const std::uint32_t changed : touched_)
                rescan(changed);
        }
        return true;
    }

    // The largest error over the whole grid, scanned afresh.
    double error() const {
        double largest = 0;
        for (std::uint32_t t = 0; t < mesh_.triangleCount(); ++t) {
            largest = std::max(
                largest,
                scanner_.scanEvery(mesh_.corner(t, 0), mesh_.corner(t, 1), mesh_.corner(t, 2))
                    .error);
        }
        return largest;
    }

    DelaunayMesh& mesh() { return mesh_; }

private:
    void rescan(std::uint32_t t) {
        const detail::Candidate found =
            scanner_.scan(mesh_.corner(t, 0), mesh_.corner(t, 1), mesh_.corner(t, 2));
        if (t >= candidates_.size())
            candidates_.resize(std::size_t(t) + 1);
        candidates_[t] = found.point;
        if (found.error > threshold_)
            heap_.set(t, found.error);
        else
            heap_.remove(t);
    }

    detail::TriangleScanner& scanner_;
    const double threshold_;
    DelaunayMesh mesh_;
    detail::ErrorHeap heap_;
    std::vector<detail::PackedPoint> candidates_; // the worst point of each triangle
    std::vector<std::uint32_t> touched_;
};

// The diagonal whose two triangles leave the smaller error; the north-west one on a tie.
bool pickNwDiagonal(const detail::GridView& grid, detail::TriangleScanner& scanner) {
    const int x = grid.columns - 1;
    const int y = grid.rows - 1;
    const GridPoint nw{0, 0}, ne{x, 0}, se{x, y}, sw{0, y};
    const double viaNw = std::max(scanner.scan(nw, ne, se).error, scanner.scan(nw, se, sw).error);
    const double viaNe = std::max(scanner.scan(nw, ne, sw).error, scanner.scan(ne, se, sw).error);
    return viaNw <= viaNe;
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
    const std::int64_t maxFaces = limits.maxFaces.value_or(INT64_MAX);
    const std::size_t fullGrid = 2 * std::size_t(grid.columns - 1) * std::size_t(grid.rows - 1);
    const std::size_t expected =
        limits.maxFaces ? std::size_t(std::min<std::int64_t>(maxFaces, fullGrid)) : 0;

    std::vector<detail::PackedPoint> corners;
    std::vector<detail::PackedPoint> points;
    {
        detail::TriangleScanner scanner(view);
        Refiner refiner(view, scanner, pickNwDiagonal(view, scanner), threshold, expected);
        result.mesh.errorMet = refiner.run(maxFaces);
        result.mesh.error = refiner.error();
        corners = refiner.mesh().takeCorners();
        points = refiner.mesh().takePoints();
    }
    // Each kept point's number, looked up by its cell. Left uninitialised: only the cells of
    // kept points are ever written or read, so a sparse mesh touches few pages.
    const std::unique_ptr<std::uint32_t[]> number(
        new std::uint32_t[std::size_t(grid.columns) * std::size_t(grid.rows)]);
    const auto cell = [&grid](detail::PackedPoint p) {
        return std::size_t(p >> 16) * std::size_t(grid.columns) + (p & 0xffffu);
    };
    result.mesh.points.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        result.mesh.points[i] = detail::unpack(points[i]);
        number[cell(points[i])] = std::uint32_t(i);
    }
    points = {};
    // Counter-clockwise in (column, row) is clockwise in (column, -row): swap two corners.
    result.mesh.triangles.resize(corners.size() / 3);
    for (std::size_t t = 0; t < result.mesh.triangles.size(); ++t) {
        result.mesh.triangles[t] = {number[cell(corners[3 * t])], number[cell(corners[3 * t + 2])],
                                    number[cell(corners[3 * t + 1])]};
    }
    return result;
}

} // namespace grondel::terrain
