// The game model's meshes placed over the terrain grid: north-up, exact after the game's float32
// sums, lit alike across borders, culled by tile, and refused with a reason where the game could
// not draw them.
#include "model3do/game_numbers.h"
#include "model3do/model_check.h"
#include "model3do/number_text.h"
#include "support/game_models.h"
#include "support/printed_model.h"
#include "support/problems.h"
#include "support/scoped_env.h"
#include "terrain/meshes.h"
#include "terrain/placement.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <tuple>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// Every cell different, white and the unreadable -1 among them.
HeightMap busyGrid() {
    HeightMap grid;
    for (int k = 0; k < kMaxEdge * kMaxEdge; ++k)
        (void)grid.set(k / 64, k % 64, packColour(k * 37, k >> 4, (k * 11) ^ 0x5a));
    (void)grid.set(0, 0, 0xffffff);
    (void)grid.set(5, 9, -1);
    return grid;
}

// Decimals written after the point: at most k for a whole multiple of 2^-k.
int decimals(const std::string& number) {
    const auto point = number.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

// The distance of x from the nearest whole multiple of period.
double offPeriod(double x, double period) {
    return std::abs(x - period * std::round(x / period));
}

// Steep noise in the west quarter, where every cell differs from its neighbours; flat ground
// east of it.
HeightMap noisyGrid() {
    HeightMap grid;
    for (int k = 0; k < kMaxEdge * kMaxEdge; ++k)
        if (k % 64 < 16)
            (void)grid.set(k % 64, k / 64, packColour(k * 97 % 251, k * 13 % 256, k % 7 * 30));
    return grid;
}

} // namespace

