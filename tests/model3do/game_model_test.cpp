#include "model3do/game_model.h"
#include "model3do/model_check.h"
#include "model3do/vec3.h"

#include <charconv>
#include <cmath>
#include <map>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

// The numbers of "1.5 -2 0.25" or "0 0x0 4 3 1 0 3 3, 3 4, 4" ("0x0" reads as 0), locale-proof.
std::vector<double> numbers(const std::string& text) {
    std::vector<double> out;
    for (const char *at = text.data(), *end = at + text.size(); at < end;) {
        if (*at == ' ' || *at == ',') {
            ++at;
            continue;
        }
        double value = 0;
        const char* next = std::from_chars(at, end, value).ptr;
        at = next == at ? at + 1 : next;
        if (at + 1 < end && at[0] == 'x') // "0x0": the flags, read as 0
            at += 2;
        out.push_back(value);
    }
    return out;
}
Vec3 vec(const std::string& text) {
    const auto v = numbers(text);
    return {v.at(0), v.at(1), v.at(2)};
}

// A game model read back: for its header and then for each mesh, the text after "n: " of each
// line of each list, by the list's heading ("MATERIALS", "VERTICES", "FACE NORMALS", ...).
using Lists = std::map<std::string, std::vector<std::string>>;
std::vector<Lists> parse(const std::string& text) {
    std::vector<Lists> blocks(1);
    std::string heading;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        if (line.starts_with("MESH "))
            blocks.emplace_back();
        else if (!line.empty() && line[0] >= '0' && line[0] <= '9')
            blocks.back()[heading].push_back(line.substr(line.find(": ") + 2));
        else if (!line.empty())
            heading = line.substr(0, line.find_last_not_of("0123456789 ") + 1);
    }
    return blocks;
}

} // namespace

