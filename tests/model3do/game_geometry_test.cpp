#include "model3do/game_model.h"
#include "model3do/game_numbers.h"
#include "model3do/game_tiles.h"
#include "model3do/model_check.h"
#include "model3do/printed_model.h"
#include "model3do/problems.h"

#include <cmath>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// Steep noise in the west quarter, where every cell differs from its neighbours; flat ground
// east of it.
HeightMap noisyGrid() {
    HeightMap grid;
    for (int k = 0; k < kMaxEdge * kMaxEdge; ++k)
        if (k % 64 < 16)
            (void)grid.set(k % 64, k / 64, packColour(k * 97 % 251, k * 13 % 256, k % 7 * 30));
    return grid;
}

template <typename Append>
std::string printed(Append append) {
    ModelText out;
    append(out);
    return std::move(out).take();
}

} // namespace

TEST(GameNumbers, PrintXAndYExactlyAndTheRestWithNineSignificantDigits) {
    using namespace game_numbers;
    // Exact multiples of 2^-k with at most k decimals, no trailing zeros, no "-0".
    for (const auto& [value, k, text] : std::initializer_list<std::tuple<double, int, std::string>>{
             {-15.75, 20, "-15.75"},
             {3, 20, "3"},
             {-0.0, 8, "0"},
             {std::ldexp(1, -35), 35, "0.00000000002910383045673370361328125"},
             {16777216, 0, "16777216"},
             {quantized(0.15, 21), 21, "0.150000095367431640625"}})
        EXPECT_EQ(printed([&](ModelText& out) { appendExact(out, value, k); }), text);
    // Shortest texts of 9-digit values; a tiny normal z keeps its digits.
    for (const auto& [value, text] : std::initializer_list<std::pair<double, std::string>>{
             {significant(1 / 3.0), "0.333333333"},
             {significant(-3.2e-7), "-3.2e-07"},
             {significant(6.25000001234e-8), "6.25000001e-08"},
             {significant(2097151.999), "2097152"},
             {-0.0, "0"}})
        EXPECT_EQ(printed([&](ModelText& out) { appendShortest(out, value); }), text);
    // Radii cover the distance even once read into a float32.
    for (const double distance : {1.0, 22.2855536, 1e-9, 123456789.0}) {
        const double radius = radiusAbove(distance);
        EXPECT_GE(static_cast<float>(radius), distance);
        EXPECT_LE(radius, distance * (1 + 1e-6));
        EXPECT_EQ(significant(radius), radius);
    }
    // The finest quantum keeps the widest value within 2^24 quanta.
    for (const auto& [largest, k] :
         std::initializer_list<std::pair<double, int>>{{15.75, 20},
                                                       {16, 20},
                                                       {16.000001, 19},
                                                       {0.01575, 29},
                                                       {16777216, 0},
                                                       {16777217, -1},
                                                       {1e-30, kMaxQuantumDecimals},
                                                       {INFINITY, -1}})
        EXPECT_EQ(quantumExponent(largest), k) << largest;
}

// Scales on each axis apart, texel densities from the least to the most: every model the
// builder makes loads and draws right by the checker's terrain rules; every other is refused
// with a reason naming the options that cause it.
TEST(GameModel, EveryCombinationOfOptionsLoadsAndDrawsRightOrIsRefusedNamingIt) {
    const HeightMap grid = noisyGrid();
    const std::vector<double> scales{0.001, 0.3, 1, 7.7, 1000};
    int refused = 0, made = 0, texturesRefused = 0;
    for (double x : scales)
        for (double y : scales)
            for (double z : scales)
                for (double texels : {0.001, 320.0, 100000.0}) {
                    const GameModelOptions o{x, y, z, "dflt.mat", texels};
                    const GameModelText model = formatGameModel(grid, 32, o);
                    SCOPED_TRACE(::testing::Message() << x << ", " << y << ", " << z << " at "
                                                      << texels << ": " << model.error);
                    if (!model.ok()) {
                        ++refused;
                        EXPECT_EQ(model.error.find('\n'), std::string::npos);
                        const bool textures = model.error.find("texture") != std::string::npos;
                        texturesRefused += textures;
                        for (double named : textures ? std::vector{texels} : std::vector{x, y, z})
                            EXPECT_NE(model.error.find(optionText(named)), std::string::npos);
                        continue;
                    }
                    ++made;
                    const ModelCheck check = checkModel(model.text, {true});
                    EXPECT_TRUE(check.ok()) << problems(check);
                }
    EXPECT_EQ(made + refused, 375);
    EXPECT_GT(made, refused);
    EXPECT_EQ(texturesRefused, 80); // X or Y at 7.7 or more with 100000 texels per unit
}