// Scales on every axis together, texels per unit, edges and both layouts: each model loads as a
// seamless terrain that draws right, or is refused for its texture coordinates; every point
// lands on the same float whether it is walked on or scenery.
TEST(GameModel, EveryModelOfTheOptionGridIsSeamlessAfterTheGamesFloatSumsAndDrawsRight) {
    const HeightMap grid = busyGrid();
    const std::map<int, std::tuple<long long, long long, long long>> counts{
        {16, {1, 256, 450}}, {32, {4, 33 * 33, 1922}}, {64, {16, 67 * 67, 7938}}};
    for (const double scale : {0.001, 0.3, 1.0, 7.7, 1000.0}) {
        for (const double texels : {1.0, 320.0, 100000.0}) {
            for (const auto& [edge, count] : counts) {
                // Each grid point: the float the game places it at, and its lines in one mesh.
                std::map<std::pair<int, int>, std::tuple<std::uint64_t, std::string, Vec3>>
                    placed[2];
                for (const MeshLayout layout : {MeshLayout::Walkable, MeshLayout::Scenery}) {
                    const bool scenery = layout == MeshLayout::Scenery;
                    SCOPED_TRACE(::testing::Message()
                                 << "scale " << scale << " texels " << texels << " edge " << edge
                                 << " scenery " << scenery);
                    GameModelOptions o{scale, scale, scale, "rock.mat", texels};
                    o.layout = layout;
                    const GameModelText made = gameModelText(grid, edge, o);
                    // Half a tile of 16 squares spans 8 * 0.5 * scale * texels; 512 more at worst.
                    if (8 * 0.5 * scale * texels + 512 > 2097152) {
                        EXPECT_NE(made.error.find("texels per unit"), std::string::npos)
                            << made.error;
                        continue;
                    }
                    ASSERT_TRUE(made.ok()) << made.error;
                    GameTerrainOptions options;
                    options.model = o;
                    const GameTerrain built = buildGameTerrain(colourGrid(grid, edge), options);
                    EXPECT_EQ(printGameModel(built.model), made.text);
                    const int quantum = built.model.quantumX;
                    EXPECT_EQ(built.model.quantumY, quantum);
                    const ModelCheck check = checkModel(made.text, {true});
                    EXPECT_TRUE(check.ok()) << problems(check);
                    EXPECT_EQ(std::tuple(check.meshes, check.vertices, check.faces), count);
                    EXPECT_EQ(std::count(made.text.begin(), made.text.end(), '\n'),
                              std::count(made.text.begin(), made.text.end(), '\r'));

                    const PrintedModel model = readPrinted(made.text);
                    EXPECT_EQ(model.lists.at("MATERIALS"), std::vector<std::string>{"rock.mat"});
                    const double step = 0.5 * scale, middle = (edge - 1) / 2.0;
                    auto& seen = placed[scenery];
                    std::map<std::pair<int, int>, Vec3> faceNormalSum;
                    double farthest = 0.0;
                    for (const PrintedMesh& mesh : model.meshes) {
                        const auto node = nodePosition(mesh.node);
                        const auto nodeFloat = nodePosition<float>(mesh.node);
                        const auto& vertices = mesh.lists.at("VERTICES");
                        std::vector<std::pair<int, int>> points;
                        double meshFarthest = 0.0, low = 1e300, high = -1e300;
                        for (std::size_t k = 0; k < vertices.size(); ++k) {
                            const auto v = numbers(vertices[k]);
                            const auto f = numbers<float>(vertices[k]);
                            // The game's own sums, in float32: exact, so no point moves.
                            const float x = f[0] + nodeFloat[0], y = f[1] + nodeFloat[1];
                            ASSERT_EQ(double(x), v[0] + node[0]) << vertices[k];
                            ASSERT_EQ(double(y), v[1] + node[1]) << vertices[k];
                            // North-up: x grows with the picture's column, y against its row.
                            const int i = int(std::lround(x / step + middle));
                            const int j = int(std::lround(middle - y / step));
                            // Within a quantum of the unrounded place, at most 2^-24 of the widest.
                            const double rounding = std::ldexp(middle * step, -24);
                            ASSERT_NEAR(x, (i - middle) * step, rounding) << vertices[k];
                            ASSERT_NEAR(y, (middle - j) * step, rounding) << vertices[k];
                            EXPECT_NEAR(v[2], grid(i, j) / 2097151.0 * scale, 1e-8 * 8 * scale);
                            points.push_back({i, j});
                            // x and y exact: whole quanta, in at most as many decimals.
                            const std::string x0 = vertices[k].substr(0, vertices[k].find(' '));
                            EXPECT_LE(decimals(x0), quantum);
                            EXPECT_EQ(std::ldexp(v[0], quantum),
                                      std::round(std::ldexp(v[0], quantum)));
                            low = std::min(low, v[0]);
                            high = std::max(high, v[0]);
                            meshFarthest = std::max(meshFarthest, length({v[0], v[1], v[2]}));
                            farthest = std::max(farthest, length({x, y, v[2]}));

                            // Texel (0, 0) on the picture's top-left pixel, u with the column and v
                            // with the row, shifted by whole 1024s to stay small.
                            const auto uv = numbers(mesh.lists.at("TEXTURE VERTICES").at(k));
                            const double ku = step * texels;
                            EXPECT_LE(offPeriod(uv[0] - i * ku, 1024), 2e-8 * (i * ku + 1024));
                            EXPECT_LE(offPeriod(uv[1] - j * ku, 1024), 2e-8 * (j * ku + 1024));
                            EXPECT_LE(std::max(std::abs(uv[0]), std::abs(uv[1])), 2097152);

                            const auto bits = std::bit_cast<std::uint32_t>(x) * (1ull << 32) +
                                              std::bit_cast<std::uint32_t>(y);
                            const auto all = std::tuple(
                                bits,
                                vertices[k].substr(vertices[k].rfind(' ', vertices[k].size() - 10)),
                                vec(mesh.lists.at("VERTEX NORMALS").at(k)));
                            EXPECT_EQ(seen.emplace(points.back(), all).first->second, all);
                        }
                        // Scenery: the node at the tile's centre. Walkable: at the thing's origin,
                        // where the game collides. The radius measured from there, tight.
                        if (scenery)
                            EXPECT_LE(std::abs(low + high), std::ldexp(middle * step, -23))
                                << mesh.node;
                        else
                            EXPECT_EQ(node, (std::vector<double>{0, 0, 0}));
                        EXPECT_EQ(node[2], 0.0);
                        const double radius = numbers(mesh.radius).at(0);
                        EXPECT_GE(radius, meshFarthest);
                        EXPECT_LE(radius, meshFarthest * (1 + 1e-6));

                        // Faces counter-clockwise seen from above, normals their own and up.
                        const auto& faces = mesh.lists.at("FACES");
                        for (std::size_t f = 0; f < faces.size(); ++f) {
                            const auto n = numbers(faces[f]);
                            ASSERT_TRUE(n.size() == 13 && n[7] == n[8] && n[9] == n[10] &&
                                        n[11] == n[12])
                                << faces[f];
                            const auto at = [&](double c) {
                                return vec(vertices.at(std::size_t(c)));
                            };
                            const Vec3 a = at(n[7]), b = at(n[9]), c = at(n[11]);
                            const Vec3 winding = cross(b - a, c - a);
                            const Vec3 normal = vec(mesh.lists.at("FACE NORMALS").at(f));
                            EXPECT_GT(winding.z, 0.0) << faces[f];
                            EXPECT_GT(normal.z, 0.0) << faces[f];
                            EXPECT_LT(length(unit(winding) - normal), 1e-8) << faces[f];
                            for (double corner : {n[7], n[9], n[11]})
                                faceNormalSum[points.at(std::size_t(corner))] += normal;
                        }
                    }
                    EXPECT_EQ(seen.size(), std::size_t(edge * edge));
                    const double radius = numbers(model.radius).at(0);
                    EXPECT_GE(radius, farthest);
                    EXPECT_LE(radius, farthest * (1 + 1e-6));
                    // The finest quantum that keeps the widest x within 2^24 quanta.
                    EXPECT_LE(std::ldexp(middle * step, quantum), 16777216.0);
                    EXPECT_GT(std::ldexp(middle * step, quantum + 1), 16777216.0);
                    // A vertex normal is the sum of the faces around its point, across borders too.
                    for (const auto& [point, all] : seen)
                        EXPECT_LT(length(unit(faceNormalSum[point]) - std::get<2>(all)), 1e-8);
                }
                EXPECT_TRUE(placed[0] == placed[1]);
            }
        }
    }
}

