// The game model of a simplified terrain, read back from its printed text and measured by a
// check of its own: every grid point's height against the face above it, the faces' winding and
// cover, the borders between meshes after the game's float32 sums, and the game's limits.
#include "model3do/game_model.h"
#include "model3do/game_numbers.h"
#include "model3do/limits.h"
#include "model3do/model_check.h"
#include "support/game_models.h"
#include "terrain/game_terrain.h"
#include "terrain/simplify.h"
#include "terrains.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::terrain::testing::makeTerrain;
using grondel::terrain::testing::name;
using grondel::terrain::testing::Terrain;

namespace {

// A 16-bit grey picture of heights 0..8 (the grey rule reads them back to 1 / 65535 of 8).
Picture pictureOf(const std::vector<double>& heights, int columns, int rows) {
    Picture picture(columns, rows, PictureLayout::Grey, 16);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            picture.row16(r)[std::size_t(c)] = std::uint16_t(std::lround(
                std::clamp(heights[std::size_t(r) * columns + c], 0.0, 8.0) / 8.0 * 65535));
    return picture;
}

double numberOf(const std::string& word) {
    double value = 0;
    std::from_chars(word.data(), word.data() + word.size(), value);
    return value;
}

// The printed model read back: per mesh its vertices (x, y, z as written), its faces, and its
// node's position.
struct Printed {
    struct Mesh {
        std::vector<Vec3> vertices;
        std::vector<std::array<int, 3>> faces;
        Vec3 node;
    };
    std::vector<Mesh> meshes;
};

Printed readBack(const std::string& text) {
    Printed printed;
    std::istringstream lines(text);
    std::string line, list;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty() || w[0] == "#")
            continue;
        if (w[0] == "MESH")
            printed.meshes.emplace_back();
        else if (!std::isdigit(static_cast<unsigned char>(w[0][0])))
            list = w[0] == "HIERARCHY" ? "NODES" : w[0];
        else if (list == "VERTICES")
            printed.meshes.back().vertices.push_back(
                {numberOf(w[1]), numberOf(w[2]), numberOf(w[3])});
        else if (list == "FACES")
            printed.meshes.back().faces.push_back(
                {int(numberOf(w[8])), int(numberOf(w[10])), int(numberOf(w[12]))});
        else if (list == "NODES" && numberOf(w[3]) >= 0)
            printed.meshes[std::size_t(numberOf(w[3]))].node = {numberOf(w[8]), numberOf(w[9]),
                                                                numberOf(w[10])};
    }
    return printed;
}

// What the check finds.
struct Measured {
    double error = 0;            // largest |surface - height| over the grid points
    std::size_t uncovered = 0;   // grid points under no face
    std::size_t downFaces = 0;   // faces not counter-clockwise seen from above
    double area = 0;             // of all faces, in grid squares
    std::size_t splitPoints = 0; // grid points whose copies land on different floats
    std::size_t overLimits = 0;  // meshes past the game's limits
    std::size_t faces = 0;
};

