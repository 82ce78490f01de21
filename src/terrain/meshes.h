#pragma once

#include "model3do/limits.h"
#include "terrain/simplify.h"
#include "terrain/terrain_grid.h"

#include <array>
#include <string>
#include <vector>

namespace grondel {

// One mesh of the game model before it is placed: triangles over grid points. A regular tile
// and a piece of a simplified surface alike.
struct MeshShape {
    std::string name;              // 1..kGameMaxNameLength printable characters, no blank or '#'
    std::vector<GridPoint> points; // the mesh's vertices, each once
    // Corners as places in points, counter-clockwise seen from above (x east with the column,
    // y north against the row).
    std::vector<std::array<int, 3>> faces;
};

// How much one mesh may hold. Every mesh vertex has its own texture vertex, and there are
// fewer vertices allowed than texture vertices, so the vertex limit binds first.
struct MeshLimits {
    int maxVertices = static_cast<int>(kGameMaxVertices);
    int maxFaces = static_cast<int>(kGameMaxFaces);
};

// The two ways a terrain is cut into meshes. Both give meshes that together cover the grid's
// rectangle once, each within the game's limits, meshes that meet sharing the same grid points
// along their border, and always the same meshes in the same order for the same input.

// The whole grid of columns x rows points (each at least kMinTerrainEdge) in tiles of at most
// kTileSquares x kTileSquares squares, west to east in the inner loop, north to south in the
// outer, named "tile<column>_<row>" by their place. A tile's points run row after row from its
// north-west corner; square (i, j) with corners a = (i, j), b = (i, j + 1), c = (i + 1, j),
// d = (i + 1, j + 1) gives the faces a-b-d and d-c-a. Returns nothing for sides below 2.
std::vector<MeshShape> cutIntoTiles(int columns, int rows);

// A simplified surface's triangles cut into meshes named "mesh<k>", compact in world units
// (spacingX per column, spacingY per row): split again and again across the longer side of their
// spread, at a count that fills whole meshes, so there are as few meshes as the face limit
// allows (ceil(faces / maxFaces)) unless a piece's vertices overflow first, which splits that
// piece once more. A mesh's points are in the order its faces first use them, its faces in the
// order of the triangles. Refuses, with the reason in error and no meshes: limits below 1 face
// or 3 vertices or beyond 65536, a spacing not finite and above 0, a point outside columns and
// rows 0 to 65535, or a triangle naming a point the triangulation lacks. Time n log n, memory
// linear in the input; the meshes are made on every thread there is.
std::vector<MeshShape> cutTriangulation(const Triangulation& surface, double spacingX,
                                        double spacingY, std::string& error,
                                        MeshLimits limits = {});

} // namespace grondel
