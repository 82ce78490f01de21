#include "model3do/game_model.h"
#include "model3do/game_tiles.h"
#include "model3do/model_check.h"
#include "model3do/printed_model.h"
#include "model3do/problems.h"

#include <bit>
#include <cmath>
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

} // namespace

// Scales on every axis together, texels per unit and edges: each model loads as a seamless
// terrain that draws right, or is refused for its texture coordinates.
TEST(GameModel, EveryModelOfTheOptionGridIsSeamlessAfterTheGamesFloatSumsAndDrawsRight) {
    const HeightMap grid = busyGrid();
    const std::map<int, std::tuple<long long, long long, long long>> counts{
        {16, {1, 256, 450}}, {32, {4, 33 * 33, 1922}}, {64, {16, 67 * 67, 7938}}};
    for (const double scale : {0.001, 0.3, 1.0, 7.7, 1000.0}) {
        for (const double texels : {1.0, 320.0, 100000.0}) {
            for (const auto& [edge, count] : counts) {
                SCOPED_TRACE(::testing::Message()
                             << "scale " << scale << " texels " << texels << " edge " << edge);
                const GameModelOptions o{scale, scale, scale, "rock.mat", texels};
                const GameModelText made = formatGameModel(grid, edge, o);
                // Half a tile of 16 squares spans 8 * 0.5 * scale * texels; 512 more at worst.
                if (8 * 0.5 * scale * texels + 512 > 2097152) {
                    EXPECT_NE(made.error.find("texels per unit"), std::string::npos) << made.error;
                    continue;
                }
                ASSERT_TRUE(made.ok()) << made.error;
                const GameModelBuild built = buildGameModel(grid, edge, o);
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
                // Each grid point: the float the game places it at, and its lines in one mesh.
                std::map<std::pair<int, int>, std::tuple<std::uint64_t, std::string, Vec3>> seen;
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
                        EXPECT_EQ(std::ldexp(v[0], quantum), std::round(std::ldexp(v[0], quantum)));
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
                    // The node at the tile's centre; the radius measured from there, tight.
                    EXPECT_LE(std::abs(low + high), std::ldexp(middle * step, -23)) << mesh.node;
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
                        const auto at = [&](double c) { return vec(vertices.at(std::size_t(c))); };
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
            const GameModelText made = formatGameModel(grid, 16, o);
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
