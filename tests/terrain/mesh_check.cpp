#include "mesh_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>

namespace grondel::terrain::testing {
namespace {

// Twice the signed area of (p, q, r) in the game's frame (x = column, y = -row).
std::int64_t cross(GridPoint p, GridPoint q, GridPoint r) {
    const std::int64_t ux = q.column - p.column, uy = -(q.row - p.row);
    const std::int64_t vx = r.column - p.column, vy = -(r.row - p.row);
    return ux * vy - uy * vx;
}

std::string where(std::size_t t) {
    return "triangle " + std::to_string(t) + ": ";
}

} // namespace

MeshReport checkMesh(int columns, int rows, const std::vector<double>& heights,
                     const Triangulation& mesh) {
    MeshReport report;
    const auto cell = [columns](GridPoint p) { return std::size_t(p.row) * columns + p.column; };
    std::vector<char> kept(std::size_t(columns) * rows, 0);
    for (const GridPoint& p : mesh.points) {
        if (p.column < 0 || p.column >= columns || p.row < 0 || p.row >= rows)
            return {"a point lies off the grid", 0};
        if (kept[cell(p)]++)
            return {"a point is kept twice", 0};
    }

    std::int64_t area = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const Triangle& tri = mesh.triangles[t];
        const std::uint32_t ids[3] = {tri.a, tri.b, tri.c};
        for (const std::uint32_t id : ids) {
            if (id >= mesh.points.size())
                return {where(t) + "names a point that is not there", 0};
        }
        const std::int64_t twice =
            cross(mesh.points[tri.a], mesh.points[tri.b], mesh.points[tri.c]);
        if (twice <= 0)
            return {where(t) + (twice == 0 ? "no area" : "clockwise seen from above"), 0};
        area += twice;
        for (int k = 0; k < 3; ++k)
            edges.emplace_back(ids[k], ids[(k + 1) % 3]);
    }
    if (area != 2 * std::int64_t(columns - 1) * (rows - 1))
        return {"the triangles' areas do not add up to the rectangle's", 0};

    std::sort(edges.begin(), edges.end());
    if (std::adjacent_find(edges.begin(), edges.end()) != edges.end())
        return {"two triangles overlap along an edge", 0};
    for (const auto& [from, to] : edges) {
        const GridPoint p = mesh.points[from], q = mesh.points[to];
        if (!std::binary_search(edges.begin(), edges.end(), std::pair(to, from))) {
            const bool border =
                (p.column == q.column && (p.column == 0 || p.column == columns - 1)) ||
                (p.row == q.row && (p.row == 0 || p.row == rows - 1));
            if (!border)
                return {"an inner edge has a triangle on one side only", 0};
        }
        // Grid points strictly inside the edge: none may be kept.
        const int dx = q.column - p.column, dy = q.row - p.row;
        const int steps = std::gcd(std::abs(dx), std::abs(dy));
        for (int k = 1; k < steps; ++k) {
            if (kept[cell({p.column + dx / steps * k, p.row + dy / steps * k})])
                return {"a kept point lies inside an edge (T-junction)", 0};
        }
    }

    std::vector<char> used(kept.size(), 0);
    for (const auto& [from, to] : edges)
        used[cell(mesh.points[from])] = 1;
    if (used != kept)
        return {"a point is kept but used by no triangle", 0};

    std::vector<char> covered(kept.size(), 0);
    for (const Triangle& tri : mesh.triangles) {
        const GridPoint a = mesh.points[tri.a], b = mesh.points[tri.b], c = mesh.points[tri.c];
        const double ha = heights[cell(a)], hb = heights[cell(b)], hc = heights[cell(c)];
        const std::int64_t det = cross(a, b, c);
        for (int y = std::min({a.row, b.row, c.row}); y <= std::max({a.row, b.row, c.row}); ++y) {
            for (int x = std::min({a.column, b.column, c.column});
                 x <= std::max({a.column, b.column, c.column}); ++x) {
                const GridPoint p{x, y};
                const std::int64_t wa = cross(b, c, p), wb = cross(c, a, p), wc = cross(a, b, p);
                if (wa < 0 || wb < 0 || wc < 0)
                    continue;
                const double surface =
                    (double(wa) * ha + double(wb) * hb + double(wc) * hc) / double(det);
                report.maxError = std::max(report.maxError, std::abs(heights[cell(p)] - surface));
                covered[cell(p)] = 1;
            }
        }
    }
    if (std::find(covered.begin(), covered.end(), 0) != covered.end())
        report.problem = "a grid point lies outside every triangle";
    return report;
}

} // namespace grondel::terrain::testing
