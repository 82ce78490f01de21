#include "render/rasterizer.h"
#include "support/colormaps.h"
#include "terrain/texture.h"

#include <cmath>
#include <functional>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

Colormap colormapOf(const grondel::testing::Palette& palette) {
    ColormapRead read = readColormap(grondel::testing::colormapBytes(palette));
    EXPECT_EQ(read.error, "");
    return read.colormap;
}

TerrainGrid gridOf(int columns, int rows, const std::function<double(int, int)>& height) {
    TerrainGrid grid{columns, rows, 0.5, {}};
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            grid.heights.push_back(height(c, r));
    return grid;
}

TerrainTexture shaded(const TerrainGrid& grid, const Ramp& ramp, int size = 16) {
    std::string error;
    ShadeOptions options;
    options.size = size;
    options.ramp = ramp;
    TerrainTexture texture = shadedTexture(grid, options, error);
    EXPECT_EQ(error, "");
    return texture;
}

Material materialOf(const TerrainTexture& texture, TexelFormat format, const Colormap* colormap) {
    std::string error;
    Material material = textureMaterial(texture, format, colormap, error);
    EXPECT_EQ(error, "");
    return material;
}

} // namespace

TEST(Texture, ShadedTexturesLieNorthUpCornerToCornerLitFromTheNorthWest) {
    // The view's light: a texture lit otherwise would not look like the terrain view.
    EXPECT_EQ(render::kTowardsLight, unit({-1.0, 1.0, std::sqrt(2.0)}));
    const Ramp blackToWhite{{{0.0, {0, 0, 0}}, {1.0, {250, 250, 250}}}, std::nullopt};
    // Flat ground: the lowest colour at 0.22 + 0.78 cos 45 degrees of its brightness.
    const TerrainTexture flat = shaded(gridOf(5, 5, [](int, int) { return 1.0; }),
                                       Ramp{{{0.0, {100, 200, 40}}}, std::nullopt});
    EXPECT_EQ(flat.texels, std::vector<Rgb>(256, Rgb{77, 154, 31}));

    // One peak in the north-west corner of a gentle cone: highest (white) on texel (0, 0),
    // lowest in the far corner, texel (15, 15).
    const TerrainTexture peak = shaded(
        gridOf(9, 5, [](int c, int r) { return 1.0 - 0.01 * std::hypot(c, r); }), blackToWhite);
    const auto at = [&](int i, int j) { return peak.texels[std::size_t(j * 16 + i)].r; };
    EXPECT_GT(at(0, 0), at(15, 0));
    EXPECT_GT(at(0, 0), at(0, 15));
    EXPECT_EQ(at(15, 15), 0);

    // Slopes facing the light are brighter than flat ground, those facing away darker, and
    // beyond the steep line's slope they take its colour.
    const auto face = [&](double east, double south) {
        return shaded(gridOf(5, 5, [=](int c, int r) { return east * c + south * r; }),
                      Ramp{{{0.0, {200, 200, 200}}}, Ramp::Steep{50.0, 60.0, {200, 0, 0}}})
            .texels[5 * 16 + 5];
    };
    EXPECT_GT(face(0.2, 0.2).g, 154);   // rises to the south-east: faces north-west
    EXPECT_LT(face(-0.2, -0.2).g, 154); // faces south-east
    EXPECT_EQ(face(2.0, 0.0).g, 0);     // 76 degrees: all steep colour
    EXPECT_GT(face(2.0, 0.0).r, 0);
}

TEST(Texture, APictureIsResampledCornerToCornerAsFitDoes) {
    // A plane in red and green reads exactly, the corner pixels on the corner texels.
    Picture picture(61, 31, PictureLayout::Rgb, 8);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 61; ++x) {
            auto row = picture.row8(y);
            row[std::size_t(3 * x)] = std::uint8_t(4 * x);
            row[std::size_t(3 * x + 1)] = std::uint8_t(8 * y);
            row[std::size_t(3 * x + 2)] = 9;
        }
    std::string error;
    const TerrainTexture texture = pictureTexture(picture, 16, error);
    ASSERT_EQ(error, "");
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i) {
            const Rgb texel = texture.texels[std::size_t(j * 16 + i)];
            EXPECT_EQ(texel.r, std::lround(4 * i * 60 / 15.0)) << i << " " << j;
            EXPECT_EQ(texel.g, std::lround(8 * j * 30 / 15.0)) << i << " " << j;
            EXPECT_EQ(texel.b, 9);
        }
    EXPECT_EQ(pictureTexture(picture, 24, error).size, 0);
    EXPECT_EQ(error, "a texture's side is a power of two from 8 to 1024, not 24");
}

TEST(Texture, MipLevelsAverageAtFullPrecisionAndRoundTo565) {
    // Red 4 but 8 on the first texel of every 4 x 4 block: level 1 is 5 on those blocks' first
    // texels and 4 elsewhere, level 2 exactly 4.25 everywhere, above the midpoint between 565's
    // red levels 0 and 1 (4.11), where 4 is below it. Green alternates 0 and 255 by column:
    // 127.5 at level 1, green level 32 of 63 when rounded (31 when cut).
    TerrainTexture texture{32, {}};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            texture.texels.push_back(
                {std::uint8_t(x % 4 == 0 && y % 4 == 0 ? 8 : 4), std::uint8_t(x % 2 ? 255 : 0), 0});
    const Material material = materialOf(texture, TexelFormat::Rgb565, nullptr);
    ASSERT_EQ(material.levels.size(), 3u);
    const auto red = [&](int level, int x, int y) {
        return material.levels[std::size_t(level)][std::size_t(y * (32 >> level) + x)] >> 11;
    };
    const auto green = [&](int level, int at) {
        return material.levels[std::size_t(level)][std::size_t(at)] >> 5 & 63;
    };
    EXPECT_EQ(red(0, 0, 0), 1); // 8: 0.97 of a level
    EXPECT_EQ(red(0, 1, 0), 0);
    EXPECT_EQ(red(1, 2, 2), 1); // 5
    EXPECT_EQ(red(1, 1, 2), 0);
    EXPECT_EQ(red(2, 7, 7), 1); // 4.25
    EXPECT_EQ(green(0, 1), 63);
    EXPECT_EQ(green(1, 5), 32);
    EXPECT_EQ(green(2, 63), 32);
}

