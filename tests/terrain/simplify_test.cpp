#include "mesh_check.h"
#include "support/scoped_env.h"
#include "terrain/simplify.h"
#include "terrains.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace grondel::terrain {
namespace {

using testing::checkMesh;
using testing::makeTerrain;
using testing::Terrain;

SimplifyResult run(int columns, int rows, const std::vector<double>& heights,
                   std::optional<double> maxError, std::optional<std::int64_t> maxFaces = {},
                   int tileSide = 0) {
    return simplify({columns, rows, 0.5, heights}, {maxError, maxFaces, nullptr, {}, tileSide});
}

double largestAbs(const std::vector<double>& heights) {
    double m = 0;
    for (const double h : heights)
        m = std::max(m, std::abs(h));
    return m;
}

// What E = 0 promises: errors of rounding only, below 2^-35 of the largest height.
double roundingBound(const std::vector<double>& heights) {
    return largestAbs(heights) * 0x1p-35;
}

constexpr Terrain kAllTerrains[] = {Terrain::Smooth,    Terrain::Noisy, Terrain::Terraced,
                                    Terrain::Flat,      Terrain::Spiky, Terrain::Tilted,
                                    Terrain::HighOffset};

// In one mesh and in tiles (of 16 points a side, meeting at every kind of corner and side).
TEST(Simplify, MeetsTheErrorBoundOnEveryTerrainAndSize) {
    const std::pair<int, int> sizes[] = {{2, 2}, {3, 7}, {7, 3}, {65, 65}, {257, 129}, {2, 300}};
    const double bounds[] = {0.0, 0.004, 0.05, 0.5, 100.0};
    for (const Terrain kind : kAllTerrains) {
        for (const auto& [columns, rows] : sizes) {
            const auto heights = makeTerrain(kind, columns, rows);
            for (int k = 0; k < 2 * std::ssize(bounds); ++k) {
                const double e = bounds[k / 2];
                const int tiles = k % 2 == 0 ? 0 : 16;
                SCOPED_TRACE(name(kind) + " " + std::to_string(columns) + "x" +
                             std::to_string(rows) + " E " + std::to_string(e) + " tiles " +
                             std::to_string(tiles));
                const auto result = run(columns, rows, heights, e, {}, tiles);
                ASSERT_TRUE(result.ok()) << result.error;
                const auto report = checkMesh(columns, rows, heights, result.mesh);
                ASSERT_EQ(report.problem, "");
                const double allowed = std::max(e, roundingBound(heights));
                EXPECT_LE(report.maxError, allowed);
                EXPECT_LE(result.mesh.error, allowed);
                // The reported error is the checker's, up to rounding.
                EXPECT_NEAR(result.mesh.error, report.maxError, roundingBound(heights));
                EXPECT_TRUE(result.mesh.errorMet);
                if (e == 100.0) {
                    EXPECT_EQ(result.mesh.triangles.size(), 2u);
                }
            }
        }
    }
}

TEST(Simplify, PlanesNeedTwoTrianglesAtZeroError) {
    for (const Terrain kind : {Terrain::Flat, Terrain::Tilted}) {
        for (const auto& [columns, rows] : {std::pair{2, 2}, {3, 7}, {257, 129}, {4097, 3}}) {
            const auto heights = makeTerrain(kind, columns, rows);
            const auto result = run(columns, rows, heights, 0.0);
            ASSERT_TRUE(result.ok()) << result.error;
            EXPECT_EQ(result.mesh.triangles.size(), 2u) << name(kind) << " " << columns;
            EXPECT_EQ(result.mesh.points.size(), 4u);
            EXPECT_EQ(checkMesh(columns, rows, heights, result.mesh).problem, "");
        }
    }
}

TEST(Simplify, ZeroErrorKeepsEveryPointOffTheSurface) {
    // Random heights: no point lies on a plane through others, so all are kept.
    const auto heights = makeTerrain(Terrain::Noisy, 9, 6);
    const auto result = run(9, 6, heights, 0.0);
    EXPECT_EQ(result.mesh.points.size(), 54u);
    EXPECT_EQ(result.mesh.triangles.size(), 2u * 8 * 5);
    const auto report = checkMesh(9, 6, heights, result.mesh);
    EXPECT_EQ(report.problem, "");
    EXPECT_EQ(report.maxError, 0.0);
    // The corners come first, north-west and then clockwise on the map.
    ASSERT_GE(result.mesh.points.size(), 4u);
    EXPECT_EQ(result.mesh.points[0], (GridPoint{0, 0}));
    EXPECT_EQ(result.mesh.points[1], (GridPoint{8, 0}));
    EXPECT_EQ(result.mesh.points[2], (GridPoint{8, 5}));
    EXPECT_EQ(result.mesh.points[3], (GridPoint{0, 5}));
}

TEST(Simplify, OneRaisedPointIsKeptExactlyOnTheBound) {
    // 3 x 3 zeros with the centre at 1: its error is 1 until it is kept. At E = 1 the margin
    // keeps it anyway; just above 1 it may go.
    std::vector<double> heights(9, 0.0);
    heights[4] = 1.0;
    EXPECT_EQ(run(3, 3, heights, 1.0).mesh.points.size(), 5u);
    const auto loose = run(3, 3, heights, 1.0 + 1e-6);
    EXPECT_EQ(loose.mesh.points.size(), 4u);
    EXPECT_EQ(loose.mesh.error, 1.0);
}

TEST(Simplify, FaceBudgetIsNeverExceeded) {
    const auto heights = makeTerrain(Terrain::Noisy, 65, 65);
    for (const std::int64_t faces : {2, 3, 4, 5, 50, 51, 1000, 8191}) {
        SCOPED_TRACE(faces);
        const auto result = run(65, 65, heights, std::nullopt, faces);
        ASSERT_TRUE(result.ok()) << result.error;
        const auto count = std::int64_t(result.mesh.triangles.size());
        EXPECT_LE(count, faces);
        EXPECT_FALSE(result.mesh.errorMet);
        const auto report = checkMesh(65, 65, heights, result.mesh);
        EXPECT_EQ(report.problem, "");
        EXPECT_NEAR(result.mesh.error, report.maxError, 1e-12);
    }
    // Enough faces for every point: the budget is not reached and the error is met.
    const auto all = run(65, 65, heights, std::nullopt, 2 * 64 * 64);
    EXPECT_TRUE(all.mesh.errorMet);
    EXPECT_EQ(all.mesh.triangles.size(), 2u * 64 * 64);
}

// Under a budget the error reached scales with the heights. Another Z scale changes the printed
// heights' last digits, and on ridged terrain, whose errors come in near ties, that changes which
// insertion greedy insertion ends on: one that leaves a worse triangle behind for the next, no
// longer in the budget, to mend must not be where it stops.
TEST(Simplify, AFaceBudgetsErrorScalesWithTheHeights) {
    const std::pair<int, std::int64_t> cases[] = {{65, 2000}, {129, 3000}};
    for (const auto& [side, faces] : cases) {
        const TerrainGrid grid{side, side, 0.5, makeTerrain(Terrain::Ridged, side, side)};
        const double atOne = simplify(grid, {0.0, faces, nullptr, 1.0}).mesh.error;
        for (const double z : {0.125, 4.0, 10.0}) {
            SCOPED_TRACE(std::to_string(side) + " Z " + std::to_string(z));
            const auto reached = simplify(grid, {0.0, faces, nullptr, z}).mesh;
            EXPECT_LE(std::int64_t(reached.triangles.size()), faces);
            EXPECT_NEAR(reached.error / z / atOne, 1.0, 0.15);
        }
    }
}

TEST(Simplify, BothLimitsMeetTheErrorWhenTheBudgetAllows) {
    const auto heights = makeTerrain(Terrain::Smooth, 129, 65);
    const auto free = run(129, 65, heights, 0.01);
    const auto count = std::int64_t(free.mesh.triangles.size());
    ASSERT_GT(count, 10);
    // A budget of what the error needs changes nothing, though greedy insertion alone
    // needs more faces before coarsening takes some away.
    for (const std::int64_t budget : {count, count + 10}) {
        const auto enough = run(129, 65, heights, 0.01, budget);
        EXPECT_TRUE(enough.mesh.errorMet);
        EXPECT_EQ(enough.mesh.triangles, free.mesh.triangles);
    }
    // A tighter one stops short and says how far it got, tiles or none: tiles that pass the
    // first budget together hand over to the budget.
    for (const int tiles : {0, 32}) {
        const auto tight = run(129, 65, heights, 0.01, count / 2, tiles);
        EXPECT_FALSE(tight.mesh.errorMet);
        EXPECT_LE(std::int64_t(tight.mesh.triangles.size()), count / 2);
        EXPECT_GT(tight.mesh.error, 0.01);
        EXPECT_NEAR(tight.mesh.error, checkMesh(129, 65, heights, tight.mesh).maxError, 1e-12);
    }
}

// Again, and on one thread or four: tiles refine in any order.
TEST(Simplify, SameInputSameOutput) {
    for (const Terrain kind : {Terrain::Noisy, Terrain::Terraced}) {
        const auto heights = makeTerrain(kind, 257, 129);
        const auto on = [&](const char* threads) {
            const grondel::testing::ScopedEnv env("GRONDEL_THREADS", threads);
            return run(257, 129, heights, 0.1, {}, 32);
        };
        const auto first = on("1"), second = on("4");
        EXPECT_EQ(first.mesh.points, second.mesh.points);
        EXPECT_EQ(first.mesh.triangles, second.mesh.triangles);
        EXPECT_EQ(first.mesh.error, second.mesh.error);
    }
}

TEST(Simplify, RefusesBadInput) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> four(4, 1.0);
    struct Case {
        TerrainGrid grid;
        SimplifyLimits limits;
        const char* words;
    };
    const Case cases[] = {
        {{1, 4, 0.5, four}, {}, "1 x 4 points"},
        {{4098, 1, 0.5, std::vector<double>(4098, 1.0)}, {}, "4098 x 1 points"},
        {{3, 2, 0.5, four}, {}, "holds 4 heights for 3 x 2 points"},
        {{2, 2, 0.5, {1.0, nan, 1.0, 1.0}}, {}, "a height that is not a number"},
        {{2, 2, 0.5, {1.0, 1.0, -inf, 1.0}}, {}, "a height that is not a number"},
        {{2, 2, 0.5, {1.0, 1.0, 1.0, 2e15}}, {}, "a height that is not a number"},
        {{2, 2, 0.5, four}, {-0.1, {}}, "the largest error must be"},
        {{2, 2, 0.5, four}, {nan, {}}, "the largest error must be"},
        {{2, 2, 0.5, four}, {inf, {}}, "the largest error must be"},
        {{2, 2, 0.5, four}, {{}, 1}, "the face budget must be at least 2"},
        {{2, 2, 0.5, four}, {0.5, -7}, "the face budget must be"},
        {{2, 2, 0.5, four}, {0.5, {}, nullptr, {}, 7}, "the tiles' side must be at least 8"},
    };
    for (const Case& c : cases) {
        const auto result = simplify(c.grid, c.limits);
        EXPECT_NE(result.error.find(c.words), std::string::npos) << c.words << ": " << result.error;
        EXPECT_TRUE(result.mesh.points.empty() && result.mesh.triangles.empty()) << c.words;
    }
}

} // namespace
} // namespace grondel::terrain