TEST(GameModel, EveryEdgeAndScaleLoadsInTheGameAsOneSeamlessTerrain) {
    // Every cell different, white and the unreadable -1 among them.
    HeightMap grid;
    for (int k = 0; k < kMaxEdge * kMaxEdge; ++k)
        (void)grid.set(k / 64, k % 64, packColour(k * 37, k >> 4, (k * 11) ^ 0x5a));
    (void)grid.set(0, 0, 0xffffff);
    (void)grid.set(5, 9, -1);
    // Tiles of 16 squares: an edge of 32 cuts into 17 + 16 vertices a side, 64 into 17 * 3 + 16.
    const std::map<int, std::tuple<long long, long long, long long>> counts{
        {2, {1, 4, 2}}, {16, {1, 256, 450}}, {32, {4, 33 * 33, 1922}}, {64, {16, 67 * 67, 7938}}};
    for (const auto& [edge, count] : counts) {
        for (const GameModelOptions& o : {GameModelOptions{}, {2.0, 0.5, 3.0, "rock.mat", 160}}) {
            SCOPED_TRACE(::testing::Message() << "edge " << edge << " " << o.material);
            const std::string text = formatGameModel(grid, edge, o).value_or("");
            const ModelCheck check = checkModel(text);
            EXPECT_TRUE(check.ok()) << check.problems.at(0).line << ": " << check.problems[0].text;
            EXPECT_EQ(std::tuple(check.meshes, check.vertices, check.faces), count);
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
                      std::count(text.begin(), text.end(), '\r'));
            const std::vector<Lists> blocks = parse(text);
            EXPECT_EQ(blocks[0].at("MATERIALS"), std::vector{o.material});

            // Grid point (i, j) of a vertex, the terrain's middle at the origin. Every appearance
            // of a point prints the same vertex, normal and texture vertex.
            const auto gridPoint = [&](const std::string& vertex) {
                const auto p = numbers(vertex);
                return std::pair(p.at(0) / (0.5 * o.scaleX) + (edge - 1) / 2.0,
                                 p.at(1) / (0.5 * o.scaleY) + (edge - 1) / 2.0);
            };
            std::map<std::pair<double, double>, std::string> seen;
            std::map<std::pair<double, double>, Vec3> faceNormalSum;
            for (auto mesh = blocks.begin() + 1; mesh != blocks.end(); ++mesh) {
                const auto &vertices = mesh->at("VERTICES"), &faces = mesh->at("FACES");
                for (std::size_t k = 0; k < vertices.size(); ++k) {
                    const auto p = numbers(vertices[k]);
                    const auto [i, j] = gridPoint(vertices[k]);
                    ASSERT_TRUE(i == int(i) && j == int(j) && grid.at(int(i), int(j)))
                        << vertices[k];
                    EXPECT_NEAR(p[2], grid(int(i), int(j)) / 2097151.0 * o.scaleZ, 5e-7);
                    // Seen from above, x to the right and y up, the picture reads the right way.
                    const std::string uv = mesh->at("TEXTURE VERTICES").at(k);
                    EXPECT_EQ(numbers(uv),
                              (std::vector{p[0] * o.texelsPerUnit, -p[1] * o.texelsPerUnit}));
                    const std::string all =
                        vertices[k] + " | " + uv + " | " + mesh->at("VERTEX NORMALS").at(k);
                    EXPECT_EQ(seen.emplace(std::pair(i, j), all).first->second, all);
                }
                // Corners counter-clockwise seen from above, each with its own texture vertex,
                // and the face normal is the face's own.
                for (std::size_t f = 0; f < faces.size(); ++f) {
                    const auto n = numbers(faces[f]);
                    ASSERT_TRUE(n.size() == 13 && n[7] == n[8] && n[9] == n[10] && n[11] == n[12])
                        << faces[f];
                    const auto at = [&](double v) { return vertices.at(std::size_t(v)); };
                    const Vec3 a = vec(at(n[7])), b = vec(at(n[9])), d = vec(at(n[11]));
                    const Vec3 winding = cross(b - a, d - a);
                    const Vec3 normal = vec(mesh->at("FACE NORMALS").at(f));
                    EXPECT_GT(winding.z, 0.0) << faces[f];
                    EXPECT_LT(length(unit(winding) - normal), 1e-5) << faces[f];
                    for (double corner : {n[7], n[9], n[11]})
                        faceNormalSum[gridPoint(at(corner))] += normal;
                }
            }
            EXPECT_EQ(seen.size(), std::size_t(edge * edge));
            // A vertex normal is the sum of the faces around its point, across tile borders too.
            for (const auto& [point, all] : seen) {
                const Vec3 normal = vec(all.substr(all.rfind(" | ") + 3));
                EXPECT_LT(length(unit(faceNormalSum[point]) - normal), 1e-5) << all;
            }
        }
    }
}

TEST(GameModel, RefusesOptionsOutOfRangeAndLoadsAtTheEndsOfEachRange) {
    std::vector<GameModelOptions> refused;
    for (double bad : {0.0, -1.0, double(NAN), double(INFINITY), 0.0009, 1000.5})
        refused.insert(refused.end(), {{bad, 1, 1}, {1, bad, 1}, {1, 1, bad}});
    for (double bad : {0.0, -320.0, double(NAN), double(INFINITY), 100001.0})
        refused.push_back({1, 1, 1, "dflt.mat", bad});
    for (const char* bad :
         {"", ".mat", "dflt", "dflt.bmp", "my rock.mat", "dir/rock.mat", "rock#1.mat", "rock,1.mat",
          "höhe.mat", "abcdefghijklmnopqrstuvwxyz01.mat"})
        refused.push_back({1, 1, 1, bad});
    for (std::size_t k = 0; k < refused.size(); ++k)
        EXPECT_FALSE(formatGameModel(HeightMap(), 16, refused[k])) << "refused case " << k;
    for (int edge : {-1, 0, 1, 65})
        EXPECT_FALSE(formatGameModel(HeightMap(), edge)) << edge;
    // At the ends of each range every number still fits the game's lines and limits.
    for (const GameModelOptions& o : {GameModelOptions{0.001, 0.001, 0.001, "a.mat", 0.001},
                                      {1000, 1000, 1000, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0.MAT", 1e5},
                                      {1, 1, 1, "+00t_rock-1.2.mat", 320}})
        EXPECT_TRUE(checkModel(formatGameModel(HeightMap(), 64, o).value_or("")).ok())
            << o.material;
}
