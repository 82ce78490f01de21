#pragma once

#include "picture/picture.h"
#include "terrain/terrain_grid.h"

#include <string>

namespace grondel {

// Which pixels make the terrain.
enum class TerrainRegion {
    TopLeft, // the top-left edge x edge pixels, one point each; beyond the picture black
    Fit,     // the whole picture, resampled onto the grid
};

// How a pixel becomes a height, in model units before the Z scale.
enum class TerrainHeights {
    Colour, // the packed 24-bit colour over 2^21 - 1, as the editor model: white about 8
    Grey,   // the pixel's grey level at its full depth: 0 at black, exactly 8 at white
};

struct TerrainRequest {
    TerrainRegion region = TerrainRegion::TopLeft;
    TerrainHeights heights = TerrainHeights::Colour;
    // Points along the grid's longer side: kMinTerrainEdge..kMaxSimplifiedEdge. 0 with Fit: the
    // picture's longer side, at most kMaxFullGridEdge; 0 with TopLeft: the picture's own edge
    // when it is square.
    int edge = 0;

    friend bool operator==(const TerrainRequest&, const TerrainRequest&) = default;
};

// Grey heights run from 0 at black to this at white.
inline constexpr double kGreyHeightRange = 8.0;

// The height grid of picture as request asks (spacing 0.5), or why there is none in error.
//
// TopLeft: an edge x edge grid, point (column, row) the height of pixel (column, row).
// Fit: the longer side gets edge points, the shorter round(edge x short / long), at least 2, so
// the grid keeps the picture's proportions. Point i of n along a side of w pixels sits on pixel
// position i x (w - 1) / (n - 1): the corner points on the corner pixels. Its height is the
// average of the pixels around that position, weighted by a tent that falls to zero one grid
// step away on each axis (a grid as fine as the picture reads each pixel as it is), and the
// pixels' heights interpolated bilinearly where the grid is finer than the picture. At the
// picture's edges the tent narrows to stay whole, so a point never leans inwards: the corner
// points read the corner pixels, and a plane reads exactly everywhere.
TerrainGrid terrainFromPicture(const Picture& picture, const TerrainRequest& request,
                               std::string& error);

} // namespace grondel
