#pragma once

#include "model3do/game_model.h"
#include "terrain/game_options.h"
#include "terrain/meshes.h"
#include "terrain/terrain_grid.h"

#include <string>
#include <vector>

namespace grondel {

// A built game model, or why there is none.
struct GameModelBuild {
    GameModel model;   // when error is empty
    std::string error; // one line naming what to change
    bool ok() const { return error.empty(); }
};

// Places the meshes over the terrain grid as the game model, one mesh and one node each.
//
// - Point (column, row) lies at x = (column - (columns - 1) / 2) * spacing * scaleX,
//   y = ((rows - 1) / 2 - row) * spacing * scaleY: north-up, the grid's middle at the origin,
//   x and y rounded to the model's quantum on their axis; z = heightAsPrinted(height, scaleZ).
// - The quantum of an axis is the finest 2^-k that keeps every grid coordinate on it within 2^24
//   quanta. Then every vertex, every node and the game's float32 sum of the two are exact
//   floats, so a point shared by two meshes lands on the same float in both.
// - Walkable (options.layout): every node at zero, the vertices where they lie, each mesh's
//   radius measured from the origin, where the game collides with them. Scenery: each node at
//   its mesh's centre in x and y (the middle of its vertices' range, on the quantum), z = 0, the
//   vertices relative to it and the radius measured from it, so the game culls mesh by mesh.
//   A vertex lands on the same float in both. The model's radius is measured from the origin.
// - A face's normal is the unit normal of its corners as printed; a vertex's normal is the sum
//   of the unit normals of every face around its point, in every mesh, made unit: a point on a
//   border is lit alike in all its meshes.
// - The texture vertex of point (column, row) is (column * ku, row * kv) plus its mesh's shift,
//   ku = spacing * scaleX * texelsPerUnit, kv likewise with scaleY: texel (0, 0) on the
//   north-west point, u growing east and v south, so a texture lies on the terrain as the
//   picture does. The shift, per mesh and axis, is the whole multiple of kTextureRepeat texels
//   that brings the mesh's coordinates nearest 0. With a textureSize the texture lies once over
//   the terrain instead: (0.5 + column (size - 1) / (columns - 1), 0.5 + row (size - 1) /
//   (rows - 1)), texel centres on the grid's corners, shifted by whole textures.
//
// Refuses, with a reason: options gameOptionsProblem refuses; a grid terrainGridProblem
// refuses; a mesh that is not as MeshShape describes, beyond the game's limits, or naming a
// point off the grid; texture coordinates still beyond kGameMaxSteadyTexel after the shift; a
// face whose area is not above kGameMinFaceAreaShare of the square of the model's extent (its
// bounding box's longest side); a grid so wide that a quantum of 1 is too fine.
//
// The grid's heights are printed first (heightAsPrinted at the Z scale), or with
// GridHeights::Printed taken as they are: what simplifyInPlace leaves.
//
// Time O(P log P) for P shape points in all, memory linear in the shapes.
enum class GridHeights { Raw, Printed };
GameModelBuild placeMeshes(const TerrainGrid& grid, const std::vector<MeshShape>& meshes,
                           const GameModelOptions& options, GridHeights heights = GridHeights::Raw);

} // namespace grondel
