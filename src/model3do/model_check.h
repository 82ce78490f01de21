#pragma once

#include "model3do/game_limits.h"

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

// Reads a 3DO 2.1 text model the way the game does and lists what would keep the game from
// loading or drawing it:
// - lines: at most kGameMaxLineBytes; a line whose first character is not '#', ';', CR or LF is
//   data, lowercased and cut at '#', so a line of spaces or an indented comment is an error;
// - sections and lines in the game's fixed order, with their numbers in order;
// - per mesh: the vertex, face and texture vertex limits, 1..24 vertices per face with vertex,
//   texture vertex and material numbers in range, one vertex normal per vertex and one face
//   normal per face, a name of at most kGameMaxNameLength characters, and a RADIUS that covers
//   every vertex seen from its node;
// - per model: at most kGameMaxGeosets geosets, a RADIUS that covers every drawn vertex seen
//   from the origin;
// - hierarchy: mesh, parent, child and sibling numbers in range, names under 32 characters, and
//   every node drawn: reachable from node 0 through child, numChildren and the sibling chain.
//
// A mesh's vertices are placed relative to its node; node positions add up along the parent
// chain. Node rotations and pivots are not applied: a rotation does not change any distance
// from the node, and the terrain models this program writes rotate nothing.
//
// Where the game's loader would give up (a line it cannot read, the file ending early) the
// check stops; other problems are listed and reading goes on. Any bytes are safe to pass: the
// counts in the text are never trusted for memory or time.
ModelCheck checkModel(std::string_view text);

} // namespace grondel
