#pragma once

#include "heightmap/heightmap.h"
#include "model3do/game_options.h"
#include "model3do/vec3.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace grondel {

// One mesh of the game model and its hierarchy node, holding the values as they will be printed.
// Vertex k of the mesh uses texture vertex k.
struct GameMesh {
    std::string name;
    Vec3 node;                  // where the node places the mesh, in model coordinates
    double radius;              // culling sphere around the node, covering every vertex
    std::vector<Vec3> vertices; // relative to the node
    std::vector<std::array<double, 2>> textureVertices;
    std::vector<Vec3> vertexNormals;
    std::vector<std::array<int, 3>> faces; // counter-clockwise seen from where they face
    std::vector<Vec3> faceNormals;
};

// The game model as data: what the printer writes and a viewer draws.
struct GameModel {
    std::string material;
    double radius = 0.0; // culling sphere around the model's origin
    std::vector<GameMesh> meshes;
};

// Cuts the grid's terrain into tiles of at most 16 x 16 squares, one mesh each, centred on the
// origin, with face and vertex normals, planar texture coordinates and radii.
//
// Vertex (i, j) of the grid sits at x = (i - (edge - 1) / 2) * 0.5 * scaleX, y likewise with j
// and scaleY, z = cell / 2097151 * scaleZ. Its texture vertex is (x, -y) * texelsPerUnit.
// Returns nothing when edge lies outside 2..kMaxEdge or an option is out of range.
std::optional<GameModel> buildGameModel(const HeightMap& grid, int edge,
                                        const GameModelOptions& options);

} // namespace grondel
