#pragma once

#include "terrain/chunked_array.h"
#include "terrain/delaunay_mesh.h"
#include "terrain/packed_point.h"
#include "terrain/triangle_scan.h"

#include <vector>

namespace grondel::terrain::detail {

// A rectangle of the grid refined on its own. Its sides inside the grid are fixed: their points
// are chosen beforehand, the same for the tiles on either side, and no other point of them is
// ever added or taken out, so that the tiles' meshes meet edge to edge.
struct Tile {
    GridPoint nw, se;
    bool west = false, east = false, north = false, south = false; // which sides are fixed
    // The fixed sides' points but the corners, each side's in order from one end.
    std::vector<const std::vector<GridPoint>*> sides;

    bool fixedPoint(GridPoint p) const {
        return (west && p.column == nw.column) || (east && p.column == se.column) ||
               (north && p.row == nw.row) || (south && p.row == se.row);
    }
};

// Where the tiles meet: the cuts across and down, 0 and the last column or row among them, and
// the points kept on each fixed side between two crossings, down the inner columns and along
// the inner rows, tile by tile.
struct Cuts {
    std::vector<int> xs, ys;
    std::vector<std::vector<GridPoint>> columnSides, rowSides;
    // For each column and each row of the grid, whether an inner cut runs down or along it.
    std::vector<bool> innerColumns, innerRows;

    // The tiles between the cuts, row by row, each referring to these sides.
    std::vector<Tile> tiles() const;
    // Whether p lies on an inner cut.
    bool onCut(GridPoint p) const {
        return innerColumns[static_cast<std::size_t>(p.column)] ||
               innerRows[static_cast<std::size_t>(p.row)];
    }
};

// Cuts the grid into tiles about tileSide points a side, or with tileSide 0 as the terrain asks
// (refine_tiles.cpp), and chooses on each inner side the points that a line through them must pass
// through for every point of the side to lie within threshold of it (a hair inside it, so that
// the tiles' scans, measuring the same points with other rounding, find them all within it).
Cuts cutGrid(const TerrainGrid& grid, const TriangleScanner& scanner, double threshold,
             int tileSide);

// One tile's mesh as its refinement left it.
struct TileMesh {
    std::vector<PackedPoint> points;
    ChunkedArray<PackedPoint> corners;
    ChunkedArray<std::int32_t> twins;
    ChunkedArray<double> errors;
    bool met = false;
};

// The tiles' meshes as one, each tile's triangle slots after the last's, twins joined across
// the fixed sides, each slot's error into errors; the grid's corners first among the points,
// then every tile's others once. The tiles are left empty.
DelaunayMesh joinTiles(const TerrainGrid& grid, std::vector<TileMesh>& tiles,
                       ChunkedArray<double>& errors);

} // namespace grondel::terrain::detail
