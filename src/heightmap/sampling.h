#pragma once

#include "heightmap/heightmap.h"

namespace grondel {

// Copies the colours of the top-left edge x edge pixels into grid: x (image column) in the
// outer loop, y (image row) in the inner one, cell (x, y) = pixel(x, y). Cells outside that
// square keep what they held. An edge of 0 or less writes nothing.
//
// Returns false when the square does not fit the grid (edge above kMaxEdge); the cells written
// before the first refused one keep their new values.
template <typename PixelRead>
[[nodiscard]] bool sampleSquare(int edge, HeightMap& grid, PixelRead&& pixel) {
    for (int x = 0; x < edge; ++x)
        for (int y = 0; y < edge; ++y)
            if (!grid.set(x, y, pixel(x, y)))
                return false;
    return true;
}

} // namespace grondel
