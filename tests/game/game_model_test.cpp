#include "export/game_model.h"
#include "export/model_check.h"
#include "support/files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::testing::entries;
using grondel::testing::readAll;
using grondel::testing::writeAll;

namespace {

// ---- reading a game model back, independently of how it was written ----

struct Vec {
    double x = 0, y = 0, z = 0;
};

double length(Vec v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
Vec minus(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The numbers of a text such as "1.5 -2 0.25" or "3, 3 4, 4"; never the locale's idea of them.
std::vector<double> numbers(std::string_view text) {
    std::vector<double> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',') {
            ++i;
            continue;
        }
        double value = 0;
        const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (result.ec != std::errc())
            return out;
        out.push_back(value);
        i = static_cast<std::size_t>(result.ptr - text.data());
    }
    return out;
}

Vec vec(std::string_view text) {
    const auto v = numbers(text);
    return v.size() >= 3 ? Vec{v[0], v[1], v[2]} : Vec{NAN, NAN, NAN};
}

struct Mesh {
    std::string name;
    double radius = 0;
    // The text after "n: " of each list line.
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
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 2;
        const auto colon = line.find(": ");
        if (line.empty() || line.starts_with('#')) {
            continue;
        } else if (line.starts_with("MESH ")) {
            model.meshes.emplace_back();
        } else if (line.starts_with("NAME ")) {
            model.meshes.back().name = line.substr(5);
        } else if (line.starts_with("RADIUS ")) {
            (model.meshes.empty() ? model.radius : model.meshes.back().radius) =
                numbers(line.substr(7)).at(0);
        } else if (line.starts_with("VERTICES ")) {
            list = &model.meshes.back().vertices;
        } else if (line.starts_with("TEXTURE VERTICES ")) {
            list = &model.meshes.back().textures;
        } else if (line == "VERTEX NORMALS") {
            list = &model.meshes.back().normals;
        } else if (line.starts_with("FACES ")) {
            list = &model.meshes.back().faces;
        } else if (line == "FACE NORMALS") {
            list = &model.meshes.back().faceNormals;
        } else if (line.starts_with("HIERARCHY NODES ")) {
            list = &model.nodes;
        } else if (list && line[0] >= '0' && line[0] <= '9' && colon != std::string::npos &&
                   line.find(' ') == colon + 1) {
            list->push_back(line.substr(colon + 2));
        }
    }
    return model;
}

// The vertices of face line "0 0x0 4 3 1 0 3 v0, t0 v1, t1 v2, t2".
std::vector<int> faceVertices(const std::string& face, std::vector<int>* textures = nullptr) {
    std::size_t at = 0;
    for (int word = 0; word < 7 && at != std::string::npos; ++word)
        at = face.find(' ', at + 1);
    const auto v = numbers(face.substr(at == std::string::npos ? face.size() : at));
    std::vector<int> out;
    for (std::size_t k = 0; k + 1 < v.size(); k += 2) {
        out.push_back(static_cast<int>(v[k]));
        if (textures)
            textures->push_back(static_cast<int>(v[k + 1]));
    }
    return out;
}

// ---- grids ----

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
    auto text = formatGameModel(grid, edge, options);
    return text ? *text : std::string();
}

} // namespace