Measured measure(const GameTerrain& made, const GameTerrainOptions& o,
                 const std::vector<double>& printedHeights) {
    const Printed printed = readBack(printGameModel(made.model));
    const int columns = made.columns, rows = made.rows;
    const double stepX = 0.5 * o.model.scaleX, stepY = 0.5 * o.model.scaleY;
    Measured m;
    std::map<std::pair<int, int>, std::pair<float, float>> landed;
    std::vector<double> surface(printedHeights.size(), NAN);
    for (const Printed::Mesh& mesh : printed.meshes) {
        m.faces += mesh.faces.size();
        m.overLimits +=
            mesh.vertices.size() > kGameMaxVertices || mesh.faces.size() > kGameMaxFaces;
        // Each vertex back to its grid point, and where the game puts it.
        std::vector<std::pair<int, int>> point;
        for (const Vec3& v : mesh.vertices) {
            const double x = v.x + mesh.node.x, y = v.y + mesh.node.y;
            const std::pair p{int(std::lround(x / stepX + (columns - 1) / 2.0)),
                              int(std::lround((rows - 1) / 2.0 - y / stepY))};
            point.push_back(p);
            const std::pair<float, float> game{float(v.x) + float(mesh.node.x),
                                               float(v.y) + float(mesh.node.y)};
            m.splitPoints += landed.emplace(p, game).first->second != game;
        }
        for (const auto& f : mesh.faces) {
            const auto [a, b, c] = std::array{point[f[0]], point[f[1]], point[f[2]]};
            // In (column, -row), counter-clockwise has a positive cross product.
            const long long twice = (long long)(b.first - a.first) * (a.second - c.second) -
                                    (long long)(a.second - b.second) * (c.first - a.first);
            m.downFaces += twice <= 0;
            m.area += twice / 2.0;
            if (twice <= 0)
                continue;
            for (int r = std::min({a.second, b.second, c.second});
                 r <= std::max({a.second, b.second, c.second}); ++r)
                for (int q = std::min({a.first, b.first, c.first});
                     q <= std::max({a.first, b.first, c.first}); ++q) {
                    // Barycentric weights, whole numbers over twice the area.
                    const auto edge = [&](std::pair<int, int> u, std::pair<int, int> v) {
                        return (long long)(v.first - u.first) * (u.second - r) -
                               (long long)(u.second - v.second) * (q - u.first);
                    };
                    const long long wa = edge(b, c), wb = edge(c, a), wc = edge(a, b);
                    if (wa < 0 || wb < 0 || wc < 0)
                        continue;
                    const double z = (wa * mesh.vertices[f[0]].z + wb * mesh.vertices[f[1]].z +
                                      wc * mesh.vertices[f[2]].z) /
                                     double(twice);
                    surface[std::size_t(r) * columns + q] = z;
                }
        }
    }
    for (std::size_t k = 0; k < surface.size(); ++k) {
        if (std::isnan(surface[k]))
            ++m.uncovered;
        else
            m.error = std::max(m.error, std::abs(surface[k] - printedHeights[k]));
    }
    return m;
}

} // namespace

TEST(GameTerrain, SimplifiedModelsKeepTheirBoundCoverTheGridAndMeetAtTheirBorders) {
    struct Size {
        int columns, rows;
    };
    for (const Terrain kind :
         {Terrain::Smooth, Terrain::Noisy, Terrain::Terraced, Terrain::Flat, Terrain::Spiky})
        for (const Size size : {Size{33, 33}, Size{97, 61}, Size{150, 150}})
            for (const double maxError : {0.02, 0.5})
                for (const GameModelOptions& model :
                     {GameModelOptions{}, GameModelOptions{2, 0.5, 3, "dflt.mat", 160}}) {
                    SCOPED_TRACE(name(kind) + " " + std::to_string(size.columns) + "x" +
                                 std::to_string(size.rows) + " E " + std::to_string(maxError) +
                                 " scale " + std::to_string(model.scaleX));
                    const auto heights = makeTerrain(kind, size.columns, size.rows);
                    GameTerrainOptions o;
                    o.terrain = {TerrainRegion::Fit, TerrainHeights::Grey, 0};
                    o.model = model;
                    o.maxError = maxError;
                    const Picture picture = pictureOf(heights, size.columns, size.rows);
                    const GameTerrain made = buildGameTerrain(picture, o);
                    ASSERT_TRUE(made.ok()) << made.error;
                    ASSERT_EQ(std::pair(made.columns, made.rows),
                              std::pair(size.columns, size.rows));
                    std::vector<double> printed(heights.size());
                    for (int r = 0; r < size.rows; ++r)
                        for (int c = 0; c < size.columns; ++c)
                            printed[std::size_t(r) * size.columns + c] = game_numbers::significant(
                                picture.greyLevel(c, r) * 8 * model.scaleZ);

                    const Measured m = measure(made, o, printed);
                    EXPECT_LE(m.error, maxError);
                    EXPECT_EQ(m.uncovered, 0u);
                    EXPECT_EQ(m.downFaces, 0u);
                    EXPECT_EQ(m.area, double(size.columns - 1) * (size.rows - 1));
                    EXPECT_EQ(m.splitPoints, 0u);
                    EXPECT_EQ(m.overLimits, 0u);
                    EXPECT_EQ(m.faces, made.faces);
                    EXPECT_TRUE(made.errorMet);
                    EXPECT_LE(made.largestError, maxError);
                    const ModelCheck check = checkModel(printGameModel(made.model), {true});
                    EXPECT_TRUE(check.ok()) << check.problems.front().text;
                }
}