TEST(Texture, TheQuantiserKeepsEveryUsableColourAndDithersTheRest) {
    Colormap cube = colormapOf(grondel::testing::colourCube());
    for (int level = 0; level < 64; ++level) // entry 7 glows: the game would not light it
        cube.light[std::size_t(level * 256 + 7)] = 7;
    const std::bitset<256> usable = usableEntries(cube);
    ASSERT_EQ(usable.count(), 254u);
    // Every usable colour side by side (and two again to fill the rows): each stays itself,
    // with no error to pass on.
    TerrainTexture texture{16, {}};
    for (std::size_t i = 0; i < 256; ++i)
        if (usable[i])
            texture.texels.push_back(cube.colours[i]);
    texture.texels.insert(texture.texels.end(), {cube.colours[1], cube.colours[2]});
    const Material material = materialOf(texture, TexelFormat::Indexed8, &cube);
    for (std::size_t t = 0; t < 256; ++t)
        EXPECT_EQ(cube.colours[material.levels[0][t]], texture.texels[t]) << t;
    // Each a level off in red still takes its own entry: the nearest by far.
    TerrainTexture nudged = texture;
    for (Rgb& texel : nudged.texels)
        texel.r = std::uint8_t(texel.r == 255 ? 254 : texel.r + 1);
    EXPECT_EQ(materialOf(nudged, TexelFormat::Indexed8, &cube).levels[0], material.levels[0]);
    // The colours of entries 0 and 7 move to entries of their own.
    TerrainTexture unusable{8, {}};
    for (int t = 0; t < 64; ++t)
        unusable.texels.push_back(cube.colours[t % 3 ? 7 : 0]);
    for (const auto& level : materialOf(unusable, TexelFormat::Indexed8, &cube).levels)
        for (const std::uint16_t index : level)
            EXPECT_TRUE(usable[index]) << index;

    // A grey between two usable greys alone dithers between them: its mean stays near.
    Colormap two = colormapOf(grondel::testing::greyRamp());
    for (int i = 1; i < 256; ++i)
        if (i != 60 && i != 120)
            for (int level = 0; level < 64; ++level)
                two.light[std::size_t(level * 256 + i)] = std::uint8_t(i);
    const TerrainTexture grey{64, std::vector<Rgb>(64 * 64, Rgb{90, 90, 90})};
    const Material dithered = materialOf(grey, TexelFormat::Indexed8, &two);
    std::size_t light = 0;
    for (const std::uint16_t index : dithered.levels[0]) {
        ASSERT_TRUE(index == 60 || index == 120) << index;
        light += index == 120;
    }
    EXPECT_GT(light, 64u * 64 / 4);
    EXPECT_LT(light, 64u * 64 * 3 / 4);
    EXPECT_TRUE(dithered.solidColour == 60 || dithered.solidColour == 120);
}

TEST(Texture, RampFilesAreReadOrRefusedWithTheLine) {
    const std::string text = "# the ramp Grondel colours by\n"
                             "height 0    62  94  44\r\n"
                             "height 0.3  92 124  58\n"
                             "height 0.6 138 126  88\n\n"
                             "height 0.8 128 122 116  # bare\n"
                             "height 0.9 240 240 244\n"
                             "\tsteep  30 45 118 108  98";
    std::string error;
    EXPECT_EQ(parseRamp(text, error), defaultRamp());
    EXPECT_EQ(error, "");
    struct Row {
        const char* text;
        const char* reason;
    };
    for (const Row& row : {
             Row{"", "the ramp has no height line"},
             Row{"steep 10 20 1 2 3", "the ramp has no height line"},
             Row{"height 0 1 2 3\nheight 1.5 1 2 3",
                 "line 2: height takes a share of the height range from 0 to 1 and a colour of "
                 "three whole numbers from 0 to 255"},
             Row{"height 0.5 1 2 3\nheight 0.5 1 2 3",
                 "line 2: the heights must rise: 0.5 comes after a height at least as high"},
             Row{"height 0 1 2 300", "line 1: height takes a share of the height range from 0 to "
                                     "1 and a colour of three whole numbers from 0 to 255"},
             Row{"height 0 1 2 3\nsteep 40 30 1 2 3",
                 "line 2: steep takes two slopes in degrees, the first below the second, from 0 "
                 "to 90, and a colour of three whole numbers from 0 to 255"},
             Row{"steep 1 2 1 2 3\nsteep 1 2 1 2 3", "line 2: a ramp holds one steep line"},
             Row{"height 0 1 2 3\ncolour 0 1 2 3",
                 "line 2: \"colour\" is neither height nor steep"},
         }) {
        EXPECT_TRUE(parseRamp(row.text, error).stops.empty()) << row.text;
        EXPECT_EQ(error, row.reason) << row.text;
    }
}
