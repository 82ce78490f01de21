#pragma once

#include "model3do/game_numbers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace grondel {

// A point of a terrain grid. Column 0 is the west edge and row 0 the north edge: point
// (column, row) comes from picture pixel (column, row), so the terrain seen from above reads
// like the picture.
struct GridPoint {
    std::int32_t column = 0;
    std::int32_t row = 0;

    friend bool operator==(const GridPoint&, const GridPoint&) = default;
};

// A terrain as the game model takes it: heights on a regular grid of any size. Its producers
// (a picture's top-left square, a whole picture resampled) fill it; the game model's builders
// take nothing else from the picture.
struct TerrainGrid {
    int columns = 0;      // points from west to east
    int rows = 0;         // points from north to south
    double spacing = 0.5; // model units between neighbouring points, before the X and Y scales
    // Model units, row after row from the north-west point: heights[row * columns + column].
    std::vector<double> heights;

    // Unchecked: p must lie on the grid.
    double at(GridPoint p) const {
        return heights[static_cast<std::size_t>(p.row) * static_cast<std::size_t>(columns) +
                       static_cast<std::size_t>(p.column)];
    }
    bool contains(GridPoint p) const {
        return p.column >= 0 && p.column < columns && p.row >= 0 && p.row < rows;
    }
};

// Why grid cannot make a model, in one line, or an empty text when it can: sides outside
// kMinTerrainEdge..kMaxSimplifiedEdge, a height count other than columns x rows, a spacing not
// finite and above 0, or a height not finite or beyond kMaxTerrainHeight (model3do/limits.h).
// Grids may come from untrusted pictures.
std::string terrainGridProblem(const TerrainGrid& grid);
// The lowest and highest of grid's heights, which must be some and numbers.
std::pair<double, double> heightRange(const TerrainGrid& grid);

// A height as the game model prints it, after the Z scale: what a reader of the model gets
// back. The simplifier's error bound and the placement of the vertices both use it, so the
// bound holds on the heights as written.
inline double heightAsPrinted(double height, double scaleZ) {
    return game_numbers::significant(height * scaleZ);
}

} // namespace grondel