TEST(GameTerrain, AFaceBudgetIsKeptAndSpentWhereTheErrorIsLargest) {
    const auto heights = makeTerrain(Terrain::Smooth, 129, 129);
    const Picture picture = pictureOf(heights, 129, 129);
    GameTerrainOptions o;
    o.terrain = {TerrainRegion::Fit, TerrainHeights::Grey, 0};
    double previous = 1e9;
    for (const std::int64_t budget : {2, 100, 1000, 10000}) {
        SCOPED_TRACE(budget);
        o.maxFaces = budget;
        const GameTerrain made = buildGameTerrain(picture, o);
        ASSERT_TRUE(made.ok()) << made.error;
        EXPECT_LE(made.faces, std::size_t(budget));
        EXPECT_LT(made.largestError, previous / 2); // ten times the faces, far less error
        previous = made.largestError;
    }
    // With a bound as well: met within the budget where it can be, else the error reached told.
    o.maxError = 0.01;
    o.maxFaces = 30000;
    EXPECT_TRUE(buildGameTerrain(picture, o).errorMet);
    o.maxFaces = 50;
    const GameTerrain cut = buildGameTerrain(picture, o);
    EXPECT_FALSE(cut.errorMet);
    EXPECT_GT(cut.largestError, 0.01);
    EXPECT_LE(cut.faces, 50u);
}

TEST(GameTerrain, WithoutABoundOrABudgetTheModelIsTheWholeGridByteForByte) {
    const auto heights = makeTerrain(Terrain::Smooth, 64, 64);
    const Picture picture = pictureOf(heights, 64, 64);
    HeightMap grid;
    for (int c = 0; c < 64; ++c)
        for (int r = 0; r < 64; ++r)
            (void)grid.set(c, r, picture.packedColour(c, r));
    for (const GameModelOptions& model :
         {GameModelOptions{}, GameModelOptions{2, 0.5, 3, "rock.mat", 160}}) {
        GameTerrainOptions o;
        o.model = model;
        const GameTerrain made = buildGameTerrain(picture, o);
        ASSERT_TRUE(made.ok()) << made.error;
        EXPECT_EQ(printGameModel(made.model),
                  grondel::testing::gameModelText(grid, 64, model).text);
        EXPECT_EQ(made.faces, 7938u);
        EXPECT_EQ(made.largestError, 0.0);
    }
}

TEST(GameTerrain, ABuildTellsItsStagesInOrderAndStopsWhenCancelled) {
    const auto heights = makeTerrain(Terrain::Noisy, 65, 65);
    const Picture picture = pictureOf(heights, 65, 65);
    GameTerrainOptions o;
    o.terrain = {TerrainRegion::Fit, TerrainHeights::Grey, 0};
    using S = BuildStage;
    for (const bool simplified : {false, true}) {
        SCOPED_TRACE(simplified);
        if (simplified)
            o.maxError = 0.01;
        std::vector<S> heard;
        BuildProgress progress;
        progress.onStage = [&](S stage) { heard.push_back(stage); };
        EXPECT_TRUE(buildGameTerrain(picture, o, &progress).ok());
        const std::vector<S> expected =
            simplified ? std::vector{S::Grid, S::Simplifying, S::Cutting, S::Placing}
                       : std::vector{S::Grid, S::Cutting, S::Placing};
        EXPECT_EQ(heard, expected);
    }

    // Cancelled as simplifying starts: nothing after it, no model, and the simplifier itself
    // inserts nothing once it sees the flag.
    BuildProgress progress;
    std::vector<S> heard;
    progress.onStage = [&](S stage) {
        heard.push_back(stage);
        progress.cancel = stage == S::Simplifying;
    };
    const GameTerrain stopped = buildGameTerrain(picture, o, &progress);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.error, "cancelled");
    EXPECT_TRUE(stopped.model.meshes.empty());
    EXPECT_EQ(heard, (std::vector{S::Grid, S::Simplifying}));
    const std::atomic<bool> cancel{true};
    const SimplifyResult early = simplify({65, 65, 0.5, heights}, {0.0, {}, &cancel});
    EXPECT_EQ(early.mesh.triangles.size(), 2u);
    EXPECT_FALSE(early.mesh.errorMet);
}