// The terrain seen from above reads like the picture: a mark in a corner of the picture rises
// in that corner of the terrain, and the texel of the matching corner of the texture lands on it.
TEST(GameModel, APictureReadsNorthUpWithItsTextureLyingTheSameWay) {
    struct Case {
        int i, j;        // the marked pixel
        int east, north; // where it should rise: -1 west / south, +1 east / north
    };
    for (const GameModelOptions& o :
         {GameModelOptions{}, GameModelOptions{2, 0.5, 3, "a.mat", 64}}) {
        for (const Case& c :
             {Case{0, 0, -1, 1}, Case{15, 0, 1, 1}, Case{0, 15, -1, -1}, Case{15, 15, 1, -1}}) {
            SCOPED_TRACE(::testing::Message() << "mark " << c.i << ", " << c.j);
            HeightMap grid;
            ASSERT_TRUE(grid.set(c.i, c.j, 0xffffff));
            const GameModelText made = gameModelText(grid, 16, o);
            ASSERT_TRUE(made.ok()) << made.error;
            const PrintedMesh mesh = readPrinted(made.text).meshes.at(0);
            const auto node = nodePosition(mesh.node);
            const auto& vertices = mesh.lists.at("VERTICES");
            int marked = 0;
            for (std::size_t k = 1; k < vertices.size(); ++k)
                if (vec(vertices[k]).z > vec(vertices[std::size_t(marked)]).z)
                    marked = int(k);
            const Vec3 v = vec(vertices.at(std::size_t(marked)));
            EXPECT_EQ(v.x + node[0], c.east * 7.5 * 0.5 * o.scaleX);
            EXPECT_EQ(v.y + node[1], c.north * 7.5 * 0.5 * o.scaleY);
            const auto uv = numbers(mesh.lists.at("TEXTURE VERTICES").at(std::size_t(marked)));
            const double ku = 0.5 * o.scaleX * o.texelsPerUnit;
            const double kv = 0.5 * o.scaleY * o.texelsPerUnit;
            EXPECT_LT(offPeriod(uv[0] - c.i * ku, 1024), 1e-6);
            EXPECT_LT(offPeriod(uv[1] - c.j * kv, 1024), 1e-6);
        }
    }
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
                    const GameModelText model = gameModelText(grid, 32, o);
                    SCOPED_TRACE(::testing::Message() << x << ", " << y << ", " << z << " at "
                                                      << texels << ": " << model.error);
                    if (!model.ok()) {
                        ++refused;
                        EXPECT_EQ(model.error.find('\n'), std::string::npos);
                        const bool textures = model.error.find("texture") != std::string::npos;
                        texturesRefused += textures;
                        for (double named : textures ? std::vector{texels} : std::vector{x, y, z})
                            EXPECT_NE(model.error.find(messageNumber(named)), std::string::npos);
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
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    for (const Case& c : std::initializer_list<Case>{
             {{0, 1, 1}, 16, "scale X must be a number from 0.001 to 1000"},
             {{1, -1, 1}, 16, "scale Y must be"},
             {{1, 1, nan}, 16, "scale Z must be"},
             {{1, 1, 1000.5}, 16, "scale Z must be"},
             {{1, 1, 0.0009}, 16, "scale Z must be"},
             {{inf, 1, 1}, 16, "scale X must be"},
             {{1, 1, 1, "dflt.mat", 0},
              16,
              "texels per unit must be a number from 0.001 to 100000"},
             {{1, 1, 1, "dflt.mat", 100001}, 16, "texels per unit must be"},
             {{1, 1, 1, "dflt.mat", -nan}, 16, "texels per unit must be"},
             {{1, 1, 1, ""}, 16, "the material must be a file name like dflt.mat"},
             {{1, 1, 1, "dflt.bmp"}, 16, "the material must be"},
             {{1, 1, 1, "my rock.mat"}, 16, "the material must be"},
             {{1, 1, 1, "line\nbreak.mat"}, 16, "the material must be"},
             {{1, 1, 1, "höhe.mat"}, 16, "the material must be"},
             {{1, 1, 1, std::string(28, 'a') + ".mat"}, 16, "at most 31 characters"},
             // Texture coordinates past 2^21 texels, even shifted by whole 1024s.
             {{7.7, 0.001, 1, "dflt.mat", 100000},
              16,
              "texels in a mesh at scale 7.7, 0.001 and 100000 texels per unit, beyond the "
              "2097152"},
             // Squares 0.0005 units wide under hills thousands high.
             {{0.001, 0.001, 1000},
              64,
              "square units in a model 5655.14 units across (scale 0.001, 0.001, 1000)",
              &noisy},
         }) {
        const GameModelText model =
            gameModelText(c.grid ? *c.grid : HeightMap(), c.edge, c.options);
        EXPECT_TRUE(model.text.empty());
        EXPECT_NE(model.error.find(c.words), std::string::npos) << model.error;
        EXPECT_EQ(model.error.find('\n'), std::string::npos) << model.error;
    }
    // A flat terrain has nothing tall beside its small squares.
    EXPECT_TRUE(gameModelText(HeightMap(), 64, {0.001, 0.001, 1000}).ok());
}

TEST(TerrainGrid, RefusesWhatCannotBeATerrain) {
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
             {with(3, 3, std::numeric_limits<double>::quiet_NaN(), 0), "spacing"},
             {with(3, 3, 0.5, std::numeric_limits<double>::quiet_NaN()),
              "a height that is not a number within 1000000000000000"},
             {with(3, 3, 0.5, -2e15), "a height that is not"},
             {with(1000, 1000, 0.5, std::numeric_limits<double>::infinity()), "a height"}}) {
        EXPECT_NE(terrainGridProblem(g).find(words), std::string::npos) << terrainGridProblem(g);
        EXPECT_NE(placeMeshes(g, cutIntoTiles(g.columns, g.rows), {}).error.find(words),
                  std::string::npos);
    }
    EXPECT_EQ(terrainGridProblem(with(2, 4097, 1e-3, -1e15)), "");
    // The range of a grid taken in runs on several threads spans every run.
    TerrainGrid large = with(1000, 1000, 0.5, 7.0);
    large.heights[5] = -3.0;
    EXPECT_EQ(heightRange(large), std::pair(-3.0, 7.0));
}

