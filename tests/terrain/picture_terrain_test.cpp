#include "model3do/game_model.h"
#include "model3do/model_check.h"
#include "terrain/game_terrain.h"
#include "terrain/picture_terrain.h"

#include <cmath>
#include <functional>
#include <set>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

// A grey picture of width x height whose level at (x, y) is level(x, y), 8 or 16 bits.
Picture greyPicture(int width, int height, int depth,
                    const std::function<unsigned(int, int)>& level) {
    Picture picture(width, height, PictureLayout::Grey, depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (depth == 16)
                picture.row16(y)[std::size_t(x)] = std::uint16_t(level(x, y));
            else
                picture.row8(y)[std::size_t(x)] = std::uint8_t(level(x, y));
        }
    return picture;
}

TerrainGrid terrainOf(const Picture& picture, TerrainRegion region, TerrainHeights heights,
                      int edge) {
    std::string error;
    TerrainGrid grid = terrainFromPicture(picture, {region, heights, edge}, error);
    EXPECT_EQ(error, "");
    return grid;
}

} // namespace

TEST(PictureTerrain, GreyHeightsKeepEvery16BitLevelAndAgreeWithColourOnEightBits) {
    // A 64 x 64 ramp through 4096 of the 65536 levels: each must give its own height.
    const Picture ramp = greyPicture(64, 64, 16, [](int x, int y) { return (y * 64 + x) * 16; });
    const TerrainGrid fine = terrainOf(ramp, TerrainRegion::TopLeft, TerrainHeights::Grey, 64);
    EXPECT_EQ(std::set<double>(fine.heights.begin(), fine.heights.end()).size(), 4096u);
    EXPECT_EQ(fine.at({63, 63}), 4095 * 16 / 65535.0 * 8);
    // White is exactly 8, black 0.
    const Picture ends = greyPicture(2, 1, 16, [](int x, int) { return x ? 65535 : 0; });
    const TerrainGrid endGrid = terrainOf(ends, TerrainRegion::Fit, TerrainHeights::Grey, 2);
    EXPECT_EQ(endGrid.heights, (std::vector<double>{0.0, 8.0, 0.0, 8.0})); // at least 2 rows

    // On an 8-bit grey picture the two rules differ by less than one level's height.
    const Picture grey = greyPicture(16, 16, 8, [](int x, int y) { return x * 16 + y; });
    const TerrainGrid byGrey = terrainOf(grey, TerrainRegion::TopLeft, TerrainHeights::Grey, 16);
    const TerrainGrid byColour =
        terrainOf(grey, TerrainRegion::TopLeft, TerrainHeights::Colour, 16);
    for (std::size_t k = 0; k < byGrey.heights.size(); ++k)
        EXPECT_NEAR(byGrey.heights[k], byColour.heights[k], 8.0 / 255.0) << k;
}

TEST(PictureTerrain, AFittedGridSitsOnThePicturesCornersAndKeepsItsProportions) {
    // 513 x 513 onto 257 x 257: a point on every other pixel. A plane reads exactly there,
    // whatever the tent's weights.
    const auto plane = [](int x, int y) { return unsigned(40 * x + 60 * y + 7); };
    const Picture big = greyPicture(513, 513, 16, plane);
    const TerrainGrid half = terrainOf(big, TerrainRegion::Fit, TerrainHeights::Grey, 257);
    ASSERT_EQ(std::pair(half.columns, half.rows), std::pair(257, 257));
    for (int j = 0; j < 257; j += 16)
        for (int i = 0; i < 257; i += 16)
            EXPECT_NEAR(half.at({i, j}), plane(2 * i, 2 * j) / 65535.0 * 8, 1e-9) << i << " " << j;

    // A grid as fine as the picture reads each pixel as it is, whatever its neighbours.
    const auto noise = [](int x, int y) { return unsigned((x * 7919 + y * 104729) % 65536); };
    const Picture rough = greyPicture(40, 40, 16, noise);
    const TerrainGrid same = terrainOf(rough, TerrainRegion::Fit, TerrainHeights::Grey, 40);
    for (int j = 0; j < 40; ++j)
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(same.at({i, j}), noise(i, j) / 65535.0 * 8) << i << " " << j;

    // Proportions: the longer side takes the edge, the shorter round(edge x short / long).
    const Picture wide = greyPicture(300, 200, 8, plane);
    const TerrainGrid wideGrid = terrainOf(wide, TerrainRegion::Fit, TerrainHeights::Grey, 257);
    EXPECT_EQ(std::pair(wideGrid.columns, wideGrid.rows), std::pair(257, 171));
    const Picture tall = greyPicture(3, 1000, 8, plane);
    const TerrainGrid tallGrid = terrainOf(tall, TerrainRegion::Fit, TerrainHeights::Grey, 100);
    EXPECT_EQ(std::pair(tallGrid.columns, tallGrid.rows), std::pair(2, 100));
}

