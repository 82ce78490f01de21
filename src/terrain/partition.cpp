#include "terrain/partition.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace grondel::terrain {
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
    void split(std::span<Item> items, std::vector<MeshPiece>& out) {
        const std::size_t n = items.size();
        if (n == 0)
            return;
        const auto maxFaces = std::size_t(limits_.maxFaces);
        if (n == 1 || (n <= maxFaces && vertexCount(items) <= std::size_t(limits_.maxVertices))) {
            out.push_back(makePiece(items));
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
        std::nth_element(items.begin(), items.begin() + std::ptrdiff_t(first), items.end(), before);
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

    MeshPiece makePiece(std::span<Item> items) {
        std::sort(items.begin(), items.end(),
                  [](const Item& l, const Item& r) { return l.triangle < r.triangle; });
        MeshPiece piece;
        piece.faces.reserve(items.size());
        piece.triangles.reserve(items.size());
        std::vector<std::uint32_t> used;
        for (const Item& item : items) {
            std::uint16_t local[3];
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t point = corner(item.triangle, k);
                if (local_[point] == kUnused) {
                    local_[point] = std::uint32_t(piece.vertices.size());
                    piece.vertices.push_back(mesh_.points[point]);
                    used.push_back(point);
                }
                local[k] = std::uint16_t(local_[point]);
            }
            piece.faces.push_back({local[0], local[1], local[2]});
            piece.triangles.push_back(item.triangle);
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

std::string_view describe(PartitionStatus status) {
    switch (status) {
    case PartitionStatus::Ok:
        return "ok";
    case PartitionStatus::BadLimits:
        return "a mesh must be allowed 1 to 65536 faces and 3 to 65536 vertices";
    case PartitionStatus::BadSpacing:
        return "the grid spacing must be a finite number above 0";
    case PartitionStatus::BadTriangulation:
        return "a triangle refers to a point that is not in the triangulation";
    }
    return "unknown partition status";
}

PartitionResult partition(const Triangulation& mesh, double spacingX, double spacingY,
                          MeshLimits limits) {
    PartitionResult result;
    if (limits.maxFaces < 1 || limits.maxFaces > 65536 || limits.maxVertices < 3 ||
        limits.maxVertices > 65536) {
        result.status = PartitionStatus::BadLimits;
        return result;
    }
    if (!(std::isfinite(spacingX) && spacingX > 0 && std::isfinite(spacingY) && spacingY > 0)) {
        result.status = PartitionStatus::BadSpacing;
        return result;
    }
    const std::size_t pointCount = mesh.points.size();
    std::vector<Item> items(mesh.triangles.size());
    for (std::size_t t = 0; t < items.size(); ++t) {
        const Triangle& tri = mesh.triangles[t];
        if (tri.a >= pointCount || tri.b >= pointCount || tri.c >= pointCount) {
            result.status = PartitionStatus::BadTriangulation;
            return result;
        }
        const GridPoint a = mesh.points[tri.a], b = mesh.points[tri.b], c = mesh.points[tri.c];
        items[t] = {double(std::int64_t(a.column) + b.column + c.column) * spacingX,
                    double(std::int64_t(a.row) + b.row + c.row) * spacingY, std::uint32_t(t)};
    }
    Partitioner(mesh, limits).split(items, result.meshes);
    return result;
}

} // namespace grondel::terrain