// A grid of any size, cut into tiles of at most 16 squares; the edges of the picture still on
// the north and west.
TEST(GameModel, TilesAGridOfAnySizeNorthUp) {
    TerrainGrid grid{20, 35, 0.25, {}};
    for (int k = 0; k < 20 * 35; ++k)
        grid.heights.push_back(std::sin(k * 0.37) + (k % 20) * 0.1);
    const GameModelBuild built =
        placeMeshes(grid, cutIntoTiles(grid.columns, grid.rows), {2, 3, 0.5, "dflt.mat", 320});
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

// Meshes placed and printed on one thread or several: the same model to the byte, and of two
// shapes the game cannot take, the first is named.
TEST(GameModel, IsTheSameOnAnyNumberOfThreads) {
    TerrainGrid grid{129, 113, 0.25, {}};
    for (int k = 0; k < 129 * 113; ++k)
        grid.heights.push_back(std::sin(k * 0.37) + (k % 129) * 0.1);
    std::vector<MeshShape> shapes = cutIntoTiles(grid.columns, grid.rows);
    std::vector<MeshShape> refused = shapes;
    for (std::size_t bad : {3, 5})
        std::swap(refused[bad].faces[0][1], refused[bad].faces[0][2]);
    const auto made = [&](const char* threads) {
        const grondel::testing::ScopedEnv env("GRONDEL_THREADS", threads);
        const GameModelBuild built = placeMeshes(grid, shapes, {2, 3, 0.5, "dflt.mat", 320});
        return std::pair(printGameModel(built.model), placeMeshes(grid, refused, {}).error);
    };
    const auto one = made("1"), four = made("4");
    ASSERT_GT(one.first.size(), 0u);
    EXPECT_TRUE(one.first == four.first);
    EXPECT_EQ(one.second, four.second);
    EXPECT_TRUE(one.second.starts_with("mesh 3 ")) << one.second;
    // Handed on in order as printed, a refusal ends it: what was taken is the text's start.
    const grondel::testing::ScopedEnv env("GRONDEL_THREADS", "4");
    const GameModel model = placeMeshes(grid, shapes, {2, 3, 0.5, "dflt.mat", 320}).model;
    std::string taken;
    int calls = 0;
    const std::string refusal = printGameModelInOrder(model, [&](std::string&& piece) {
        taken += piece;
        return ++calls == 3 ? std::string("disk full") : std::string();
    });
    EXPECT_EQ(refusal, "disk full");
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(one.first.starts_with(taken) && taken.find("MESH 1") != std::string::npos);
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
    GameModelOptions scenery;
    scenery.layout = MeshLayout::Scenery;
    const GameModelBuild built = placeMeshes(grid, {west, east}, scenery);
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
        return placeMeshes(grid, shapes, {}).error;
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
    const GameModelText made = gameModelText(noisyGrid(), 32, {0.001, 0.3, 1000});
    ASSERT_TRUE(made.ok()) << made.error;
    double least = 1.0;
    for (const PrintedMesh& mesh : readPrinted(made.text).meshes)
        for (const char* list : {"FACE NORMALS", "VERTEX NORMALS"})
            for (const std::string& normal : mesh.lists.at(list))
                least = std::min(least, vec(normal).z);
    EXPECT_GT(least, 0.0);
    EXPECT_LT(least, 5e-7);
}
