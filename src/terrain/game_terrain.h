#pragma once

#include "model3do/game_model.h"
#include "picture/picture.h"
#include "terrain/game_options.h"
#include "terrain/terrain_grid.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace grondel {

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
    bool cancelled = false;    // stopped on request; error says so
    std::size_t vertices = 0;
    std::size_t faces = 0;
    // With a texture source: the texture laid over the terrain, and the material the model's
    // MATERIALS entry names, to be written beside it.
    TerrainTexture texture;
    std::optional<Material> material;
    bool ok() const { return error.empty(); }
};

// The steps of making a game model from a picture file, in order. buildGameTerrain goes
// through the middle four; reading and printing are its callers'.
enum class BuildStage { Reading, Grid, Simplifying, Cutting, Placing, Printing };

// The step's name as the windows and the converter show it: "reading the picture", ...
std::string_view stageName(BuildStage stage);

// How a long build reports and is stopped. onStage runs on the building thread as each step
// starts; cancel may be set from any thread and is looked at between steps and inside the
// simplifier, so a build of seconds stops within milliseconds.
struct BuildProgress {
    std::function<void(BuildStage)> onStage;
    std::atomic<bool> cancel{false};

    void stage(BuildStage stage) const {
        if (onStage)
            onStage(stage);
    }
    bool cancelled() const { return cancel.load(std::memory_order_relaxed); }
};

// The picture's terrain (terrainFromPicture; with Fit and no edge, the picture's longer side up
// to the longest grid side allowed) as the game model: without maxError and maxFaces the whole
// grid cut into tiles; with them, simplified to the bound on the heights as printed and cut
// into meshes within the game's limits (meshes.h), then placed (placement.h). No model has more
// than kGameMaxModelFaces: a largest error that needs more is refused, with the error reached
// there, so the work is bounded by those faces whatever the picture. With a texture source the
// texture is made too (texture.h), 16-bit or into the colormap's palette, and the model's
// texture coordinates lay it once over the terrain. The window's
// view and its export and the converter all build it here, so what is shown is what is written.
// progress, when given, hears each step and may stop the build (cancelled, and no model).
GameTerrain buildGameTerrain(const Picture& picture, const GameTerrainOptions& options,
                             BuildProgress* progress = nullptr);
// The same from a picture the caller is done with: it is freed once the grid is made, before
// the heavy work (a 4097 x 4097 16-bit picture is 34 MB).
GameTerrain buildGameTerrain(Picture&& picture, const GameTerrainOptions& options,
                             BuildProgress* progress = nullptr);
// The same from a grid already made; options.terrain is not used.
GameTerrain buildGameTerrain(const TerrainGrid& grid, const GameTerrainOptions& options,
                             BuildProgress* progress = nullptr);

} // namespace grondel
