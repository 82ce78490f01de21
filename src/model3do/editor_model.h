#pragma once

#include "heightmap/heightmap.h"

#include <optional>
#include <string>

namespace grondel {

// The editor model: the grid as one 3DO 2.1 text mesh for the game's level editor.
//
// Vertex k = i * edge + j sits at (i / 2, j / 2, height of cell (i, j)), i the column in the
// outer loop. Each square (i, j) gives two faces, d-b-a and a-c-d, with a = i * edge + j,
// b = a + 1, c = a + edge, d = c + 1. Normals are all zero and the FACE NORMALS section is empty:
// the editor fills them in. Lines end in CR LF, numbers never depend on the locale.
//
// Returns nothing when edge lies outside 0..kMaxEdge. Edge 0 gives a model with no vertices
// and "FACES 0". spare: an earlier model's string whose memory the text may reuse.
std::optional<std::string> formatEditorModel(const HeightMap& grid, int edge,
                                             std::string spare = {});

} // namespace grondel