TEST(GameModel, EveryEdgeAndScalePassesTheGameChecker) {
    const HeightMap grid = rough();
    struct Case {
        int edge;
        long long meshes, vertices, faces;
    };
    // Tiles of 16 squares: an edge of 32 cuts into 17 + 16 vertices a side, 64 into 17 * 3 + 16.
    for (const Case& c : {Case{2, 1, 4, 2}, Case{16, 1, 256, 450}, Case{32, 4, 33 * 33, 1922},
                          Case{64, 16, 67 * 67, 7938}}) {
        for (const GameModelOptions& options : {GameModelOptions{}, kScaled}) {
            SCOPED_TRACE(::testing::Message() << "edge " << c.edge << " scale " << options.scaleX);
            const std::string text = format(grid, c.edge, options);
            ASSERT_FALSE(text.empty());
            const ModelCheck check = checkModel(text);
            for (const ModelProblem& problem : check.problems)
                ADD_FAILURE() << "line " << problem.line << ": " << problem.text;
            EXPECT_EQ(check.meshes, c.meshes);
            EXPECT_EQ(check.vertices, c.vertices);
            EXPECT_EQ(check.faces, c.faces);

            // Plain ASCII, CR LF only, no line with trailing or only spaces.
            EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char ch) {
                return ch == '\r' || ch == '\n' || (ch >= 0x20 && ch < 0x7f);
            }));
            EXPECT_TRUE(text.ends_with("\r\n"));
            EXPECT_EQ(text.find(" \r\n"), std::string::npos);
            EXPECT_EQ(text.find("\r\r"), std::string::npos);
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
                      std::count(text.begin(), text.end(), '\r'));
            EXPECT_NE(text.find("\r\n0: " + options.material + "\r\n"), std::string::npos);

            // Short lowercase names, the root node first.
            const Model model = parse(text);
            ASSERT_EQ(model.nodes.size(), model.meshes.size() + 1);
            EXPECT_TRUE(model.nodes[0].ends_with(" terrain"));
            for (const Mesh& mesh : model.meshes) {
                EXPECT_LE(mesh.name.size(), 8u);
                EXPECT_TRUE(std::none_of(mesh.name.begin(), mesh.name.end(),
                                         [](char ch) { return ch >= 'A' && ch <= 'Z'; }));
            }
        }
    }
}

TEST(GameModel, TilesShareBorderVerticesExactly) {
    const HeightMap grid = rough();
    for (int edge : {32, 64}) {
        SCOPED_TRACE(edge);
        const Model model = parse(format(grid, edge, kScaled));
        // Every appearance of a grid point, keyed by its x y text, must print the same height,
        // normal and texture vertex.
        std::map<std::string, std::string> seen;
        std::size_t appearances = 0;
        for (const Mesh& mesh : model.meshes) {
            ASSERT_EQ(mesh.vertices.size(), mesh.normals.size());
            ASSERT_EQ(mesh.vertices.size(), mesh.textures.size());
            for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
                const std::string& v = mesh.vertices[k];
                const std::string where = v.substr(0, v.find(' ', v.find(' ') + 1));
                const std::string what = v + " | " + mesh.normals[k] + " | " + mesh.textures[k];
                const auto [it, fresh] = seen.emplace(where, what);
                EXPECT_EQ(it->second, what) << mesh.name << " vertex " << k;
                ++appearances;
            }
        }
        const int tiles = (edge - 1 + 15) / 16;
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(edge * edge));
        EXPECT_EQ(appearances, static_cast<std::size_t>((edge - 1 + tiles) * (edge - 1 + tiles)));
    }
}

TEST(GameModel, NormalsAreUnitUpwardAndMatchTheFaces) {
    const Model model = parse(format(rough(), 64, kScaled));
    for (const Mesh& mesh : model.meshes) {
        ASSERT_EQ(mesh.faces.size(), mesh.faceNormals.size());
        for (const std::string& text : mesh.normals) {
            const Vec n = vec(text);
            EXPECT_NEAR(length(n), 1.0, 2e-6) << text;
            EXPECT_GT(n.z, 0.0) << text;
        }
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            const Vec n = vec(mesh.faceNormals[f]);
            EXPECT_NEAR(length(n), 1.0, 2e-6);
            EXPECT_GT(n.z, 0.0);
            // Its corners run counter-clockwise seen from above, and the normal is the face's.
            const auto corners = faceVertices(mesh.faces[f]);
            ASSERT_EQ(corners.size(), 3u);
            const Vec p0 = vec(mesh.vertices.at(static_cast<std::size_t>(corners[0])));
            const Vec p1 = vec(mesh.vertices.at(static_cast<std::size_t>(corners[1])));
            const Vec p2 = vec(mesh.vertices.at(static_cast<std::size_t>(corners[2])));
            const Vec winding = cross(minus(p1, p0), minus(p2, p0));
            EXPECT_GT(winding.z, 0.0) << mesh.name << " face " << f;
            EXPECT_NEAR(dot(winding, n) / length(winding), 1.0, 1e-5) << mesh.name << " face " << f;
        }
    }
}

