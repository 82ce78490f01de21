#pragma once

#include "heightmap/heightmap.h"
#include "model3do/game_geometry.h"
#include "model3do/game_options.h"
#include "model3do/terrain_grid.h"

#include <vector>

namespace grondel {

// Squares per tile side: 17 x 17 = 289 vertices and 512 faces, the most faces the game takes.
inline constexpr int kTileSquares = 16;

// The whole grid of columns x rows points (each at least 2) cut into tiles of at most
// kTileSquares x kTileSquares squares, west to east in the inner loop, north to south in the
// outer, named "tile<column>_<row>" by their place. A tile's points run row after row from its
// north-west corner; square (i, j) with corners a = (i, j), b = (i, j + 1), c = (i + 1, j),
// d = (i + 1, j + 1) gives the faces a-b-d and d-c-a, counter-clockwise seen from above.
// Returns nothing for sides below 2.
std::vector<MeshShape> gridTiles(int columns, int rows);

// The game model of the whole terrain grid, cut by gridTiles (see buildGameModel for the
// placement and the refusals).
GameModelBuild buildGameModel(const TerrainGrid& grid, const GameModelOptions& options);

// The game model of the colour grid's top-left edge x edge cells (terrainGridOf), edge 2..kMaxEdge.
GameModelBuild buildGameModel(const HeightMap& map, int edge, const GameModelOptions& options);

} // namespace grondel