TEST(GameModel, RefusesWhatCannotBeMadeOrDrawnWithOneLineSayingWhy) {
    const HeightMap noisy = noisyGrid();
    struct Case {
        GameModelOptions options;
        int edge;
        std::string_view words;
        const HeightMap* grid = nullptr;
    };
    const double nan = NAN, inf = INFINITY;
    for (const Case& c : std::initializer_list<Case>{
             {{0, 1, 1}, 16, "scale X 0 is outside 0.001 to 1000"},
             {{1, -1, 1}, 16, "scale Y -1 is outside"},
             {{1, 1, nan}, 16, "scale Z nan is outside"},
             {{1, 1, 1000.5}, 16, "scale Z 1000.5 is outside"},
             {{1, 1, 0.0009}, 16, "scale Z 0.0009"},
             {{inf, 1, 1}, 16, "scale X inf"},
             {{1, 1, 1, "dflt.mat", 0}, 16, "texels per unit 0 is outside 0.001 to 100000"},
             {{1, 1, 1, "dflt.mat", 100001}, 16, "texels per unit 100001"},
             {{1, 1, 1, "dflt.mat", -nan}, 16, "texels per unit"},
             {{1, 1, 1, ""}, 16, "the material \"\" is not"},
             {{1, 1, 1, "dflt.bmp"}, 16, "\"dflt.bmp\" is not a plain file name ending in .mat"},
             {{1, 1, 1, "my rock.mat"}, 16, "\"my rock.mat\""},
             {{1, 1, 1, "line\nbreak.mat"}, 16, "\"line?break.mat\""},
             {{1, 1, 1, "höhe.mat"}, 16, "\"h??he.mat\""},
             {{1, 1, 1, std::string(28, 'a') + ".mat"}, 16, "at most 31 characters"},
             {{}, 1, "the grid edge 1 is outside 2 to 64"},
             {{}, 65, "the grid edge 65"},
             {{}, -1, "the grid edge -1"},
             // Texture coordinates past 2^21 texels, even shifted by whole 1024s.
             {{7.7, 0.001, 1, "dflt.mat", 100000},
              16,
              "reach 2.88768e+06 texels in a mesh at "
              "scale 7.7, 0.001 and 100000 texels per unit"},
             // Squares 0.0005 units wide under hills thousands high.
             {{0.001, 0.001, 1000},
              64,
              "square units in a model 5655.14 units across (scale 0.001, 0.001, 1000)",
              &noisy},
         }) {
        const GameModelText model =
            formatGameModel(c.grid ? *c.grid : HeightMap(), c.edge, c.options);
        EXPECT_TRUE(model.text.empty());
        EXPECT_NE(model.error.find(c.words), std::string::npos) << model.error;
        EXPECT_EQ(model.error.find('\n'), std::string::npos) << model.error;
    }
    // A flat terrain has nothing tall beside its small squares.
    EXPECT_TRUE(formatGameModel(HeightMap(), 64, {0.001, 0.001, 1000}).ok());
}

