#include "export/game_model.h"
#include "export/model_check.h"
#include "support/files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

struct Vec {
    double x = NAN, y = NAN, z = NAN;
};
double length(Vec v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec minus(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// The numbers of "1.5 -2 0.25" or "3, 3 4, 4", read without the locale.
std::vector<double> numbers(std::string_view text) {
    std::vector<double> out;
    for (std::size_t i = 0; i < text.size();) {
        double value = 0;
        const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (result.ec == std::errc()) {
            out.push_back(value);
            i = static_cast<std::size_t>(result.ptr - text.data());
        } else {
            ++i;
        }
    }
    return out;
}
Vec vec(std::string_view text) {
    const auto v = numbers(text);
    return v.size() >= 3 ? Vec{v[0], v[1], v[2]} : Vec{};
}

// A game model read back: per mesh, the text after "n: " of each list line.
struct Mesh {
    std::string name;
    double radius = 0;
    std::vector<std::string> vertices, textures, normals, faces, faceNormals;
};
struct Model {
    double radius = 0;
    std::vector<Mesh> meshes;
    std::vector<std::string> nodes;
};

Model parse(const std::string& text) {
    Model model;
    std::vector<std::string>* list = nullptr;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        const auto headed = [&](const char* head, std::vector<std::string>* next) {
            if (line.starts_with(head))
                list = next;
            return line.starts_with(head);
        };
        Mesh* mesh = model.meshes.empty() ? nullptr : &model.meshes.back();
        if (line.starts_with("MESH "))
            model.meshes.emplace_back();
        else if (line.starts_with("NAME "))
            mesh->name = line.substr(5);
        else if (line.starts_with("RADIUS "))
            (mesh ? mesh->radius : model.radius) = numbers(line).at(0);
        else if (headed("VERTICES", mesh ? &mesh->vertices : nullptr) ||
                 headed("TEXTURE VERTICES", mesh ? &mesh->textures : nullptr) ||
                 headed("VERTEX NORMALS", mesh ? &mesh->normals : nullptr) ||
                 headed("FACES", mesh ? &mesh->faces : nullptr) ||
                 headed("FACE NORMALS", mesh ? &mesh->faceNormals : nullptr) ||
                 headed("HIERARCHY NODES", &model.nodes))
            continue;
        else if (list && !line.empty() && line[0] >= '0' && line[0] <= '9')
            list->push_back(line.substr(line.find(": ") + 2));
    }
    return model;
}

// Vertex and texture vertex numbers of a face, alternating, after its fixed fields.
std::vector<double> corners(const std::string& face) {
    EXPECT_TRUE(face.starts_with("0 0x0 4 3 1 0 3 ")) << face;
    return numbers(face.substr(16));
}

// Every cell different, white and the unreadable -1 among them.
HeightMap rough() {
    HeightMap grid;
    for (int x = 0; x < kMaxEdge; ++x)
        for (int y = 0; y < kMaxEdge; ++y)
            (void)grid.set(x, y, packColour((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) * 3));
    (void)grid.set(0, 0, 16777215);
    (void)grid.set(5, 9, -1);
    return grid;
}

const GameModelOptions kScaled{2.0, 0.5, 3.0, "rock_01.mat", 160.0};

std::string format(const HeightMap& grid, int edge, const GameModelOptions& options = {}) {
    return formatGameModel(grid, edge, options).value_or("");
}

} // namespace

TEST(GameModel, EveryEdgeAndScalePassesTheGameChecker) {
    struct Case {
        int edge;
        long long meshes, vertices, faces;
    };
    // Tiles of 16 squares: an edge of 32 cuts into 17 + 16 vertices a side, 64 into 17 * 3 + 16.
    for (const Case& c : {Case{2, 1, 4, 2}, Case{16, 1, 256, 450}, Case{32, 4, 33 * 33, 1922},
                          Case{64, 16, 67 * 67, 7938}}) {
        for (const GameModelOptions& options : {GameModelOptions{}, kScaled}) {
            SCOPED_TRACE(::testing::Message() << "edge " << c.edge << " " << options.material);
            const std::string text = format(rough(), c.edge, options);
            const ModelCheck check = checkModel(text);
            for (const ModelProblem& problem : check.problems)
                ADD_FAILURE() << "line " << problem.line << ": " << problem.text;
            EXPECT_EQ(check.meshes, c.meshes);
            EXPECT_EQ(check.vertices, c.vertices);
            EXPECT_EQ(check.faces, c.faces);

            // Plain ASCII, every line ended by CR LF, none ending in a space.
            EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char ch) {
                return ch == '\r' || ch == '\n' || (ch >= 0x20 && ch < 0x7f);
            }));
            EXPECT_TRUE(text.ends_with("\r\n"));
            EXPECT_EQ(text.find(" \r\n"), std::string::npos);
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
                      std::count(text.begin(), text.end(), '\r'));
            EXPECT_NE(text.find("\r\n0: " + options.material + "\r\n"), std::string::npos);

            const Model model = parse(text);
            ASSERT_EQ(model.nodes.size(), model.meshes.size() + 1);
            EXPECT_TRUE(model.nodes[0].ends_with(" terrain"));
            EXPECT_EQ(model.meshes.back().name, c.edge > 32   ? "tile3_3"
                                                : c.edge > 16 ? "tile1_1"
                                                              : "tile0_0");
        }
    }
}

