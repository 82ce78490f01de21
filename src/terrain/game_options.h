#pragma once

#include "model3do/colormap.h"
#include "picture/picture.h"
#include "terrain/picture_terrain.h"
#include "terrain/texture.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace grondel {

// Where the game model's meshes are written.
enum class MeshLayout {
    // Every mesh where the game collides with it: in the thing's own space, every node at zero.
    // The game tests every face on each move near it; each mesh is culled by a sphere around
    // the thing.
    Walkable,
    // Each mesh around its own centre, placed there by its node: culled mesh by mesh, and not
    // collided with where it is drawn.
    Scenery,
};

// How the game model is laid out, scaled and textured.
struct GameModelOptions {
    double scaleX = 1.0; // world units per grid step of 0.5 across columns, so X/2 per point
    double scaleY = 1.0; // ... across rows
    double scaleZ = 1.0; // multiplies the heights
    std::string material = "dflt.mat";
    double texelsPerUnit = 320.0;
    MeshLayout layout = MeshLayout::Walkable;
    // A texture laid over the whole terrain once, this many texels a side, its texel centres on
    // the grid's corners (see TerrainTexture); 0: a level texture tiled at texelsPerUnit.
    int textureSize = 0;

    friend bool operator==(const GameModelOptions&, const GameModelOptions&) = default;
};

// Where the terrain's own texture comes from, if it has one.
enum class TextureSource {
    None,    // the model names a level's material (GameModelOptions::material) and tiles it
    Shaded,  // coloured by height and slope through a ramp, lit from the north-west
    Picture, // a colour picture laid over the terrain
};

// The texture made for the terrain, written as a material beside the model.
struct TextureOptions {
    TextureSource source = TextureSource::None;
    int size = 256;                           // texels a side: see textureSideProblem
    Ramp ramp = defaultRamp();                // Shaded
    std::shared_ptr<const Picture> picture;   // Picture: the colour picture, already read
    std::shared_ptr<const Colormap> colormap; // 8-bit entries of this level's palette; none: 565
    // Where picture and colormap were read from, for a window to name them; not read here.
    std::filesystem::path picturePath;
    std::filesystem::path colormapPath;

    friend bool operator==(const TextureOptions&, const TextureOptions&) = default;
};

// Everything that decides a game model made from a picture: the window's export options and the
// converter's --game options alike.
struct GameTerrainOptions {
    TerrainRequest terrain;               // which pixels, which heights, how many points
    GameModelOptions model;               // scale, material, texture density
    std::optional<double> maxError;       // world units, vertical, after the scales
    std::optional<std::int64_t> maxFaces; // a face budget
    TextureOptions texture;               // with a source, model.textureSize follows its size
    bool simplified() const { return maxError || maxFaces; }

    friend bool operator==(const GameTerrainOptions&, const GameTerrainOptions&) = default;
};

// The options a user sets, each a field of its own in the window and a flag of the converter.
enum class GameOption {
    ScaleX,
    ScaleY,
    ScaleZ,
    Material,
    TexelsPerUnit,
    Edge,
    MaxError,
    MaxFaces,
    TextureSize,
    Texture,
};

// What is wrong with one option: problem says what it must be, to follow the option's name
// ("must be a number from ... to ..."), its numbers taken from model3do/limits.h.
struct OptionProblem {
    GameOption option;
    std::string problem;
};

// The first option out of its range, or nothing when every one is within it: each scale within
// kMinGameScale..kMaxGameScale, the texel density within kMinTexelsPerUnit..kMaxTexelsPerUnit,
// a material name isMaterialName takes, an edge of 0 (the picture's own) or within
// kMinTerrainEdge..kMaxFullGridEdge (kMaxSimplifiedEdge when simplified), a largest error
// within 0..kMaxErrorBound, a face budget within kMinFaceBudget..kGameMaxModelFaces, and a
// texture of a side textureSideProblem takes, with its picture when it is made of one. NaN is
// out of every
// range, so a caller may pass it for a field that holds no number.
std::optional<OptionProblem> gameOptionsProblem(const GameTerrainOptions& options);

// How the core names an option in its own messages ("scale X", "the grid edge").
std::string_view optionName(GameOption option);
// The problem with the core's name before it, in one line.
std::string describe(const OptionProblem& problem);

} // namespace grondel