TEST(PictureTerrain, AFittedSmoothTerrainMatchesItsOwnValuesAtThePoints) {
    // Smooth hills on 300 x 300 pixels, fitted onto grids coarser and finer than the picture.
    const auto hills = [](double x, double y) {
        return 0.5 + 0.25 * std::sin(x / 23.0) * std::cos(y / 31.0) +
               0.2 * std::sin((x + y) / 57.0);
    };
    const Picture picture = greyPicture(
        300, 300, 16, [&](int x, int y) { return unsigned(std::lround(hills(x, y) * 65535)); });
    for (const int edge : {61, 150, 257, 401}) {
        SCOPED_TRACE(edge);
        const TerrainGrid grid = terrainOf(picture, TerrainRegion::Fit, TerrainHeights::Grey, edge);
        const double step = 299.0 / (edge - 1);
        double worst = 0.0;
        for (int j = 0; j < edge; ++j)
            for (int i = 0; i < edge; ++i)
                worst = std::max(worst, std::abs(grid.at({i, j}) - hills(i * step, j * step) * 8));
        EXPECT_LT(worst, 0.01 * 8); // within 1% of the 0..8 range
    }
}

TEST(PictureTerrain, TheLargestFullGridIsTwoHundredAndFiftySixTilesTheGameTakes) {
    const Picture picture =
        greyPicture(257, 257, 16, [](int x, int y) { return unsigned((x * y * 37) % 65536); });
    GameTerrainOptions options;
    options.terrain = {TerrainRegion::Fit, TerrainHeights::Grey, 0};
    const GameTerrain terrain = buildGameTerrain(picture, options);
    ASSERT_TRUE(terrain.ok()) << terrain.error;
    EXPECT_EQ(terrain.model.meshes.size(), 256u);
    EXPECT_EQ(std::pair(terrain.columns, terrain.rows), std::pair(257, 257));
    const ModelCheck check = checkModel(printGameModel(terrain.model), {true});
    EXPECT_TRUE(check.ok()) << check.problems.front().line << ": " << check.problems.front().text;
    EXPECT_EQ(check.faces, 2 * 256 * 256);
}

TEST(PictureTerrain, OptionsOutOfRangeAreRefusedNamingThem) {
    const Picture picture = greyPicture(8, 8, 8, [](int x, int) { return unsigned(x); });
    const auto refused = [&](GameTerrainOptions options, const char* words) {
        const GameTerrain terrain = buildGameTerrain(picture, options);
        EXPECT_NE(terrain.error.find(words), std::string::npos) << terrain.error;
    };
    GameTerrainOptions o;
    o.terrain.edge = 1;
    refused(o, "grid edge must be a whole number from 2 to 257");
    o.terrain.edge = 258;
    refused(o, "grid edge must be a whole number from 2 to 257");
    o.maxError = 0.1;
    o.terrain.edge = 4098;
    refused(o, "grid edge must be a whole number from 2 to 4097");
    o.terrain.edge = 8;
    o.maxFaces = 1;
    refused(o, "face budget must be a whole number of at least 2");
    o.maxFaces.reset();
    o.maxError = -1;
    refused(o, "largest error");
}
