#include "render/rasterizer.h"
#include "support/game_models.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::render;

namespace {

// A 64 x 64 terrain whose grey level is level(column, row).
Scene terrain(const std::function<int(int, int)>& level, GameModelOptions options = {}) {
    HeightMap grid;
    for (int x = 0; x < kMaxEdge; ++x)
        for (int y = 0; y < kMaxEdge; ++y)
            (void)grid.set(x, y, packColour(level(x, y), level(x, y), level(x, y)));
    GameTerrainOptions all;
    all.model = options;
    return sceneOf(buildGameTerrain(grondel::testing::colourGrid(grid, kMaxEdge), all).model);
}

int brightness(std::uint32_t pixel) {
    return static_cast<int>((pixel >> 16 & 0xff) + (pixel >> 8 & 0xff) + (pixel & 0xff));
}

Frame drawn(const Scene& scene, const Camera& camera, RenderOptions options = {}) {
    Frame frame;
    frame.resize(400, 300);
    render::draw(scene, camera, options, frame);
    return frame;
}

// The left, right, top and bottom pixel the frame draws anything at.
std::array<int, 4> drawnBounds(const Frame& frame) {
    int left = frame.width, right = 0, top = frame.height, bottom = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            if (frame.depth[y * frame.width + x] > 0.0f) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return {left, right, top, bottom};
}

} // namespace

TEST(Render, TheLightFromTheNorthWestMakesARidgesWestFaceTheBrighter) {
    // A ridge running north-south down the middle column.
    const Scene ridge =
        terrain([](int x, int) { return std::max(0, 255 - 16 * std::abs(x - 32)); });
    for (const Camera& camera : {topView(ridge, 4.0 / 3.0), southView(ridge, 4.0 / 3.0)}) {
        const Frame frame = drawn(ridge, camera);
        const auto at = [&](int x, int y) { return frame.pixels[y * frame.width + x]; };
        // Left of the screen's middle is west in both views; the ridge's faces lie a few pixels
        // either side of it.
        const int middle = frame.width / 2, row = frame.height / 2 + 20;
        EXPECT_GT(brightness(at(middle - 12, row)), brightness(at(middle + 12, row)) + 60);
    }
}

TEST(Render, TheWholeTerrainIsInViewAndEdgesAndBordersDrawOverIt) {
    const Scene flat = terrain([](int, int) { return 0; });
    const Camera camera = southView(flat, 4.0 / 3.0);
    const Frame plain = drawn(flat, camera);
    // Nothing drawn touches the picture's edges: the terrain fits with a margin.
    for (int x = 0; x < plain.width; ++x)
        EXPECT_EQ(plain.depth[x] + plain.depth[(plain.height - 1) * plain.width + x], 0.0f);
    for (int y = 0; y < plain.height; ++y)
        EXPECT_EQ(plain.depth[y * plain.width] + plain.depth[y * plain.width + plain.width - 1],
                  0.0f);
    // Turned a little, drawn to the pixel the same again: no state is left from frame to frame.
    EXPECT_EQ(drawn(flat, turned(camera, 0.0, 0.0)).pixels, plain.pixels);

    const auto changed = [&](const Frame& other) {
        int count = 0;
        for (std::size_t k = 0; k < other.pixels.size(); ++k)
            count += other.pixels[k] != plain.pixels[k];
        return count;
    };
    const int borders = changed(drawn(flat, camera, {false, true}));
    const int edges = changed(drawn(flat, camera, {true, false}));
    EXPECT_GT(borders, 500);       // the outline and the 16-square tiles' borders
    EXPECT_GT(edges, 5 * borders); // every face's outline
}

TEST(Render, SeenFromAboveAPicturesBrightPixelPeaksWhereThePictureHasIt) {
    // One bright pixel at column 10, row 5: near the north-west corner of a north-up terrain.
    // Kept low, so that perspective does not move its top.
    GameModelOptions low;
    low.scaleZ = 0.01;
    const Scene peak = terrain([](int x, int y) { return x == 10 && y == 5 ? 255 : 0; }, low);
    const Frame frame = drawn(peak, topView(peak, 4.0 / 3.0));
    // The nearest pixel to the camera is the peak's top.
    const auto nearest = std::max_element(frame.depth.begin(), frame.depth.end());
    const int at = static_cast<int>(nearest - frame.depth.begin());
    // Where the terrain's corners fall on the screen: the drawn area's bounds.
    const auto [left, right, top, bottom] = drawnBounds(frame);
    EXPECT_NEAR(double(at % frame.width - left) / (right - left), 10.0 / 63.0, 0.02);
    EXPECT_NEAR(double(at / frame.width - top) / (bottom - top), 5.0 / 63.0, 0.02);
}

TEST(Render, ATextureLiesNorthUpWithItsFirstTexelOnTheNorthWestCorner) {
    // Red over the texture's west half (texels 0-3 across), blue over its north half.
    constexpr int kSide = 8;
    GameModelOptions once;
    once.textureSize = kSide;
    Scene flat = terrain([](int, int) { return 0; }, once);
    flat.texture.size = kSide;
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i)
            flat.texture.texels.push_back(0xff000000u | (i < kSide / 2 ? 0xff0000u : 0u) |
                                          (j < kSide / 2 ? 0xffu : 0u));
    const Frame frame = drawn(flat, topView(flat, 4.0 / 3.0));
    const auto [left, right, top, bottom] = drawnBounds(frame);
    // Whether red and blue show at a share of the way east and south.
    const auto at = [&](double east, double south) {
        const std::uint32_t pixel =
            frame.pixels[static_cast<int>(top + south * (bottom - top)) * frame.width +
                         static_cast<int>(left + east * (right - left))];
        return std::pair{(pixel >> 16 & 0xff) > 100, (pixel & 0xff) > 100};
    };
    EXPECT_EQ(at(0.2, 0.2), std::pair(true, true));
    EXPECT_EQ(at(0.8, 0.2), std::pair(false, true));
    EXPECT_EQ(at(0.2, 0.8), std::pair(true, false));
    EXPECT_EQ(at(0.8, 0.8), std::pair(false, false));
}

TEST(Render, AMaterialIsShownInTheColoursTheGameDrawsItWith) {
    Material wide;
    wide.size = 8;
    wide.levels = {std::vector<std::uint16_t>(64, 0xf800)}; // 8 texels take one level
    wide.levels[0][1] = 0x07e0;
    wide.levels[0][2] = 0x001f;
    wide.levels[0][3] = 0x8410; // the top bit of each channel alone
    const SceneTexture shown = sceneTexture(wide, nullptr);
    ASSERT_EQ(shown.size, 8);
    EXPECT_EQ(std::vector(shown.texels.begin(), shown.texels.begin() + 4),
              (std::vector<std::uint32_t>{0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0xff848284u}));

    Material indexed = wide;
    indexed.format = TexelFormat::Indexed8;
    indexed.levels = {std::vector<std::uint16_t>(64, 7)};
    Colormap colormap;
    colormap.colours[7] = {10, 20, 30};
    EXPECT_EQ(sceneTexture(indexed, &colormap).texels.front(), 0xff0a141eu);
}
