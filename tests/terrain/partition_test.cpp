#include "terrain/partition.h"
#include "terrains.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include <gtest/gtest.h>

namespace grondel::terrain {
namespace {

using testing::makeTerrain;
using testing::Terrain;

Triangulation simplified(Terrain kind, int columns, int rows, double maxError) {
    const auto heights = makeTerrain(kind, columns, rows);
    return simplify({columns, rows, heights}, {maxError, {}}).mesh;
}

// Every piece within limits, every triangle in exactly one piece, each face the same corners
// in the same order as its triangle, each piece's vertices distinct.
void expectSoundPieces(const Triangulation& mesh, const std::vector<MeshPiece>& pieces,
                       MeshLimits limits) {
    std::vector<int> seen(mesh.triangles.size(), 0);
    for (const MeshPiece& piece : pieces) {
        EXPECT_GE(piece.faces.size(), 1u);
        EXPECT_LE(piece.faces.size(), std::size_t(limits.maxFaces));
        EXPECT_LE(piece.vertices.size(), std::size_t(limits.maxVertices));
        ASSERT_EQ(piece.faces.size(), piece.triangles.size());
        std::set<std::pair<int, int>> distinct;
        for (const GridPoint& p : piece.vertices)
            distinct.insert({p.column, p.row});
        EXPECT_EQ(distinct.size(), piece.vertices.size());
        for (std::size_t f = 0; f < piece.faces.size(); ++f) {
            const std::uint32_t t = piece.triangles[f];
            ASSERT_LT(t, mesh.triangles.size());
            ++seen[t];
            const Triangle& tri = mesh.triangles[t];
            const LocalFace& face = piece.faces[f];
            ASSERT_LT(std::max({face.a, face.b, face.c}), piece.vertices.size());
            EXPECT_EQ(piece.vertices[face.a], mesh.points[tri.a]);
            EXPECT_EQ(piece.vertices[face.b], mesh.points[tri.b]);
            EXPECT_EQ(piece.vertices[face.c], mesh.points[tri.c]);
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), std::ptrdiff_t(seen.size()));
}

struct Extent {
    int columns = 0;
    int rows = 0;
};
Extent extentOf(const MeshPiece& piece) {
    int minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
    for (const GridPoint& p : piece.vertices) {
        minX = std::min(minX, p.column);
        maxX = std::max(maxX, p.column);
        minY = std::min(minY, p.row);
        maxY = std::max(maxY, p.row);
    }
    return {maxX - minX, maxY - minY};
}

TEST(Partition, PiecesFitTheGameAndUseAsFewMeshesAsTheFacesAllow) {
    const Triangulation meshes[] = {
        simplified(Terrain::Noisy, 65, 65, 0.0),   // the full grid, 8192 faces
        simplified(Terrain::Noisy, 257, 129, 0.0), // 65536 faces
        simplified(Terrain::Smooth, 257, 129, 0.01),
        simplified(Terrain::Terraced, 257, 129, 0.05),
        simplified(Terrain::Spiky, 129, 65, 0.0),
        simplified(Terrain::Flat, 257, 257, 0.0), // two faces
        simplified(Terrain::Noisy, 2, 300, 0.0),
    };
    for (const Triangulation& mesh : meshes) {
        const auto result = partition(mesh, 1.0, 1.0);
        ASSERT_EQ(result.status, PartitionStatus::Ok);
        expectSoundPieces(mesh, result.meshes, kGameMeshLimits);
        EXPECT_EQ(result.meshes.size(), (mesh.triangles.size() + 511) / 512);
    }
}

TEST(Partition, PiecesAreCompactInWorldUnits) {
    const Triangulation full = simplified(Terrain::Noisy, 65, 65, 0.0);
    // Square spacing: sixteen tiles of 16 x 16 squares.
    const auto square = partition(full, 2.0, 2.0);
    ASSERT_EQ(square.meshes.size(), 16u);
    for (const MeshPiece& piece : square.meshes) {
        EXPECT_EQ(extentOf(piece).columns, 16);
        EXPECT_EQ(extentOf(piece).rows, 16);
    }
    // Rows four times as far apart as columns: pieces square in the world, not on the grid.
    const auto stretched = partition(full, 0.5, 2.0);
    for (const MeshPiece& piece : stretched.meshes) {
        const Extent e = extentOf(piece);
        const double width = e.columns * 0.5, height = e.rows * 2.0;
        EXPECT_LE(std::max(width, height), 2 * std::min(width, height));
    }
    // A flat terrain is one mesh however large.
    const Triangulation flat = simplified(Terrain::Flat, 4097, 4097, 0.0);
    const auto one = partition(flat, 1.0, 1.0);
    ASSERT_EQ(one.meshes.size(), 1u);
    EXPECT_EQ(extentOf(one.meshes[0]).columns, 4096);
}

TEST(Partition, SmallLimitsAreHeldWhicheverBindsFirst) {
    const Triangulation mesh = simplified(Terrain::Smooth, 65, 33, 0.02);
    for (const MeshLimits limits :
         {MeshLimits{7, 6}, MeshLimits{4, 100}, MeshLimits{3, 1}, MeshLimits{30, 30}}) {
        const auto result = partition(mesh, 1.0, 1.0, limits);
        ASSERT_EQ(result.status, PartitionStatus::Ok);
        expectSoundPieces(mesh, result.meshes, limits);
    }
}

TEST(Partition, SameInputSameMeshes) {
    const Triangulation mesh = simplified(Terrain::Terraced, 257, 129, 0.02);
    const auto first = partition(mesh, 0.7, 1.3);
    const auto second = partition(mesh, 0.7, 1.3);
    ASSERT_EQ(first.meshes.size(), second.meshes.size());
    for (std::size_t m = 0; m < first.meshes.size(); ++m) {
        EXPECT_EQ(first.meshes[m].vertices, second.meshes[m].vertices);
        EXPECT_EQ(first.meshes[m].faces, second.meshes[m].faces);
        EXPECT_EQ(first.meshes[m].triangles, second.meshes[m].triangles);
    }
}

TEST(Partition, RefusesBadInput) {
    const Triangulation mesh = simplified(Terrain::Smooth, 9, 9, 0.0);
    Triangulation broken = mesh;
    broken.triangles.back().c = std::uint32_t(broken.points.size());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        const Triangulation& mesh;
        double sx, sy;
        MeshLimits limits;
        PartitionStatus status;
    };
    const Case cases[] = {
        {"no faces allowed", mesh, 1, 1, {512, 0}, PartitionStatus::BadLimits},
        {"two vertices allowed", mesh, 1, 1, {2, 512}, PartitionStatus::BadLimits},
        {"more vertices than a face can number",
         mesh,
         1,
         1,
         {70000, 512},
         PartitionStatus::BadLimits},
        {"zero spacing", mesh, 0, 1, kGameMeshLimits, PartitionStatus::BadSpacing},
        {"negative spacing", mesh, 1, -1, kGameMeshLimits, PartitionStatus::BadSpacing},
        {"NaN spacing", mesh, nan, 1, kGameMeshLimits, PartitionStatus::BadSpacing},
        {"infinite spacing", mesh, 1, inf, kGameMeshLimits, PartitionStatus::BadSpacing},
        {"a corner past the points", broken, 1, 1, kGameMeshLimits,
         PartitionStatus::BadTriangulation},
    };
    for (const Case& c : cases) {
        const auto result = partition(c.mesh, c.sx, c.sy, c.limits);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_TRUE(result.meshes.empty()) << c.what;
        EXPECT_FALSE(describe(result.status).empty());
    }
}

} // namespace
} // namespace grondel::terrain
