#pragma once

#include "export/save_file.h"
#include "heightmap/heightmap.h"

#include <QString>

#include <optional>
#include <string>

namespace grondel {

// How the game model is scaled and textured.
struct GameModelOptions {
    double scaleX = 1.0; // world units per 0.5 grid step across columns
    double scaleY = 1.0; // ... across rows
    double scaleZ = 1.0; // multiplies the height cell / 2097151
    std::string material = "dflt.mat";
    double texelsPerUnit = 320.0;
};

// The game model: the terrain cut into tiles of at most 16 x 16 squares, one mesh each, centred
// on the origin, with face and vertex normals, planar texture coordinates and radii, so that
// the game loads it as it is. Returns nothing when edge lies outside 2..kMaxEdge or an option is
// out of range.
std::optional<std::string> formatGameModel(const HeightMap& grid, int edge,
                                           const GameModelOptions& options = {});

// Formats the game model and saves it the same safe way as save3do.
SaveResult saveGameModel(const QString& path, const HeightMap& grid, int edge,
                         const GameModelOptions& options = {});

} // namespace grondel
