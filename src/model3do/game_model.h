#pragma once

#include "heightmap/heightmap.h"
#include "model3do/game_options.h"
#include "model3do/game_tiles.h"

#include <optional>
#include <string>

namespace grondel {

// The game model's text: a 3DO 2.1 model the game loads as it is, one mesh and one hierarchy
// node per tile, every node a child of node 0, which draws nothing. Numbers have six decimals,
// lines end in CR LF, and nothing depends on the locale.
std::string printGameModel(const GameModel& model);

// The game model of grid at edge (see buildGameModel), as text. Returns nothing when edge lies
// outside 2..kMaxEdge or an option is out of range.
std::optional<std::string> formatGameModel(const HeightMap& grid, int edge,
                                           const GameModelOptions& options = {});

} // namespace grondel
