#pragma once

#include "terrain/picture_terrain.h"

#include <cstdint>
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

    friend bool operator==(const GameModelOptions&, const GameModelOptions&) = default;
};

// Everything that decides a game model made from a picture: the window's export options and the
// converter's --game options alike.
struct GameTerrainOptions {
    TerrainRequest terrain;               // which pixels, which heights, how many points
    GameModelOptions model;               // scale, material, texture density
    std::optional<double> maxError;       // world units, vertical, after the scales
    std::optional<std::int64_t> maxFaces; // a face budget
    bool simplified() const { return maxError || maxFaces; }

    friend bool operator==(const GameTerrainOptions&, const GameTerrainOptions&) = default;
};

// The options a user sets, each a field of its own in the window and a flag of the converter.
enum class GameOption { ScaleX, ScaleY, ScaleZ, Material, TexelsPerUnit, Edge, MaxError, MaxFaces };

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
// within 0..kMaxErrorBound and a face budget within kMinFaceBudget..kGameMaxModelFaces. NaN is
// out of every
// range, so a caller may pass it for a field that holds no number.
std::optional<OptionProblem> gameOptionsProblem(const GameTerrainOptions& options);

// How the core names an option in its own messages ("scale X", "the grid edge").
std::string_view optionName(GameOption option);
// The problem with the core's name before it, in one line.
std::string describe(const OptionProblem& problem);

} // namespace grondel
