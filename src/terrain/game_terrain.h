#pragma once

#include "model3do/game_geometry.h"
#include "model3do/game_options.h"
#include "picture/picture.h"
#include "terrain/picture_terrain.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace grondel {

// Everything that decides a game model made from a picture: the window's export options and the
// converter's --game options alike.
struct GameTerrainOptions {
    TerrainRequest terrain;               // which pixels, which heights, how many points
    GameModelOptions model;               // scale, material, texture density
    std::optional<double> maxError;       // world units, vertical, after the scales; >= 0
    std::optional<std::int64_t> maxFaces; // at least 2
    bool simplified() const { return maxError || maxFaces; }

    friend bool operator==(const GameTerrainOptions&, const GameTerrainOptions&) = default;
};

// The longest grid side without simplification, and with it.
inline constexpr int kMaxFullGridEdge = 257;
inline constexpr int kMaxSimplifiedEdge = 4097;
inline constexpr double kMaxErrorLimit = 1e9;

// Why options cannot make a model, in one line naming the option, or an empty text.
std::string gameTerrainProblem(const GameTerrainOptions& options);

// A game model built from a picture, with what a user wants to know about it.
struct GameTerrain {
    GameModel model;     // when error is empty
    std::string error;   // one line naming what to change
    int columns = 0;     // grid points west to east
    int rows = 0;        // ... north to south
    double lowest = 0.0; // heights after the Z scale, as printed
    double highest = 0.0;
    double largestError = 0.0; // the surface's largest vertical distance from a grid point
    bool errorMet = true;      // false when the face budget stopped before maxError was met
    std::size_t vertices = 0;
    std::size_t faces = 0;
    bool ok() const { return error.empty(); }
};

// The picture's terrain (terrainFromPicture; with Fit and no edge, the picture's longer side up
// to the longest grid side allowed) as the game model: without maxError and maxFaces
// the whole grid in tiles of 16 x 16 squares; with them, simplified to the bound on the heights
// as printed and cut into meshes within the game's limits. The window's view and its export
// and the converter all build it here, so what is shown is what is written.
GameTerrain buildGameTerrain(const Picture& picture, const GameTerrainOptions& options);

} // namespace grondel
