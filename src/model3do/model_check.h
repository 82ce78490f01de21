#pragma once

#include "model3do/limits.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace grondel {

// Problems past this many are not listed: the check stops with a note saying so.
inline constexpr std::size_t kMaxReportedProblems = 100;

struct ModelProblem {
    long long line = 0; // counted from 1; one past the last line when the file ends early
    std::string text;
    // The game does not load the model, or reads past its memory on it (a crash at best):
    // the text says which. Otherwise the game loads the model but reads or draws it otherwise
    // than the text says.
    bool refused = false;
};

struct ModelCheck {
    std::vector<ModelProblem> problems; // in line order
    // What was read, over every geoset.
    long long meshes = 0;
    long long vertices = 0;
    long long faces = 0;
    // The material names, as the game reads them (lowercase), in the model's order.
    std::vector<std::string> materials;
    // Facts worth knowing that are no fault, one line each: with CheckOptions::walkable, the
    // faces the game tests on each collision query and those too steep to stand on.
    std::vector<std::string> notes;

    bool ok() const { return problems.empty(); }
};

// What to check beyond the game's own rules.
struct CheckOptions {
    // The model is a terrain: every face and vertex normal should point up (z above 0).
    bool terrain = false;
    // The model is walked on. The game collides with every mesh of geoset 0 where its vertices
    // are written, in the thing's space, whatever the hierarchy nodes say: each should be drawn
    // there too, by some node. Adds the notes on collision.
    bool walkable = false;
};

// Reads a 3DO 2.1 text model the way the game does and lists what keeps the game from loading
// it or drawing it right. The reading follows the engine's public reimplementation, which reads
// numbers with the host's C library: here as glibc reads them in the C locale (so "%f" takes
// "nan", "inf" and hex floats, and "%d" takes "3x" as 3), done without the C library, the same
// on every platform and in every locale.
// - Lines as the game's line reader gives them: in pieces of at most kGameLineReadBytes, so the
//   rest of a longer line is read as another line; a piece whose first character is '#', ';',
//   CR or LF is skipped, any other is data, cut at '#', lowercased, joined to the next piece
//   where a backslash comes just before its last character, and one CR or LF taken off its end.
//   So a line of spaces or an indented comment is data, and refuses the model.
// - Each line matched as the loader's sscanf pattern matches it, in the loader's fixed order:
//   fewer values than the pattern has refuse the model; where the game reads a line otherwise
//   than it looks (text after the last number, "3x" read as 3, "nan", a number past the int's
//   range, a list line numbered out of turn) the problem says what the game reads. The "3DO 2.1"
//   line, the section names and the VERTEX NORMALS and FACE NORMALS lines are read and never
//   looked at, by the game as here.
// - Face lines as the loader cuts them into words (strtok on blanks, and on commas for the
//   vertex list) and reads each with atoi or sscanf: commas are optional; a face line with
//   fewer words than it needs crashes the loader.
// - Refused where the loader refuses: a count over the game's limits (kGameMaxVertices,
//   kGameMaxFaces, kGameMaxTextureVertices, kGameMaxGeosets) or negative, a face of 0 or over
//   kGameMaxFaceVertices vertices, the file ending early. Refused too where the game reads past
//   its memory or never ends: a material index equal to the material count (one past the
//   loader's clamp), a vertex or texture vertex index outside its mesh, a node's parent, child,
//   sibling or mesh outside the model, a node name of over kGameMaxNameLength characters, no
//   hierarchy node at all, a child chain that ends early or leads back into itself, a parent
//   chain that loops.
// - What loads but draws wrong: material names not ending in ".mat" or over
//   kGameMaxMaterialNameLength characters, material indices the loader clamps, mesh names it
//   cuts, GEOMETRYMODE 0 (never drawn), texture coordinates beyond kGameMaxSteadyTexel texels
//   (float32 steps by over 1/8 texel), a mesh RADIUS that does not cover its vertices seen from
//   its node, a model RADIUS that does not cover every drawn vertex as the nodes place it, nodes
//   never drawn (not reachable from node 0 through child, numChildren and the sibling chain).
// - Normals: every face and vertex normal of length 1 within 1e-3; a face normal that agrees
//   with its winding (the engine's own normal, (v1 - v0) x (v2 - v0), summed over the fan for
//   more corners): a cosine below 0 is reversed, below 0.999 off the face's plane; a vertex
//   normal within 90 degrees of the sum of the written normals of the faces that use it in its
//   mesh and, where meshes meet, of those that use the same point in the other meshes of its
//   geoset as the nodes place them (a normal made for the whole surface lights every mesh's
//   border alike); with options.terrain, a z above 0.
// - Faces of zero area: half the winding's length not above kGameMinFaceAreaShare of the square
//   of the model's extent (the longest side of the box around every drawn vertex as placed).
// - With options.walkable: every mesh of geoset 0 drawn by some node, and drawn where the game
//   collides with it (its nodes, pivots included, move it not at all); notes count the faces
//   of geoset 0 and those whose normal z is under kGameMinFloorNormalZ.
//
// Nodes place their meshes as the game does (see placeHierarchy in model_hierarchy.h for the
// order of pivot, rotation and position, and the rotation convention). INSERT OFFSET is not
// applied.
//
// Where the game's loader stops, the check stops; other problems are listed and reading goes
// on. Any bytes are safe to pass: the counts in the text are never trusted for memory or time.
// Time is linear in the text's size: vertices placed by nodes that draw their meshes many times
// over are placed one by one at most kCheckPlacedVerticesPerByte per byte of the text, and
// bounded by spheres past that. Memory is a small multiple of what is kept (the meshes'
// vertices and the nodes), however long the lines.
ModelCheck checkModel(std::string_view text, CheckOptions options = {});

// The same, reading the text in pieces: next gives the next one each time it is called (it may
// stay valid until the next call only), empty at the end. For models too large to hold whole.
ModelCheck checkModel(const std::function<std::string_view()>& next, CheckOptions options = {});

} // namespace grondel