TEST(GameModel, NormalsFollowTheSlopeAcrossTileBorders) {
    // Flat up to column 16 (the border between the first two tile columns), then rising by
    // `step` per column.
    const int step = 4 * 65793; // grey level 4
    HeightMap grid;
    for (int x = 0; x < kMaxEdge; ++x)
        for (int y = 0; y < kMaxEdge; ++y)
            (void)grid.set(x, y, std::max(0, x - 16) * step);

    const GameModelOptions options{2.0, 1.0, 3.0, "dflt.mat", 320.0};
    const double rise = step / 2097151.0 * options.scaleZ; // per column
    const double run = 0.5 * options.scaleX;
    const Vec slope{-rise / std::hypot(rise, run), 0.0, run / std::hypot(rise, run)};
    // A border vertex has three flat faces on one side and three sloped on the other.
    const Vec mixed{slope.x / length({slope.x, 0, 1 + slope.z}), 0.0,
                    (1 + slope.z) / length({slope.x, 0, 1 + slope.z})};

    const std::string text = format(grid, 32, options);
    const Model model = parse(text);
    ASSERT_EQ(model.meshes.size(), 4u);
    const double borderX = (16 - 15.5) * 0.5 * options.scaleX;
    for (const Mesh& mesh : model.meshes) {
        for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
            const Vec p = vec(mesh.vertices[k]);
            const Vec n = vec(mesh.normals[k]);
            const bool edgeRow = std::abs(std::abs(p.y) - 7.75) < 1e-9;
            if (edgeRow)
                continue; // fewer faces around it
            const Vec expected = p.x < borderX - 1e-9   ? Vec{0, 0, 1}
                                 : p.x > borderX + 1e-9 ? slope
                                                        : mixed;
            EXPECT_NEAR(n.x, expected.x, 1e-6) << mesh.name << " " << mesh.vertices[k];
            EXPECT_NEAR(n.z, expected.z, 1e-6) << mesh.name << " " << mesh.vertices[k];
            EXPECT_NEAR(n.y, 0.0, 1e-6);
        }
    }
}

TEST(GameModel, CentredScaledAndTexturedFromAbove) {
    HeightMap grid;
    ASSERT_TRUE(grid.set(0, 0, 16777215));  // white: 8.0000033378617
    ASSERT_TRUE(grid.set(63, 63, 2097151)); // exactly 1
    const GameModelOptions options{2.0, 0.5, 3.0, "dflt.mat", 160.0};
    const Model model = parse(format(grid, 64, options));

    double least[2] = {1e9, 1e9}, most[2] = {-1e9, -1e9};
    for (const Mesh& mesh : model.meshes) {
        std::vector<int> textures;
        for (const std::string& face : mesh.faces) {
            const auto corners = faceVertices(face, &textures);
            EXPECT_EQ(std::vector<int>(textures.end() - 3, textures.end()), corners) << face;
        }
        for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
            const Vec p = vec(mesh.vertices[k]);
            least[0] = std::min(least[0], p.x);
            least[1] = std::min(least[1], p.y);
            most[0] = std::max(most[0], p.x);
            most[1] = std::max(most[1], p.y);
            // Seen from above with x to the right and y up, the picture reads the right way
            // round: u grows with x, v with -y.
            const auto uv = numbers(mesh.textures[k]);
            ASSERT_EQ(uv.size(), 2u);
            EXPECT_DOUBLE_EQ(uv[0], p.x * 160.0);
            EXPECT_DOUBLE_EQ(uv[1], -p.y * 160.0);
        }
    }
    EXPECT_DOUBLE_EQ(least[0], -31.5);
    EXPECT_DOUBLE_EQ(most[0], 31.5);
    EXPECT_DOUBLE_EQ(least[1], -7.875);
    EXPECT_DOUBLE_EQ(most[1], 7.875);

    // Heights keep their value times the z scale, at the corners they belong to.
    const std::string& first = model.meshes.front().vertices.front();
    const std::string& last = model.meshes.back().vertices.back();
    EXPECT_EQ(first, "-31.500000 -7.875000 24.000010 0.000000");
    EXPECT_EQ(last, "31.500000 7.875000 3.000000 0.000000");
}

