#pragma once

#include "model3do/limits.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace grondel {

// Problems past this many are not listed: the check stops with a note saying so.
inline constexpr std::size_t kMaxReportedProblems = 100;

struct ModelProblem {
    long long line = 0; // counted from 1; one past the last line when the file ends early
    std::string text;
};

struct ModelCheck {
    std::vector<ModelProblem> problems; // in line order
    // What was read, over every geoset.
    long long meshes = 0;
    long long vertices = 0;
    long long faces = 0;

    bool ok() const { return problems.empty(); }
};

// What to check beyond the game's own rules.
struct CheckOptions {
    // The model is a terrain: every face and vertex normal should point up (z above 0).
    bool terrain = false;
    // The model is walked on: the game collides with its meshes where they are written, so
    // each should be drawn there too.
    bool walkable = false;
};

// Reads a 3DO 2.1 text model the way the game does and lists what would keep the game from
// loading it or drawing it right:
// - lines: read in pieces of at most kGameLineReadBytes, as the game reads them, so the rest of
//   a longer line is read as another line (and reported); a piece whose first character is not
//   '#', ';', CR or LF is data, lowercased and cut at '#', so a line of spaces or an indented
//   comment is an error;
// - sections and lines in the game's fixed order, with their numbers in order;
// - materials: names ending in ".mat" of at most kGameMaxMaterialNameLength characters;
// - per mesh: the vertex, face and texture vertex limits, 1..24 vertices per face with vertex,
//   texture vertex and material numbers in range, one vertex normal per vertex and one face
//   normal per face, a name of at most kGameMaxNameLength characters, a GEOMETRYMODE other than
//   0 (never drawn), and a RADIUS that covers every vertex seen from its node;
// - texture coordinates within 2^21 texels of 0 (beyond, float32 steps by over 1/8 texel);
// - normals: every face and vertex normal of length 1 within 1e-3; a face normal that agrees
//   with its winding (the engine's own normal, (v1 - v0) x (v2 - v0), summed over the fan for
//   more corners): a cosine below 0 is reversed, below 0.999 off the face's plane; with
//   options.terrain, a z above 0;
// - faces of zero area: half the winding's length not above kGameMinFaceAreaShare of the square
//   of the model's extent (the longest side of the box around every drawn vertex as placed);
// - per model: at most kGameMaxGeosets geosets, a RADIUS that covers every drawn vertex seen
//   from the origin as its node places it;
// - hierarchy: mesh, parent, child and sibling numbers in range, names under 32 characters, and
//   every node drawn: reachable from node 0 through child, numChildren and the sibling chain.
//
// Nodes place their meshes as the game does (see placeHierarchy in model_hierarchy.h for the
// order of pivot, rotation and position, and the rotation convention). INSERT OFFSET is not
// applied.
//
// Where the game's loader would give up (a line it cannot read, the file ending early) the
// check stops; other problems are listed and reading goes on. Any bytes are safe to pass: the
// counts in the text are never trusted for memory or time. Time is linear in the text's size
// and memory a small multiple of it.
ModelCheck checkModel(std::string_view text, CheckOptions options = {});

} // namespace grondel
