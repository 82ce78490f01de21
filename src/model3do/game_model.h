#pragma once

#include "model3do/vec3.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace grondel {

// One mesh of the game model and its hierarchy node, holding the values as they will be printed:
// a reader of the text gets back exactly these numbers. Vertex k uses texture vertex k.
struct GameMesh {
    std::string name;
    Vec3 node;                  // where the node places the mesh (no turn, no pivot)
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

// The game model's text: a 3DO 2.1 model the game loads as it is, one mesh and one hierarchy
// node per mesh of model, every node a child of node 0, which draws nothing. Lines end in CR
// LF and nothing depends on the locale. Numbers (see game_numbers.h): x and y of vertices and
// nodes exact, with at most quantumX and quantumY decimals; heights, normals and texture
// coordinates with 9 significant digits, in plain or exponent form ("1.25", "3.2e-07"); radii
// likewise, rounded up; intensities, angles and pivots "0.000000".
std::string printGameModel(const GameModel& model);
// The same text in pieces, the head, each mesh and the hierarchy, printed on every thread there
// is and each handed to take in order as soon as it and those before it are printed: a caller
// writing them to a file writes while the rest are printed, and never holds the whole text. take
// is called from any of the threads, one call at a time; it returns "" or why it could not take
// the piece, which ends the printing and is returned.
std::string printGameModelInOrder(const GameModel& model,
                                  const std::function<std::string(std::string&& piece)>& take);

} // namespace grondel
