#pragma once

#include "heightmap/heightmap.h"
#include "model3do/game_geometry.h"
#include "model3do/game_options.h"

#include <string>

namespace grondel {

// The game model's text: a 3DO 2.1 model the game loads as it is, one mesh and one hierarchy
// node per mesh of model, every node a child of node 0, which draws nothing. Lines end in CR
// LF and nothing depends on the locale. Numbers (see game_numbers.h): x and y of vertices and
// nodes exact, with at most quantumX and quantumY decimals; heights, normals and texture
// coordinates with 9 significant digits, in plain or exponent form ("1.25", "3.2e-07"); radii
// likewise, rounded up; intensities, angles and pivots "0.000000".
std::string printGameModel(const GameModel& model);

// The text of a game model, or why there is none.
struct GameModelText {
    std::string text;  // when error is empty
    std::string error; // one line naming what to change
    bool ok() const { return error.empty(); }
};

// The game model of the colour grid's top-left edge x edge cells (see buildGameModel in
// game_tiles.h), as text.
GameModelText formatGameModel(const HeightMap& grid, int edge,
                              const GameModelOptions& options = {});

} // namespace grondel
