#pragma once

#include "export/save_file.h"
#include "heightmap/heightmap.h"

#include <optional>
#include <string>
#include <string_view>

#include <QString>

namespace grondel {

// How the game model is scaled and textured.
struct GameModelOptions {
    double scaleX = 1.0; // world units per 0.5 grid step across columns
    double scaleY = 1.0; // ... across rows
    double scaleZ = 1.0; // multiplies the height cell / 2097151
    std::string material = "dflt.mat";
    double texelsPerUnit = 320.0;
};

// Accepted option ranges. Outside them the numbers would print past the game's line length or
// lose every digit to the six decimals the model is written with.
inline constexpr double kMinGameScale = 0.001;
inline constexpr double kMaxGameScale = 1000.0;
inline constexpr double kMinTexelsPerUnit = 0.001;
inline constexpr double kMaxTexelsPerUnit = 100000.0;
inline constexpr std::size_t kMaxMaterialNameLength = 31;

// A finite scale within kMinGameScale..kMaxGameScale.
bool isGameScale(double scale);
// A finite texel density within kMinTexelsPerUnit..kMaxTexelsPerUnit.
bool isTexelsPerUnit(double texels);
// A plain material file name such as "dflt.mat": letters, digits, '_', '-', '+' and '.', ending
// in ".mat" after at least one character, at most kMaxMaterialNameLength characters in all.
bool isMaterialName(std::string_view name);

// The game model: the terrain cut into tiles of at most 16 x 16 squares, one mesh each, centred
// on the origin, with face and vertex normals, planar texture coordinates and radii, so that
// the game loads it as it is. Returns nothing when edge lies outside 2..kMaxEdge or an option is
// out of range.
//
// Vertex (i, j) of the grid sits at x = (i - (edge - 1) / 2) * 0.5 * scaleX, y likewise with j
// and scaleY, z = cell / 2097151 * scaleZ. Its texture vertex is (x, -y) * texelsPerUnit, so the
// picture reads the right way round seen from above. Every mesh lists the texture vertex with
// the same number as each of its vertices. Numbers have six decimals.
std::optional<std::string> formatGameModel(const HeightMap& grid, int edge,
                                           const GameModelOptions& options = {});

// Formats the game model and saves it the same safe way as save3do. Refused options or edge
// leave the file at path as it was.
SaveResult saveGameModel(const QString& path, const HeightMap& grid, int edge,
                         const GameModelOptions& options = {});

} // namespace grondel
