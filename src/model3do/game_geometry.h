#pragma once

#include "model3do/game_options.h"
#include "model3do/terrain_grid.h"
#include "model3do/vec3.h"

#include <array>
#include <string>
#include <vector>

namespace grondel {

// One mesh of the game model and its hierarchy node, holding the values as they will be printed:
// a reader of the text gets back exactly these numbers. Vertex k uses texture vertex k.
struct GameMesh {
    std::string name;
    Vec3 node;                  // where the node places the mesh: its centre in x and y, z = 0
    double radius = 0.0;        // culling sphere around the node, covering every vertex
    std::vector<Vec3> vertices; // relative to the node
    std::vector<std::array<double, 2>> textureVertices; // u, v in texels
    std::vector<Vec3> vertexNormals;
    std::vector<std::array<int, 3>> faces; // counter-clockwise seen from above
    std::vector<Vec3> faceNormals;
};

// The game model as data: what the printer writes and a viewer draws.
struct GameModel {
    std::string material;
    double radius = 0.0; // culling sphere around the model's origin
    // Every x of a vertex or node is a whole multiple of 2^-quantumX, every y of 2^-quantumY.
    int quantumX = 0;
    int quantumY = 0;
    std::vector<GameMesh> meshes;
};

// What one mesh is made of: triangles over grid points. A regular tile and a simplifier's
// irregular piece alike.
struct MeshShape {
    std::string name;              // 1..31 printable characters, no blank and no '#'
    std::vector<GridPoint> points; // the mesh's vertices, each once, 1..512 of them
    // Corners as places in points, counter-clockwise seen from above (x east with the column,
    // y north against the row), 1..512 of them.
    std::vector<std::array<int, 3>> faces;
};

// A built game model, or why there is none.
struct GameModelBuild {
    GameModel model;   // when error is empty
    std::string error; // one line naming what to change
    bool ok() const { return error.empty(); }
};

// Places the shapes over the terrain grid as the game model, one mesh and one node each.
//
// - Point (column, row) lies at x = (column - (columns - 1) / 2) * spacing * scaleX,
//   y = ((rows - 1) / 2 - row) * spacing * scaleY: north-up, the grid's middle at the origin,
//   x and y rounded to the model's quantum on their axis; z = height * scaleZ.
// - The quantum of an axis is the finest 2^-k that keeps every grid coordinate on it within 2^24
//   quanta. Then every vertex, every node and the game's float32 sum of the two are exact
//   floats, so a point shared by two meshes lands on the same float in both.
// - Each node sits at its mesh's centre in x and y (the middle of its vertices' range, on the
//   quantum), z = 0; the mesh's vertices are relative to it and its radius is measured from it.
//   The model's radius is measured from the origin.
// - A face's normal is the unit normal of its corners as printed; a vertex's normal is the sum
//   of the unit normals of every face around its point, in every mesh, made unit: a point on a
//   border is lit alike in all its meshes.
// - The texture vertex of point (column, row) is (column * ku, row * kv) plus its mesh's shift,
//   ku = spacing * scaleX * texelsPerUnit, kv likewise with scaleY: texel (0, 0) on the
//   north-west point, u growing east and v south, so a texture lies on the terrain as the
//   picture does. The shift, per mesh and axis, is the whole multiple of 1024 texels that brings
//   the mesh's coordinates nearest 0; textures of up to 1024 texels repeat seamlessly across it.
//
// Refuses, with a reason: options out of range; a grid terrainGridProblem refuses; a shape
// that is not as described above or names a point off the grid; texture coordinates still
// beyond 2^21 texels after the shift (float32 would step by more than 1/8 texel); a face whose
// area is not above 1e-12 of the square of the model's extent (its bounding box's longest
// side), which the game's float32 arithmetic cannot draw reliably; a grid so wide that a quantum
// of 1 is too fine.
//
// Time O(P log P) for P shape points in all, memory linear in the shapes.
GameModelBuild buildGameModel(const TerrainGrid& grid, const std::vector<MeshShape>& shapes,
                              const GameModelOptions& options);

} // namespace grondel