TEST(GameModel, RadiiAreTheSmallestThatCoverEveryVertex) {
    const HeightMap grid = rough();
    for (const GameModelOptions& options :
         {GameModelOptions{}, kScaled, GameModelOptions{0.37, 1.91, 7.3, "dflt.mat", 320.0}}) {
        SCOPED_TRACE(options.scaleX);
        const Model model = parse(format(grid, 64, options));
        double farthestOfAll = 0;
        for (const Mesh& mesh : model.meshes) {
            double farthest = 0;
            for (const std::string& v : mesh.vertices)
                farthest = std::max(farthest, length(vec(v)));
            EXPECT_GE(mesh.radius, farthest) << mesh.name;
            EXPECT_LT(mesh.radius - 1e-6, farthest) << mesh.name;
            farthestOfAll = std::max(farthestOfAll, farthest);
        }
        EXPECT_GE(model.radius, farthestOfAll);
        EXPECT_LT(model.radius - 1e-6, farthestOfAll);
    }
}

TEST(GameModelOptions, OutOfRangeValuesAreRefused) {
    const HeightMap grid = rough();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    for (int edge : {-1, 0, 1, 65})
        EXPECT_FALSE(formatGameModel(grid, edge)) << edge;
    for (double bad : {0.0, -1.0, nan, inf, -inf, 0.0009, 1000.5}) {
        SCOPED_TRACE(bad);
        for (double GameModelOptions::*field :
             {&GameModelOptions::scaleX, &GameModelOptions::scaleY, &GameModelOptions::scaleZ}) {
            GameModelOptions options;
            options.*field = bad;
            EXPECT_FALSE(formatGameModel(grid, 16, options));
        }
    }
    for (double bad : {0.0, -320.0, nan, inf, 100001.0}) {
        GameModelOptions options;
        options.texelsPerUnit = bad;
        EXPECT_FALSE(formatGameModel(grid, 16, options)) << bad;
    }
    for (const char* bad :
         {"", ".mat", "dflt", "dflt.bmp", "my rock.mat", "dir/rock.mat", "c:rock.mat", "rock#1.mat",
          "rock,1.mat", "rock.mat ", "abcdefghijklmnopqrstuvwxyz01.mat"}) {
        GameModelOptions options;
        options.material = bad;
        EXPECT_FALSE(formatGameModel(grid, 16, options)) << bad;
    }

    // The ends of each range are taken, and still give a model the game loads.
    for (const GameModelOptions& options :
         {GameModelOptions{0.001, 0.001, 0.001, "a.mat", 0.001},
          GameModelOptions{1000.0, 1000.0, 1000.0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0.MAT", 100000.0},
          GameModelOptions{1.0, 1.0, 1.0, "+00t_rock-1.2.mat", 320.0}}) {
        SCOPED_TRACE(options.material);
        const auto text = formatGameModel(grid, 64, options);
        ASSERT_TRUE(text);
        const ModelCheck check = checkModel(*text);
        EXPECT_TRUE(check.ok()) << (check.ok() ? "" : check.problems.front().text);
    }
}

TEST(SaveGameModel, SavesTheModelOrChangesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("terrain.3do");
    const QByteArray old = "an older model\r\n";
    ASSERT_TRUE(writeAll(path, old));
    const HeightMap grid = rough();

    GameModelOptions badMaterial;
    badMaterial.material = "no spaces.mat";
    GameModelOptions badScale;
    badScale.scaleZ = 0.0;
    for (const SaveResult& refused :
         {saveGameModel(path, grid, 1), saveGameModel(path, grid, 65),
          saveGameModel(path, grid, 16, badMaterial), saveGameModel(path, grid, 16, badScale)}) {
        EXPECT_FALSE(refused.ok());
        EXPECT_FALSE(refused.error.isEmpty());
        EXPECT_EQ(readAll(path), old);
        EXPECT_EQ(entries(dir.path()), QStringList{"terrain.3do"});
    }
    EXPECT_FALSE(saveGameModel(dir.filePath("no such folder/terrain.3do"), grid, 16).ok());

    const SaveResult saved = saveGameModel(path, grid, 32, kScaled);
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
    EXPECT_EQ(readAll(path).toStdString(), format(grid, 32, kScaled));
    EXPECT_EQ(entries(dir.path()), QStringList{"terrain.3do"});
}
