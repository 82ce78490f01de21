#include "terrain/meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <string>

namespace grondel {
namespace {

// A triangle by three times its centroid in world units.
struct Item {
    double x = 0;
    double y = 0;
    std::uint32_t triangle = 0;
};

class Partitioner {
public:
    Partitioner(const Triangulation& mesh, MeshLimits limits)
        : mesh_(mesh)
        , limits_(limits)
        , local_(mesh.points.size(), kUnused) {}

    // Splits items until every piece fits, appending the pieces in order.
    void split(std::span<Item> items, std::vector<MeshShape>& out) {
        const std::size_t n = items.size();
        if (n == 0)
            return;
        const auto maxFaces = static_cast<std::size_t>(limits_.maxFaces);
        if (n == 1 || (n <= maxFaces &&
                       vertexCount(items) <= static_cast<std::size_t>(limits_.maxVertices))) {
            out.push_back(makePiece(items, "mesh" + std::to_string(out.size())));
            return;
        }
        // Pieces this group needs at the least; the first part takes a whole number of them.
        const std::size_t pieces = std::max<std::size_t>(2, (n + maxFaces - 1) / maxFaces);
        const std::size_t first = n * (pieces / 2) / pieces;

        double minX = items[0].x, maxX = minX, minY = items[0].y, maxY = minY;
        for (const Item& item : items) {
            minX = std::min(minX, item.x);
            maxX = std::max(maxX, item.x);
            minY = std::min(minY, item.y);
            maxY = std::max(maxY, item.y);
        }
        const bool alongX = maxX - minX >= maxY - minY;
        const auto before = [alongX](const Item& l, const Item& r) {
            const double lm = alongX ? l.x : l.y, rm = alongX ? r.x : r.y;
            if (lm != rm)
                return lm < rm;
            const double ls = alongX ? l.y : l.x, rs = alongX ? r.y : r.x;
            if (ls != rs)
                return ls < rs;
            return l.triangle < r.triangle;
        };
        std::nth_element(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(first),
                         items.end(), before);
        split(items.first(first), out);
        split(items.subspan(first), out);
    }

private:
    static constexpr std::uint32_t kUnused = 0xffffffffu;

    std::uint32_t corner(std::uint32_t t, int k) const {
        const Triangle& tri = mesh_.triangles[t];
        return k == 0 ? tri.a : k == 1 ? tri.b : tri.c;
    }

    std::size_t vertexCount(std::span<const Item> items) {
        ++stamp_;
        if (stamp_ == 0) { // wrapped: start the marks afresh
            std::fill(marks_.begin(), marks_.end(), 0u);
            stamp_ = 1;
        }
        marks_.resize(mesh_.points.size(), 0u);
        std::size_t count = 0;
        for (const Item& item : items) {
            for (int k = 0; k < 3; ++k) {
                std::uint32_t& mark = marks_[corner(item.triangle, k)];
                if (mark != stamp_) {
                    mark = stamp_;
                    ++count;
                }
            }
        }
        return count;
    }

    MeshShape makePiece(std::span<Item> items, std::string name) {
        std::sort(items.begin(), items.end(),
                  [](const Item& l, const Item& r) { return l.triangle < r.triangle; });
        MeshShape piece;
        piece.name = std::move(name);
        piece.faces.reserve(items.size());
        std::vector<std::uint32_t> used;
        for (const Item& item : items) {
            std::array<int, 3>& face = piece.faces.emplace_back();
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t point = corner(item.triangle, k);
                if (local_[point] == kUnused) {
                    local_[point] = static_cast<std::uint32_t>(piece.points.size());
                    piece.points.push_back(mesh_.points[point]);
                    used.push_back(point);
                }
                face[static_cast<std::size_t>(k)] = static_cast<int>(local_[point]);
            }
        }
        for (const std::uint32_t point : used)
            local_[point] = kUnused;
        return piece;
    }

    const Triangulation& mesh_;
    MeshLimits limits_;
    std::vector<std::uint32_t> local_; // a point's place in the piece being made
    std::vector<std::uint32_t> marks_;
    std::uint32_t stamp_ = 0;
};

} // namespace

std::vector<MeshShape> cutTriangulation(const Triangulation& mesh, double spacingX, double spacingY,
                                        std::string& error, MeshLimits limits) {
    constexpr int kMostInMesh = 65536;
    if (limits.maxFaces < 1 || limits.maxFaces > kMostInMesh || limits.maxVertices < 3 ||
        limits.maxVertices > kMostInMesh) {
        const std::string most = std::to_string(kMostInMesh);
        error = "a mesh must be allowed 1 to " + most + " faces and 3 to " + most + " vertices";
        return {};
    }
    if (!(std::isfinite(spacingX) && spacingX > 0 && std::isfinite(spacingY) && spacingY > 0)) {
        error = "the grid spacing must be a finite number above 0";
        return {};
    }
    const std::size_t pointCount = mesh.points.size();
    std::vector<Item> items(mesh.triangles.size());
    for (std::size_t t = 0; t < items.size(); ++t) {
        const Triangle& tri = mesh.triangles[t];
        if (tri.a >= pointCount || tri.b >= pointCount || tri.c >= pointCount) {
            error = "a triangle refers to a point that is not in the triangulation";
            return {};
        }
        const GridPoint a = mesh.points[tri.a], b = mesh.points[tri.b], c = mesh.points[tri.c];
        items[t] = {static_cast<double>(std::int64_t{a.column} + b.column + c.column) * spacingX,
                    static_cast<double>(std::int64_t{a.row} + b.row + c.row) * spacingY,
                    static_cast<std::uint32_t>(t)};
    }
    std::vector<MeshShape> meshes;
    Partitioner(mesh, limits).split(items, meshes);
    return meshes;
}

} // namespace grondel