TEST(TerrainGrid, TakesTheTopLeftSquareOfTheColourGridRowAfterRowAndRefusesWhatCannotBeATerrain) {
    HeightMap map;
    ASSERT_TRUE(map.set(2, 0, 0xffffff) && map.set(0, 2, 2097151) && map.set(3, 3, -1));
    const TerrainGrid grid = terrainGridOf(map, 3);
    EXPECT_EQ(std::tuple(grid.columns, grid.rows, grid.spacing), std::tuple(3, 3, 0.5));
    EXPECT_EQ(grid.heights, (std::vector<double>{0, 0, 16777215 / 2097151.0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(grid.at({2, 0}), 16777215 / 2097151.0);
    for (const int edge : {-1, 65})
        EXPECT_EQ(terrainGridOf(map, edge).heights.size(), 0u);

    const auto with = [](int columns, int rows, double spacing, double height) {
        TerrainGrid g{columns, rows, spacing,
                      std::vector<double>(std::size_t(std::max(columns * rows, 0)), 1.0)};
        if (!g.heights.empty())
            g.heights.back() = height;
        return g;
    };
    for (const auto& [g, words] : std::initializer_list<std::pair<TerrainGrid, std::string>>{
             {with(1, 5, 0.5, 0), "1 x 5 points; each side takes 2 to 4097"},
             {with(5, 4098, 0.5, 0), "5 x 4098 points"},
             {TerrainGrid{3, 3, 0.5, {1, 2}}, "holds 2 heights for 3 x 3 points"},
             {with(3, 3, 0, 0), "spacing is not a number above 0"},
             {with(3, 3, NAN, 0), "spacing"},
             {with(3, 3, 0.5, NAN), "a height that is not a number within 1000000000000000"},
             {with(3, 3, 0.5, -2e15), "a height that is not"}}) {
        EXPECT_NE(terrainGridProblem(g).find(words), std::string::npos) << terrainGridProblem(g);
        EXPECT_NE(buildGameModel(g, {}).error.find(words), std::string::npos);
    }
    EXPECT_EQ(terrainGridProblem(with(2, 4097, 1e-3, -1e15)), "");
}

// A grid of any size, cut into tiles of at most 16 squares; the edges of the picture still on
// the north and west.
TEST(GameModel, TilesAGridOfAnySizeNorthUp) {
    TerrainGrid grid{20, 35, 0.25, {}};
    for (int k = 0; k < 20 * 35; ++k)
        grid.heights.push_back(std::sin(k * 0.37) + (k % 20) * 0.1);
    const GameModelBuild built = buildGameModel(grid, {2, 3, 0.5, "dflt.mat", 320});
    ASSERT_TRUE(built.ok()) << built.error;
    const ModelCheck check = checkModel(printGameModel(built.model), {true});
    EXPECT_TRUE(check.ok()) << problems(check);
    // 19 x 34 squares: 2 tiles across, 3 down, west to east inside north to south.
    EXPECT_EQ(std::tuple(check.meshes, check.faces), std::tuple(6, 19 * 34 * 2));
    const std::vector<std::string> names{"tile0_0", "tile1_0", "tile0_1",
                                         "tile1_1", "tile0_2", "tile1_2"};
    for (std::size_t m = 0; m < names.size(); ++m)
        EXPECT_EQ(built.model.meshes[m].name, names[m]);
    // The first point of the first tile is the grid's north-west corner.
    const GameMesh& first = built.model.meshes[0];
    const Vec3 corner = first.node + first.vertices[0];
    EXPECT_EQ(corner.x, -9.5 * 0.25 * 2);
    EXPECT_EQ(corner.y, 17 * 0.25 * 3);
    EXPECT_EQ(corner.z, game_numbers::significant(grid.heights[0] * 0.5));
}

// Meshes of any shape over grid points, as a simplifier would hand them: their borders meet
// on the same floats and are lit alike, each node at its mesh's centre.
TEST(GameModel, BuildsMeshesOfAnyShapeAndRefusesShapesTheGameCannotTake) {
    TerrainGrid grid{9, 9, 0.5, std::vector<double>(81, 0.0)};
    for (int k = 0; k < 81; ++k)
        grid.heights[std::size_t(k)] = (k % 9) * (k % 9) * 0.05 + k / 9 * 0.1;
    // West: two triangles over the corners (0..4) x (0..8). East: a fan around (6, 4).
    const MeshShape west{"west", {{0, 0}, {0, 8}, {4, 8}, {4, 0}}, {{0, 1, 2}, {0, 2, 3}}};
    const MeshShape east{"east",
                         {{6, 4}, {8, 8}, {8, 0}, {4, 0}, {4, 8}},
                         {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}}};
    const GameModelBuild built = buildGameModel(grid, {west, east}, {});
    ASSERT_TRUE(built.ok()) << built.error;
    const ModelCheck check = checkModel(printGameModel(built.model), {true});
    EXPECT_TRUE(check.ok()) << problems(check);
    const GameMesh &w = built.model.meshes[0], &e = built.model.meshes[1];
    EXPECT_EQ(w.node, (Vec3{-1, 0, 0}));
    EXPECT_EQ(e.node, (Vec3{1, 0, 0}));
    // Points (4, 0) and (4, 8) in both meshes: the same place and the same normal.
    for (const auto& [inWest, inEast] : {std::pair{3, 3}, std::pair{2, 4}}) {
        EXPECT_EQ(w.node + w.vertices[inWest], e.node + e.vertices[inEast]);
        EXPECT_EQ(w.vertexNormals[inWest], e.vertexNormals[inEast]);
        EXPECT_NE(w.vertexNormals[inWest], w.faceNormals[0]);
    }

    const auto refusal = [&](std::vector<MeshShape> shapes) {
        return buildGameModel(grid, shapes, {}).error;
    };
    MeshShape large = west;
    large.points.resize(513, {1, 1});
    for (const auto& [error, words] : std::initializer_list<std::pair<std::string, std::string>>{
             {refusal({}), "the terrain has no mesh"},
             {refusal({west, {"east", east.points, {{0, 2, 1}}}}), "mesh 1 has a face that is not "
                                                                   "counter-clockwise"},
             {refusal({{"flat", {{0, 0}, {1, 1}, {2, 2}}, {{0, 1, 2}}}}), "not counter-clockwise"},
             {refusal({{"off", {{0, 0}, {0, 9}, {4, 8}}, {{0, 1, 2}}}}), "a point off the"},
             {refusal({{"few", west.points, {{0, 1, 4}}}}), "a corner it does not list"},
             {refusal({{"none", west.points, {}}}), "4 vertices and 0 faces"},
             {refusal({large}), "513 vertices"},
             {refusal({{"a b", west.points, west.faces}}), "mesh 0 has no plain name"},
             {refusal({{"", west.points, west.faces}}), "no plain name"},
             {refusal({{std::string(32, 'n'), west.points, west.faces}}), "no plain name"}})
        EXPECT_NE(error.find(words), std::string::npos) << error;
}

// Steep faces a hair from vertical keep their normal's small z: printed with six decimals it
// would read 0, and the game would never draw them.
TEST(GameModel, SteepFacesKeepTheirNormalsUp) {
    const GameModelText made = formatGameModel(noisyGrid(), 32, {0.001, 0.3, 1000});
    ASSERT_TRUE(made.ok()) << made.error;
    double least = 1.0;
    for (const PrintedMesh& mesh : readPrinted(made.text).meshes)
        for (const char* list : {"FACE NORMALS", "VERTEX NORMALS"})
            for (const std::string& normal : mesh.lists.at(list))
                least = std::min(least, vec(normal).z);
    EXPECT_GT(least, 0.0);
    EXPECT_LT(least, 5e-7);
}
