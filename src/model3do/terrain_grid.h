#pragma once

#include "heightmap/heightmap.h"

#include <cstddef>
#include <string>
#include <vector>

namespace grondel {

// A point of a terrain grid. Column 0 is the west edge and row 0 the north edge: point
// (column, row) comes from picture pixel (column, row), so the terrain seen from above reads
// like the picture.
struct GridPoint {
    int column = 0;
    int row = 0;

    friend bool operator==(const GridPoint&, const GridPoint&) = default;
};

// Grid sides the game model takes, in points.
inline constexpr int kMinTerrainEdge = 2;
inline constexpr int kMaxTerrainEdge = 4097;
// Largest |height| taken, before the Z scale: far beyond any terrain, far within a float32.
inline constexpr double kMaxTerrainHeight = 1e15;

// A terrain as the game model takes it: heights on a regular grid of any size. Its producers
// (a picture's top-left square, a whole picture resampled, ...) fill it; the game model's
// builders take nothing else from the picture.
struct TerrainGrid {
    int columns = 0;      // points from west to east
    int rows = 0;         // points from north to south
    double spacing = 0.5; // model units between neighbouring points, before the X and Y scales
    // Model units before the Z scale, row after row from the north-west point:
    // heights[row * columns + column].
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
// kMinTerrainEdge..kMaxTerrainEdge, a height count other than columns x rows, a spacing not
// finite and above 0, or a height not finite or beyond kMaxTerrainHeight. Grids may come from
// untrusted pictures.
std::string terrainGridProblem(const TerrainGrid& grid);

// The terrain of the colour grid's top-left edge x edge cells: point (column, row) is cell
// (column, row) with height heightOf(cell) (colour / 2097151), spacing 0.5. An edge outside
// 0..kMaxEdge gives an empty grid, which terrainGridProblem refuses.
TerrainGrid terrainGridOf(const HeightMap& map, int edge);

} // namespace grondel