TEST(GameModel, TilesShareBorderVerticesExactly) {
    for (int edge : {32, 64}) {
        SCOPED_TRACE(edge);
        // Each appearance of a grid point, keyed by its "x y", prints the same height, normal
        // and texture vertex.
        std::map<std::string, std::string> seen;
        std::size_t appearances = 0;
        for (const Mesh& mesh : parse(format(rough(), edge, kScaled)).meshes) {
            ASSERT_EQ(mesh.vertices.size(), mesh.normals.size());
            ASSERT_EQ(mesh.vertices.size(), mesh.textures.size());
            for (std::size_t k = 0; k < mesh.vertices.size(); ++k, ++appearances) {
                const std::string& v = mesh.vertices[k];
                const std::string what = v + " | " + mesh.normals[k] + " | " + mesh.textures[k];
                const auto [it, fresh] =
                    seen.emplace(v.substr(0, v.find(' ', v.find(' ') + 1)), what);
                EXPECT_EQ(it->second, what) << mesh.name << " vertex " << k;
            }
        }
        const std::size_t side = edge - 1 + (edge - 1 + 15) / 16;
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(edge * edge));
        EXPECT_EQ(appearances, side * side);
    }
}

TEST(GameModel, VertexNormalsTakeInFacesBeyondTheirTile) {
    // Flat up to column 16, the border between the first two tile columns, then rising.
    const int step = 4 * 65793; // grey level 4 per column
    HeightMap grid;
    for (int x = 0; x < kMaxEdge; ++x)
        for (int y = 0; y < kMaxEdge; ++y)
            (void)grid.set(x, y, std::max(0, x - 16) * step);
    const GameModelOptions options{2.0, 1.0, 3.0, "dflt.mat", 320.0};
    const double rise = step / 2097151.0 * options.scaleZ;
    const double run = 0.5 * options.scaleX;
    const Vec slope{-rise / std::hypot(rise, run), 0.0, run / std::hypot(rise, run)};
    // On the border three flat faces and three sloped ones meet.
    const double mixed = length({slope.x, 0, 1 + slope.z});

    for (const Mesh& mesh : parse(format(grid, 32, options)).meshes) {
        for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
            const Vec p = vec(mesh.vertices[k]);
            const Vec n = vec(mesh.normals[k]);
            if (std::abs(p.y) == 7.75)
                continue; // the outer rows have fewer faces around them
            const Vec expected = p.x < 0.5   ? Vec{0, 0, 1}
                                 : p.x > 0.5 ? slope
                                             : Vec{slope.x / mixed, 0, (1 + slope.z) / mixed};
            EXPECT_NEAR(n.x, expected.x, 1e-6) << mesh.name << " " << mesh.vertices[k];
            EXPECT_NEAR(n.y, 0.0, 1e-6);
            EXPECT_NEAR(n.z, expected.z, 1e-6) << mesh.name << " " << mesh.vertices[k];
        }
    }
}

