#include "mesh_check.h"

#include <gtest/gtest.h>

namespace grondel::terrain::testing {
namespace {

// A 3 x 3 grid, all at 0 but the centre at 1. Points: 0 NW, 1 NE, 2 SE, 3 SW, 4 centre.
const std::vector<double> kHeights{0, 0, 0, 0, 1, 0, 0, 0, 0};
const std::vector<GridPoint> kCorners{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
const std::vector<GridPoint> kWithCentre{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}};
// Four triangles round the centre, counter-clockwise seen from above (north up).
const std::vector<Triangle> kFan{{0, 3, 4}, {3, 2, 4}, {2, 1, 4}, {1, 0, 4}};
const std::vector<Triangle> kHalves{{0, 3, 2}, {0, 2, 1}};

TEST(MeshCheck, FindsEachFault) {
    struct Case {
        const char* what;
        Triangulation mesh;
        std::string problem; // empty: sound
        double error;
    };
    const Case cases[] = {
        {"fan round the centre", {kWithCentre, kFan}, "", 0.0},
        {"two halves, centre on the diagonal", {kCorners, kHalves}, "", 1.0},
        {"a point off the grid",
         {{{0, 0}, {2, 0}, {2, 3}, {0, 2}}, kHalves},
         "a point lies off the grid",
         0},
        {"a point twice",
         {{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}, kHalves},
         "a point is kept twice",
         0},
        {"an index past the points",
         {kCorners, {{0, 3, 2}, {0, 2, 4}}},
         "triangle 1: names a point that is not there",
         0},
        {"clockwise",
         {kWithCentre, {{0, 3, 4}, {3, 4, 2}, {2, 1, 4}, {1, 0, 4}}},
         "triangle 1: clockwise seen from above",
         0},
        {"flat", {kWithCentre, {{0, 4, 2}, {0, 3, 2}}}, "triangle 0: no area", 0},
        {"a hole",
         {kWithCentre, {{0, 3, 4}, {3, 2, 4}, {2, 1, 4}}},
         "the triangles' areas do not add up to the rectangle's",
         0},
        {"an overlap",
         {kWithCentre, {{0, 3, 4}, {3, 2, 4}, {2, 1, 4}, {2, 1, 4}}},
         "two triangles overlap along an edge",
         0},
        {"a T-junction",
         {kWithCentre, {{0, 2, 1}, {0, 3, 4}, {4, 3, 2}}},
         "an inner edge has a triangle on one side only",
         0},
        {"a kept point inside an edge",
         {kWithCentre, kHalves},
         "a kept point lies inside an edge (T-junction)",
         0},
        {"a kept point inside a border edge",
         {{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 0}}, kHalves},
         "a kept point lies inside an edge (T-junction)",
         0},
    };
    for (const Case& c : cases) {
        const MeshReport report = checkMesh(3, 3, kHeights, c.mesh);
        EXPECT_EQ(report.problem, c.problem) << c.what;
        if (c.problem.empty()) {
            EXPECT_EQ(report.maxError, c.error) << c.what;
        }
    }
}

TEST(MeshCheck, FindsUnusedPointsAndMeasuresInsideTriangles) {
    // 4 x 3 grid, two halves over the corners; (1, 1) is off the diagonal (0, 0)-(3, 2).
    std::vector<double> heights(12, 0.0);
    heights[1 * 4 + 1] = -0.25;
    heights[2 * 4 + 3] = 3.0; // the south-east corner: the surface leans towards it
    const std::vector<GridPoint> corners{{0, 0}, {3, 0}, {3, 2}, {0, 2}};
    const std::vector<Triangle> halves{{0, 3, 2}, {0, 2, 1}};
    auto extra = corners;
    extra.push_back({1, 1});
    EXPECT_EQ(checkMesh(4, 3, heights, {extra, halves}).problem,
              "a point is kept but used by no triangle");
    const MeshReport report = checkMesh(4, 3, heights, {corners, halves});
    EXPECT_EQ(report.problem, "");
    // The surface is 3 times the weight of SE: 1/3 at (1, 1) (error 1.25 against -0.25), 1/2
    // at (2, 1) and (3, 1), 2/3 at (2, 2), where the grid is 0: the error is 2.
    EXPECT_DOUBLE_EQ(report.maxError, 2.0);
}

} // namespace
} // namespace grondel::terrain::testing
