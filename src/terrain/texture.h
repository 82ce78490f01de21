#pragma once

#include "model3do/colormap.h"
#include "model3do/material.h"
#include "picture/picture.h"
#include "terrain/terrain_grid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace grondel {

// A terrain's texture: size x size colours laid over the grid once, corner to corner, north up
// like the model. Texel (0, 0) sits on the north-west grid point and texel (size - 1, size - 1)
// on the south-east one, texel (i, j) on grid position (i (columns - 1) / (size - 1),
// j (rows - 1) / (size - 1)); so in the game, where texel i spans texture coordinates i to
// i + 1, grid point (c, r) takes u = 0.5 + c (size - 1) / (columns - 1), v likewise.
struct TerrainTexture {
    int size = 0;
    std::vector<Rgb> texels; // row after row from the north-west texel

    friend bool operator==(const TerrainTexture&, const TerrainTexture&) = default;
};

// How the shaded texture colours the ground: by height through stops, and towards a rock colour
// where the ground is steep.
struct Ramp {
    struct Stop {
        double height = 0.0; // a share of the terrain's height range: 0 the lowest, 1 the highest
        Rgb colour;

        friend bool operator==(const Stop&, const Stop&) = default;
    };
    struct Steep {
        double from = 0.0; // degrees from the horizontal where the steep colour starts
        double to = 0.0;   // ... and where it has taken over
        Rgb colour;

        friend bool operator==(const Steep&, const Steep&) = default;
    };
    // At least one, heights rising. Between stops the colour goes linearly from one to the
    // next; below the first and above the last it stays.
    std::vector<Stop> stops;
    std::optional<Steep> steep; // none: slopes keep their height's colour

    friend bool operator==(const Ramp&, const Ramp&) = default;
};

// Dark grass in the valleys, grass, dry earth, bare grey high up and snow on the tops; rock
// from 30 degrees, wholly at 45. As a ramp file it reads:
//   height 0    62  94  44
//   height 0.3  92 124  58
//   height 0.6 138 126  88
//   height 0.8 128 122 116
//   height 0.9 240 240 244
//   steep  30 45 118 108  98
Ramp defaultRamp();

// A ramp from a ramp file's text: one setting a line, words and numbers apart by spaces or
// tabs, '#' to the end of a line a comment, blank lines allowed:
//   height SHARE R G B       a stop: SHARE of the height range (0 to 1, rising line by line)
//   steep FROM TO R G B      slopes of FROM degrees and more turn to the colour, wholly at TO
//                            (0 <= FROM < TO <= 90); at most one such line
// with colours of 0 to 255 a channel. At least one height line, at most kMaxRampStops, and at
// most kMaxRampFileBytes of text. Anything else is refused, with the reason in error naming the
// line ("line 3: ..."), and the ramp is empty.
Ramp parseRamp(std::string_view text, std::string& error);

// What a shaded texture is made with: the grid's scales as the game model takes them (see
// GameModelOptions), so slopes are the slopes in the game.
struct ShadeOptions {
    int size = 256;      // the texture's side: see textureSideProblem
    double scaleX = 1.0; // world units per grid spacing of 0.5 ... across columns
    double scaleY = 1.0; // ... across rows
    double scaleZ = 1.0; // multiplies the heights
    Ramp ramp = defaultRamp();
};

// The terrain coloured by the ramp and lit by the terrain view's light from the north-west, so
// its shape reads in the game even under a level's flat light. The grid's heights and normals
// (from the neighbouring points, in world units) are resampled onto the texels by the tent of
// --fit (terrain/tent.h); each texel is then coloured by its height's share of the grid's range
// and its slope, and shaded as the view shades the ground: by 0.22 + 0.78 max(0, n . light).
// An empty texture with the reason in error for a grid terrainGridProblem refuses, a size
// textureSideProblem refuses, a scale not finite and above 0, or an empty ramp.
TerrainTexture shadedTexture(const TerrainGrid& grid, const ShadeOptions& options,
                             std::string& error);

// A colour picture (a satellite image, a painted map, any Picture) as the texture, its corner
// pixels on the corner texels, resampled by the tent of --fit in each channel at the picture's
// full depth, composited over black. A picture that is not square is stretched, as the texture
// covers the terrain's rectangle whatever its proportions. An empty texture with the reason in
// error for an empty picture or a size textureSideProblem refuses.
TerrainTexture pictureTexture(const Picture& picture, int size, std::string& error);

// The texture as a material with every mip level it takes (mipLevelsFor), each the 2 x 2 box
// average of the one before, in RGB at full precision; then each level by itself:
// - Rgb565: each channel rounded to the nearest of its 32 or 64 levels;
// - Indexed8: the nearest of colormap's usable entries (usableEntries) in OKLab, with the
//   error diffused to the texels not yet chosen (Floyd-Steinberg, in serpentine rows), so a
//   colour the palette holds stays that colour and others dither between their neighbours.
//   The same texture and palette give the same indices on every platform.
// The solid colour is the usable entry nearest the texture's mean, 0 without a colormap.
// An empty material with the reason in error for a texture of a bad size or texel count, or
// Indexed8 without a colormap or with no usable entry in it.
Material textureMaterial(const TerrainTexture& texture, TexelFormat format,
                         const Colormap* colormap, std::string& error);

} // namespace grondel