TEST(GameModel, CentredFacingUpTexturedFromAboveAndCoveredByTheSmallestRadii) {
    HeightMap grid = rough();
    ASSERT_TRUE(grid.set(63, 63, 2097151)); // height exactly 1
    const GameModelOptions options{2.0, 0.5, 3.0, "dflt.mat", 160.0};
    const Model model = parse(format(grid, 64, options));

    Vec least{1e9, 1e9, 0}, most{-1e9, -1e9, 0};
    double farthestOfAll = 0;
    for (const Mesh& mesh : model.meshes) {
        ASSERT_EQ(mesh.faces.size(), mesh.faceNormals.size());
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            // Each corner with the texture vertex of its number; corners counter-clockwise seen
            // from above, and the normal is the face's own.
            const auto c = corners(mesh.faces[f]);
            ASSERT_TRUE(c.size() == 6 && c[0] == c[1] && c[2] == c[3] && c[4] == c[5]);
            const auto at = [&](double k) { return vec(mesh.vertices.at(std::size_t(k))); };
            const Vec winding = cross(minus(at(c[2]), at(c[0])), minus(at(c[4]), at(c[0])));
            const Vec n = vec(mesh.faceNormals[f]);
            EXPECT_GT(winding.z, 0.0) << mesh.name << " face " << f;
            EXPECT_NEAR(length(n), 1.0, 2e-6);
            EXPECT_NEAR((winding.x * n.x + winding.y * n.y + winding.z * n.z) / length(winding),
                        1.0, 1e-5);
        }
        double farthest = 0;
        for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
            const Vec p = vec(mesh.vertices[k]);
            least = {std::min(least.x, p.x), std::min(least.y, p.y), 0};
            most = {std::max(most.x, p.x), std::max(most.y, p.y), 0};
            farthest = std::max(farthest, length(p));
            EXPECT_NEAR(length(vec(mesh.normals[k])), 1.0, 2e-6);
            EXPECT_GT(vec(mesh.normals[k]).z, 0.0);
            // Seen from above, x to the right and y up, the picture reads the right way round.
            const auto uv = numbers(mesh.textures[k]);
            ASSERT_EQ(uv.size(), 2u);
            EXPECT_DOUBLE_EQ(uv[0], p.x * 160.0);
            EXPECT_DOUBLE_EQ(uv[1], -p.y * 160.0);
        }
        EXPECT_GE(mesh.radius, farthest) << mesh.name;
        EXPECT_LT(mesh.radius - 1e-6, farthest) << mesh.name;
        farthestOfAll = std::max(farthestOfAll, farthest);
    }
    EXPECT_GE(model.radius, farthestOfAll);
    EXPECT_LT(model.radius - 1e-6, farthestOfAll);

    EXPECT_EQ(least.x, -31.5);
    EXPECT_EQ(most.x, 31.5);
    EXPECT_EQ(least.y, -7.875);
    EXPECT_EQ(most.y, 7.875);
    // Heights keep their value times the z scale, at the corners they belong to.
    EXPECT_EQ(model.meshes.front().vertices.front(), "-31.500000 -7.875000 24.000010 0.000000");
    EXPECT_EQ(model.meshes.back().vertices.back(), "31.500000 7.875000 3.000000 0.000000");
}

TEST(GameModel, OutOfRangeOptionsAreRefusedAndTheEndsOfRangesTaken) {
    const HeightMap grid = rough();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (int edge : {-1, 0, 1, 65})
        EXPECT_FALSE(formatGameModel(grid, edge)) << edge;
    const auto refused = [&](double GameModelOptions::*field, double value) {
        GameModelOptions options;
        options.*field = value;
        return !formatGameModel(grid, 16, options);
    };
    for (double bad : {0.0, -1.0, nan, inf, 0.0009, 1000.5})
        for (auto field :
             {&GameModelOptions::scaleX, &GameModelOptions::scaleY, &GameModelOptions::scaleZ})
            EXPECT_TRUE(refused(field, bad)) << bad;
    for (double bad : {0.0, -320.0, nan, inf, 100001.0})
        EXPECT_TRUE(refused(&GameModelOptions::texelsPerUnit, bad)) << bad;
    for (const char* bad : {"", ".mat", "dflt", "dflt.bmp", "my rock.mat", "dir/rock.mat",
                            "rock#1.mat", "rock,1.mat", "abcdefghijklmnopqrstuvwxyz01.mat"}) {
        GameModelOptions options;
        options.material = bad;
        EXPECT_FALSE(formatGameModel(grid, 16, options)) << bad;
    }
    // At the ends of each range the model still fits every line and limit of the game.
    for (const GameModelOptions& options :
         {GameModelOptions{0.001, 0.001, 0.001, "a.mat", 0.001},
          GameModelOptions{1000.0, 1000.0, 1000.0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0.MAT", 1e5},
          GameModelOptions{1.0, 1.0, 1.0, "+00t_rock-1.2.mat", 320.0}}) {
        const auto text = formatGameModel(grid, 64, options);
        ASSERT_TRUE(text) << options.material;
        EXPECT_TRUE(checkModel(*text).ok()) << options.material;
    }
}

TEST(GameModel, SavesWholeOrLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath("terrain.3do");
    ASSERT_TRUE(grondel::testing::writeAll(path, "older"));
    GameModelOptions badMaterial;
    badMaterial.material = "no spaces.mat";
    for (const SaveResult& refused :
         {saveGameModel(path, rough(), 1), saveGameModel(path, rough(), 16, badMaterial)}) {
        EXPECT_FALSE(refused.error.isEmpty());
        EXPECT_EQ(grondel::testing::readAll(path), "older");
    }
    ASSERT_TRUE(saveGameModel(path, rough(), 32, kScaled).ok());
    EXPECT_EQ(grondel::testing::readAll(path).toStdString(), format(rough(), 32, kScaled));
    EXPECT_EQ(grondel::testing::entries(dir.path()), QStringList{"terrain.3do"});
}
