#pragma once

#include "heightmap/heightmap.h"
#include "model3do/game_model.h"
#include "terrain/game_terrain.h"

#include <string>

namespace grondel::testing {

// The colour grid's top-left edge x edge cells as a terrain, heights as the editor model reads
// them; an empty grid for an edge beyond the colour grid.
inline TerrainGrid colourGrid(const HeightMap& map, int edge) {
    TerrainGrid grid;
    if (edge < 0 || edge > kMaxEdge)
        return grid;
    grid.columns = grid.rows = edge;
    for (int row = 0; row < edge; ++row)
        for (int column = 0; column < edge; ++column)
            grid.heights.push_back(heightOf(map(column, row)));
    return grid;
}

// The text of the game model of such a grid in tiles, or why there is none.
struct GameModelText {
    std::string text;
    std::string error;
    bool ok() const { return error.empty(); }
};
inline GameModelText gameModelText(const HeightMap& map, int edge,
                                   const GameModelOptions& options = {}) {
    GameTerrainOptions all;
    all.model = options;
    const GameTerrain made = buildGameTerrain(colourGrid(map, edge), all);
    if (!made.ok())
        return {{}, made.error};
    return {printGameModel(made.model), {}};
}

} // namespace grondel::testing
