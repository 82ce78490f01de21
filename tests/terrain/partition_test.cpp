#include "support/scoped_env.h"
#include "terrain/meshes.h"
#include "terrains.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

namespace grondel::terrain {
namespace {

using testing::makeTerrain;
using testing::Terrain;

Triangulation simplified(Terrain kind, int columns, int rows, double maxError) {
    const auto heights = makeTerrain(kind, columns, rows);
    return simplify({columns, rows, 0.5, heights}, {maxError, {}}).mesh;
}

// Every piece within limits, every triangle in exactly one piece as a face with the same
// corners in the same order, each piece's vertices distinct.
void expectSoundPieces(const Triangulation& mesh, const std::vector<MeshShape>& pieces,
                       MeshLimits limits) {
    const auto key = [](GridPoint a, GridPoint b, GridPoint c) {
        return std::tuple(a.column, a.row, b.column, b.row, c.column, c.row);
    };
    std::map<decltype(key({}, {}, {})), int> seen;
    for (const Triangle& t : mesh.triangles)
        seen[key(mesh.points[t.a], mesh.points[t.b], mesh.points[t.c])] = 0;
    for (const MeshShape& piece : pieces) {
        EXPECT_GE(piece.faces.size(), 1u);
        EXPECT_LE(piece.faces.size(), static_cast<std::size_t>(limits.maxFaces));
        EXPECT_LE(piece.points.size(), static_cast<std::size_t>(limits.maxVertices));
        std::set<std::pair<int, int>> distinct;
        for (const GridPoint& p : piece.points)
            distinct.insert({p.column, p.row});
        EXPECT_EQ(distinct.size(), piece.points.size());
        for (const auto& face : piece.faces) {
            const auto at = [&](int k) { return piece.points.at(static_cast<std::size_t>(k)); };
            const auto found = seen.find(key(at(face[0]), at(face[1]), at(face[2])));
            ASSERT_NE(found, seen.end());
            ++found->second;
        }
    }
    for (const auto& [triangle, count] : seen)
        EXPECT_EQ(count, 1);
}

struct Extent {
    int columns = 0;
    int rows = 0;
};
Extent extentOf(const MeshShape& piece) {
    int minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
    for (const GridPoint& p : piece.points) {
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
        std::string error;
        const auto meshes = cutTriangulation(mesh, 1.0, 1.0, error);
        ASSERT_EQ(error, "");
        expectSoundPieces(mesh, meshes, {});
        EXPECT_EQ(meshes.size(), (mesh.triangles.size() + 511) / 512);
        EXPECT_EQ(meshes.back().name, "mesh" + std::to_string(meshes.size() - 1));
    }
}

TEST(Partition, PiecesAreCompactInWorldUnits) {
    const Triangulation full = simplified(Terrain::Noisy, 65, 65, 0.0);
    // Square spacing: sixteen tiles of 16 x 16 squares.
    std::string error;
    const auto square = cutTriangulation(full, 2.0, 2.0, error);
    ASSERT_EQ(square.size(), 16u);
    for (const MeshShape& piece : square) {
        EXPECT_EQ(extentOf(piece).columns, 16);
        EXPECT_EQ(extentOf(piece).rows, 16);
    }
    // Rows four times as far apart as columns: pieces square in the world, not on the grid.
    for (const MeshShape& piece : cutTriangulation(full, 0.5, 2.0, error)) {
        const Extent e = extentOf(piece);
        const double width = e.columns * 0.5, height = e.rows * 2.0;
        EXPECT_LE(std::max(width, height), 2 * std::min(width, height));
    }
    // A flat terrain is one mesh however large.
    const Triangulation flat = simplified(Terrain::Flat, 4097, 4097, 0.0);
    const auto one = cutTriangulation(flat, 1.0, 1.0, error);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(extentOf(one[0]).columns, 4096);
}

TEST(Partition, SmallLimitsAreHeldWhicheverBindsFirst) {
    const Triangulation mesh = simplified(Terrain::Smooth, 65, 33, 0.02);
    for (const MeshLimits limits :
         {MeshLimits{7, 6}, MeshLimits{4, 100}, MeshLimits{3, 1}, MeshLimits{30, 30}}) {
        std::string error;
        const auto meshes = cutTriangulation(mesh, 1.0, 1.0, error, limits);
        ASSERT_EQ(error, "");
        expectSoundPieces(mesh, meshes, limits);
    }
}

// The same meshes again, and on any number of threads.
TEST(Partition, SameInputSameMeshes) {
    const Triangulation mesh = simplified(Terrain::Terraced, 257, 129, 0.02);
    std::string error;
    const auto on = [&](const char* threads) {
        const grondel::testing::ScopedEnv env("GRONDEL_THREADS", threads);
        return cutTriangulation(mesh, 0.7, 1.3, error);
    };
    const auto first = on("1");
    const auto second = on("5");
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t m = 0; m < first.size(); ++m) {
        EXPECT_EQ(first[m].points, second[m].points);
        EXPECT_EQ(first[m].faces, second[m].faces);
    }
}

TEST(Partition, RefusesBadInput) {
    const Triangulation mesh = simplified(Terrain::Smooth, 9, 9, 0.0);
    Triangulation broken = mesh;
    broken.triangles.back().c = static_cast<std::uint32_t>(broken.points.size());
    Triangulation far = mesh, negative = mesh;
    far.points.back().column = 65536;
    negative.points.back().row = -1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const Triangulation& mesh;
        double sx, sy;
        MeshLimits limits;
        const char* words;
    };
    const Case cases[] = {
        {mesh, 1, 1, {512, 0}, "a mesh must be allowed 1 to"},
        {mesh, 1, 1, {2, 512}, "a mesh must be allowed"},
        {mesh, 1, 1, {70000, 512}, "a mesh must be allowed"}, // more than a face can number
        {mesh, 0, 1, {}, "spacing"},
        {mesh, 1, -1, {}, "spacing"},
        {mesh, nan, 1, {}, "spacing"},
        {mesh, 1, inf, {}, "spacing"},
        {broken, 1, 1, {}, "a triangle refers to a point"},
        {far, 1, 1, {}, "outside columns and rows 0 to 65535"},
        {negative, 1, 1, {}, "outside columns and rows 0 to 65535"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_TRUE(cutTriangulation(c.mesh, c.sx, c.sy, error, c.limits).empty()) << c.words;
        EXPECT_NE(error.find(c.words), std::string::npos) << error;
    }
}

} // namespace
} // namespace grondel::terrain
